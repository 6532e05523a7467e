#include "smtp/mailcheck.h"

#include <QHostAddress>
#include <QUrl>

namespace
{

using mailcheck::Fault;

// RFC 5321 limits, in octets.
constexpr int MaxLocalPart = 64;
constexpr int MaxDomain = 255;
constexpr int MaxPath = 254; // 256 with the angle brackets
constexpr int MaxHostName = 253;
constexpr int MaxLabel = 63;

bool isAscii(const QString& s)
{
    for (const QChar c : s) {
        if (c.unicode() > 0x7F)
            return false;
    }
    return true;
}

// Line breaks first, as the more telling reason; then any other control
// character, a half of a surrogate pair included.
Fault controls(const QString& s)
{
    if (mailcheck::hasLineBreak(s))
        return Fault::LineBreak;
    for (const QChar c : s) {
        if (c.category() == QChar::Other_Control)
            return Fault::Control;
    }
    if (!QStringView(s).isValidUtf16())
        return Fault::Control;
    return Fault::None;
}

bool isAtext(QChar c)
{
    const char16_t u = c.unicode();
    if (u > 0x7F)
        return true; // RFC 6531 lets UTF-8 stand in an atom
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9'))
        return true;
    return u != 0 && QByteArray("!#$%&'*+-/=?^_`{|}~").contains(char(u));
}

// A dot-string or a quoted string ending at `end`; Space when a space or tab
// stands outside quotes.
Fault localPart(const QString& s)
{
    if (s.isEmpty())
        return Fault::LocalPart;
    if (s.startsWith(QLatin1Char('"'))) {
        if (s.size() < 2 || !s.endsWith(QLatin1Char('"')))
            return Fault::LocalPart;
        for (qsizetype i = 1; i + 1 < s.size(); ++i) {
            const char16_t u = s[i].unicode();
            if (u == '\\') {
                // quoted-pair: a backslash and one printable ASCII character
                ++i;
                if (i + 1 >= s.size() || s[i].unicode() < 0x20 || s[i].unicode() > 0x7E)
                    return Fault::LocalPart;
            } else if (u == '"') {
                return Fault::LocalPart;
            }
        }
        return Fault::None;
    }
    bool dotAllowed = false;
    for (const QChar c : s) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
            return Fault::Space;
        if (c == QLatin1Char('.')) {
            if (!dotAllowed)
                return Fault::LocalPart;
            dotAllowed = false;
        } else if (isAtext(c)) {
            dotAllowed = true;
        } else {
            return Fault::LocalPart;
        }
    }
    return dotAllowed ? Fault::None : Fault::LocalPart; // no trailing dot
}

bool isLdh(const QString& ace, bool underscore)
{
    const QStringList labels = ace.split(QLatin1Char('.'));
    for (const QString& label : labels) {
        if (label.isEmpty() || label.size() > MaxLabel)
            return false;
        for (const QChar c : label) {
            const char16_t u = c.unicode();
            const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                            (u >= '0' && u <= '9') || u == '-' || (underscore && u == '_');
            if (!ok)
                return false;
        }
        if (label.startsWith(QLatin1Char('-')) || label.endsWith(QLatin1Char('-')))
            return false;
    }
    return true;
}

bool isDottedQuad(const QString& s)
{
    const QStringList parts = s.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& p : parts) {
        bool ok = false;
        if (p.isEmpty() || p.size() > 3 || p.toInt(&ok) > 255 || !ok)
            return false;
        for (const QChar c : p)
            if (!c.isDigit() || c.unicode() >= 0x80)
                return false;
    }
    return true;
}

