#include "catalogue/CatalogueViewController.h"

#include "catalogue/CatalogueLayout.h"
#include "protocol/Endpoints.h"
#include "protocol/InPageLink.h"
#include "protocol/QueryString.h"
#include "protocol/SiteAddress.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/AlertPresenter.h"
#include "platform/ui/Autoresizing.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/system/Log.h"
#include "platform/system/ProcessTerminator.h"
#include "platform/net/UrlText.h"
#include "platform/system/UserDefaults.h"

#include <QEvent>
#include <QShortcut>
#include <QTimer>

namespace {
const QString kSettingsTitle = QStringLiteral("Настройки приложения");
} // namespace

CatalogueViewController::CatalogueViewController(const CatalogueVariant &variant,
                                                 const PlatformServices &services, QWidget *parent)
    : CataloguePlayerViewController(services, parent)
    , m_variant(variant)
{
}

CatalogueViewController::~CatalogueViewController()
{
    if (m_webView)
        m_webView->setDelegate(nullptr);
}

void CatalogueViewController::viewDidLoad()
{
    CataloguePlayerViewController::viewDidLoad();
    setCustomURLKey(QStringLiteral("customURL"));
    setRadioMode(false);
    setRadioModeButton(m_variant.radioModeButton);
    setInfoProgrammButton(m_variant.infoProgrammButton);

    setUpAudioSession();

    const CatalogueLayout layout = CatalogueLayout::forBounds(width(), height());
    WebView *page = services().makeWebView(view());
    Geometry::setFrame(page, layout.webView);
    Geometry::addSubview(view(), page);
    Autoresizing::setMask(page, Autoresizing::FlexibleWidth | Autoresizing::FlexibleHeight);
    page->setDelegate(this);
    setWebView(page);

    // The start page: site address and version as plain text in the format.
    const QString version = services().bundle.shortVersionString;
    const std::optional<QUrl> startPage = urlWithString(m_variant.startPage(siteAddress(), version));
    setInitialURL(startPage.value_or(QUrl()));
    if (startPage)
        page->loadRequest(*startPage);
    // The server of the track information, opened now and kept open: a tap
    // then waits one round trip for it before the stream is asked for.
    if (const std::optional<QUrl> trackInfo = urlWithString(Endpoints::trackInfo(siteAddress(), std::nullopt)))
        services().urlLoader->keepConnectionOpen(*trackInfo);

    createBackgroundImageView();
    createOverlayView();
    createPlayerControls();

    auto *bar = new NavigationBar(view());
    Geometry::setFrame(bar, layout.navigationBar);
    bar->setTintColor(Qt::black);
    Geometry::addSubview(view(), bar);
    setNavigationBar(bar);
    auto *item = new NavigationItem(QString(), this);
    bar->setItems({item});
    setWebViewNavigationItem(item);

    createPlayerNavigationBar();

    auto *indicator = new ActivityIndicatorView(ActivityIndicatorView::Style::WhiteLarge, view());
    indicator->setCenter(center());
    indicator->setHidesWhenStopped(true);
    Geometry::addSubview(view(), indicator);
    setActivityIndicator(indicator);

    auto *loading = new QWidget(view());
    Geometry::setFrame(loading, layout.fullScreen);
    Geometry::setBackgroundColor(loading, Geometry::colorWithWhite(0.0, 0.5));
    loading->setHidden(true);
    Geometry::addSubview(view(), loading);
    setLoadingOverlay(loading);

    auto *timer = new QTimer(this);
    timer->setInterval(1000);
    connect(timer, &QTimer::timeout, this, &CatalogueViewController::checkPageTitle);
    timer->start();
    setTitleCheckTimer(timer);

    createPlayerView();
    // The player covers the page: while it shows, the page is hidden, so
    // that the window is not composed again with the web engine's picture
    // at each move of the slider, and the page's own timers rest.
    playerView()->installEventFilter(this);

    // Alt+Left is "Назад", as in a browser: the player's while it shows,
    // else the page's where the bar offers it.
    auto *back = new QShortcut(view());
    back->setKeys({QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Back)});
    connect(back, &QShortcut::activated, this, [this] {
        if (playerView()->isVisible() && playerNavigationBar()->isVisibleTo(playerView()))
            playerBackButtonTapped();
        else if (BarButtonItem *left = webViewNavigationItem()->leftBarButtonItem();
                 left && left->title() == QStringLiteral("Назад"))
            backButtonTapped();
    });
    connect(navigationBar(), &NavigationBar::buttonsChanged, this, &CatalogueViewController::updateTabOrder);
    connect(playerNavigationBar(), &NavigationBar::buttonsChanged, this,
            &CatalogueViewController::updateTabOrder);
    updateTabOrder();
}

