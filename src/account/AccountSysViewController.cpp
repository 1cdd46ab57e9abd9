#include "account/AccountSysViewController.h"

#include "account/AccountLayout.h"
#include "protocol/AccountReply.h"
#include "protocol/Endpoints.h"
#include "protocol/SiteAddress.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/ImageDecoding.h"
#include "platform/system/Log.h"
#include "platform/system/PasswordStore.h"
#include "platform/ui/NavigationItem.h"
#include "platform/net/TextDecoding.h"
#include "platform/net/UrlText.h"
#include "platform/system/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTimer>

namespace {

const QString kLogin = QStringLiteral("login");
const QString kUserData = QStringLiteral("userData");

QPushButton *makeButton(QWidget *parent, const QString &title, const QRectF &frame)
{
    auto *button = new QPushButton(title, parent);
    button->setAccessibleName(title);
    Geometry::setFrame(button, frame);
    return button;
}

QFont boldSystemFont(int size)
{
    QFont font;
    font.setBold(true);
    font.setPixelSize(size);
    return font;
}

} // namespace

AccountSysViewController::AccountSysViewController(const PlatformServices &services, QWidget *parent)
    : ViewController(parent)
    , m_services(services)
{
}

void AccountSysViewController::viewDidLoad()
{
    ViewController::viewDidLoad();
    loadSequence();
}

void AccountSysViewController::loadSequence()
{
    setCustomURLKey(QStringLiteral("customURL"));

    auto *indicator = new ActivityIndicatorView(ActivityIndicatorView::Style::Gray, view());
    indicator->setCenter(center());
    Geometry::addSubview(view(), indicator);
    setActivityIndicator(indicator);

    setupUI();
    setupNavigationBar();

    const std::optional<QString> login = m_services.userDefaults->stringForKey(kLogin);
    if (!login)
        return;
    // The password may come from the desktop keyring, which answers later.
    // Meanwhile the form stays hidden and the label says "Loading...".
    loginTextField()->setHidden(true);
    passwordTextField()->setHidden(true);
    authButton()->setHidden(true);
    activityIndicator()->startAnimating();
    const quint64 serial = ++m_passwordReadSerial;
    m_services.passwords->readPassword(*login, this, [this, serial, login = *login](const std::optional<QString> &password) {
        if (serial != m_passwordReadSerial)
            return;
        if (!password) {
            loginTextField()->setHidden(false);
            passwordTextField()->setHidden(false);
            authButton()->setHidden(false);
            stopActivityIndicator();
            return;
        }
        resultLabel()->setText(login);
        fetchDataWithLogin(login, *password, [this] { stopActivityIndicator(); });
    });
}

void AccountSysViewController::viewDidLayoutSubviews()
{
    const AccountLayout layout = AccountLayout::forBounds(width(), height());
    Geometry::setFrame(loginTextField(), layout.loginTextField);
    Geometry::setFrame(passwordTextField(), layout.passwordTextField);
    Geometry::setFrame(authButton(), layout.authButton);
    Geometry::setFrame(resultLabel(), layout.resultLabel);
    Geometry::setFrame(refreshButton(), layout.refreshButton);
    Geometry::setFrame(backgroundImageView(), layout.fullScreen);
    Geometry::setFrame(customDimmingView(), layout.fullScreen);
    Geometry::setFrame(logoutButton(), layout.logoutButton);
    Geometry::setFrame(m_accountBar, layout.accountBar);
    activityIndicator()->setCenter(layout.center);
    if (m_loginTitleLabel)
        m_loginTitleLabel->resize(Geometry::pixelRect(layout.loginTitleLabel).size());
}

void AccountSysViewController::stopActivityIndicator()
{
    if (activityIndicator())
        activityIndicator()->stopAnimating();
}

