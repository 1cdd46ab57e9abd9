#include "app/PreferencesWindow.h"

#include "listens/ListenBrainzService.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PreferencesWindow::PreferencesWindow(ListenBrainzService *listens, QWidget *parent)
    : QDialog(parent)
    , m_listens(listens)
{
    setWindowTitle(QStringLiteral("Preferences"));
    auto *layout = new QVBoxLayout(this);
    auto *section = new QGroupBox(QStringLiteral("ListenBrainz"), this);
    auto *form = new QFormLayout(section);

    auto *intro = new QLabel(QStringLiteral("Tell ListenBrainz, or a server that speaks its API, what you listen to. "
                                            "Your token is on your ListenBrainz settings page."),
                             section);
    intro->setWordWrap(true);
    form->addRow(intro);

    m_token = new QLineEdit(section);
    m_token->setEchoMode(QLineEdit::Password);
    m_token->setClearButtonEnabled(true);
    m_check = new QPushButton(QStringLiteral("Check"), section);
    auto *tokenRow = new QHBoxLayout;
    tokenRow->addWidget(m_token, 1);
    tokenRow->addWidget(m_check);
    form->addRow(QStringLiteral("User &token:"), tokenRow);
    static_cast<QLabel *>(form->labelForField(tokenRow))->setBuddy(m_token);

    m_address = new QLineEdit(m_listens->address().toString(), section);
    m_address->setPlaceholderText(m_listens->defaultAddress().toString());
    form->addRow(QStringLiteral("&Server:"), m_address);

    m_send = new QCheckBox(QStringLiteral("S&end listens"), section);
    form->addRow(m_send);

    m_status = new QLabel(section);
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    form->addRow(m_status);
    layout->addWidget(section);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);

    connect(m_token, &QLineEdit::returnPressed, this, &PreferencesWindow::checkToken);
    connect(m_check, &QPushButton::clicked, this, &PreferencesWindow::checkToken);
    connect(m_address, &QLineEdit::editingFinished, this, &PreferencesWindow::applyAddress);
    connect(m_send, &QCheckBox::toggled, this, [this](bool on) { m_listens->setEnabled(on); });
    connect(m_listens, &ListenBrainzService::tokenChanged, this, &PreferencesWindow::showState);
    connect(m_listens->client(), &ListenBrainzClient::tokenRefusedChanged, this, &PreferencesWindow::showState);
    showState();
    resize(460, sizeHint().height());
}

QString PreferencesWindow::statusText() const
{
    return m_status->text();
}

void PreferencesWindow::setStatus(const QString &text)
{
    m_status->setText(text);
}

void PreferencesWindow::showState()
{
    m_send->setEnabled(m_listens->hasToken());
    m_send->blockSignals(true);
    m_send->setChecked(m_listens->hasToken() && m_listens->isEnabled());
    m_send->blockSignals(false);
    m_token->setPlaceholderText(m_listens->hasToken() ? QStringLiteral("A token is set; paste another to replace it")
                                                      : QStringLiteral("Paste your token here"));
    if (m_listens->client()->tokenRefused())
        setStatus(QStringLiteral("The server refused the token; listens are kept until a valid one is set."));
    else if (!m_listens->hasToken())
        setStatus(QStringLiteral("No token is set: nothing is sent."));
    else
        setStatus(QStringLiteral("Listens of %1 are sent to %2.").arg(m_listens->user(), m_listens->address().toString()));
}

void PreferencesWindow::applyAddress()
{
    if (m_address->text().trimmed() == m_listens->address().toString())
        return;
    if (!m_listens->setAddress(m_address->text())) {
        setStatus(QStringLiteral("Not an http or https address: %1").arg(m_address->text().trimmed()));
        return;
    }
    m_address->setText(m_listens->address().toString());
    showState();
}

void PreferencesWindow::checkToken()
{
    const QString token = m_token->text().trimmed();
    if (token.isEmpty())
        return;
    applyAddress();
    const quint64 check = ++m_checks;
    setStatus(QStringLiteral("Checking the token with %1…").arg(m_listens->address().toString()));
    m_listens->client()->validateToken(m_listens->address(), token, this,
                                       [this, check, token](const ListenBrainzClient::Validation &answer) {
                                           if (check != m_checks)
                                               return;
                                           if (!answer.answered) {
                                               setStatus(QStringLiteral("The server could not check the token: %1")
                                                             .arg(answer.message));
                                           } else if (!answer.valid) {
                                               setStatus(QStringLiteral("The server does not know this token (%1).")
                                                             .arg(answer.message));
                                           } else {
                                               m_token->clear();
                                               m_listens->useToken(token, answer.userName);
                                               setStatus(QStringLiteral("The token is valid for %1; listens are sent.")
                                                             .arg(answer.userName));
                                           }
                                       });
}
