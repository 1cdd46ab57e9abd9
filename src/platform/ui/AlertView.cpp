#include "platform/ui/AlertView.h"

#include "platform/net/RemoteText.h"

AlertView::AlertView(const QString &title, const QString &message, AlertViewDelegate *delegate,
                     const QString &cancelButtonTitle, const QStringList &otherButtonTitles)
    // Alert texts may come from a page or a server; they are shown cut.
    : m_title(RemoteText::cut(title, RemoteText::kMaxNameLength))
    , m_message(RemoteText::cut(message, RemoteText::kMaxMessageLength))
    , m_delegate(delegate)
    , m_delegateObject(dynamic_cast<QObject *>(delegate))
    , m_delegateIsObject(m_delegateObject != nullptr)
    , m_cancelButtonTitle(cancelButtonTitle)
    , m_otherButtonTitles(otherButtonTitles)
{
}

AlertViewDelegate *AlertView::delegate() const
{
    // A delegate that is a QObject may have gone while the alert was open.
    if (m_delegateIsObject && m_delegateObject.isNull())
        return nullptr;
    return m_delegate;
}

QStringList AlertView::buttonTitles() const
{
    QStringList titles;
    if (!m_cancelButtonTitle.isNull())
        titles << m_cancelButtonTitle;
    return titles + m_otherButtonTitles;
}

void AlertView::dismissWithClickedButtonIndex(int buttonIndex)
{
    if (m_dismissed)
        return;
    m_dismissed = true;
    if (AlertViewDelegate *target = delegate())
        target->alertViewClickedButtonAtIndex(this, buttonIndex);
    Q_EMIT dismissed(buttonIndex);
}
