#include "player/CataloguePlayerViewController.h"

#include "protocol/Endpoints.h"
#include "protocol/SiteAddress.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ImageDecoding.h"
#include "platform/media/AudioSession.h"
#include "platform/system/Log.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/media/StreamingPlayerFactory.h"
#include "platform/ui/NavigationItem.h"
#include "platform/net/UrlText.h"
#include "platform/system/UserDefaults.h"
#include "platform/ui/NameLabel.h"
#include "platform/nowplaying/NowPlayingRecord.h"
#include "protocol/TrackInfoReply.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/AlertPresenter.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/ImageButton.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/Slider.h"
#include "platform/ui/VolumeAndTimeControls.h"
#include "player/PlayerButtonImages.h"
#include "player/PlayerLayout.h"

#include <QLabel>
#include <QShortcut>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

VolumeAndTimeControls::Frames volumeAndTimeFrames(const PlayerLayout &layout)
{
    return {layout.elapsedLabel, layout.remainingLabel, layout.muteButton, layout.volumeSlider};
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
    , m_following(new FollowingTrack(services.urlLoader, services.streamingPlayers, kTrackInfoLimit, this))
{
}

CataloguePlayerViewController::~CataloguePlayerViewController()
{
    m_services.nowPlaying->removeSource(this);
    // Teardown: no event of any item reaches the screen any more, and the
    // tick of the current player is removed.
    if (m_player) {
        if (m_player->currentItem())
            disconnect(m_player->currentItem(), nullptr, this, nullptr);
        if (m_timeObserver)
            m_player->removeTimeObserver(*m_timeObserver);
    }
    m_timeObserver.reset();
}

QString CataloguePlayerViewController::siteAddress() const
{
    return SiteAddress::resolve(m_services.userDefaults->stringForKeyAsStarted(customURLKey()),
                                m_services.bundle.defaultSiteAddress);
}

void CataloguePlayerViewController::showAlertWithTitle(const QString &title,
                                                       const QString &message)
{
    m_services.alerts->show(new AlertView(title, message, nullptr, QStringLiteral("ОК")));
}

void CataloguePlayerViewController::setUpAudioSession()
{
    if (const std::optional<QString> error = m_services.audioSession->setCategoryPlayback())
        systemLog(QStringLiteral("Ошибка настройки AVAudioSession: %1").arg(*error));
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
    // Each control starts hidden, on top of the root view.
    const auto add = [this](QWidget *control) {
        control->setHidden(true);
        Geometry::addSubview(view(), control);
    };

    auto *slider = new Slider(view());
    Geometry::setFrame(slider, layout.timeSlider);
    add(slider);
    setTimeSlider(slider);
    connect(slider, &Slider::userValueChanged, this, &CataloguePlayerViewController::timeSliderValueChanged);

    auto *playPause = makeImageButton(view(), layout.playPauseButton, PlayerButtonImages::kPlay);
    add(playPause);
    setPlayPauseButton(playPause);
    connect(playPause, &ImageButton::clicked, this, &CataloguePlayerViewController::playPauseButtonTapped);

    auto *rewind = makeImageButton(view(), layout.rewindButton, PlayerButtonImages::kPreviousSong);
    add(rewind);
    setRewindButton(rewind);
    connect(rewind, &ImageButton::clicked, this, &CataloguePlayerViewController::rewindButtonTapped);

    auto *forward = makeImageButton(view(), layout.forwardButton, PlayerButtonImages::kNextSong);
    add(forward);
    setForwardButton(forward);
    connect(forward, &ImageButton::clicked, this, &CataloguePlayerViewController::forwardButtonTapped);

    setSongNameLabel(makeTrackNameLabel(view(), layout.songNameLabel));
    add(songNameLabel());
    setArtistNameLabel(makeTrackNameLabel(view(), layout.artistNameLabel));
    add(artistNameLabel());
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
    // Space plays and pauses while the player view shows (a text field with
    // the focus keeps its spaces).
    auto *space = new QShortcut(QKeySequence(Qt::Key_Space), container);
    connect(space, &QShortcut::activated, this, &CataloguePlayerViewController::playPauseButtonTapped);

    const QList<QWidget *> moved = {
        backgroundImageView(), overlayView(),     timeSlider(),      playPauseButton(),
        rewindButton(),        forwardButton(),   songNameLabel(),   artistNameLabel(),
        playerNavigationBar(),
    };
    for (QWidget *child : moved)
        Geometry::addSubview(container, child);
    m_volumeAndTime = new VolumeAndTimeControls(container, m_services.audioEngine, container);
    m_volumeAndTime->setFrames(volumeAndTimeFrames(PlayerLayout::forBounds(width(), height())));
}

void CataloguePlayerViewController::layoutPlayerViews()
{
    const PlayerLayout layout = PlayerLayout::forBounds(width(), height());
    Geometry::setFrame(playerView(), layout.playerView);
    Geometry::setFrame(backgroundImageView(), layout.backgroundImage);
    Geometry::setFrame(overlayView(), layout.overlay);
    Geometry::setFrame(timeSlider(), layout.timeSlider);
    Geometry::setFrame(playPauseButton(), layout.playPauseButton);
    Geometry::setFrame(rewindButton(), layout.rewindButton);
    Geometry::setFrame(forwardButton(), layout.forwardButton);
    Geometry::setFrame(songNameLabel(), layout.songNameLabel);
    Geometry::setFrame(artistNameLabel(), layout.artistNameLabel);
    Geometry::setFrame(playerNavigationBar(), layout.playerNavigationBar);
    if (m_volumeAndTime)
        m_volumeAndTime->setFrames(volumeAndTimeFrames(layout));
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

void CataloguePlayerViewController::dropPlayer()
{
    StreamingPlayer *current = m_player;
    if (!current)
        return;
    current->pause();
    current->seekToTime(0);
    // The detached item reports nothing more; its tick ends with the player.
    if (current->currentItem())
        disconnect(current->currentItem(), nullptr, this, nullptr);
    current->replaceCurrentItemWithPlayerItem(nullptr);
    setPlayer(nullptr);
    current->deleteLater();
}

bool CataloguePlayerViewController::isCurrentItem(QObject *item) const
{
    return item && m_player && m_player->currentItem() == item;
}

void CataloguePlayerViewController::fetchDataFromServerWithID(const std::optional<QString> &songID,
                                                              bool isRadioMode)
{
    m_following->drop(m_player);
    const quint64 request = beginTrackRequest(songID);
    m_services.urlLoader->get(trackInfoURL(songID, isRadioMode), kTrackInfoLimit, this,
                              [this, request](const UrlResponse &response) {
                                  handleTrackInfoResponse(request, response);
                              });
}

quint64 CataloguePlayerViewController::beginTrackRequest(const std::optional<QString> &songID)
{
    setCurrentSongID(songID);
    activityIndicator()->startAnimating();
    dropPlayer();
    const quint64 request = ++m_trackRequestSerial;
    m_trackRequestOutstanding = true;
    publishNowPlayingState();
    return request;
}

QUrl CataloguePlayerViewController::trackInfoURL(const std::optional<QString> &songID, bool isRadioMode) const
{
    const QString site = siteAddress();
    const QString address = isRadioMode ? Endpoints::randomTrack(site) : Endpoints::trackInfo(site, songID);
    return urlWithString(address).value_or(QUrl());
}

void CataloguePlayerViewController::playerItemWillReachEnd()
{
    if (radioMode() || nextSongID()) {
        const std::optional<QString> songID = radioMode() ? std::nullopt : nextSongID();
        m_following->ask(trackInfoURL(songID, radioMode()), songID, radioMode(), m_player);
    }
}

void CataloguePlayerViewController::continueWithFollowingTrack(const std::optional<QString> &songID,
                                                               bool isRadioMode)
{
    const std::optional<UrlResponse> reply = m_following->takeReply(songID, isRadioMode);
    if (!reply) {
        fetchDataFromServerWithID(songID, isRadioMode);
        return;
    }
    // As a request whose reply came at once: the same steps in the same
    // order; the track it names already plays on (createAudioPlayerWithURL
    // takes its item).
    handleTrackInfoResponse(beginTrackRequest(songID), *reply);
    m_following->drop(m_player);
}

void CataloguePlayerViewController::invalidateTrackRequests()
{
    m_following->drop(m_player);
    ++m_trackRequestSerial;
    // The picture on its way belongs to the track that is gone.
    ++m_iconRequestSerial;
    m_trackRequestOutstanding = false;
    if (!isLoadingPage())
        activityIndicator()->stopAnimating();
}

void CataloguePlayerViewController::handleTrackInfoResponse(quint64 request,
                                                            const UrlResponse &response)
{
    if (request != m_trackRequestSerial) {
        systemLog(QStringLiteral("Ответ на устаревший запрос пропущен"));
        // A stale reply owns the indicator no longer; it stops unless a
        // newer request or a page load keeps it turning.
        if (!m_trackRequestOutstanding && !isLoadingPage())
            activityIndicator()->stopAnimating();
        return;
    }
    m_trackRequestOutstanding = false;
    publishNowPlayingState();
    const QString error = QStringLiteral("Ошибка");
    const TrackInfoReply reply = TrackInfoReply::receive(response);
    // A next ID is taken even from a reply whose addresses are unusable.
    if (reply.nextSongID)
        setNextSongID(reply.nextSongID);
    switch (reply.status) {
    case TrackInfoReply::Status::ConnectionFailed:
        showAlertWithTitle(error, QStringLiteral("Не удалось подключиться к серверу."));
        activityIndicator()->stopAnimating();
        return;
    case TrackInfoReply::Status::BadFormat:
    case TrackInfoReply::Status::BadUrl:
        showAlertWithTitle(error, QStringLiteral("Неверный формат данных"));
        activityIndicator()->stopAnimating();
        return;
    case TrackInfoReply::Status::Valid:
        break;
    }

    loadIconFromURL(reply.iconURL);
    createAudioPlayerWithURL(reply.audioURL);
    showControls();
    songNameLabel()->setText(reply.songName);
    artistNameLabel()->setText(reply.artistName);
    if (m_player && m_player->currentItem())
        m_player->currentItem()->setTitleAndArtist(reply.songName, reply.artistName);
    // The desktop learns the new track's own names now, not a second later.
    updateNowPlayingInfo();
    createAndShowPlayerNavigationBarWithTitle(reply.songName);
    activityIndicator()->stopAnimating();
}

void CataloguePlayerViewController::loadIconFromURL(const QUrl &url)
{
    activityIndicator()->startAnimating();
    const quint64 request = ++m_iconRequestSerial;
    // Asked for once the reply's other steps ran: the track's audio, asked
    // for in the same reply, goes first and takes the connection kept open
    // (a picture first would make the audio wait for a new one).
    QTimer::singleShot(0, this, [this, url, request] {
        if (request != m_iconRequestSerial)
            return;
        m_services.urlLoader->get(url, kPictureLimit, this, [this, request](const UrlResponse &response) {
            // A picture of an earlier track never replaces the current one.
            if (request != m_iconRequestSerial)
                return;
            if (!response.succeeded()) {
                systemLog(QStringLiteral("Ошибка загрузки иконки: %1").arg(response.error));
                return;
            }
            backgroundImageView()->setImage(decodeImage(*response.data));
            activityIndicator()->stopAnimating();
        }, UrlConnection::Rule::Download);
    });
}

void CataloguePlayerViewController::createAudioPlayerWithURL(const QUrl &url)
{
    const QString error = QStringLiteral("Ошибка");
    // The following track asked for ahead already plays on.
    StreamingPlayerItem *item = m_following->takeItem(url);
    if (!item)
        item = m_services.streamingPlayers->playerItemWithURL(url);
    if (!item) {
        systemLog(QStringLiteral("Ошибка создания AVPlayerItem"));
        showAlertWithTitle(error, QStringLiteral("Не удалось загрузить трек."));
        return;
    }
    connect(item, &StreamingPlayerItem::failedToPlayToEndTime, this, [this, item](const QString &text) {
        // A dropped player's late events change nothing.
        if (isCurrentItem(item))
            playerItemFailedToPlay(text);
    });

    StreamingPlayer *newPlayer = m_services.streamingPlayers->playerWithPlayerItem(item);
    setPlayer(newPlayer);
    if (!newPlayer) {
        delete item;
        systemLog(QStringLiteral("Ошибка создания AVPlayer"));
        showAlertWithTitle(error, QStringLiteral("Не удалось создать плеер."));
        return;
    }
    newPlayer->setParent(this);
    m_trackEnded = false;
    ++m_tracksStarted;
    newPlayer->play();

    timeSlider()->setMinimumValue(0);
    timeSlider()->setMaximumValue(float(item->duration()));
    // The stream's duration is rarely known yet: the slider and the record
    // follow it as soon as it is.
    connect(item, &StreamingPlayerItem::durationChanged, this, [this, item](double seconds) {
        if (!isCurrentItem(item))
            return;
        timeSlider()->setMaximumValue(float(seconds));
        updateNowPlayingInfo();
    });

    QPointer<CataloguePlayerViewController> weakSelf(this);
    setTimeObserver(newPlayer->addPeriodicTimeObserver(1.0, [weakSelf](double) {
        if (weakSelf)
            weakSelf->updateTimeSlider();
    }));

    connect(item, &StreamingPlayerItem::didPlayToEndTime, this, [this, item] {
        if (isCurrentItem(item))
            playerItemDidReachEnd();
    });
    connect(item, &StreamingPlayerItem::willPlayToEndTime, this, [this, item] {
        if (isCurrentItem(item))
            playerItemWillReachEnd();
    });
    // While the stream waits for its data the indicator turns, as for a
    // request.
    connect(item, &StreamingPlayerItem::waitingForDataChanged, this, [this, item](bool waiting) {
        if (!isCurrentItem(item))
            return;
        if (waiting)
            activityIndicator()->startAnimating();
        else if (!m_trackRequestOutstanding && !isLoadingPage())
            activityIndicator()->stopAnimating();
    });
    // A track handed over while it waited already.
    if (item->isWaitingForData())
        activityIndicator()->startAnimating();

    setPlayPauseImage(PlayerButtonImages::kPause);
    songNameLabel()->setHidden(false);
    artistNameLabel()->setHidden(false);
    overlayView()->setHidden(false);
    playerView()->setHidden(false);
    updateNowPlayingInfo();
}

void CataloguePlayerViewController::playerItemFailedToPlay(const QString &error)
{
    m_following->drop(m_player);
    systemLog(QStringLiteral("Ошибка воспроизведения: %1").arg(error));
    showAlertWithTitle(QStringLiteral("Ошибка"),
                       QStringLiteral("Не удалось воспроизвести трек. Проверьте подключение к "
                                      "интернету или попробуйте другой трек."));
    dropPlayer();
    hideControls();
    publishNowPlayingState();
}

void CataloguePlayerViewController::playerItemDidReachEnd()
{
    if (radioMode()) {
        continueWithFollowingTrack(std::nullopt, true);
    } else if (nextSongID()) {
        continueWithFollowingTrack(nextSongID(), false);
    } else {
        m_trackEnded = true;
        publishNowPlayingState();
    }
}

void CataloguePlayerViewController::setPlayPauseImage(const QString &name)
{
    playPauseButton()->setImage(name, PlayerButtonImages::icon(name));
    playPauseButton()->setAccessibleName(PlayerButtonImages::accessibleName(name));
}

void CataloguePlayerViewController::playPauseButtonTapped()
{
    if (m_player && m_player->rate() != 0) {
        m_player->pause();
        setPlayPauseImage(PlayerButtonImages::kPlay);
    } else {
        if (m_player)
            m_player->play();
        m_trackEnded = false;
        setPlayPauseImage(PlayerButtonImages::kPause);
    }
    updateNowPlayingInfo();
}

void CataloguePlayerViewController::rewindButtonTapped()
{
    if (m_player)
        m_player->seekToTime(0);
    updateNowPlayingInfo();
    m_services.nowPlaying->seeked(this);
}

void CataloguePlayerViewController::forwardButtonTapped()
{
    if (radioMode())
        fetchDataFromServerWithID(std::nullopt, true);
    else if (nextSongID())
        fetchDataFromServerWithID(nextSongID(), false);
    else
        fetchDataFromServerWithID(std::nullopt, false);
}

void CataloguePlayerViewController::timeSliderValueChanged()
{
    // Positions are whole seconds: the slider's value is rounded.
    if (m_player)
        m_player->seekToTime(std::round(double(timeSlider()->value())));
    updateNowPlayingInfo();
    m_services.nowPlaying->seeked(this);
}

void CataloguePlayerViewController::remoteSeekTo(double seconds)
{
    // The desktop names a place to the microsecond: the slider shows it,
    // and the track goes exactly there (only the slider's own places are
    // whole seconds).
    timeSlider()->setValue(float(seconds));
    if (m_player && std::isfinite(seconds))
        m_player->seekToTime(qMax(0.0, seconds));
    updateNowPlayingInfo();
    m_services.nowPlaying->seeked(this);
}

NowPlayingState CataloguePlayerViewController::nowPlayingState() const
{
    if (!m_player)
        return m_trackRequestOutstanding ? NowPlayingState::Loading : NowPlayingState::NoPlayer;
    if (m_player->rate() != 0)
        return NowPlayingState::Playing;
    return m_trackEnded ? NowPlayingState::Ended : NowPlayingState::Paused;
}

void CataloguePlayerViewController::publishNowPlayingState()
{
    m_services.nowPlaying->setNowPlayingState(this, nowPlayingState());
}

void CataloguePlayerViewController::updateTimeSlider()
{
    if (m_player)
        timeSlider()->setValue(float(m_player->currentTime()));
    updateNowPlayingInfo();
}

void CataloguePlayerViewController::createAndShowPlayerNavigationBarWithTitle(const QString &title)
{
    auto *item = new NavigationItem(title);
    item->setLeftBarButtonItem(new BarButtonItem(QStringLiteral("Назад"), BarButtonItem::Style::Plain,
                                                 [this] { playerBackButtonTapped(); }));
    item->setRightBarButtonItem(new BarButtonItem(QStringLiteral("Инфо"), BarButtonItem::Style::Plain,
                                                  [this] { playerInfoButtonTapped(); }));
    playerNavigationBar()->setItems({item});
    playerNavigationBar()->setHidden(false);
}

void CataloguePlayerViewController::playerBackButtonTapped()
{
    setRadioMode(false);
    // A track-info reply still on its way must not start a track now.
    invalidateTrackRequests();
    dropPlayer();
    hideControls();
    backgroundImageView()->setImage(QImage());
    playerNavigationBar()->setHidden(true);
    updateNowPlayingInfo();
}

void CataloguePlayerViewController::playerInfoButtonTapped()
{
    const QString unknown = QStringLiteral("Неизвестно");
    const QString song = songNameLabel()->text().isEmpty() ? unknown : songNameLabel()->text();
    const QString artist = artistNameLabel()->text().isEmpty() ? unknown : artistNameLabel()->text();
    const QString link = Endpoints::shareLink(m_services.bundle.serviceHostOrigin, currentSongID());
    const QString message =
        QStringLiteral("Название: %1\nАвтор: %2\nСсылка: %3").arg(song, artist, link);
    m_services.alerts->show(new AlertView(QStringLiteral("Информация о песне"), message,
                                          this,
                                          QStringLiteral("ОК")));
}

void CataloguePlayerViewController::alertViewClickedButtonAtIndex(AlertView *, int)
{
}

void CataloguePlayerViewController::updateNowPlayingInfo()
{
    NowPlayingRecord::Source source;
    source.hasPlayer = m_player != nullptr;
    source.songName = songNameLabel()->text();
    source.artistName = artistNameLabel()->text();
    source.picture = backgroundImageView()->image();
    if (m_player) {
        StreamingPlayerItem *item = m_player->currentItem();
        source.duration = item ? item->duration() : std::numeric_limits<double>::quiet_NaN();
        source.currentTime = m_player->currentTime();
        source.rate = m_player->rate();
    }
    source.track = m_tracksStarted;
    if (m_player && currentSongID())
        source.link = Endpoints::shareLink(m_services.bundle.serviceHostOrigin, currentSongID());
    if (m_volumeAndTime)
        m_volumeAndTime->showTime(source.currentTime, source.duration);
    m_services.nowPlaying->setNowPlayingInfo(this, NowPlayingRecord::build(source));
    publishNowPlayingState();
}
