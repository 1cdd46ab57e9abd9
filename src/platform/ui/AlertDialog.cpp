#include "platform/ui/AlertDialog.h"

#include "platform/ui/AlertView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

AlertDialog::AlertDialog(AlertView *alert, QWidget *parent)
    : QDialog(parent)
    , m_alert(alert)
{
    setWindowTitle(alert->title());
    setMinimumWidth(280);

    auto *layout = new QVBoxLayout(this);
    m_titleLabel = new QLabel(alert->title(), this);
    m_titleLabel->setTextFormat(Qt::PlainText);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setWordWrap(true);
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    layout->addWidget(m_titleLabel);

    m_messageLabel = new QLabel(alert->message(), this);
    m_messageLabel->setTextFormat(Qt::PlainText);
    m_messageLabel->setAlignment(Qt::AlignCenter);
    m_messageLabel->setWordWrap(true);
    m_messageLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_messageLabel->setHidden(alert->message().isEmpty());
    layout->addWidget(m_messageLabel);

    if (alert->alertViewStyle() == AlertView::Style::PlainTextInput) {
        m_textField = new QLineEdit(alert->textFieldText(), this);
        m_textField->setAccessibleName(alert->title());
        layout->addWidget(m_textField);
    }

    auto *row = new QHBoxLayout;
    const QStringList titles = alert->buttonTitles();
    for (int index = 0; index < titles.size(); ++index) {
        auto *button = new QPushButton(titles.at(index), this);
        button->setAccessibleName(titles.at(index));
        // Enter presses the button that has the focus, or else the last one.
        button->setAutoDefault(true);
        connect(button, &QPushButton::clicked, this, [this, index] { finishWithIndex(index); });
        row->addWidget(button);
        m_buttons.append(button);
    }
    if (!m_buttons.isEmpty())
        m_buttons.last()->setDefault(true);
    layout->addLayout(row);
}

void AlertDialog::reject()
{
    finishWithIndex(0);
}

void AlertDialog::finishWithIndex(int index)
{
    if (m_textField)
        m_alert->setTextFieldText(m_textField->text());
    // Close first: the delegate may end the process or open another alert.
    QDialog::done(index == 0 ? QDialog::Rejected : QDialog::Accepted);
    m_alert->dismissWithClickedButtonIndex(index);
}
