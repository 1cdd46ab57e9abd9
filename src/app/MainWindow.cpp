#include "app/MainWindow.h"

#include "account/AccountSysViewController.h"
#include "allmusic/AllmusicViewController.h"
#include "app/SearchViewController.h"
#include "catalogue/AlbunsViewController.h"
#include "catalogue/SecondViewController.h"
#include "feeds/AccountViewController.h"
#include "feeds/FirstViewController.h"

#include <QIcon>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

MainWindow::MainWindow(const PlatformServices &services, QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Kavu"));
    resize(620, 860);

    m_tabs = new QTabWidget(this);
    m_tabs->setTabPosition(QTabWidget::South);
    m_tabs->setDocumentMode(true);
    m_tabs->tabBar()->setExpanding(true);
    // Every tab title shows whole: the window is never narrower than they.
    m_tabs->setElideMode(Qt::ElideNone);
    m_tabs->setUsesScrollButtons(false);
    setCentralWidget(m_tabs);

    m_music = new SecondViewController(services);
    m_albums = new AlbunsViewController(services);
    m_tabs->addTab(m_music, QStringLiteral("Музыка"));
    m_tabs->addTab(m_albums, QStringLiteral("Альбомы"));
    m_account = new AccountSysViewController(services);
    m_tabs->addTab(m_account, QStringLiteral("Аккаунт"));
    m_news = new FirstViewController(services);
    m_tabs->addTab(m_news, QStringLiteral("Новости"));
    m_developers = new AccountViewController(services);
    m_tabs->addTab(m_developers, QStringLiteral("Разработчики"));
    m_directPlayer = new AllmusicViewController(services);
    m_tabs->addTab(m_directPlayer, QStringLiteral("Плеер"));
    m_search = new SearchViewController(services);
    m_tabs->addTab(m_search, QStringLiteral("Поиск"));

    // Preferences, beside the tabs: there on every screen.
    m_preferences = new QToolButton(m_tabs);
    m_preferences->setIcon(QIcon::fromTheme(QStringLiteral("preferences-system"),
                                            style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
    m_preferences->setAutoRaise(true);
    m_preferences->setAccessibleName(QStringLiteral("Preferences"));
    m_preferences->setToolTip(QStringLiteral("Preferences (Ctrl+,)"));
    connect(m_preferences, &QToolButton::clicked, this, &MainWindow::preferencesRequested);
    m_tabs->setCornerWidget(m_preferences, Qt::BottomRightCorner);

    // The screens were designed for 320 x 480 points; below that, or below
    // the width of the tab titles, bars and controls would be cut.
    const QSize tabBar = m_tabs->tabBar()->sizeHint();
    setMinimumSize(qMax(kMinimumScreenWidth, tabBar.width() + m_preferences->sizeHint().width()),
                   kMinimumScreenHeight + tabBar.height());

    // Ctrl+1 ... Ctrl+7 select the tabs; Ctrl+Q quits.
    for (int index = 0; index < m_tabs->count(); ++index) {
        auto *select = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + index)), this);
        connect(select, &QShortcut::activated, this, [this, index] { m_tabs->setCurrentIndex(index); });
    }
    auto *quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &MainWindow::quitRequested);
    // Ctrl+, opens Preferences, as in other desktop applications.
    auto *preferences = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    connect(preferences, &QShortcut::activated, this, &MainWindow::preferencesRequested);
}

void MainWindow::bringToFront(QWidget *screen)
{
    if (screen && m_tabs->indexOf(screen) >= 0)
        m_tabs->setCurrentWidget(screen);
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}
