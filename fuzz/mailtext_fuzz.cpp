// Arbitrary sender bytes, Unicode subject and answer text, and any date
// through the mail text builder.  On the wire: no CR or LF but in CR LF
// pairs, no line over 998 octets, no line that is a lone "." before the
// closing one, the same header fields whatever the input, no control
// character in a header, the subject and the date reading back as given, and
// the body decoding back to the text with its line ends made CR LF.  (What
// keeps a setting with a line break from the commands is fuzzed in
// mailcheck_fuzz.cpp.)
#include "support.h"

#include "smtp/mailtext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <utility>

using fuzzsupport::takeText;

namespace
{

QList<QByteArray> headerNames(const QByteArray& headers)
{
    QList<QByteArray> names;
    for (const QByteArray& line : headers.split('\n')) {
        if (line.startsWith(' ') || line.startsWith('\t'))
            continue; // a folded field goes on
        const qsizetype colon = line.indexOf(':');
        FUZZ_CHECK(colon > 0);
        names.append(line.left(colon));
    }
    return names;
}

// The header fields of a letter whose settings are plain ASCII.
const QList<QByteArray>& plainHeaderNames()
{
    static const QList<QByteArray> names = [] {
        mailtext::Letter letter;
        letter.from = "ecole@example.org";
        letter.to = "avis@tarvel.example";
        letter.messageId = "<1@example.org>";
        letter.subject = QStringLiteral("Questionnaire ( Ecole )");
        letter.text = QStringLiteral("Oui");
        letter.date = QDateTime::currentDateTime();
        const QByteArray data = mailtext::data(letter);
        return headerNames(data.left(data.indexOf("\r\n\r\n")).replace("\r\n", "\n"));
    }();
    return names;
}

// Text bytes with every CR LF, lone CR and lone LF made one CR LF.
QByteArray crlf(const QByteArray& bytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            out.append("\r\n");
        } else {
            out.append(bytes[i]);
        }
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    FUZZ_CHECK(!"an escape of quoted-printable is two capital hexadecimal digits");
    return 0;
}

QByteArray fromQuotedPrintable(const QByteArray& lines)
{
    QByteArray out;
    for (QByteArray line : lines.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        FUZZ_CHECK(line.size() <= 76);
        bool soft = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] != '=') {
                out.append(line[i]);
            } else if (i + 1 == line.size()) {
                soft = true;
            } else {
                FUZZ_CHECK(i + 2 < line.size());
                out.append(char(hexDigit(line[i + 1]) * 16 + hexDigit(line[i + 2])));
                i += 2;
            }
        }
        if (!soft)
            out.append("\r\n");
    }
    out.chop(2); // the split gave one line more than there were line ends
    return out;
}

QByteArray fromQ(const QByteArray& word)
{
    QByteArray out;
    for (qsizetype i = 0; i < word.size(); ++i) {
        FUZZ_CHECK(word[i] != '?' && word[i] != ' ');
        if (word[i] == '_') {
            out.append(' ');
        } else if (word[i] == '=') {
            FUZZ_CHECK(i + 2 < word.size());
            out.append(char(hexDigit(word[i + 1]) * 16 + hexDigit(word[i + 2])));
            i += 2;
        } else {
            out.append(word[i]);
        }
    }
    return out;
}

// The header field's value, its folded lines joined by "\n".
QByteArray field(const QByteArray& headers, const QByteArray& name)
{
    const QList<QByteArray> lines = headers.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith(name + ": "))
            continue;
        QByteArray value = lines[i].mid(name.size() + 2);
        while (i + 1 < lines.size() && lines[i + 1].startsWith(' '))
            value += '\n' + lines[++i];
        return value;
    }
    FUZZ_CHECK(!"every header field is there");
    return QByteArray();
}

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// The subject must read back as its Windows-1252 bytes, a control character
// made '?', and the header must hold no control character.
void checkSubject(const QByteArray& value, const QString& subject)
{
    QByteArray expected = fuzzsupport::cp1252Expected(subject);
    for (char& c : expected) {
        if (isControl(c))
            c = '?';
    }
    if (!value.startsWith("=?")) {
        for (const char c : value)
            FUZZ_CHECK(!isControl(c) && static_cast<unsigned char>(c) < 0x80);
        FUZZ_CHECK(value == expected);
        return;
    }
    QByteArray decoded;
    const QList<QByteArray> words = value.split('\n');
    for (qsizetype i = 0; i < words.size(); ++i) {
        QByteArray word = words[i];
        if (i > 0) {
            FUZZ_CHECK(word.startsWith(' '));
            word.remove(0, 1);
        }
        FUZZ_CHECK(word.startsWith("=?windows-1252?Q?") && word.endsWith("?="));
        // Within 78 characters, "SUBJECT: " on the first line.
        FUZZ_CHECK(word.size() <= 69);
        for (const char c : word)
            FUZZ_CHECK(c > 0x20 && c < 0x7F);
        decoded += fromQ(word.mid(17, word.size() - 19));
    }
    FUZZ_CHECK(decoded == expected);
}