void AccountSysViewController::setupUI()
{
    const AccountLayout layout = AccountLayout::forBounds(width(), height());

    auto *login = new QLineEdit(view());
    login->setPlaceholderText(QStringLiteral("Login"));
    login->setAccessibleName(QStringLiteral("Login"));
    Geometry::setFrame(login, layout.loginTextField);
    Geometry::addSubview(view(), login);
    setLoginTextField(login);

    auto *password = new QLineEdit(view());
    password->setPlaceholderText(QStringLiteral("Password"));
    password->setAccessibleName(QStringLiteral("Password"));
    password->setEchoMode(QLineEdit::Password);
    Geometry::setFrame(password, layout.passwordTextField);
    Geometry::addSubview(view(), password);
    setPasswordTextField(password);

    auto *authorize = makeButton(view(), QStringLiteral("Authorize"), layout.authButton);
    connect(authorize, &QPushButton::clicked, this, &AccountSysViewController::authorizeButtonTapped);
    Geometry::addSubview(view(), authorize);
    setAuthButton(authorize);

    auto *result = new QLabel(QStringLiteral("Loading..."), view());
    result->setTextFormat(Qt::PlainText);
    result->setAlignment(Qt::AlignCenter);
    result->setFont(boldSystemFont(18));
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    result->setPalette(palette);
    Geometry::setBackgroundColor(result, Geometry::colorWithWhite(0, 0));
    Geometry::setFrame(result, layout.resultLabel);
    Geometry::addSubview(view(), result);
    setResultLabel(result);

    auto *refresh = makeButton(view(), QStringLiteral("Refresh Data"), layout.refreshButton);
    connect(refresh, &QPushButton::clicked, this, &AccountSysViewController::refreshButtonTapped);
    Geometry::addSubview(view(), refresh);
    setRefreshButton(refresh);

    auto *background = new ImageView(view());
    background->setContentMode(ImageView::ContentMode::ScaleAspectFill);
    Geometry::setFrame(background, layout.fullScreen);
    Geometry::addSubview(view(), background);
    setBackgroundImageView(background);

    auto *dimming = new QWidget(view());
    Geometry::setFrame(dimming, layout.fullScreen);
    Geometry::setBackgroundColor(dimming, Geometry::colorWithWhite(0, 0.5));
    // It dims what lies below it but takes no clicks from it.
    dimming->setAttribute(Qt::WA_TransparentForMouseEvents);
    dimming->setHidden(true);
    Geometry::addSubview(view(), dimming);
    setCustomDimmingView(dimming);

    auto *logout = makeButton(view(), QStringLiteral("Logout"), layout.logoutButton);
    QPalette logoutPalette = logout->palette();
    logoutPalette.setColor(QPalette::ButtonText, Qt::black);
    logout->setPalette(logoutPalette);
    logout->setHidden(true);
    connect(logout, &QPushButton::clicked, this, &AccountSysViewController::logoutButtonTapped);
    Geometry::addSubview(view(), logout);
    setLogoutButton(logout);

    result->raise();

    // Return in either field presses "Authorize"; Tab goes down the column.
    connect(login, &QLineEdit::returnPressed, this, &AccountSysViewController::authorizeButtonTapped);
    connect(password, &QLineEdit::returnPressed, this, &AccountSysViewController::authorizeButtonTapped);
    setTabOrderOf({login, password, authorize, refresh, logout});

    // The icon is not a view of the root: it is the title view of the
    // screen's own item and of the account bar's item.
    auto *icon = new ImageView;
    icon->setContentMode(ImageView::ContentMode::ScaleAspectFit);
    icon->resize(40, 40);
    icon->setAccessibleName(QStringLiteral("Account icon"));
    setIconImageView(icon);
    navigationItem()->setTitleView(icon);
}

void AccountSysViewController::setupNavigationBar()
{
    auto *bar = new NavigationBar(view());
    Geometry::setFrame(bar, AccountLayout::forBounds(width(), height()).accountBar);
    bar->setTintColor(Qt::black);
    auto *item = new NavigationItem(QStringLiteral("Аккаунт"));
    item->setTitleView(iconImageView());
    bar->setItems({item});
    Geometry::addSubview(view(), bar);
    m_accountBar = bar;
}

