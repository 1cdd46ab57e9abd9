#pragma once

#include "platform/PlatformServices.h"

#include <QMainWindow>

class QTabWidget;
class QToolButton;
class SecondViewController;
class AlbunsViewController;
class AccountSysViewController;
class AccountViewController;
class AllmusicViewController;
class FirstViewController;
class SearchViewController;

// The application's window: a tab bar at the bottom with one screen per tab,
// Music first. A screen builds its views when its tab is first shown.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kMinimumScreenWidth = 320;
    static constexpr int kMinimumScreenHeight = 480;

    explicit MainWindow(const PlatformServices &services, QWidget *parent = nullptr);

    QTabWidget *tabs() const { return m_tabs; }
    // The button beside the tabs that opens the Preferences window.
    QToolButton *preferencesButton() const { return m_preferences; }

    // Shows the window in front, on the given screen's tab when there is one.
    void bringToFront(QWidget *screen = nullptr);
    SecondViewController *musicScreen() const { return m_music; }
    AlbunsViewController *albumsScreen() const { return m_albums; }
    AccountSysViewController *accountScreen() const { return m_account; }
    FirstViewController *newsScreen() const { return m_news; }
    AccountViewController *developersScreen() const { return m_developers; }
    AllmusicViewController *directPlayerScreen() const { return m_directPlayer; }
    SearchViewController *searchScreen() const { return m_search; }

Q_SIGNALS:
    // Ctrl+Q.
    void quitRequested();
    // Ctrl+, or the Preferences button beside the tabs.
    void preferencesRequested();

private:
    QTabWidget *m_tabs;
    QToolButton *m_preferences;
    SecondViewController *m_music;
    AlbunsViewController *m_albums;
    AccountSysViewController *m_account;
    FirstViewController *m_news;
    AccountViewController *m_developers;
    AllmusicViewController *m_directPlayer;
    SearchViewController *m_search;
};
