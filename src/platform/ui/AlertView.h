#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class AlertView;

class AlertViewDelegate
{
public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView *alertView, int buttonIndex) = 0;
};

// A message with buttons, shown without blocking. The cancel button has index
// 0 and the other buttons follow from 1; the index of the pressed button goes
// to the delegate. All texts are shown as plain text.
class AlertView : public QObject
{
    Q_OBJECT

public:
    enum class Style { Default, PlainTextInput };

    AlertView(const QString &title, const QString &message, AlertViewDelegate *delegate,
              const QString &cancelButtonTitle, const QStringList &otherButtonTitles = {});

    QString title() const { return m_title; }
    QString message() const { return m_message; }
    AlertViewDelegate *delegate() const;
    QString cancelButtonTitle() const { return m_cancelButtonTitle; }
    QStringList otherButtonTitles() const { return m_otherButtonTitles; }
    // Every button title by index.
    QStringList buttonTitles() const;

    Style alertViewStyle() const { return m_style; }
    void setAlertViewStyle(Style style) { m_style = style; }

    // The text of the input field (field index 0) in the PlainTextInput style.
    QString textFieldText() const { return m_textFieldText; }
    void setTextFieldText(const QString &text) { m_textFieldText = text; }

    bool isDismissed() const { return m_dismissed; }
    // Closes the alert as if the button with this index was pressed and
    // tells the delegate. Has no effect after the first call.
    void dismissWithClickedButtonIndex(int buttonIndex);

Q_SIGNALS:
    void dismissed(int buttonIndex);

private:
    QString m_title;
    QString m_message;
    AlertViewDelegate *m_delegate;
    QPointer<QObject> m_delegateObject;
    bool m_delegateIsObject;
    QString m_cancelButtonTitle;
    QStringList m_otherButtonTitles;
    Style m_style = Style::Default;
    QString m_textFieldText;
    bool m_dismissed = false;
};