void AccountSysViewController::authorizeButtonTapped()
{
    const QString login = loginTextField()->text();
    const QString password = passwordTextField()->text();
    if (login.isEmpty() || password.isEmpty()) {
        resultLabel()->setText(QStringLiteral("Please enter login and password"));
        return;
    }
    m_services.userDefaults->setString(kLogin, login);
    m_services.userDefaults->synchronize();
    m_services.passwords->writePassword(login, password);

    loginTextField()->clearFocus();
    passwordTextField()->clearFocus();
    loginTextField()->setHidden(true);
    passwordTextField()->setHidden(true);
    authButton()->setHidden(true);
    resultLabel()->setText(login);
    activityIndicator()->startAnimating();
    fetchDataWithLogin(login, password, [this] { stopActivityIndicator(); });
}

void AccountSysViewController::logoutButtonTapped()
{
    const QString login = m_services.userDefaults->stringForKey(kLogin).value_or(QString());
    m_services.userDefaults->removeObjectForKey(kLogin);
    m_services.userDefaults->removeObjectForKey(kUserData);
    m_services.userDefaults->synchronize();
    m_services.passwords->removePassword(login);
    ++m_passwordReadSerial;

    if (!cachedImagePath().isEmpty())
        QFile::remove(cachedImagePath());
    // Pictures still on their way would show a logged-out user's pictures
    // and write the cache file again.
    ++m_backgroundRequestSerial;
    ++m_iconRequestSerial;

    loginTextField()->setHidden(false);
    passwordTextField()->setHidden(false);
    authButton()->setHidden(false);
    logoutButton()->setHidden(true);
    refreshButton()->setHidden(true);
    resultLabel()->setHidden(false);
    resultLabel()->setText(QString(""));
    backgroundImageView()->setImage(QImage());
    Geometry::setBackgroundColor(view(), Qt::white);
    iconImageView()->setImage(QImage());
    customDimmingView()->setHidden(true);
    navigationItem()->setTitleView(nullptr);
    m_loginTitleLabel.reset();
}

void AccountSysViewController::removeBuiltViews()
{
    const QList<QWidget *> built = {activityIndicator(), loginTextField(), passwordTextField(),
                                    authButton(),        resultLabel(),    refreshButton(),
                                    backgroundImageView(), customDimmingView(), logoutButton(),
                                    m_accountBar};
    for (QWidget *view : built)
        delete view;
    if (navigationItem()->titleView() == iconImageView())
        navigationItem()->setTitleView(nullptr);
    delete iconImageView();
}

void AccountSysViewController::refreshButtonTapped()
{
    // The whole load sequence again, on a fresh set of views that replaces
    // the previous one rather than piling up on it. A password still on its
    // way belongs to the views that go.
    ++m_passwordReadSerial;
    removeBuiltViews();
    ViewController::viewDidLoad();
    loadSequence();
}

void AccountSysViewController::fetchDataWithLogin(const QString &login, const QString &password,
                                                  std::function<void()> completion)
{
    const QString base = SiteAddress::base(m_services.userDefaults->stringForKeyAsStarted(customURLKey()),
                                           m_services.bundle.defaultSiteAddress);
    const QString address = Endpoints::account(base, login, password);
    m_services.urlLoader->get(urlWithString(address).value_or(QUrl()), kReplyLimit, this,
                              [this, login, completion](const UrlResponse &response) {
                                  handleAccountResponse(login, response);
                                  if (completion)
                                      completion();
                              });
}

void AccountSysViewController::showLater(const QString &message)
{
    // The message shows after the completion has run.
    QTimer::singleShot(0, this, [this, message] {
        if (resultLabel())
            resultLabel()->setText(message);
    });
}

