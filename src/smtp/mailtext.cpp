#include "smtp/mailtext.h"

#include "storage/cp1252.h"

#include <QList>
#include <QRandomGenerator>

#include <algorithm>

namespace
{

constexpr const char* Days[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr const char* Months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr char Hex[] = "0123456789ABCDEF";

// Longest run of Q-encoded text in one encoded word, so that with
// "=?windows-1252?Q?" and "?=" a word stays within 69 characters and the first
// line, after "SUBJECT: ", within 78.
constexpr int MaxEncodedRun = 50;
constexpr int MaxQpLine = 76;

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

QByteArray escaped(unsigned char b)
{
    QByteArray e("=");
    e.append(Hex[b >> 4]);
    e.append(Hex[b & 15]);
    return e;
}

bool needsEncodedWords(const QByteArray& bytes)
{
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E)
            return true;
    }
    // Left plain, "=?" could be read back as the start of an encoded word.
    return bytes.contains("=?");
}

QByteArray qEncoded(unsigned char b)
{
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '!' ||
        b == '*' || b == '+' || b == '-' || b == '/')
        return QByteArray(1, char(b));
    if (b == ' ')
        return QByteArray("_");
    return escaped(b);
}

QByteArray qpLine(const QByteArray& line)
{
    QByteArray out;
    qsizetype width = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        const bool last = i == line.size() - 1;
        QByteArray piece;
        if ((b >= 33 && b <= 126 && b != '=') || ((b == ' ' || b == '\t') && !last))
            piece = QByteArray(1, char(b));
        else
            piece = escaped(b);
        // Room is kept for the "=" of a soft break, unless this ends the line.
        const qsizetype room = last ? MaxQpLine : MaxQpLine - 1;
        if (width + piece.size() > room) {
            out.append("=\r\n");
            width = 0;
        }
        out.append(piece);
        width += piece.size();
    }
    return out;
}

// No control character reaches a header line, whatever the caller checked.
QByteArray withoutControls(QByteArray bytes)
{
    for (char& c : bytes) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return bytes;
}

bool fitsEightBit(const QByteArray& lines)
{
    if (lines.contains('\0'))
        return false;
    for (const QByteArray& line : lines.split('\n')) {
        // Each piece but the last still carries its CR; a leading dot will
        // be doubled on the wire.
        const qsizetype wire =
            line.size() - (line.endsWith('\r') ? 1 : 0) + (line.startsWith('.') ? 1 : 0);
        if (wire > mailtext::MaxLineBytes)
            return false;
    }
    return true;
}

} // namespace

namespace mailtext
{

QByteArray rfc5322Date(const QDateTime& given)
{
    QDateTime date = given;
    // The zone field holds whole minutes and two digits of hours.
    if (date.isValid() &&
        (date.offsetFromUtc() % 60 != 0 || qAbs(date.offsetFromUtc()) >= 100 * 3600))
        date = date.toUTC();
    if (!date.isValid() || date.date().year() < 1900 || date.date().year() > 9999)
        date = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    const QDate d = date.date();
    const QTime t = date.time();
    const int offset = date.offsetFromUtc() / 60;
    const int absolute = offset < 0 ? -offset : offset;
    QByteArray out;
    out += Days[d.dayOfWeek() - 1];
    out += ", " + twoDigits(d.day()) + ' ' + Months[d.month() - 1] + ' ' +
           QByteArray::number(d.year()) + ' ';
    out += twoDigits(t.hour()) + ':' + twoDigits(t.minute()) + ':' + twoDigits(t.second());
    out += offset < 0 ? " -" : " +";
    out += twoDigits(absolute / 60) + twoDigits(absolute % 60);
    return out;
}

QByteArray messageId(const QByteArray& from, const QDateTime& date)
{
    const qsizetype at = from.lastIndexOf('@');
    QByteArray domain = at < 0 ? QByteArray() : from.mid(at + 1);
    // Only what a msg-id's right side may hold (RFC 5322, 3.6.4).
    const bool fits = !domain.isEmpty() && std::all_of(domain.begin(), domain.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u < 0x7F && c != '<' && c != '>' && c != '"' && c != '\\';
    });
    if (!fits)
        domain = "questionnaire.invalid";
    const QByteArray when = date.toUTC().toString(QStringLiteral("yyyyMMddhhmmss")).toLatin1();
    return '<' + when + '.' + QByteArray::number(QRandomGenerator::system()->generate64(), 16) +
           '@' + domain + '>';
}

QByteArray headerSubject(const QString& subject)
{
    const QByteArray bytes = withoutControls(cp1252::encode(subject));
    if (!needsEncodedWords(bytes))
        return bytes;
    QList<QByteArray> words;
    QByteArray run;
    for (const char c : bytes) {
        const QByteArray piece = qEncoded(static_cast<unsigned char>(c));
        if (run.size() + piece.size() > MaxEncodedRun) {
            words.append(run);
            run.clear();
        }
        run.append(piece);
    }
    words.append(run);
    QByteArray out;
    for (const QByteArray& w : words) {
        if (!out.isEmpty())
            out.append("\r\n "); // folding; the space between words is not part of the text
        out.append("=?windows-1252?Q?" + w + "?=");
    }
    return out;
}

QByteArray crlfLines(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            out.append("\r\n");
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out.append("\r\n");
        } else {
            out.append(c);
        }
    }
    return out;
}

QByteArray quotedPrintable(const QByteArray& lines)
{
    QByteArray out;
    const QList<QByteArray> split = lines.split('\n');
    for (qsizetype i = 0; i < split.size(); ++i) {
        QByteArray line = split[i];
        if (i + 1 < split.size())
            line.chop(1); // its CR
        out.append(qpLine(line));
        if (i + 1 < split.size())
            out.append("\r\n");
    }
    return out;
}

QByteArray dotStuffed(const QByteArray& lines)
{
    QByteArray out;
    out.reserve(lines.size() + 16);
    bool lineStart = true;
    for (const char c : lines) {
        if (lineStart && c == '.')
            out.append('.');
        out.append(c);
        lineStart = c == '\n';
    }
    return out;
}

QByteArray data(const Letter& letter)
{
    // After the empty line that ends the headers comes one more, then the text.
    const QByteArray body = "\r\n" + crlfLines(cp1252::encode(letter.text));
    const bool eightBit = fitsEightBit(body);

    QByteArray out;
    out += "FROM: " + withoutControls(letter.from) + "\r\n";
    if (!letter.to.isEmpty())
        out += "To: " + withoutControls(letter.to) + "\r\n";
    out += "SUBJECT: " + headerSubject(letter.subject) + "\r\n";
    out += "Date: " + rfc5322Date(letter.date) + "\r\n";
    if (!letter.messageId.isEmpty())
        out += "Message-ID: " + withoutControls(letter.messageId) + "\r\n";
    out += "MIME-Version: 1.0\r\n";
    out += "Content-Type: text/plain; charset=windows-1252\r\n";
    out += eightBit ? "Content-Transfer-Encoding: 8bit\r\n"
                    : "Content-Transfer-Encoding: quoted-printable\r\n";
    out += "\r\n";
    out += eightBit ? body : quotedPrintable(body);
    out += "\r\n";
    return dotStuffed(out) + ".\r\n";
}

} // namespace mailtext
