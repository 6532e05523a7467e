#include "imap/mailbox.h"

#include "imap/response.h"
#include "smtp/printable.h"
#include "smtp/tlsconfig.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QSslSocket>
#include <QUrl>

#include <algorithm>

namespace imap
{

std::optional<Address> Address::fromUrl(const QString& text)
{
    // Tolerant: a folder's name typed with its spaces is taken as it is.
    const QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || url.userName().isEmpty() ||
        !url.password().isEmpty() || (scheme != QLatin1String("imaps") && scheme != QLatin1String("imap")))
        return std::nullopt;
    Address a;
    a.implicitTls = scheme == QLatin1String("imaps");
    a.host = url.host();
    a.user = url.userName();
    a.port = quint16(url.port(a.implicitTls ? 993 : 143));
    const QString path = url.path().mid(1);
    if (!path.isEmpty())
        a.folder = path;
    return a;
}

QString Address::url() const
{
    QUrl u;
    u.setScheme(implicitTls ? QStringLiteral("imaps") : QStringLiteral("imap"));
    u.setHost(host);
    u.setUserName(user);
    if (port != (implicitTls ? 993 : 143))
        u.setPort(port);
    u.setPath(QLatin1Char('/') + folder);
    return u.toString();
}

QByteArray quotedFolder(const QString& folder)
{
    // Modified UTF-7: printable ASCII as it is ("&" as "&-"), other runs as
    // "&" + base64 of their UTF-16 with "," for "/" and no padding + "-".
    QByteArray out = "\"";
    for (qsizetype i = 0; i < folder.size();) {
        const char16_t c = folder[i].unicode();
        if (c >= 0x20 && c < 0x7F) {
            if (c == '&')
                out += "&-";
            else if (c == '"' || c == '\\')
                out += QByteArray("\\") + char(c);
            else
                out += char(c);
            ++i;
            continue;
        }
        QByteArray utf16;
        for (; i < folder.size() && (folder[i].unicode() < 0x20 || folder[i].unicode() >= 0x7F); ++i) {
            utf16 += char(folder[i].unicode() >> 8);
            utf16 += char(folder[i].unicode() & 0xFF);
        }
        out += '&' + utf16.toBase64(QByteArray::OmitTrailingEquals).replace('/', ',') + '-';
    }
    return out + '"';
}

QByteArray Mailbox::normalisedFingerprint(const QString& text)
{
    QByteArray hex = text.toLatin1().toLower();
    hex.replace(':', "").replace(' ', "");
    static const QRegularExpression sha256(QStringLiteral("^[0-9a-f]{64}$"));
    return sha256.match(QString::fromLatin1(hex)).hasMatch() ? hex : QByteArray();
}


namespace
{

// "4:7,9": a set of UIDs, in ranges.
QByteArray uidSet(const QList<quint32>& uids)
{
    QByteArray set;
    for (qsizetype i = 0; i < uids.size();) {
        qsizetype j = i;
        while (j + 1 < uids.size() && uids[j + 1] == uids[j] + 1)
            ++j;
        set += (set.isEmpty() ? "" : ",") + QByteArray::number(uids[i]) +
               (j > i ? ':' + QByteArray::number(uids[j]) : QByteArray());
        i = j + 1;
    }
    return set;
}

// "1:3,7" back into UIDs, those above after only.
QList<quint32> fromSet(const QByteArray& set, quint32 after)
{
    QList<quint32> out;
    for (const QByteArray& part : set.split(',')) {
        const QList<QByteArray> ends = part.split(':');
        bool ok1 = false, ok2 = true;
        const quint32 a = ends.value(0).toUInt(&ok1);
        const quint32 b = ends.size() > 1 ? ends[1].toUInt(&ok2) : a;
        if (!ok1 || !ok2)
            continue;
        for (quint64 u = std::max(std::min(a, b), after + 1); u <= std::max(a, b); ++u)
            out << quint32(u);
    }
    return out;
}

// A string as IMAP quotes it.
QByteArray quoted(const QString& text)
{
    QByteArray q = text.toUtf8();
    q.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + q + '"';
}

// How a wait for a response ended.
enum class End { Response, Closed, Silent, Broken };

const Value* field(const QList<Value>& items, const char* name)
{
    for (qsizetype i = 0; i + 1 < items.size(); ++i)
        if (items[i].is(name))
            return &items[i + 1];
    return nullptr;
}

} // namespace