void AccountSysViewController::handleAccountResponse(const QString &login, const UrlResponse &response)
{
    // A refused login leaves the form hidden; "Logout" shows, so that the
    // user can forget the stored credentials and log in with others.
    if (!response.data && !response.exceededLimit) {
        logoutButton()->setHidden(false);
        showLater(QStringLiteral("Error fetching data"));
        return;
    }
    const std::optional<QStringList> fields = AccountReply::fields(
        response.data ? decodeUtf8(*response.data) : std::optional<QString>());
    if (!fields) {
        logoutButton()->setHidden(false);
        showLater(QStringLiteral("No data received"));
        return;
    }
    for (int i = 0; i < fields->size(); ++i)
        systemLog(QStringLiteral("Section %1: %2").arg(i + 1).arg(fields->at(i)));
    m_services.userDefaults->setStringArray(kUserData, *fields);
    m_services.userDefaults->synchronize();

    if (const std::optional<QUrl> background = AccountReply::pictureUrl(fields->at(1)))
        loadBackgroundImageFromURL(*background);
    if (const std::optional<QUrl> icon = AccountReply::pictureUrl(fields->at(2)))
        loadIconImageFromURL(*icon);
    logoutButton()->setHidden(false);
    refreshButton()->setHidden(false);
    customDimmingView()->setHidden(false);

    // The login as the title of the screen's own item. It is no view of the
    // root: the screen keeps it for as long as the item shows it.
    auto title = std::make_unique<QLabel>(login);
    title->setTextFormat(Qt::PlainText);
    title->setAlignment(Qt::AlignCenter);
    title->setFont(boldSystemFont(18));
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    title->setPalette(palette);
    title->resize(Geometry::pixelRect(AccountLayout::forBounds(width(), height()).loginTitleLabel).size());
    navigationItem()->setTitleView(title.get());
    m_loginTitleLabel = std::move(title);
}

void AccountSysViewController::loadBackgroundImageFromURL(const QUrl &url)
{
    setCachedImagePath(QDir(m_services.cachesDirectory).filePath(AccountReply::cacheFileName(url)));
    if (QFile::exists(cachedImagePath())) {
        QFile file(cachedImagePath());
        if (file.open(QIODevice::ReadOnly) && file.size() <= kPictureLimit)
            backgroundImageView()->setImage(decodeImage(file.readAll()));
        else
            backgroundImageView()->setImage(QImage());
        return;
    }
    const quint64 request = ++m_backgroundRequestSerial;
    m_services.urlLoader->get(url, kPictureLimit, this, [this, request](const UrlResponse &response) {
        // Only the latest download counts, and none once the user logged out.
        if (request != m_backgroundRequestSerial)
            return;
        if (!response.succeeded()) {
            systemLog(QStringLiteral("Error loading background image: %1").arg(response.error));
            return;
        }
        const QImage picture = decodeImage(*response.data);
        if (backgroundImageView())
            backgroundImageView()->setImage(picture);
        // Only a picture is kept, as the bytes came: an error page cached
        // under the picture's name would stand in for it for good. A name
        // the file system refuses leaves the picture uncached.
        if (picture.isNull())
            return;
        // A file that cannot be written whole is not kept at all. Unbuffered,
        // so that a full disk fails the write itself: a failing flush at
        // commit would still put an empty file in place.
        if (!QDir().mkpath(m_services.cachesDirectory)) {
            systemLog(QStringLiteral("The caches folder %1 cannot be created").arg(m_services.cachesDirectory));
            return;
        }
        QSaveFile cache(cachedImagePath());
        if (!cache.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
            || cache.write(*response.data) != response.data->size()
            || !cache.commit())
            systemLog(QStringLiteral("The background picture could not be cached: %1").arg(cache.errorString()));
    }, UrlConnection::Rule::Download);
}

void AccountSysViewController::loadIconImageFromURL(const QUrl &url)
{
    const quint64 request = ++m_iconRequestSerial;
    m_services.urlLoader->get(url, kPictureLimit, this, [this, request](const UrlResponse &response) {
        if (request != m_iconRequestSerial)
            return;
        if (!response.succeeded()) {
            systemLog(QStringLiteral("Error loading icon image: %1").arg(response.error));
            return;
        }
        if (iconImageView())
            iconImageView()->setImage(decodeImage(*response.data));
    }, UrlConnection::Rule::Download);
}

void AccountSysViewController::didReceiveMemoryWarning()
{
    ViewController::didReceiveMemoryWarning();
}
