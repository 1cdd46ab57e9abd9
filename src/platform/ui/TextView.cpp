#include "platform/ui/TextView.h"

#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextOption>

TextView::TextView(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
    setAccessibleName(QStringLiteral("Text"));
}

void TextView::setText(const QString &text)
{
    setPlainText(text);
    applyAlignment();
}

void TextView::setTextAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    applyAlignment();
}

void TextView::applyAlignment()
{
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(m_alignment);
    document()->setDefaultTextOption(option);
    // Every paragraph of the text takes the alignment.
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setAlignment(m_alignment);
    cursor.mergeBlockFormat(format);
}
