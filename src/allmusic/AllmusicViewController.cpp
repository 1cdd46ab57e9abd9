#include "allmusic/AllmusicViewController.h"

#include "allmusic/AllmusicLayout.h"

#include "protocol/Endpoints.h"
#include "protocol/InPageLink.h"
#include "protocol/QueryString.h"
#include "platform/media/AudioSession.h"
#include "platform/ui/Autoresizing.h"
#include "platform/media/FilePlayerCreation.h"
#include "platform/media/FilePlayerFactory.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/ImageDecoding.h"
#include "platform/system/Log.h"
#include "platform/net/UrlText.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/nowplaying/NowPlayingRecord.h"
#include "platform/ui/NameLabel.h"
#include "platform/ui/VolumeAndTimeControls.h"
#include "protocol/TrackInfoReply.h"

#include <QProgressBar>
#include <QShortcut>

namespace {

VolumeAndTimeControls::Frames volumeAndTimeFrames(const AllmusicLayout &layout)
{
    return {layout.elapsedLabel, layout.remainingLabel, layout.muteButton, layout.volumeSlider};
}

RoundedButton *makeControlButton(QWidget *parent, const QString &title, const QRectF &frame)
{
    auto *button = new RoundedButton(title, parent);
    button->setCornerRadius(30);
    button->setBackgroundColor(Geometry::colorWithWhite(1.0, 0.5));
    Geometry::setFrame(button, frame);
    return button;
}

} // namespace

AllmusicViewController::AllmusicViewController(const PlatformServices &services, QWidget *parent)
    : ViewController(parent)
    , m_services(services)
{
}

AllmusicViewController::~AllmusicViewController()
{
    m_services.nowPlaying->removeSource(this);
    if (m_playbackTimer)
        m_playbackTimer->stop();
    setPlaybackTimer(nullptr);
    if (m_webView)
        m_webView->setDelegate(nullptr);
    if (m_audioPlayer)
        m_audioPlayer->setDelegate(nullptr);
}

void AllmusicViewController::viewDidLoad()
{
    ViewController::viewDidLoad();
    setUpAudioSession();

    WebView *page = m_services.makeWebView(view());
    Geometry::setFrame(page, bounds());
    Autoresizing::setMask(page, Autoresizing::FlexibleWidth | Autoresizing::FlexibleHeight);
    page->setDelegate(this);
    Geometry::addSubview(view(), page);
    page->lower();
    setWebView(page);
    if (const std::optional<QUrl> url =
            urlWithString(Endpoints::directPlayerPage(m_services.bundle.serviceHostOrigin)))
        page->loadRequest(*url);

    createPlayerViews();
    hideControls();

    // Space plays and pauses while the controls show.
    auto *space = new QShortcut(QKeySequence(Qt::Key_Space), playPauseButton());
    connect(space, &QShortcut::activated, this, &AllmusicViewController::playPauseButtonTapped);
    // Top to bottom: "Назад", the slider, the three buttons, then the page.
    setTabOrderOf({backButton(), timeSlider(), rewindButton(), playPauseButton(), forwardButton(),
                   m_volumeAndTime->muteButton(), m_volumeAndTime->volumeSlider(), webView()});
}

void AllmusicViewController::setUpAudioSession()
{
    if (const std::optional<QString> error = m_services.audioSession->setCategoryPlayback())
        systemLog(QStringLiteral("Ошибка настройки AVAudioSession: %1").arg(*error));
}

