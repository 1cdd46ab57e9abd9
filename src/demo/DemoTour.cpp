#include "demo/DemoTour.h"

#include "platform/ui/Geometry.h"
#include "player/PlayerLayout.h"

#include "account/AccountSysViewController.h"
#include "allmusic/AllmusicViewController.h"
#include "app/KavuApplication.h"
#include "app/MainWindow.h"
#include "app/PreferencesWindow.h"
#include "app/SearchViewController.h"
#include "catalogue/AlbunsViewController.h"
#include "catalogue/SecondViewController.h"
#include "demo/DemoService.h"
#include "feeds/AccountViewController.h"
#include "feeds/FirstViewController.h"
#include "platform/ui/AlertDialog.h"
#include "platform/nowplaying/MprisNowPlayingCenter.h"
#include "platform/web/WebEngineWebView.h"
#include "platform/media/AudioEngine.h"
#include "platform/ui/Slider.h"
#include "platform/ui/VolumeAndTimeControls.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QTextStream>
#include <QTimer>
#include <QWebEngineView>

namespace {

void print(const QString &line)
{
    QTextStream(stdout) << line << Qt::endl;
}

// The dialogs open over the window, top-most last.
QList<AlertDialog *> openAlerts()
{
    QList<AlertDialog *> dialogs;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<AlertDialog *>(widget); dialog && dialog->isVisible())
            dialogs.append(dialog);
    }
    return dialogs;
}

void sendClick(QWidget *target, const QPoint &position)
{
    const QPointF local(position);
    const QPointF global(target->mapToGlobal(position));
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

} // namespace

DemoTour::DemoTour(KavuApplication *kavu, DemoService *demo, const QString &directory)
    : m_kavu(kavu)
    , m_demo(demo)
    , m_directory(directory)
{
    QDir().mkpath(directory);
}

