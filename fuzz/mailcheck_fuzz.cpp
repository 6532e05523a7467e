// Arbitrary Unicode settings through the checks made before connecting, and
// through the session that makes them.  A setting holding a control
// character (CR, LF and NUL among them) or half a surrogate pair never
// passes; a mailbox that passes gives an envelope path that stays one path
// of one command line; a server name that passes gives a host to connect to
// that is an address or plain host name labels; and a session whose settings
// do not all pass refuses to start and connects nowhere.
#include "support.h"

#include "smtp/mailcheck.h"
#include "smtp/smtpsession.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QUtf8StringView>

using fuzzsupport::takeText;
using mailcheck::Fault;

namespace
{

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

// What no command or header line may carry from a setting.
bool hasControl(const QString& s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.category() == QChar::Other_Control)
            return true;
        if (c.isHighSurrogate() && (i + 1 == s.size() || !s[i + 1].isLowSurrogate()))
            return true;
        if (c.isLowSurrogate() && (i == 0 || !s[i - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

bool isAsciiLdh(char c, bool underscore)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || (underscore && c == '_');
}

void checkAddress(const QString& mailbox)
{
    const Fault fault = mailcheck::address(mailbox);
    if (hasControl(mailbox))
        FUZZ_CHECK(fault != Fault::None);
    if (hasLineBreak(mailbox))
        FUZZ_CHECK(fault == Fault::LineBreak);
    if (fault != Fault::None)
        return;

    const QByteArray path = mailcheck::envelope(mailbox);
    // "MAIL FROM:<path>" stays one line with one path in it.
    FUZZ_CHECK(!path.isEmpty() && path.size() <= 254);
    // Well-formed UTF-8 (decoding would drop a leading U+FEFF as a BOM).
    FUZZ_CHECK(QUtf8StringView(path).isValidUtf8());
    const qsizetype at = path.lastIndexOf('@');
    FUZZ_CHECK(at > 0 && at + 1 < path.size());
    FUZZ_CHECK(path.left(at).size() <= 64);
    const bool quoted = path.startsWith('"');
    for (qsizetype i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        FUZZ_CHECK(b >= 0x20 && b != 0x7F);
        FUZZ_CHECK(b != '<' && b != '>' && b != ',');
        if (b == ' ')
            FUZZ_CHECK(quoted && i < at);
        if (i > at)
            FUZZ_CHECK(b < 0x80); // the domain as the DNS knows it
    }
    bool utf8 = false;
    for (const char c : path.left(at))
        utf8 = utf8 || static_cast<unsigned char>(c) >= 0x80;
    FUZZ_CHECK(mailcheck::needsSmtpUtf8(mailbox) == utf8);
}

void checkServer(const QString& text)
{
    QString host = QStringLiteral("untouched");
    const Fault fault = mailcheck::server(text, &host);
    if (hasControl(text))
        FUZZ_CHECK(fault != Fault::None);
    if (fault != Fault::None) {
        FUZZ_CHECK(host == QStringLiteral("untouched"));
        return;
    }
    FUZZ_CHECK(!host.isEmpty());
    if (QHostAddress(host).isNull()) {
        const QByteArray ascii = host.toLatin1();
        FUZZ_CHECK(QString::fromLatin1(ascii) == host);
        FUZZ_CHECK(ascii.size() <= 254);
        for (const char c : ascii)
            FUZZ_CHECK(isAsciiLdh(c, true));
    }
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
    paranet::DispatchSettings settings;
    settings.expediteur = takeText(in, in.ConsumeIntegralInRange<size_t>(0, 126));
    settings.serveur = takeText(in, in.ConsumeIntegralInRange<size_t>(0, 126));
    settings.destinataire = takeText(in, in.ConsumeIntegralInRange<size_t>(0, 126));
    const QString word = takeText(in, in.ConsumeIntegralInRange<size_t>(0, 20));
    settings.adresse = takeText(in, in.remaining_bytes());

    checkAddress(settings.adresse);
    checkAddress(settings.destinataire);
    checkServer(settings.serveur);
    for (const QString& name : {settings.expediteur, word}) {
        const Fault fault = mailcheck::name(name);
        FUZZ_CHECK((fault == Fault::None) == !hasControl(name));
    }

    // Settings that all pass would make the session connect; those that do
    // not must keep it from trying.
    QString host;
    const bool pass = mailcheck::address(settings.adresse) == Fault::None &&
                      mailcheck::address(settings.destinataire) == Fault::None &&
                      mailcheck::server(settings.serveur, &host) == Fault::None &&
                      mailcheck::name(settings.expediteur) == Fault::None &&
                      mailcheck::name(word) == Fault::None;
    if (pass)
        return 0;
    static SmtpSession session(1);
    const SmtpSession::Start verdict = session.start(settings, word, QStringLiteral("Oui"));
    const bool started = verdict.started();
    const bool unconnected = session.socketState() == QAbstractSocket::UnconnectedState;
    session.abort();
    FUZZ_CHECK(!started && unconnected && verdict.fault != Fault::None);
    const bool lineBreak = hasLineBreak(settings.adresse) || hasLineBreak(settings.destinataire) ||
                           hasLineBreak(settings.expediteur);
    if (lineBreak && !settings.serveur.trimmed().isEmpty())
        FUZZ_CHECK(verdict.setting == SmtpSession::Setting::Text);
    return 0;
}