void AllmusicViewController::createPlayerViews()
{
    const AllmusicLayout layout = AllmusicLayout::forBounds(width(), height());

    auto *background = new ImageView(view());
    background->setContentMode(ImageView::ContentMode::ScaleAspectFill);
    Geometry::setFrame(background, layout.fullScreen);
    Geometry::addSubview(view(), background);
    setBackgroundImageView(background);

    auto *overlay = new QWidget(view());
    Geometry::setFrame(overlay, layout.fullScreen);
    Geometry::setBackgroundColor(overlay, Geometry::colorWithWhite(0.0, 0.5));
    Geometry::addSubview(view(), overlay);
    setOverlayView(overlay);

    auto *slider = new Slider(view());
    Geometry::setFrame(slider, layout.timeSlider);
    connect(slider, &Slider::userValueChanged, this, &AllmusicViewController::timeSliderValueChanged);
    Geometry::addSubview(view(), slider);
    setTimeSlider(slider);

    auto *playPause = makeControlButton(view(), QStringLiteral("Play"), layout.playPauseButton);
    connect(playPause, &QPushButton::clicked, this, &AllmusicViewController::playPauseButtonTapped);
    Geometry::addSubview(view(), playPause);
    setPlayPauseButton(playPause);

    auto *rewind = makeControlButton(view(), QStringLiteral("<<"), layout.rewindButton);
    rewind->setAccessibleName(QStringLiteral("Rewind"));
    connect(rewind, &QPushButton::clicked, this, &AllmusicViewController::rewindButtonTapped);
    Geometry::addSubview(view(), rewind);
    setRewindButton(rewind);

    auto *forward = makeControlButton(view(), QStringLiteral(">>"), layout.forwardButton);
    forward->setAccessibleName(QStringLiteral("To the end"));
    connect(forward, &QPushButton::clicked, this, &AllmusicViewController::forwardButtonTapped);
    Geometry::addSubview(view(), forward);
    setForwardButton(forward);

    auto *back = new RoundedButton(QStringLiteral("Назад"), view());
    Geometry::setFrame(back, layout.backButton);
    connect(back, &QPushButton::clicked, this, &AllmusicViewController::backButtonTapped);
    Geometry::addSubview(view(), back);
    setBackButton(back);

    auto *song = makeTrackNameLabel(view(), layout.songNameLabel);
    Geometry::addSubview(view(), song);
    setSongNameLabel(song);

    auto *artist = makeTrackNameLabel(view(), layout.artistNameLabel);
    Geometry::addSubview(view(), artist);
    setArtistNameLabel(artist);

    // Its keys work while the controls show.
    m_volumeAndTime = new VolumeAndTimeControls(view(), m_services.audioEngine, playPause);
    m_volumeAndTime->setFrames(volumeAndTimeFrames(layout));

    // While a track downloads: a turning indicator, and a thin bar of how
    // much has come when the track's size is known.
    auto *indicator = new ActivityIndicatorView(ActivityIndicatorView::Style::WhiteLarge, view());
    indicator->setCenter(layout.center);
    Geometry::addSubview(view(), indicator);
    setActivityIndicator(indicator);
    auto *bar = new QProgressBar(view());
    bar->setRange(0, 1000);
    bar->setTextVisible(false);
    bar->setAccessibleName(QStringLiteral("Download"));
    Geometry::setFrame(bar, layout.downloadProgressBar);
    bar->setHidden(true);
    Geometry::addSubview(view(), bar);
    setDownloadProgressBar(bar);
}

void AllmusicViewController::viewDidLayoutSubviews()
{
    const AllmusicLayout layout = AllmusicLayout::forBounds(width(), height());
    Geometry::setFrame(webView(), layout.fullScreen);
    Geometry::setFrame(backgroundImageView(), layout.fullScreen);
    Geometry::setFrame(overlayView(), layout.fullScreen);
    Geometry::setFrame(timeSlider(), layout.timeSlider);
    Geometry::setFrame(playPauseButton(), layout.playPauseButton);
    Geometry::setFrame(rewindButton(), layout.rewindButton);
    Geometry::setFrame(forwardButton(), layout.forwardButton);
    Geometry::setFrame(backButton(), layout.backButton);
    Geometry::setFrame(songNameLabel(), layout.songNameLabel);
    Geometry::setFrame(artistNameLabel(), layout.artistNameLabel);
    if (m_volumeAndTime)
        m_volumeAndTime->setFrames(volumeAndTimeFrames(layout));
    activityIndicator()->setCenter(layout.center);
    Geometry::setFrame(downloadProgressBar(), layout.downloadProgressBar);
}

QList<QWidget *> AllmusicViewController::controlViews() const
{
    return {timeSlider(),    playPauseButton(), rewindButton(),    forwardButton(),
            backButton(),    songNameLabel(),   artistNameLabel(), overlayView()};
}

void AllmusicViewController::hideControls()
{
    for (QWidget *control : controlViews())
        control->setHidden(true);
    m_volumeAndTime->setHidden(true);
}

void AllmusicViewController::showControls()
{
    for (QWidget *control : controlViews())
        control->setHidden(false);
    m_volumeAndTime->setHidden(false);
}

