// Arbitrary Unicode settings, answer text and date through the mail text
// builder.  On the wire: no CR or LF but in CR LF pairs, no line over 998
// octets, no line that is a lone "." before the closing one, the same header
// fields whatever the settings, and the body decoding back to the text with
// its line ends made CR LF.  Settings holding CR or LF must be refused by the
// session before any command or header is built from them.
#include "support.h"

#include "dispatch/mailtext.h"
#include "dispatch/smtpsession.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QList>

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
        letter.adresse = QStringLiteral("ecole@example.org");
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

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
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
    const auto msecs = in.ConsumeIntegralInRange<qint64>(0, Q_INT64_C(253402300799999));
    const int offset = in.ConsumeIntegralInRange<int>(-14 * 60, 14 * 60) * 60;
    SmtpSession::Mail mail;
    mail.adresse = takeText(in, in.ConsumeIntegralInRange<size_t>(0, 126));
    mail.expediteur = takeText(in, in.ConsumeIntegralInRange<size_t>(0, 126));
    mail.destinataire = takeText(in, in.ConsumeIntegralInRange<size_t>(0, 126));
    mail.serveur = QStringLiteral("mail.invalid");
    mail.subjectWord = QStringLiteral("Questionnaire");
    mail.text = takeText(in, in.remaining_bytes());

    if (hasLineBreak(mail.adresse) || hasLineBreak(mail.expediteur) ||
        hasLineBreak(mail.destinataire)) {
        static SmtpSession session;
        const bool started = session.start(mail) == SmtpSession::Start::Started;
        session.abort();
        FUZZ_CHECK(!started);
        return 0;
    }

    mailtext::Letter letter;
    letter.adresse = mail.adresse;
    letter.subject =
        mail.subjectWord + QStringLiteral(" ( ") + mail.expediteur + QStringLiteral(" )");
    letter.text = mail.text;
    // An invalid date is what a broken clock or time zone database gives.
    letter.date =
        what & 1 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, offset);
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
    const QByteArray body = unstuffed.mid(headerEnd + 4);
    const bool quoted = headers.contains("Content-Transfer-Encoding: quoted-printable");
    const QByteArray decoded = quoted ? fromQuotedPrintable(body) : body;
    // One empty line before the text, and the line end that closes it.
    FUZZ_CHECK(decoded == "\r\n" + crlf(fuzzsupport::cp1252Expected(letter.text)) + "\r\n");
    return 0;
}