// The Date: field must name the same second as the date given, written with
// the date's own offset when that is whole minutes; one that is invalid or
// outside the years 1900 to 9999 is written as the Unix epoch.
void checkDate(const QByteArray& value, const QDateTime& date)
{
    const QDateTime parsed = QDateTime::fromString(QString::fromLatin1(value), Qt::RFC2822Date);
    FUZZ_CHECK(parsed.isValid());
    FUZZ_CHECK(value.left(3) ==
               QLocale::c().dayName(parsed.date().dayOfWeek(), QLocale::ShortFormat).toLatin1());
    const QDateTime shown = date.isValid() && date.offsetFromUtc() % 60 != 0 ? date.toUTC() : date;
    const bool kept = shown.isValid() && shown.date().year() >= 1900 && shown.date().year() <= 9999;
    const qint64 ms = kept ? date.toMSecsSinceEpoch() : 0;
    const qint64 second = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    FUZZ_CHECK(parsed.toSecsSinceEpoch() == second);
    FUZZ_CHECK(parsed.offsetFromUtc() == (kept ? shown.offsetFromUtc() : 0));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const auto what = in.ConsumeIntegral<unsigned char>();
    // From the year 1000 to the end of 9999, any offset up to 14 hours.
    const auto msecs =
        in.ConsumeIntegralInRange<qint64>(Q_INT64_C(-30610224000000), Q_INT64_C(253402300799999));
    int offset = in.ConsumeIntegralInRange<int>(-14 * 3600, 14 * 3600);
    if (what & 2)
        offset -= offset % 60;
    const std::string from = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(0, 254));
    const QString word = takeText(in, in.ConsumeIntegralInRange<size_t>(0, 20));
    const QString expediteur = takeText(in, in.ConsumeIntegralInRange<size_t>(0, 126));

    mailtext::Letter letter;
    letter.from = QByteArray(from.data(), qsizetype(from.size()));
    letter.to = "r" + letter.from; // never empty: the header is always there
    letter.subject = word + QStringLiteral(" ( ") + expediteur + QStringLiteral(" )");
    letter.text = takeText(in, in.remaining_bytes());
    // An invalid date is what a broken clock or time zone database gives.
    letter.date =
        what & 1 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, offset);
    letter.messageId = mailtext::messageId(letter.from, letter.date);
    const QByteArray wire = mailtext::data(letter);

    for (qsizetype i = 0; i < wire.size(); ++i) {
        if (wire[i] == '\r')
            FUZZ_CHECK(i + 1 < wire.size() && wire[i + 1] == '\n');
        if (wire[i] == '\n')
            FUZZ_CHECK(i > 0 && wire[i - 1] == '\r');
    }
    FUZZ_CHECK(wire.endsWith("\r\n.\r\n"));
    QList<QByteArray> lines = wire.split('\n');
    lines.removeLast(); // after the last line end
    QByteArray unstuffed;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i].chopped(1); // its CR
        FUZZ_CHECK(line.size() <= mailtext::MaxLineBytes);
        const bool last = i + 1 == lines.size();
        FUZZ_CHECK((line == ".") == last);
        if (!last) {
            if (line.startsWith('.'))
                line.remove(0, 1);
            unstuffed += line + "\r\n";
        }
    }

    const qsizetype headerEnd = unstuffed.indexOf("\r\n\r\n");
    FUZZ_CHECK(headerEnd > 0);
    const QByteArray headers = unstuffed.left(headerEnd).replace("\r\n", "\n");
    FUZZ_CHECK(headerNames(headers) == plainHeaderNames());
    for (const auto& [name, given] : {std::pair{"FROM", letter.from}, std::pair{"To", letter.to}}) {
        const QByteArray got = field(headers, name);
        FUZZ_CHECK(got.size() == given.size());
        for (qsizetype i = 0; i < got.size(); ++i)
            FUZZ_CHECK(got[i] == given[i] || (isControl(given[i]) && got[i] == '?'));
    }
    // An identifier of printable ASCII between angle brackets, one "@" side.
    const QByteArray id = field(headers, "Message-ID");
    FUZZ_CHECK(id.startsWith('<') && id.endsWith('>') && id.contains('@'));
    for (const char c : id)
        FUZZ_CHECK(c > 0x20 && c < 0x7F);
    checkSubject(field(headers, "SUBJECT"), letter.subject);
    checkDate(field(headers, "Date"), letter.date);

    const QByteArray body = unstuffed.mid(headerEnd + 4);
    const bool quoted = headers.contains("Content-Transfer-Encoding: quoted-printable");
    const QByteArray decoded = quoted ? fromQuotedPrintable(body) : body;
    // One empty line before the text, and the line end that closes it.
    FUZZ_CHECK(decoded == "\r\n" + crlf(fuzzsupport::cp1252Expected(letter.text)) + "\r\n");
    return 0;
}
