#include "player/CataloguePlayerViewController.h"

#include "platform/ActivityIndicatorView.h"
#include "platform/AlertPresenter.h"
#include "platform/AlertView.h"
#include "platform/Geometry.h"
#include "platform/ImageButton.h"
#include "platform/ImageView.h"
#include "platform/NavigationBar.h"
#include "platform/Slider.h"
#include "player/PlayerButtonImages.h"
#include "player/PlayerLayout.h"

#include <QLabel>

namespace {

QLabel *makeNameLabel(QWidget *parent, const QRectF &frame)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setBold(true);
    font.setPixelSize(18);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Geometry::colorWithWhite(1.0, 1.0));
    label->setPalette(palette);
    Geometry::setBackgroundColor(label, Geometry::colorWithWhite(0.0, 0.0));
    Geometry::setFrame(label, frame);
    return label;
}

ImageButton *makeImageButton(QWidget *parent, const QRectF &frame, const QString &imageName)
{
    auto *button = new ImageButton(parent);
    button->setImage(imageName, PlayerButtonImages::icon(imageName));
    button->setAccessibleName(PlayerButtonImages::accessibleName(imageName));
    Geometry::setBackgroundColor(button, Geometry::colorWithWhite(0.0, 0.0));
    Geometry::setFrame(button, frame);
    return button;
}

} // namespace

CataloguePlayerViewController::CataloguePlayerViewController(const PlatformServices &services,
                                                             QWidget *parent)
    : ViewController(parent)
    , m_services(services)
{
}

CataloguePlayerViewController::~CataloguePlayerViewController() = default;

void CataloguePlayerViewController::showAlertWithTitle(const QString &title,
                                                       const QString &message)
{
    m_services.alerts->show(new AlertView(title, message, nullptr, QStringLiteral("ОК")));
}

void CataloguePlayerViewController::setUpAudioSession()
{
    // Desktop audio needs no session category: playback is always allowed,
    // so there is nothing that could fail here.
}

void CataloguePlayerViewController::createBackgroundImageView()
{
    auto *imageView = new ImageView(view());
    imageView->setContentMode(ImageView::ContentMode::ScaleAspectFill);
    Geometry::setFrame(imageView, bounds());
    Geometry::addSubview(view(), imageView);
    setBackgroundImageView(imageView);
}

void CataloguePlayerViewController::createOverlayView()
{
    auto *overlay = new QWidget(view());
    Geometry::setFrame(overlay, bounds());
    Geometry::setBackgroundColor(overlay, Geometry::colorWithWhite(0.0, 0.5));
    overlay->setHidden(true);
    Geometry::addSubview(view(), overlay);
    setOverlayView(overlay);
}

void CataloguePlayerViewController::createPlayerControls()
{
    const PlayerLayout layout = PlayerLayout::forBounds(width(), height());

    auto *slider = new Slider(view());
    Geometry::setFrame(slider, layout.timeSlider);
    slider->setHidden(true);
    Geometry::addSubview(view(), slider);
    setTimeSlider(slider);

    auto *playPause = makeImageButton(view(), layout.playPauseButton, PlayerButtonImages::kPlay);
    playPause->setHidden(true);
    Geometry::addSubview(view(), playPause);
    setPlayPauseButton(playPause);

    auto *rewind = makeImageButton(view(), layout.rewindButton, PlayerButtonImages::kPreviousSong);
    rewind->setHidden(true);
    Geometry::addSubview(view(), rewind);
    setRewindButton(rewind);

    auto *forward = makeImageButton(view(), layout.forwardButton, PlayerButtonImages::kNextSong);
    forward->setHidden(true);
    Geometry::addSubview(view(), forward);
    setForwardButton(forward);

    auto *song = makeNameLabel(view(), layout.songNameLabel);
    song->setHidden(true);
    Geometry::addSubview(view(), song);
    setSongNameLabel(song);

    auto *artist = makeNameLabel(view(), layout.artistNameLabel);
    artist->setHidden(true);
    Geometry::addSubview(view(), artist);
    setArtistNameLabel(artist);
}

void CataloguePlayerViewController::createPlayerNavigationBar()
{
    auto *bar = new NavigationBar(view());
    Geometry::setFrame(bar, PlayerLayout::forBounds(width(), height()).playerNavigationBar);
    bar->setTintColor(Qt::black);
    bar->setHidden(true);
    Geometry::addSubview(view(), bar);
    setPlayerNavigationBar(bar);
}

void CataloguePlayerViewController::createPlayerView()
{
    auto *container = new QWidget(view());
    Geometry::setFrame(container, bounds());
    Geometry::setBackgroundColor(container, Geometry::colorWithWhite(0.0, 0.0));
    container->setHidden(true);
    Geometry::addSubview(view(), container);
    setPlayerView(container);

    const QList<QWidget *> moved = {
        backgroundImageView(), overlayView(),     timeSlider(),      playPauseButton(),
        rewindButton(),        forwardButton(),   songNameLabel(),   artistNameLabel(),
        playerNavigationBar(),
    };
    for (QWidget *child : moved)
        Geometry::addSubview(container, child);
}

QList<QWidget *> CataloguePlayerViewController::controlViews() const
{
    return {timeSlider(),      playPauseButton(), rewindButton(), forwardButton(),
            songNameLabel(),   artistNameLabel(), overlayView(),  playerView()};
}

void CataloguePlayerViewController::showControls()
{
    for (QWidget *control : controlViews())
        control->setHidden(false);
}

void CataloguePlayerViewController::hideControls()
{
    for (QWidget *control : controlViews())
        control->setHidden(true);
}
