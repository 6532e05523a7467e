#include "paper/frame.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>

namespace paperframe
{
namespace
{

const QByteArray Magic("VANI");

QByteArray checkOf(const QByteArray& compressed)
{
    return QCryptographicHash::hash(compressed, QCryptographicHash::Sha256).left(4);
}

} // namespace

QList<QByteArray> encode(const Sheet& sheet, const QByteArray& sheetId, int partSize)
{
    const QByteArray plain =
        sheet.printed.toUTC().toString(Qt::ISODateWithMs).toLatin1() + '\n' + sheet.text.toUtf8();
    const QByteArray compressed = qCompress(plain, 9);
    const int count = int((compressed.size() + partSize - 1) / partSize);
    if (count > MaxParts || sheetId.size() != 8 || partSize <= 0)
        return {};
    const QByteArray check = checkOf(compressed);
    QList<QByteArray> out;
    for (int i = 0; i < count; ++i) {
        QByteArray part = Magic;
        part += char(Version);
        part += sheetId;
        part += char(i + 1);
        part += char(count);
        part += check;
        part += compressed.mid(qsizetype(i) * partSize, partSize);
        out << part;
    }
    return out;
}

std::optional<Part> parse(const QByteArray& content)
{
    if (content.size() <= HeaderSize || !content.startsWith(Magic) || quint8(content[4]) != Version)
        return std::nullopt;
    Part p;
    p.sheet = content.mid(5, 8);
    p.index = quint8(content[13]);
    p.count = quint8(content[14]);
    p.check = content.mid(15, 4);
    p.bytes = content.mid(HeaderSize);
    if (p.count < 1 || p.index < 1 || p.index > p.count)
        return std::nullopt;
    return p;
}

Joined join(const QList<Part>& parts)
{
    Joined out;
    if (parts.isEmpty())
        return out.problem = QStringLiteral("aucun code lisible"), out;
    const Part& first = parts.first();
    QList<const Part*> ordered(first.count, nullptr);
    for (const Part& p : parts) {
        // A part of another sheet, or of another printing of it, is not this one's.
        if (p.sheet != first.sheet || p.count != first.count || p.check != first.check)
            return out.problem = QStringLiteral("codes de feuilles différentes mêlés"), out;
        ordered[p.index - 1] = &p; // the same part twice: either copy
    }
    QByteArray compressed;
    for (int i = 0; i < ordered.size(); ++i) {
        if (!ordered[i])
            return out.problem = QStringLiteral("partie %1 sur %2 manquante").arg(i + 1).arg(first.count), out;
        compressed += ordered[i]->bytes;
    }
    if (checkOf(compressed) != first.check)
        return out.problem = QStringLiteral("somme de contrôle fausse"), out;
    // qUncompress trusts the length the data claims: bounded first.
    if (compressed.size() < 4 || qFromBigEndian<quint32>(compressed.constData()) > quint32(MaxText))
        return out.problem = QStringLiteral("contenu illisible"), out;
    const QByteArray plain = qUncompress(compressed);
    const qsizetype line = plain.indexOf('\n');
    const QDateTime printed = QDateTime::fromString(QString::fromLatin1(plain.left(line)), Qt::ISODate);
    if (plain.isEmpty() || line < 0 || !printed.isValid())
        return out.problem = QStringLiteral("contenu illisible"), out;
    out.sheet = Sheet{printed, QString::fromUtf8(plain.mid(line + 1))};
    return out;
}

} // namespace paperframe