void DemoTour::pause(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool DemoTour::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool DemoTour::screenshot(const QString &name)
{
    // Give the web engine time to paint what it has loaded.
    pause(400);
    MainWindow *window = m_kavu->window();
    // The window, and any alert or Preferences window over it, centred as
    // the desktop shows it.
    QPixmap picture = window->grab();
    QPainter painter(&picture);
    QList<QWidget *> over;
    for (AlertDialog *dialog : openAlerts())
        over.append(dialog);
    if (m_kavu->preferencesWindow() && m_kavu->preferencesWindow()->isVisible())
        over.append(m_kavu->preferencesWindow());
    for (QWidget *dialog : over) {
        const QPixmap alert = dialog->grab();
        const QPoint at((picture.width() - alert.width()) / 2, (picture.height() - alert.height()) / 2);
        painter.fillRect(picture.rect(), QColor(0, 0, 0, 60));
        painter.drawPixmap(at, alert);
        painter.setPen(QColor(120, 120, 120));
        painter.drawRect(QRect(at, alert.size()).adjusted(0, 0, -1, -1));
    }
    painter.end();
    return picture.save(m_directory.filePath(name + QStringLiteral(".png")), "PNG");
}

bool DemoTour::clickElement(QWidget *webView, const QString &selector)
{
    auto *page = qobject_cast<WebEngineWebView *>(webView);
    if (!page)
        return false;
    QVariantList rect;
    bool done = false;
    page->page()->runJavaScript(
        QStringLiteral("(function(){var e=document.querySelector(%1);if(!e)return [];"
                       "e.scrollIntoView({block:'center'});var r=e.getBoundingClientRect();"
                       "return [r.left+r.width/2,r.top+r.height/2];})()")
            .arg(QStringLiteral("'%1'").arg(selector)),
        [&](const QVariant &value) {
            rect = value.toList();
            done = true;
        });
    if (!waitFor([&] { return done; }, 5000) || rect.size() != 2)
        return false;
    const QPoint at(qRound(rect.at(0).toDouble()), qRound(rect.at(1).toDouble()));
    sendClick(page->engineView()->focusProxy(), at);
    return true;
}

bool DemoTour::pressButton(QWidget *root, const QString &accessibleName)
{
    for (QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
        if (button->accessibleName() == accessibleName && button->isVisible()) {
            button->click();
            return true;
        }
    }
    return false;
}

bool DemoTour::pressAlertButton(const QString &title)
{
    const QList<AlertDialog *> dialogs = openAlerts();
    return !dialogs.isEmpty() && pressButton(dialogs.last(), title);
}

void DemoTour::showTab(int index)
{
    m_kavu->window()->tabs()->setCurrentIndex(index);
    pause(100);
}

QString DemoTour::playbackStatus() const
{
    return m_kavu->nowPlayingCenter()->playbackStatus();
}

bool DemoTour::step(const QString &name, const std::function<bool(QString &why)> &body)
{
    ++m_number;
    const QString file = QStringLiteral("%1-%2").arg(m_number, 2, 10, QLatin1Char('0')).arg(name);
    QString why;
    bool held = body(why);
    if (held && name == m_brokenStep) {
        held = false;
        why = QStringLiteral("broken on purpose");
    }
    const bool saved = screenshot(file);
    const QString line = held ? QStringLiteral("ok    %1  (%2.png)").arg(name, file)
                              : QStringLiteral("FAIL  %1: %2").arg(name, why);
    m_report.append(line);
    print(line);
    if (held && !saved) {
        print(QStringLiteral("FAIL  %1: the screenshot could not be saved").arg(name));
        return false;
    }
    return held;
}

int DemoTour::run()
{
    MainWindow *window = m_kavu->window();
    SecondViewController *music = window->musicScreen();
    AlbunsViewController *albums = window->albumsScreen();
    const auto requested = [this](const QString &pathAndQuery) {
        return m_demo->requestLog().contains(pathAndQuery);
    };
    const auto fail = [](QString &why, const QString &text) {
        why = text;
        return false;
    };
    print(QStringLiteral("Kavu tour on %1; screenshots in %2").arg(m_demo->origin(), m_directory.absolutePath()));

    const bool passed =
        step(QStringLiteral("music-start-page"), [&](QString &why) {
            if (!waitFor([&] { return music->navigationBar()->rightButton() != nullptr; }))
                return fail(why, QStringLiteral("the start page did not offer its items"));
            pause(300);
            if (music->webViewNavigationItem()->title() != QStringLiteral("Музыка"))
                return fail(why, QStringLiteral("the bar's title is not \"Музыка\""));
            if (!music->navigationBar()->leftButton()
                || music->navigationBar()->leftButton()->text() != QStringLiteral("Настройки")
                || music->navigationBar()->rightButton()->text() != QStringLiteral("Радио"))
                return fail(why, QStringLiteral("\"Настройки\" and \"Радио\" are not offered"));
            return true;
        })
        && step(QStringLiteral("track-playing"), [&](QString &why) {
               if (!clickElement(music->webView(), QStringLiteral("a.track")))
                   return fail(why, QStringLiteral("no track link to click"));
               if (!waitFor([&] { return requested(QStringLiteral("/kavu/API/get-info-songs.php?id=1")); }))
                   return fail(why, QStringLiteral("the track was not asked for"));
               if (!waitFor([&] { return music->player() && music->player()->currentTime() > 1.0; }))
                   return fail(why, QStringLiteral("the track does not play"));
               if (!waitFor([&] { return music->backgroundImageView()->hasImage(); }))
                   return fail(why, QStringLiteral("the cover did not arrive"));
               if (music->songNameLabel()->text() != QStringLiteral("Белые ночи")
                   || !music->playPauseButton()->isVisible())
                   return fail(why, QStringLiteral("the player does not show the track"));
               if (playbackStatus() != QStringLiteral("Playing"))
                   return fail(why, QStringLiteral("the desktop is not told that it plays"));
               return true;
           })
        && step(QStringLiteral("song-info"), [&](QString &why) {
               if (!pressButton(music->playerNavigationBar(), QStringLiteral("Инфо")))
                   return fail(why, QStringLiteral("no \"Инфо\" button"));
               if (!waitFor([&] { return !openAlerts().isEmpty(); }, 3000))
                   return fail(why, QStringLiteral("no song information"));
               AlertDialog *alert = openAlerts().last();
               if (alert->titleLabel()->text() != QStringLiteral("Информация о песне")
                   || !alert->messageLabel()->text().contains(QStringLiteral("/music/play?id=1")))
                   return fail(why, QStringLiteral("the song information is wrong"));
               return true;
           })
        && step(QStringLiteral("paused"), [&](QString &why) {
               if (!pressAlertButton(QStringLiteral("ОК")))
                   return fail(why, QStringLiteral("the information could not be closed"));
               music->playPauseButton()->click();
               const double at = music->player()->currentTime();
               pause(1200);
               if (music->player()->rate() != 0 || music->player()->currentTime() - at > 0.2)
                   return fail(why, QStringLiteral("the track did not pause"));
               if (music->playPauseButton()->imageName() != QStringLiteral("AudioPlayer_Play.png")
                   || playbackStatus() != QStringLiteral("Paused"))
                   return fail(why, QStringLiteral("the pause does not show"));
               return true;
           })
        && step(QStringLiteral("playing-again"), [&](QString &why) {
               music->playPauseButton()->click();
               const double at = music->player()->currentTime();
               if (!waitFor([&] { return music->player()->currentTime() > at + 0.5; }))
                   return fail(why, QStringLiteral("the track did not go on"));
               return playbackStatus() == QStringLiteral("Playing")
                   || fail(why, QStringLiteral("the desktop is not told that it plays"));
           })
        && step(QStringLiteral("volume-and-time"), [&](QString &why) {
               // The time at the slider's ends, and the volume's mute
               // pressed twice, as a listener would.
               VolumeAndTimeControls *controls = music->volumeAndTimeControls();
               if (!controls->volumeSlider()->isVisible() || !controls->muteButton()->isVisible())
                   return fail(why, QStringLiteral("the volume does not show"));
               controls->muteButton()->click();
               if (!m_kavu->audioEngine()->isMuted() || controls->muteButton()->accessibleName() != QStringLiteral("Unmute"))
                   return fail(why, QStringLiteral("the mute button did not mute"));
               controls->muteButton()->click();
               if (m_kavu->audioEngine()->isMuted())
                   return fail(why, QStringLiteral("the mute button did not unmute"));
               if (!waitFor([&] { return controls->elapsedLabel()->text() != QStringLiteral("0:00")
                                      && controls->remainingLabel()->text().startsWith(QChar(0x2212)); }))
                   return fail(why, QStringLiteral("the time played and the time left do not show"));
               return true;
           })
        && step(QStringLiteral("next-track"), [&](QString &why) {
               music->forwardButton()->click();
               if (!waitFor([&] { return music->songNameLabel()->text() == QStringLiteral("Morning Drive")
                                      && music->player() && music->player()->currentTime() > 0.5; }))
                   return fail(why, QStringLiteral("the next track does not play"));
               return requested(QStringLiteral("/kavu/API/get-info-songs.php?id=2"))
                   || fail(why, QStringLiteral("the next track was not asked for"));
           })
        && step(QStringLiteral("player-back"), [&](QString &why) {
               if (!pressButton(music->playerNavigationBar(), QStringLiteral("Назад")))
                   return fail(why, QStringLiteral("no \"Назад\" in the player"));
               if (music->player() || music->playerView()->isVisible())
                   return fail(why, QStringLiteral("the player is still on"));
               return playbackStatus() == QStringLiteral("Stopped")
                   || fail(why, QStringLiteral("the desktop still shows a track"));
           })
        && step(QStringLiteral("radio"), [&](QString &why) {
               const QString random = QStringLiteral("/kavu/API/get-info-random-songs.php");
               if (!pressButton(music->navigationBar(), QStringLiteral("Радио")))
                   return fail(why, QStringLiteral("no \"Радио\""));
               if (!waitFor([&] { return music->player() && music->player()->currentTime() > 0.5; }))
                   return fail(why, QStringLiteral("radio does not play"));
               // The end of one random track brings the next.
               const int asked = m_demo->requestLog().count(random);
               const double length = music->player()->currentItem()->duration();
               music->player()->seekToTime(length - 1.0);
               if (!waitFor([&] { return m_demo->requestLog().count(random) > asked; }))
                   return fail(why, QStringLiteral("no second random track"));
               if (!waitFor([&] { return music->player() && music->player()->currentTime() > 0.5; }))
                   return fail(why, QStringLiteral("the second random track does not play"));
               pause(600);
               const bool ok = music->radioMode();
               pressButton(music->playerNavigationBar(), QStringLiteral("Назад"));
               return ok || fail(why, QStringLiteral("radio mode went off"));
           })
        && step(QStringLiteral("in-page-alert"), [&](QString &why) {
               pause(300);
               if (!clickElement(music->webView(), QStringLiteral("#about")))
                   return fail(why, QStringLiteral("no alert link"));
               if (!waitFor([&] { return !openAlerts().isEmpty(); }, 5000))
                   return fail(why, QStringLiteral("no alert"));
               AlertDialog *alert = openAlerts().last();
               return (alert->titleLabel()->text() == QStringLiteral("О каталоге")
                       && alert->buttons().value(0)->text() == QStringLiteral("OK"))
                   || fail(why, QStringLiteral("the alert is not the page's"));
           })
        && step(QStringLiteral("albums-start-page"), [&](QString &why) {
               pressAlertButton(QStringLiteral("OK"));
               showTab(1);
               if (!waitFor([&] { return albums->webView()
                                      && albums->webViewNavigationItem()->title() == QStringLiteral("Альбомы"); }))
                   return fail(why, QStringLiteral("the Albums start page did not load"));
               pause(1200);
               return (!albums->navigationBar()->leftButton() && !albums->navigationBar()->rightButton())
                   || fail(why, QStringLiteral("the Albums start page offers items"));
           })
        && step(QStringLiteral("album-page"), [&](QString &why) {
               if (!clickElement(albums->webView(), QStringLiteral("a.album")))
                   return fail(why, QStringLiteral("no album link"));
               if (!waitFor([&] { return albums->webViewNavigationItem()->title() == QStringLiteral("Северное сияние"); }))
                   return fail(why, QStringLiteral("the album page did not load"));
               return (albums->navigationBar()->leftButton()
                       && albums->navigationBar()->leftButton()->text() == QStringLiteral("Назад"))
                   || fail(why, QStringLiteral("no \"Назад\" on the album page"));
           })
        && step(QStringLiteral("account-logged-in"), [&](QString &why) {
               showTab(2);
               AccountSysViewController *account = window->accountScreen();
               account->loginTextField()->setText(QStringLiteral("demo"));
               account->passwordTextField()->setText(QStringLiteral("demo"));
               account->authButton()->click();
               if (!waitFor([&] { return account->logoutButton()->isVisible()
                                      && account->backgroundImageView()->hasImage()
                                      && account->iconImageView()->hasImage(); }))
                   return fail(why, QStringLiteral("the demo account did not log in"));
               return account->resultLabel()->text() == QStringLiteral("demo")
                   || fail(why, QStringLiteral("the login is not shown"));
           })
        && step(QStringLiteral("account-logged-out"), [&](QString &why) {
               AccountSysViewController *account = window->accountScreen();
               account->logoutButton()->click();
               return (account->loginTextField()->isVisible() && !account->logoutButton()->isVisible())
                   || fail(why, QStringLiteral("the form did not come back"));
           })
        && step(QStringLiteral("listenbrainz"), [&](QString &why) {
               // The Preferences window from the button beside the tabs; the
               // demo service's token is checked and kept.
               window->preferencesButton()->click();
               PreferencesWindow *preferences = m_kavu->preferencesWindow();
               if (!preferences || !waitFor([&] { return preferences->isVisible(); }))
                   return fail(why, QStringLiteral("the Preferences window did not open"));
               auto *token = preferences->findChild<QLineEdit *>();
               token->setText(QStringLiteral("demo"));
               QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
               QCoreApplication::sendEvent(token, &enter);
               if (!waitFor([&] { return preferences->statusText().contains(QLatin1String("valid for demo")); }))
                   return fail(why, QStringLiteral("the token was not found valid: %1").arg(preferences->statusText()));
               return requested(QStringLiteral("/1/validate-token"))
                   || fail(why, QStringLiteral("the token was not checked"));
           })
        && step(QStringLiteral("news"), [&](QString &why) {
               m_kavu->preferencesWindow()->close();
               showTab(3);
               FirstViewController *news = window->newsScreen();
               return waitFor([&] { return news->textView()->text().startsWith(QStringLiteral("Новости Kavu")); })
                   || fail(why, QStringLiteral("no news text"));
           })
        && step(QStringLiteral("developers"), [&](QString &why) {
               showTab(4);
               AccountViewController *developers = window->developersScreen();
               return waitFor([&] { return developers->textView()->text().startsWith(QStringLiteral("Разработчики")); })
                   || fail(why, QStringLiteral("no developers text"));
           })
        && step(QStringLiteral("direct-player"), [&](QString &why) {
               showTab(5);
               AllmusicViewController *direct = window->directPlayerScreen();
               if (!waitFor([&] { return direct->webView() && direct->webView()->documentTitle() == QStringLiteral("Плеер"); }))
                   return fail(why, QStringLiteral("the direct player page did not load"));
               pause(300);
               if (!clickElement(direct->webView(), QStringLiteral("a.track")))
                   return fail(why, QStringLiteral("no track link"));
               if (!waitFor([&] { return direct->audioPlayer() && direct->audioPlayer()->currentTime() > 1.0
                                      && direct->backgroundImageView()->hasImage(); }))
                   return fail(why, QStringLiteral("the track does not play"));
               return requested(QStringLiteral("/API/test1.php?id=1"))
                   || fail(why, QStringLiteral("the track was not looked up"));
           })
        && step(QStringLiteral("search"), [&](QString &why) {
               window->directPlayerScreen()->backButton()->click();
               showTab(6);
               SearchViewController *search = window->searchScreen();
               if (!waitFor([&] { return search->webView() && search->webView()->documentTitle() == QStringLiteral("Поиск"); }))
                   return fail(why, QStringLiteral("the search page did not load"));
               pause(300);
               return requested(QStringLiteral("/app-version/search"))
                   || fail(why, QStringLiteral("the search page was not asked for"));
           })
        && step(QStringLiteral("maximised"), [&](QString &why) {
               // A large window: the bars and the player follow it.
               showTab(0);
               window->resize(1400, 1000);
               pause(500);
               const QPushButton *radio = music->navigationBar()->rightButton();
               if (!radio || radio->geometry().right() < music->navigationBar()->width() - 20)
                   return fail(why, QStringLiteral("\"Радио\" did not follow the window"));
               if (!clickElement(music->webView(), QStringLiteral("a.track")))
                   return fail(why, QStringLiteral("no track link to click"));
               if (!waitFor([&] { return music->player() && music->player()->currentTime() > 1.0
                                      && music->backgroundImageView()->hasImage(); }))
                   return fail(why, QStringLiteral("the track does not play"));
               pause(300);
               const PlayerLayout layout = PlayerLayout::forBounds(music->width(), music->height());
               return Geometry::frame(music->timeSlider()) == layout.timeSlider
                   || fail(why, QStringLiteral("the player's slider did not follow the window"));
           });

    print(passed ? QStringLiteral("The tour passed: %1 steps.").arg(m_number)
                 : QStringLiteral("The tour failed at step %1.").arg(m_number));
    return passed ? 0 : 1;
}