// One connection to the server, used by one thread, waiting for each
// response with its time-out.
class Mailbox::Connection
{
public:
    explicit Connection(const Timeouts& t) : m_timeouts(t) {}

    QSslSocket socket;
    ResponseReader reader;
    QByteArray bye;                 // what the server said as it hung up
    QList<QSslError> sslErrors;     // the certificate's, when it failed
    QStringList capabilities;
    End ended = End::Response; // how the last wait ended without a response

    QByteArray nextTag() { return 'A' + QByteArray::number(++m_tag).rightJustified(3, '0'); }

    // The next whole response; none, and why in ended, when the server
    // closed, fell silent for the time-out, or the connection broke.
    std::optional<Response> read()
    {
        for (;;) {
            if (std::optional<Response> r = reader.next()) {
                if (r->tag == "*" && r->status == "BYE")
                    bye = r->text;
                return r;
            }
            if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0) {
                ended = End::Closed;
                return std::nullopt;
            }
            if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(m_timeouts.stall * 1000)) {
                const bool closed = socket.error() == QAbstractSocket::RemoteHostClosedError ||
                                    socket.state() != QAbstractSocket::ConnectedState;
                if (socket.bytesAvailable() == 0) {
                    ended = closed ? End::Closed
                           : socket.error() == QAbstractSocket::SocketTimeoutError ? End::Silent
                                                                                   : End::Broken;
                    return std::nullopt;
                }
            }
            reader.feed(socket.readAll());
        }
    }

    bool send(const QByteArray& line)
    {
        socket.write(line + "\r\n");
        while (socket.bytesToWrite() > 0)
            if (!socket.waitForBytesWritten(m_timeouts.stall * 1000)) {
                ended = End::Broken;
                return false;
            }
        return true;
    }

    // A command, its untagged responses handed to each as they come, to its
    // tagged reply; none when the connection ended first.
    std::optional<Response> command(const QByteArray& line,
                                    const std::function<void(const Response&)>& each = {})
    {
        const QByteArray tag = nextTag();
        if (!send(tag + ' ' + line))
            return std::nullopt;
        return until(tag, each);
    }

    std::optional<Response> until(const QByteArray& tag, const std::function<void(const Response&)>& each = {})
    {
        while (std::optional<Response> r = read()) {
            if (r->tag == tag)
                return r;
            if (each && r->tag == "*")
                each(*r);
        }
        return std::nullopt;
    }

private:
    Timeouts m_timeouts;
    int m_tag = 0;
};

Mailbox::Mailbox(const Address& address, const QString& password, const QByteArray& fingerprint,
                 const Timeouts& timeouts)
    : m_address(address), m_password(password), m_fingerprint(normalisedFingerprint(QString::fromLatin1(fingerprint))),
      m_timeouts(timeouts)
{
}

Mailbox::~Mailbox() = default;

bool Mailbox::fail(Failure::Kind kind, const QString& step, const QString& words)
{
    m_failure = Failure();
    m_failure.kind = kind;
    m_failure.step = step;
    m_failure.words = words;
    if (kind == Failure::Kind::Certificate && m_connection)
        for (const QSslCertificate& c : m_connection->socket.peerCertificateChain())
            m_failure.chain << c.toDer();
    m_connection.reset();
    return false;
}