bool CatalogueViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == playerView() && webView()
        && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        webView()->setHidden(event->type() == QEvent::Show);
    return CataloguePlayerViewController::eventFilter(watched, event);
}

void CatalogueViewController::updateTabOrder()
{
    // Top to bottom, left to right: the page's bar, the page, then the
    // player's bar, its buttons and its slider.
    setTabOrderOf({navigationBar()->leftButton(), navigationBar()->rightButton(), webView(),
                   playerNavigationBar()->leftButton(), playerNavigationBar()->rightButton(),
                   rewindButton(), playPauseButton(), forwardButton(), timeSlider()});
}

bool CatalogueViewController::webViewShouldStartLoadWithRequest(WebView *, const QUrl &request,
                                                                WebViewNavigationType)
{
    switch (InPageLink::classify(request)) {
    case InPageLink::Host::Alert: {
        const QHash<QString, QString> query = parseQueryString(InPageLink::rawQuery(request));
        if (query.contains(QStringLiteral("name")) && query.contains(QStringLiteral("text")))
            services().alerts->showFromPage(new AlertView(query.value(QStringLiteral("name")),
                                                          query.value(QStringLiteral("text")), nullptr,
                                                          QStringLiteral("OK")));
        return false;
    }
    case InPageLink::Host::Music: {
        const QHash<QString, QString> query = parseQueryString(InPageLink::rawQuery(request));
        if (query.contains(QStringLiteral("id")))
            fetchDataFromServerWithID(query.value(QStringLiteral("id")), false);
        return false;
    }
    case InPageLink::Host::None:
        break;
    }
    return true;
}

void CatalogueViewController::viewDidLayoutSubviews()
{
    // The same frames the load step computed, for the new bounds.
    const CatalogueLayout layout = CatalogueLayout::forBounds(width(), height());
    Geometry::setFrame(webView(), layout.webView);
    Geometry::setFrame(navigationBar(), layout.navigationBar);
    Geometry::setFrame(loadingOverlay(), layout.fullScreen);
    if (m_rendererNotice)
        Geometry::setFrame(m_rendererNotice, layout.webView);
    activityIndicator()->setCenter(center());
    layoutPlayerViews();
}

bool CatalogueViewController::isLoadingPage() const
{
    return loadingOverlay() && !loadingOverlay()->isHidden();
}

void CatalogueViewController::webViewDidStartLoad(WebView *)
{
    if (m_rendererNotice)
        m_rendererNotice->setHidden(true);
    loadingOverlay()->setHidden(false);
    activityIndicator()->startAnimating();
}

void CatalogueViewController::webViewDidFinishLoad(WebView *)
{
    webViewNavigationItem()->setTitle(webView()->documentTitle());
    loadingOverlay()->setHidden(true);
    activityIndicator()->stopAnimating();
    checkPageTitle();
}

void CatalogueViewController::webViewDidFailLoadWithError(WebView *, const QString &)
{
    // A failed load ends the loading state too, so that the page and its bar
    // take touches again. Nothing is shown or logged.
    loadingOverlay()->setHidden(true);
    activityIndicator()->stopAnimating();
    checkPageTitle();
}

