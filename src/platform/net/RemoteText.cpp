#include "platform/net/RemoteText.h"

QString RemoteText::cut(const QString &text, qsizetype maxLength)
{
    if (text.size() <= maxLength || maxLength < 1)
        return text;
    qsizetype keep = maxLength - 1;
    if (keep > 0 && text.at(keep - 1).isHighSurrogate())
        --keep;
    return text.left(keep) + QChar(0x2026);
}