bool Mailbox::cut(const QString& step)
{
    // Why a wait ended without its reply, in French, never with a piece of a
    // message; the server's goodbye when it gave one.
    const Connection& c = *m_connection;
    if (c.ended == End::Silent)
        return fail(Failure::Kind::Timeout, step,
                    QStringLiteral("le serveur n’a plus rien envoyé pendant %1 s").arg(m_timeouts.stall));
    QString why = c.reader.inLiteral() ? QStringLiteral("la connexion a été coupée au milieu d’un message")
                                       : QStringLiteral("la connexion a été coupée");
    if (!c.bye.isEmpty())
        why += QStringLiteral(" (le serveur a dit : « %1 »)").arg(smtp::printable(c.bye, 160));
    return fail(Failure::Kind::Connection, step, why);
}

namespace
{

QString refusal(const Response& r)
{
    const QByteArray said = r.text.trimmed();
    return said.isEmpty() ? QStringLiteral("refusé (%1)").arg(QString::fromLatin1(r.status))
                          : smtp::printable(said, 200);
}

} // namespace

bool Mailbox::open()
{
    if (m_connection)
        return true;
    const QString connecting = QStringLiteral("la connexion à %1").arg(m_address.host);
    m_connection = std::make_unique<Connection>(m_timeouts);
    Connection& c = *m_connection;
    c.socket.setSslConfiguration(tlsconfig::configuration());
    c.socket.setPeerVerifyName(m_address.host);
    // A certificate that fails is accepted only when it is the very one the
    // user trusts, here in the handshake, before anything is sent over it.
    QObject::connect(&c.socket, &QSslSocket::sslErrors, &c.socket, [this](const QList<QSslError>& errors) {
        Connection& c = *m_connection;
        const QByteArray seen = c.socket.peerCertificate().digest(QCryptographicHash::Sha256).toHex();
        if (!m_fingerprint.isEmpty() && seen == m_fingerprint)
            c.socket.ignoreSslErrors();
        else
            c.sslErrors = errors;
    }, Qt::DirectConnection);

    // The connection and its TLS handshake within the one time-out.
    const QDeadlineTimer connectBy(m_timeouts.connect * 1000);
    const auto handshake = [&](int ms) {
        if (c.socket.waitForEncrypted(ms))
            return true;
        if (!c.sslErrors.isEmpty())
            return fail(Failure::Kind::Certificate,
                        QStringLiteral("la vérification du certificat de %1").arg(m_address.host),
                        smtp::printable(c.sslErrors.first().errorString()));
        return fail(Failure::Kind::Connection, connecting,
                    QStringLiteral("la connexion chiffrée (TLS) a échoué : %1")
                        .arg(smtp::printable(c.socket.errorString())));
    };
    if (m_address.implicitTls)
        c.socket.connectToHostEncrypted(m_address.host, m_address.port);
    else
        c.socket.connectToHost(m_address.host, m_address.port);
    if (!c.socket.waitForConnected(int(connectBy.remainingTime())))
        return fail(c.socket.error() == QAbstractSocket::SocketTimeoutError ? Failure::Kind::Timeout
                                                                            : Failure::Kind::Connection,
                    connecting,
                    c.socket.error() == QAbstractSocket::HostNotFoundError
                        ? QStringLiteral("serveur introuvable")
                    : c.socket.error() == QAbstractSocket::SocketTimeoutError
                        ? QStringLiteral("le serveur n’a pas répondu dans les %1 s").arg(m_timeouts.connect)
                        : QStringLiteral("connexion refusée ou impossible"));
    if (m_address.implicitTls && !handshake(int(std::max<qint64>(1, connectBy.remainingTime()))))
        return false;

    const std::optional<Response> greeting = c.read();
    if (!greeting)
        return cut(connecting);
    if (greeting->status == "BYE" || !greeting->ok())
        return fail(Failure::Kind::Connection, connecting, refusal(*greeting));

    const auto capabilities = [&]() {
        c.capabilities.clear();
        const std::optional<Response> done = c.command("CAPABILITY", [&c](const Response& r) {
            if (!r.values.isEmpty() && r.values.first().is("CAPABILITY"))
                for (const Value& v : r.values.mid(1))
                    c.capabilities << QString::fromLatin1(v.text).toUpper();
        });
        return done && done->ok();
    };
    if (!m_address.implicitTls) {
        // Nothing in clear but CAPABILITY and STARTTLS.
        if (!capabilities())
            return cut(connecting);
        if (!c.capabilities.contains(QStringLiteral("STARTTLS")))
            return fail(Failure::Kind::Connection, connecting, QStringLiteral("le serveur ne propose pas STARTTLS"));
        const std::optional<Response> go = c.command("STARTTLS");
        if (!go)
            return cut(connecting);
        if (!go->ok())
            return fail(Failure::Kind::Connection, connecting, refusal(*go));
        c.socket.startClientEncryption();
        if (!handshake(m_timeouts.stall * 1000))
            return false;
    }
    // What the server announced before TLS is forgotten.
    if (!capabilities())
        return cut(connecting);

    const QString identifying = QStringLiteral("l’identification de %1").arg(m_address.user);
    std::optional<Response> done;
    if (c.capabilities.contains(QStringLiteral("AUTH=PLAIN"))) {
        const QByteArray tag = c.nextTag();
        if (!c.send(tag + " AUTHENTICATE PLAIN"))
            return cut(identifying);
        std::optional<Response> go = c.read();
        while (go && go->tag == "*")
            go = c.read();
        if (go && go->tag == "+") {
            c.send(('\0' + m_address.user.toUtf8() + '\0' + m_password.toUtf8()).toBase64());
            done = c.until(tag);
        } else {
            done = go;
        }
    } else if (!c.capabilities.contains(QStringLiteral("LOGINDISABLED"))) {
        done = c.command("LOGIN " + quoted(m_address.user) + ' ' + quoted(m_password));
    } else {
        return fail(Failure::Kind::Login, identifying,
                    QStringLiteral("le serveur n’accepte ni AUTHENTICATE PLAIN ni LOGIN"));
    }
    if (!done)
        return cut(identifying);
    if (!done->ok())
        return fail(Failure::Kind::Login, identifying, refusal(*done));
    return true;
}