void CatalogueViewController::webViewWebContentProcessDidTerminate(WebView *)
{
    // The page went with its renderer, and so does the loading state.
    loadingOverlay()->setHidden(true);
    activityIndicator()->stopAnimating();
    const bool again = m_lastRendererCrash.isValid() && m_lastRendererCrash.elapsed() < kRendererRestartWindowMs;
    m_lastRendererCrash.start();
    if (!again) {
        systemLog(QStringLiteral("The page's renderer ended; loading the start page again"));
        if (initialURL().isValid())
            webView()->loadRequest(initialURL());
        return;
    }
    // A renderer that keeps dying is not restarted in a loop: the user
    // decides when to try again.
    systemLog(QStringLiteral("The page's renderer ended again within 10 s; the start page waits for a click"));
    if (!m_rendererNotice) {
        m_rendererNotice = new QPushButton(
            QStringLiteral("Страница перестала работать.\nНажмите, чтобы загрузить её снова."), view());
        m_rendererNotice->setFlat(true);
        Geometry::setFrame(m_rendererNotice, CatalogueLayout::forBounds(width(), height()).webView);
        Geometry::addSubview(view(), m_rendererNotice);
        connect(m_rendererNotice, &QPushButton::clicked, this, [this] {
            m_rendererNotice->setHidden(true);
            if (initialURL().isValid())
                webView()->loadRequest(initialURL());
        });
    }
    // Over the blank page, under the bars and the player.
    m_rendererNotice->stackUnder(navigationBar());
    m_rendererNotice->setHidden(false);
}

QHash<QString, QString> CatalogueViewController::parseQueryString(
    const std::optional<QString> &query) const
{
    return QueryString::parse(query);
}

void CatalogueViewController::checkPageTitle()
{
    NavigationItem *item = webViewNavigationItem();
    if (webView()->documentTitle() == m_variant.startPageTitle) {
        // New items on every run, each only where the screen offers it.
        item->setLeftBarButtonItem(
            infoProgrammButton() ? new BarButtonItem(QStringLiteral("Настройки"),
                                                     BarButtonItem::Style::Plain,
                                                     [this] { showAppInfo(); })
                                 : nullptr);
        item->setRightBarButtonItem(
            radioModeButton() ? new BarButtonItem(QStringLiteral("Радио"),
                                                  BarButtonItem::Style::Plain,
                                                  [this] { radioButtonTapped(); })
                              : nullptr);
    } else {
        item->setLeftBarButtonItem(new BarButtonItem(QStringLiteral("Назад"),
                                                     BarButtonItem::Style::Plain,
                                                     [this] { backButtonTapped(); }));
        item->setRightBarButtonItem(nullptr);
    }
}

void CatalogueViewController::backButtonTapped()
{
    setRadioMode(false);
    // A track-info reply still on its way must not start a track now.
    invalidateTrackRequests();
    dropPlayer();
    hideControls();
    backgroundImageView()->setImage(QImage());
    webView()->goBack();
    updateNowPlayingInfo();
}

void CatalogueViewController::radioButtonTapped()
{
    startRadio();
}

void CatalogueViewController::startRadio()
{
    setRadioMode(true);
    fetchDataFromServerWithID(std::nullopt, true);
}

void CatalogueViewController::showAppInfo()
{
    const QString message = QStringLiteral("Версия: %1").arg(services().bundle.shortVersionString);
    const QString shown = services().userDefaults->stringForKey(customURLKey())
                              .value_or(services().bundle.defaultSiteAddress);
    auto *alert = new AlertView(kSettingsTitle, message, this, QStringLiteral("Отмена"),
                                {QStringLiteral("Перезагрузить")});
    alert->setAlertViewStyle(AlertView::Style::PlainTextInput);
    alert->setTextFieldText(shown);
    services().alerts->show(alert);
}

void CatalogueViewController::alertViewClickedButtonAtIndex(AlertView *alertView, int buttonIndex)
{
    CataloguePlayerViewController::alertViewClickedButtonAtIndex(alertView, buttonIndex);
    if (alertView->title() != kSettingsTitle || buttonIndex != 1)
        return;
    const QString address =
        SiteAddress::fromUserText(alertView->textFieldText(), services().bundle.defaultSiteAddress);
    services().userDefaults->setString(customURLKey(), address);
    services().userDefaults->synchronize();
    // The new address takes effect at the next start.
    services().processTerminator->exitWithStatus(0);
}