Fault domain(const QString& s)
{
    if (s.startsWith(QLatin1Char('['))) {
        if (!s.endsWith(QLatin1Char(']')))
            return Fault::Domain;
        const QString literal = s.mid(1, s.size() - 2);
        // The literal goes into the envelope as it stands: printable ASCII
        // only, whatever spaces or other characters the address parsers forgive.
        for (const QChar c : literal)
            if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
                return Fault::Domain;
        if (literal.startsWith(QLatin1String("IPv6:"))) {
            QHostAddress a;
            return a.setAddress(literal.mid(5)) && a.protocol() == QAbstractSocket::IPv6Protocol
                       ? Fault::None
                       : Fault::Domain;
        }
        return isDottedQuad(literal) ? Fault::None : Fault::Domain;
    }
    if (s.isEmpty())
        return Fault::Domain;
    const QString ace = isAscii(s) ? s : QUrl::toAce(s);
    if (ace.isEmpty() || !isLdh(ace, false))
        return Fault::Domain;
    return ace.size() > MaxDomain ? Fault::TooLong : Fault::None;
}

QString domainOf(const QString& mailbox)
{
    return mailbox.mid(mailbox.lastIndexOf(QLatin1Char('@')) + 1);
}

QString localOf(const QString& mailbox)
{
    return mailbox.left(mailbox.lastIndexOf(QLatin1Char('@')));
}

} // namespace

namespace mailcheck
{

Fault address(const QString& mailbox)
{
    if (mailbox.isEmpty())
        return Fault::Empty;
    if (const Fault f = controls(mailbox); f != Fault::None)
        return f;
    if (mailbox.contains(QLatin1Char('<')) || mailbox.contains(QLatin1Char('>')))
        return Fault::Bracket;
    if (mailbox.contains(QLatin1Char(',')))
        return Fault::Comma;
    const qsizetype at = mailbox.lastIndexOf(QLatin1Char('@'));
    if (at < 0) {
        const bool spaced =
            mailbox.contains(QLatin1Char(' ')) || mailbox.contains(QLatin1Char('\t'));
        return spaced ? Fault::Space : Fault::NoAt;
    }
    const QString local = mailbox.left(at);
    const QString dom = mailbox.mid(at + 1);
    if (!local.startsWith(QLatin1Char('"')) &&
        (dom.contains(QLatin1Char(' ')) || dom.contains(QLatin1Char('\t'))))
        return Fault::Space;
    if (const Fault f = localPart(local); f != Fault::None)
        return f;
    if (dom.contains(QLatin1Char(' ')) || dom.contains(QLatin1Char('\t')))
        return Fault::Space;
    if (const Fault f = domain(dom); f != Fault::None)
        return f;
    if (local.toUtf8().size() > MaxLocalPart || envelope(mailbox).size() > MaxPath)
        return Fault::TooLong;
    return Fault::None;
}

Fault name(const QString& text)
{
    return controls(text);
}

Fault server(const QString& text, QString* host)
{
    // Spaces typed around the name would only make its lookup fail.
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    const QString name = text.mid(first, last - first);
    if (name.isEmpty())
        return Fault::Empty;
    if (const Fault f = controls(name); f != Fault::None)
        return f;
    if (name.contains(QLatin1Char(' ')))
        return Fault::Space;

    QString bare = name;
    const bool bracketed = name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']'));
    if (bracketed)
        bare = name.mid(1, name.size() - 2);
    QHostAddress address;
    if (address.setAddress(bare)) {
        *host = bare;
        return Fault::None;
    }
    if (bracketed)
        return Fault::NotHost;
    // Internationalised names are looked up in their ASCII form; an ASCII
    // name is kept as typed.
    const QString ace = isAscii(name) ? name : QUrl::toAce(name);
    QString labels = ace;
    if (labels.endsWith(QLatin1Char('.')))
        labels.chop(1); // the root, as in "smtp.example.fr."
    if (ace.isEmpty() || !isLdh(labels, true))
        return Fault::NotHost;
    if (labels.size() > MaxHostName)
        return Fault::TooLong;
    *host = ace;
    return Fault::None;
}

QByteArray envelope(const QString& mailbox)
{
    const QString dom = domainOf(mailbox);
    if (isAscii(dom) || dom.startsWith(QLatin1Char('[')))
        return mailbox.toUtf8();
    return localOf(mailbox).toUtf8() + '@' + QUrl::toAce(dom);
}

bool needsSmtpUtf8(const QString& mailbox)
{
    return !isAscii(localOf(mailbox));
}

bool hasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

} // namespace mailcheck