std::optional<quint32> Mailbox::examine()
{
    if (!open())
        return std::nullopt;
    const QString step = QStringLiteral("l’ouverture du dossier « %1 »").arg(m_address.folder);
    std::optional<quint32> validity;
    m_uidNext = 0;
    const std::optional<Response> done =
        m_connection->command("EXAMINE " + quotedFolder(m_address.folder), [&](const Response& r) {
            const QList<QByteArray> code = r.code.split(' ');
            if (code.size() == 2 && code[0].toUpper() == "UIDVALIDITY")
                validity = code[1].toUInt();
            if (code.size() == 2 && code[0].toUpper() == "UIDNEXT")
                m_uidNext = code[1].toUInt();
        });
    if (!done)
        return cut(step), std::nullopt;
    if (!done->ok())
        return fail(Failure::Kind::Server, step, refusal(*done)), std::nullopt;
    if (!validity)
        return fail(Failure::Kind::Server, step, QStringLiteral("le serveur ne donne pas l’UIDVALIDITY du dossier")),
               std::nullopt;
    return validity;
}

std::optional<QList<quint32>> Mailbox::newer(quint32 after)
{
    const QString step = QStringLiteral("la recherche des nouveaux messages");
    if (!m_connection)
        return fail(Failure::Kind::Connection, step, QStringLiteral("le dossier n’est pas ouvert")), std::nullopt;
    Connection& c = *m_connection;
    QList<quint32> uids;
    const auto collect = [&](const Response& r) {
        if (r.values.isEmpty())
            return;
        if (r.values.first().is("SEARCH")) {
            for (const Value& v : r.values.mid(1)) {
                bool ok = false;
                const quint32 uid = v.text.toUInt(&ok);
                if (ok && uid > after) // "n:*" names the last message even below n
                    uids << uid;
            }
        } else if (r.values.first().is("ESEARCH")) {
            if (const Value* all = field(r.values, "ALL"))
                uids += fromSet(all->text, after);
        }
    };
    // Never one reply that grows with the folder: ESEARCH's ranges, or the
    // UIDs asked for a slice at a time.
    QList<QByteArray> searches;
    if (c.capabilities.contains(QStringLiteral("ESEARCH"))) {
        searches << "UID SEARCH RETURN (ALL) UID " + QByteArray::number(quint64(after) + 1) + ":*";
    } else if (m_uidNext > after + 1) {
        constexpr quint32 Slice = 20000;
        for (quint64 from = quint64(after) + 1; from < m_uidNext; from += Slice)
            searches << "UID SEARCH UID " + QByteArray::number(from) + ':' +
                            QByteArray::number(std::min<quint64>(from + Slice - 1, m_uidNext - 1));
    } else if (m_uidNext == 0) {
        searches << "UID SEARCH UID " + QByteArray::number(quint64(after) + 1) + ":*";
    }
    for (const QByteArray& search : searches) {
        const std::optional<Response> done = c.command(search, collect);
        if (!done)
            return cut(step), std::nullopt;
        if (!done->ok())
            return fail(Failure::Kind::Server, step, refusal(*done)), std::nullopt;
    }
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    m_toFetch = int(uids.size());
    m_fetched = 0;
    return uids;
}

