#include "app/MainWindow.h"

#include "account/AccountSysViewController.h"
#include "allmusic/AllmusicViewController.h"
#include "app/SearchViewController.h"
#include "catalogue/AlbunsViewController.h"
#include "catalogue/SecondViewController.h"
#include "feeds/AccountViewController.h"
#include "feeds/FirstViewController.h"

#include <QTabBar>
#include <QTabWidget>

MainWindow::MainWindow(const PlatformServices &services, QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Kavu"));
    resize(620, 860);

    m_tabs = new QTabWidget(this);
    m_tabs->setTabPosition(QTabWidget::South);
    m_tabs->setDocumentMode(true);
    m_tabs->tabBar()->setExpanding(true);
    m_tabs->setElideMode(Qt::ElideRight);
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
}