bool AllmusicViewController::webViewShouldStartLoadWithRequest(WebView *, const QUrl &request,
                                                               WebViewNavigationType)
{
    // Only the host "music" is handled here; every other URL loads.
    if (InPageLink::classify(request) != InPageLink::Host::Music)
        return true;
    const QHash<QString, QString> query = parseQueryString(InPageLink::rawQuery(request));
    if (query.contains(QStringLiteral("id")))
        fetchDataFromServerWithID(query.value(QStringLiteral("id")));
    return false;
}

QHash<QString, QString> AllmusicViewController::parseQueryString(const std::optional<QString> &query) const
{
    return QueryString::parse(query);
}

void AllmusicViewController::dropPlayer()
{
    // A track still downloading goes too: nothing of it plays, and a
    // cancelled creation says nothing.
    endCreation();
    if (FilePlayer *player = m_audioPlayer) {
        player->setDelegate(nullptr);
        player->stop();
        setAudioPlayer(nullptr);
        player->deleteLater();
    }
}

void AllmusicViewController::fetchDataFromServerWithID(const QString &songID)
{
    dropPlayer();
    const QString address = Endpoints::trackLookup(m_services.bundle.serviceHostOrigin, songID);
    const quint64 request = ++m_lookupSerial;
    m_lookupOutstanding = true;
    publishNowPlayingState();
    m_services.urlLoader->get(urlWithString(address).value_or(QUrl()), kTrackInfoLimit, this,
                              [this, request](const UrlResponse &response) {
                                  handleLookupResponse(request, response);
                              });
}

void AllmusicViewController::handleLookupResponse(quint64 request, const UrlResponse &response)
{
    if (request != m_lookupSerial) {
        systemLog(QStringLiteral("Ответ на устаревший запрос пропущен"));
        return;
    }
    m_lookupOutstanding = false;
    const TrackInfoReply reply = TrackInfoReply::receive(response);
    if (reply.nextSongID)
        setNextSongID(reply.nextSongID);
    if (reply.status != TrackInfoReply::Status::Valid) {
        publishNowPlayingState();
        return;
    }
    loadIconFromURL(reply.iconURL);
    createAudioPlayerWithURL(reply.audioURL);
    showControls();
    songNameLabel()->setText(reply.songName);
    artistNameLabel()->setText(reply.artistName);
    updateNowPlayingInfo();
}

void AllmusicViewController::loadIconFromURL(const QUrl &url)
{
    const quint64 request = ++m_iconSerial;
    m_services.urlLoader->get(url, kPictureLimit, this, [this, request](const UrlResponse &response) {
        // A picture of an earlier track never replaces the current one.
        if (request != m_iconSerial)
            return;
        if (!response.succeeded()) {
            systemLog(QStringLiteral("Ошибка загрузки иконки: %1").arg(response.error));
            return;
        }
        backgroundImageView()->setImage(decodeImage(*response.data));
    }, UrlConnection::Rule::Download);
}

void AllmusicViewController::createAudioPlayerWithURL(const QUrl &url)
{
    dropPlayer();
    // The track downloads while the window goes on: the indicator turns and
    // the bar shows how much has come; the steps below go on once the
    // player exists or could not be made.
    FilePlayerCreation *creation = m_services.filePlayers->createWithContentsOfURL(url);
    creation->setParent(this);
    m_creation = creation;
    activityIndicator()->startAnimating();
    connect(creation, &FilePlayerCreation::progress, this, [this](qint64 received, qint64 total) {
        const std::optional<int> permille = AllmusicLayout::downloadPermille(received, total);
        downloadProgressBar()->setHidden(!permille);
        downloadProgressBar()->setValue(permille.value_or(0));
    });
    connect(creation, &FilePlayerCreation::finished, this, [this, creation](FilePlayer *player, const QString &error) {
        if (creation != m_creation) {
            delete player;
            return;
        }
        endCreation();
        didCreateAudioPlayer(player, error);
    });
}

void AllmusicViewController::endCreation()
{
    if (m_creation) {
        m_creation->cancel();
        m_creation->deleteLater();
        m_creation = nullptr;
    }
    activityIndicator()->stopAnimating();
    downloadProgressBar()->setHidden(true);
}