bool Mailbox::fetch(const QList<quint32>& uids, const std::function<void(quint32, const QByteArray&)>& each)
{
    if (!m_connection)
        return fail(Failure::Kind::Connection, QStringLiteral("la lecture des messages"),
                    QStringLiteral("le dossier n’est pas ouvert"));
    Connection& c = *m_connection;
    // A few at a time, each message handed on as soon as it has arrived
    // while the next ones come.
    constexpr int Group = 100;
    const int total = std::max(m_toFetch, m_fetched + int(uids.size()));
    const auto reading = [total](int n) { return QStringLiteral("la lecture du message %1 sur %2").arg(n).arg(total); };
    for (qsizetype from = 0; from < uids.size(); from += Group) {
        const QList<quint32> group = uids.mid(from, Group);
        QList<quint32> wanted = group;
        QString broken; // a message not delivered whole
        const std::optional<Response> done =
            c.command("UID FETCH " + uidSet(group) + " (UID BODY.PEEK[])", [&](const Response& r) {
                if (!broken.isEmpty() || r.values.size() < 3 || !r.values[1].is("FETCH") ||
                    r.values[2].kind != Value::Kind::List)
                    return;
                const QList<Value>& items = r.values[2].items;
                const Value* uid = field(items, "UID");
                if (!uid)
                    return;
                const quint32 u = uid->text.toUInt();
                if (!wanted.removeOne(u))
                    return; // not one asked for, or twice
                ++m_fetched;
                const Value* body = field(items, "BODY[]");
                if (!body || body->kind != Value::Kind::String) {
                    broken = QStringLiteral("le serveur n’a pas donné le message %1 (UID %2)")
                                 .arg(m_fetched)
                                 .arg(u);
                    return;
                }
                each(u, body->text);
            });
        if (!done)
            return cut(reading(m_fetched + 1));
        if (!broken.isEmpty())
            return fail(Failure::Kind::Server, reading(m_fetched), broken);
        if (!done->ok())
            return fail(Failure::Kind::Server, reading(m_fetched + 1), refusal(*done));
        // What was asked for and not given: gone from the folder meanwhile.
        m_fetched += int(wanted.size());
    }
    return true;
}

void Mailbox::logout()
{
    if (!m_connection)
        return;
    Connection& c = *m_connection;
    // The goodbye is hardly waited for.
    if (c.socket.state() == QAbstractSocket::ConnectedState && c.send(c.nextTag() + " LOGOUT"))
        c.socket.waitForReadyRead(2000);
    c.socket.disconnectFromHost();
    m_connection.reset();
}

} // namespace imap
