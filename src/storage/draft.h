#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The answers being entered, kept so that a closed window, a crash or a
// power cut loses at most the last second: one file in the user's data
// folder, readable by the user alone, replaced whole at each save.
//
// The format is the program's own, one line each:
//   Votre avis nous intéresse, brouillon 1
//   2026-12-08T17:56:08Z            (when it was last changed, UTC)
//   <array> <index> <value>          (one line an answer)
//   fin <number of answers>
// keyed by control array and index, the value percent-encoded UTF-8 (a check
// box or an option "1", a list its choice's number, a text box its text).
namespace draft
{

struct Entry {
    QString array; // Check1, Option1, t1, it, diff, site
    int index = 0;
    QString value;
    bool operator==(const Entry& o) const
    {
        return array == o.array && index == o.index && value == o.value;
    }
};

struct Draft {
    QDateTime changed;
    QList<Entry> entries;
};

// The file in the given folder.
QString path(const QString& directory);

QByteArray encode(const Draft& draft);
// False for anything that is not a draft of this format, whole.
bool decode(const QByteArray& bytes, Draft* draft);

enum class Read {
    Missing, // no draft
    Found,
    Damaged, // there, but unreadable or not a draft
};
Read load(const QString& path, Draft* draft);

// Writes the whole file anew (a temporary file renamed over it), mode 0600,
// making the folder when needed.
bool save(const QString& path, const Draft& draft);

// Moves a damaged draft out of the way, beside it, with the time in its
// name; returns the new name, empty when even that failed (it is then
// removed, so that the question does not come back at every start).
QString setAside(const QString& path);

bool remove(const QString& path);

} // namespace draft