void AllmusicViewController::didCreateAudioPlayer(FilePlayer *player, const QString &error)
{
    setAudioPlayer(player);
    if (!player) {
        systemLog(QStringLiteral("Ошибка создания AVAudioPlayer: %1").arg(error));
        publishNowPlayingState();
        return;
    }
    player->setParent(this);
    player->setDelegate(this);
    m_trackEnded = false;
    ++m_tracksStarted;
    player->play();

    timeSlider()->setMinimumValue(0.0f);
    timeSlider()->setMaximumValue(float(player->duration()));

    if (m_playbackTimer)
        m_playbackTimer->deleteLater();
    auto *timer = new QTimer(this);
    timer->setInterval(1000);
    connect(timer, &QTimer::timeout, this, &AllmusicViewController::updateTimeSlider);
    timer->start();
    setPlaybackTimer(timer);

    playPauseButton()->setTitle(QStringLiteral("Pause"));
    backButton()->setHidden(false);
    songNameLabel()->setHidden(false);
    artistNameLabel()->setHidden(false);
    overlayView()->setHidden(false);
    updateNowPlayingInfo();
}

void AllmusicViewController::updateTimeSlider()
{
    timeSlider()->setValue(m_audioPlayer ? float(m_audioPlayer->currentTime()) : 0.0f);
    updateNowPlayingInfo();
}

void AllmusicViewController::playPauseButtonTapped()
{
    if (m_audioPlayer && m_audioPlayer->isPlaying()) {
        m_audioPlayer->pause();
        playPauseButton()->setTitle(QStringLiteral("Play"));
    } else {
        if (m_audioPlayer)
            m_audioPlayer->play();
        m_trackEnded = false;
        playPauseButton()->setTitle(QStringLiteral("Pause"));
    }
    updateNowPlayingInfo();
}

void AllmusicViewController::rewindButtonTapped()
{
    if (m_audioPlayer)
        m_audioPlayer->setCurrentTime(0.0);
    updateNowPlayingInfo();
    m_services.nowPlaying->seeked(this);
}

void AllmusicViewController::forwardButtonTapped()
{
    if (m_audioPlayer)
        m_audioPlayer->setCurrentTime(m_audioPlayer->duration());
}

void AllmusicViewController::timeSliderValueChanged()
{
    if (m_audioPlayer)
        m_audioPlayer->setCurrentTime(double(timeSlider()->value()));
    updateNowPlayingInfo();
    m_services.nowPlaying->seeked(this);
}

void AllmusicViewController::remoteSeekTo(double seconds)
{
    timeSlider()->setValue(float(seconds));
    timeSliderValueChanged();
}

NowPlayingState AllmusicViewController::nowPlayingState() const
{
    if (!m_audioPlayer)
        return m_lookupOutstanding || m_creation ? NowPlayingState::Loading : NowPlayingState::NoPlayer;
    if (m_audioPlayer->isPlaying())
        return NowPlayingState::Playing;
    return m_trackEnded ? NowPlayingState::Ended : NowPlayingState::Paused;
}

void AllmusicViewController::publishNowPlayingState()
{
    m_services.nowPlaying->setNowPlayingState(this, nowPlayingState());
}

void AllmusicViewController::updateNowPlayingInfo()
{
    NowPlayingRecord::Source source;
    source.hasPlayer = m_audioPlayer != nullptr;
    source.songName = songNameLabel()->text();
    source.artistName = artistNameLabel()->text();
    source.picture = backgroundImageView()->image();
    if (m_audioPlayer) {
        source.duration = m_audioPlayer->duration();
        source.currentTime = m_audioPlayer->currentTime();
        source.rate = m_audioPlayer->isPlaying() ? 1.0f : 0.0f;
    }
    source.track = m_tracksStarted;
    if (m_volumeAndTime)
        m_volumeAndTime->showTime(source.currentTime, m_audioPlayer ? source.duration : 0.0);
    m_services.nowPlaying->setNowPlayingInfo(this, NowPlayingRecord::build(source));
    publishNowPlayingState();
}

void AllmusicViewController::audioPlayerDidFinishPlaying(FilePlayer *player, bool successfully)
{
    // A player that is no longer the current one has nothing to say.
    if (player != m_audioPlayer)
        return;
    if (successfully && m_nextSongID) {
        fetchDataFromServerWithID(*m_nextSongID);
    } else {
        m_trackEnded = true;
        publishNowPlayingState();
    }
}

void AllmusicViewController::backButtonTapped()
{
    // A lookup or a picture still on its way must not show a track now.
    ++m_lookupSerial;
    ++m_iconSerial;
    m_lookupOutstanding = false;
    dropPlayer();
    hideControls();
    backgroundImageView()->setImage(QImage());
    updateNowPlayingInfo();
}
