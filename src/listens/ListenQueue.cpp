#include "listens/ListenQueue.h"

#include "platform/system/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

// The file is the user's alone: it says what they listened to.
constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

// A queue file is a few MB at most; anything larger is not one.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

} // namespace

ListenQueue::ListenQueue(const QString &filePath)
    : m_path(filePath)
{
    QFile file(m_path);
    if (!file.exists())
        return;
    if (file.size() > kMaxFileBytes || !file.open(QIODevice::ReadOnly)) {
        systemLog(QStringLiteral("ListenBrainz: the queue %1 cannot be read; starting with an empty one").arg(m_path));
        return;
    }
    const QJsonArray stored = QJsonDocument::fromJson(file.readAll()).array();
    for (const QJsonValue &value : stored) {
        if (const std::optional<Listen> listen = ListenPayload::fromStored(value.toObject()))
            m_entries.append({m_nextId++, *listen});
    }
    if (m_entries.size() < stored.size())
        systemLog(QStringLiteral("ListenBrainz: %1 damaged entries of the queue left out").arg(stored.size() - m_entries.size()));
}

bool ListenQueue::append(const Listen &listen)
{
    m_entries.append({m_nextId++, listen});
    if (m_entries.size() > kMaxListens) {
        const qsizetype dropped = m_entries.size() - kMaxListens;
        m_entries.remove(0, dropped);
        systemLog(QStringLiteral("ListenBrainz: the queue holds %1 listens at most; the %2 oldest dropped")
                      .arg(kMaxListens)
                      .arg(dropped));
    }
    return save();
}

QList<ListenQueue::Entry> ListenQueue::first(int count) const
{
    return m_entries.mid(0, count);
}

void ListenQueue::remove(const QList<quint64> &ids)
{
    const qsizetype before = m_entries.size();
    m_entries.removeIf([&ids](const Entry &entry) { return ids.contains(entry.id); });
    if (m_entries.size() != before)
        save();
}

bool ListenQueue::save()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QJsonArray stored;
    for (const Entry &entry : std::as_const(m_entries))
        stored.append(ListenPayload::toStored(entry.listen));
    QSaveFile file(m_path);
    // Created with the owner's permissions only, before a byte is written.
    const bool written = file.open(QIODevice::WriteOnly) && file.setPermissions(kOwnerOnly)
        && file.write(QJsonDocument(stored).toJson(QJsonDocument::Compact)) >= 0 && file.commit();
    if (!written)
        systemLog(QStringLiteral("ListenBrainz: the queue %1 cannot be written: %2").arg(m_path, file.errorString()));
    return written;
}
