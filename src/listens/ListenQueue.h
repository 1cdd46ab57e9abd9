#pragma once

#include "listens/Listen.h"

#include <QList>
#include <QString>

// The listens not yet accepted by the server, in a file of the user's own
// (mode 0600) written whole (QSaveFile) before a change returns: a listen
// is on disk before it is sent and leaves only when it was accepted, so
// that neither an outage nor a killed process loses one. Past kMaxListens
// the oldest go, and the log says how many.
class ListenQueue
{
public:
    static constexpr int kMaxListens = 10000;

    struct Entry
    {
        quint64 id = 0;
        Listen listen;
    };

    // Reads what an earlier run left in the file.
    explicit ListenQueue(const QString &filePath);

    QString filePath() const { return m_path; }
    // Appends the listen; false when the file could not be written (it is
    // kept for this run all the same).
    bool append(const Listen &listen);
    // The oldest count listens.
    QList<Entry> first(int count) const;
    // Removes the listens with these ids (those still there).
    void remove(const QList<quint64> &ids);
    int size() const { return int(m_entries.size()); }

private:
    bool save();

    QString m_path;
    QList<Entry> m_entries;
    quint64 m_nextId = 1;
};
