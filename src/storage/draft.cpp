#include "storage/draft.h"
#include "storage/privatefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace draft
{
namespace
{

const QByteArray Magic = QByteArrayLiteral("Votre avis nous int\xc3\xa9resse, brouillon 1");
// No real draft comes near this: a file beyond it is not one.
constexpr qint64 MaxBytes = 1 << 20;

bool plainWord(const QString& s)
{
    if (s.isEmpty() || s.size() > 16)
        return false;
    for (const QChar c : s)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80))
            return false;
    return true;
}

} // namespace

QString path(const QString& directory)
{
    return QDir(directory).filePath(QStringLiteral("brouillon.txt"));
}

QByteArray encode(const Draft& draft)
{
    QByteArray out = Magic + '\n';
    out += draft.changed.toUTC().toString(Qt::ISODate).toLatin1() + '\n';
    for (const Entry& e : draft.entries)
        out += e.array.toLatin1() + ' ' + QByteArray::number(e.index) + ' ' +
               e.value.toUtf8().toPercentEncoding() + '\n';
    // The count at the end: a file cut short at a line's end is seen too.
    out += "fin " + QByteArray::number(draft.entries.size()) + '\n';
    return out;
}

bool decode(const QByteArray& bytes, Draft* draft)
{
    if (!bytes.endsWith('\n'))
        return false; // cut short
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    if (lines.size() < 3 || lines[0] != Magic ||
        lines.last() != "fin " + QByteArray::number(lines.size() - 3))
        return false;
    lines.removeLast();
    Draft d;
    d.changed = QDateTime::fromString(QString::fromLatin1(lines[1]), Qt::ISODate);
    if (!d.changed.isValid())
        return false;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split(' ');
        if (fields.size() != 3)
            return false;
        Entry e;
        e.array = QString::fromLatin1(fields[0]);
        bool number = false;
        e.index = fields[1].toInt(&number);
        const QByteArray value = QByteArray::fromPercentEncoding(fields[2]);
        e.value = QString::fromUtf8(value);
        if (!plainWord(e.array) || !number || e.index < 0 || e.value.toUtf8() != value)
            return false;
        d.entries << e;
    }
    *draft = d;
    return true;
}

Read load(const QString& path, Draft* draft)
{
    QFile f(path);
    if (!f.exists())
        return Read::Missing;
    if (!f.open(QIODevice::ReadOnly) || f.size() > MaxBytes)
        return Read::Damaged;
    return decode(f.readAll(), draft) ? Read::Found : Read::Damaged;
}

bool save(const QString& path, const Draft& draft)
{
    if (!privatefiles::makeFolder(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // Only the user may read the answers, from the first byte on.
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    f.write(encode(draft));
    return f.commit();
}

QString setAside(const QString& path)
{
    const QString aside = path + QStringLiteral(".illisible-") +
                          QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    if (QFile::rename(path, aside))
        return aside;
    QFile::remove(path);
    return QString();
}

bool remove(const QString& path)
{
    return !QFile::exists(path) || QFile::remove(path);
}

} // namespace draft
