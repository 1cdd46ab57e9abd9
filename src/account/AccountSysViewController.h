#pragma once

#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/NavigationBar.h"
#include "platform/PlatformServices.h"
#include "platform/net/UrlLoader.h"
#include "platform/ui/ViewController.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <memory>

// The account screen: the login form, the account reply's pictures, and
// logout. The login (in the settings) and the password (in the password
// store) stay stored and log in again at the next load.
class AccountSysViewController : public ViewController
{
    Q_OBJECT

public:
    static constexpr qint64 kReplyLimit = 64 * 1024;
    static constexpr qint64 kPictureLimit = 20 * 1024 * 1024;

    explicit AccountSysViewController(const PlatformServices &services, QWidget *parent = nullptr);

    QLineEdit *loginTextField() const { return m_loginTextField; }
    void setLoginTextField(QLineEdit *field) { m_loginTextField = field; }
    QLineEdit *passwordTextField() const { return m_passwordTextField; }
    void setPasswordTextField(QLineEdit *field) { m_passwordTextField = field; }
    QPushButton *authButton() const { return m_authButton; }
    void setAuthButton(QPushButton *button) { m_authButton = button; }
    QPushButton *logoutButton() const { return m_logoutButton; }
    void setLogoutButton(QPushButton *button) { m_logoutButton = button; }
    QPushButton *refreshButton() const { return m_refreshButton; }
    void setRefreshButton(QPushButton *button) { m_refreshButton = button; }
    QLabel *resultLabel() const { return m_resultLabel; }
    void setResultLabel(QLabel *label) { m_resultLabel = label; }
    ActivityIndicatorView *activityIndicator() const { return m_activityIndicator; }
    void setActivityIndicator(ActivityIndicatorView *indicator) { m_activityIndicator = indicator; }
    ImageView *backgroundImageView() const { return m_backgroundImageView; }
    void setBackgroundImageView(ImageView *view) { m_backgroundImageView = view; }
    QString cachedImagePath() const { return m_cachedImagePath; }
    void setCachedImagePath(const QString &path) { m_cachedImagePath = path; }
    ImageView *iconImageView() const { return m_iconImageView; }
    void setIconImageView(ImageView *view) { m_iconImageView = view; }
    QWidget *customDimmingView() const { return m_customDimmingView; }
    void setCustomDimmingView(QWidget *view) { m_customDimmingView = view; }
    QString customURLKey() const { return m_customURLKey; }
    void setCustomURLKey(const QString &key) { m_customURLKey = key; }

    // The account bar (not a property of the design; kept for tests).
    NavigationBar *accountBar() const { return m_accountBar; }

    void setupUI();
    void setupNavigationBar();
    void authorizeButtonTapped();
    void logoutButtonTapped();
    void refreshButtonTapped();

    // Sends the login request; the completion runs exactly once when the
    // reply has been handled, whatever its outcome.
    void fetchDataWithLogin(const QString &login, const QString &password,
                            std::function<void()> completion);
    void loadBackgroundImageFromURL(const QUrl &url);
    void loadIconImageFromURL(const QUrl &url);

    void didReceiveMemoryWarning() override;

protected:
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;

private:
    void loadSequence();
    void removeBuiltViews();
    void handleAccountResponse(const QString &login, const UrlResponse &response);
    void showLater(const QString &message);
    void stopActivityIndicator();

    PlatformServices m_services;
    QPointer<QLineEdit> m_loginTextField;
    QPointer<QLineEdit> m_passwordTextField;
    QPointer<QPushButton> m_authButton;
    QPointer<QPushButton> m_logoutButton;
    QPointer<QPushButton> m_refreshButton;
    QPointer<QLabel> m_resultLabel;
    QPointer<ActivityIndicatorView> m_activityIndicator;
    QPointer<ImageView> m_backgroundImageView;
    QString m_cachedImagePath;
    QPointer<ImageView> m_iconImageView;
    QPointer<QWidget> m_customDimmingView;
    QString m_customURLKey;
    QPointer<NavigationBar> m_accountBar;
    std::unique_ptr<QLabel> m_loginTitleLabel;
    quint64 m_backgroundRequestSerial = 0;
    quint64 m_iconRequestSerial = 0;
    quint64 m_passwordReadSerial = 0;
};
