#include "tally/imapmailbox.h"

#include "smtp/printable.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace imap
{

std::optional<Address> Address::fromUrl(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
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

// What one request brought back: the untagged responses libcurl hands as
// its body, and every line the server sent (literals included), which
// libcurl hands as headers.
struct Mailbox::Transfer {
    QByteArray body;
    QByteArray lines;
};

// The libcurl handle, kept for every request so that one connection (and
// the folder it examined) serves them all.
class Mailbox::Curl
{
public:
    Curl(const Address& a, const QString& password, const QByteArray& fingerprint,
         const Timeouts& timeouts)
        : m_fingerprint(fingerprint), m_host(a.host.toUtf8())
    {
        static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        Q_UNUSED(ready)
        m_handle = curl_easy_init();
        const QByteArray base = (a.implicitTls ? "imaps://" : "imap://") +
                                QUrl::toAce(a.host) + ':' + QByteArray::number(a.port) + '/';
        m_user = a.user.toUtf8();
        m_password = password.toUtf8();
        curl_easy_setopt(m_handle, CURLOPT_URL, base.constData());
        curl_easy_setopt(m_handle, CURLOPT_USERNAME, m_user.constData());
        curl_easy_setopt(m_handle, CURLOPT_PASSWORD, m_password.constData());
        curl_easy_setopt(m_handle, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        curl_easy_setopt(m_handle, CURLOPT_PROTOCOLS_STR, "imap,imaps");
        curl_easy_setopt(m_handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_handle, CURLOPT_CONNECTTIMEOUT, long(timeouts.connect));
        // A server that stops answering: a command's reply, or the bytes of a message.
        curl_easy_setopt(m_handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(timeouts.stall));
        curl_easy_setopt(m_handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(m_handle, CURLOPT_LOW_SPEED_TIME, long(timeouts.stall));
        // Long lines of a message must not be cut.
        curl_easy_setopt(m_handle, CURLOPT_BUFFERSIZE, 512L * 1024);
        curl_easy_setopt(m_handle, CURLOPT_ERRORBUFFER, m_error);
        if (const QByteArray authorities = qgetenv("SSL_CERT_FILE"); !authorities.isEmpty())
            curl_easy_setopt(m_handle, CURLOPT_CAINFO, authorities.constData());
        curl_easy_setopt(m_handle, CURLOPT_SSL_VERIFYPEER, 1L);
        // A trusted fingerprint names the very certificate: no other name to check.
        curl_easy_setopt(m_handle, CURLOPT_SSL_VERIFYHOST, fingerprint.isEmpty() ? 2L : 0L);
        curl_easy_setopt(m_handle, CURLOPT_SSL_CTX_FUNCTION, &Curl::sslContext);
        curl_easy_setopt(m_handle, CURLOPT_SSL_CTX_DATA, this);
        curl_easy_setopt(m_handle, CURLOPT_WRITEFUNCTION, &Curl::body);
        curl_easy_setopt(m_handle, CURLOPT_HEADERFUNCTION, &Curl::line);
    }
    ~Curl()
    {
        curl_easy_cleanup(m_handle);
        m_password.fill('\0');
    }

    CURLcode perform(const QByteArray& command, Transfer& t)
    {
        m_error[0] = '\0';
        curl_easy_setopt(m_handle, CURLOPT_CUSTOMREQUEST, command.constData());
        curl_easy_setopt(m_handle, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(m_handle, CURLOPT_HEADERDATA, &t);
        return curl_easy_perform(m_handle);
    }
    QString error() const { return QString::fromUtf8(m_error); }
    // Whether the last request got past the greeting, TLS and the login.
    bool connected() const
    {
        curl_off_t pretransfer = 0;
        curl_easy_getinfo(m_handle, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
        return pretransfer > 0;
    }
    const QList<QByteArray>& chain() const { return m_chain; }

private:
    static size_t body(char* data, size_t size, size_t n, void* to)
    {
        static_cast<Transfer*>(to)->body.append(data, qsizetype(size * n));
        return size * n;
    }
    static size_t line(char* data, size_t size, size_t n, void* to)
    {
        static_cast<Transfer*>(to)->lines.append(data, qsizetype(size * n));
        return size * n;
    }

    // Set on OpenSSL's context before the handshake: the certificates are
    // kept for the user to see, and a certificate whose fingerprint the user
    // gave is accepted whatever else is said of it.
    static CURLcode sslContext(CURL*, void* context, void* self)
    {
        auto* ctx = static_cast<SSL_CTX*>(context);
        SSL_CTX_set_app_data(ctx, self);
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, &Curl::verify);
        return CURLE_OK;
    }
    static int verify(int ok, X509_STORE_CTX* store)
    {
        auto* ssl = static_cast<SSL*>(
            X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        auto* self = static_cast<Curl*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
        X509* leaf = X509_STORE_CTX_get0_cert(store);
        if (!self || !leaf)
            return ok;
        const QByteArray der = derOf(leaf);
        if (self->m_chain.isEmpty() || self->m_chain.first() != der) {
            self->m_chain = {der};
            if (STACK_OF(X509)* sent = X509_STORE_CTX_get0_untrusted(store))
                for (int i = 0; i < sk_X509_num(sent); ++i)
                    if (const QByteArray other = derOf(sk_X509_value(sent, i)); other != der)
                        self->m_chain << other;
        }
        if (self->m_fingerprint.isEmpty())
            return ok; // libcurl checks the name itself
        if (QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex() == self->m_fingerprint) {
            X509_STORE_CTX_set_error(store, X509_V_OK);
            return 1;
        }
        // Any other certificate must pass as usual, its name included, which
        // libcurl no longer checks once a fingerprint is given.
        if (ok && X509_STORE_CTX_get_error_depth(store) == 0 &&
            X509_check_host(leaf, self->m_host.constData(), size_t(self->m_host.size()), 0, nullptr) != 1 &&
            X509_check_ip_asc(leaf, self->m_host.constData(), 0) != 1) {
            X509_STORE_CTX_set_error(store, X509_V_ERR_HOSTNAME_MISMATCH);
            return 0;
        }
        return ok;
    }
    static QByteArray derOf(X509* certificate)
    {
        unsigned char* out = nullptr;
        const int length = i2d_X509(certificate, &out);
        const QByteArray der = length > 0 ? QByteArray(reinterpret_cast<char*>(out), length) : QByteArray();
        OPENSSL_free(out);
        return der;
    }

    CURL* m_handle = nullptr;
    QByteArray m_user, m_password, m_fingerprint, m_host;
    QList<QByteArray> m_chain;
    char m_error[CURL_ERROR_SIZE] = {};
};

Mailbox::Mailbox(const Address& address, const QString& password, const QByteArray& fingerprint,
                 const Timeouts& timeouts)
    : m_curl(std::make_unique<Curl>(address, password, normalisedFingerprint(QString::fromLatin1(fingerprint)),
                                    timeouts)),
      m_address(address)
{
}

Mailbox::~Mailbox() = default;

namespace
{

// What went wrong, in French, when the server said nothing of it.
QString cause(CURLcode code, const QString& library)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("serveur introuvable");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("connexion refusée ou impossible");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("le serveur n’a pas répondu à temps");
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return QStringLiteral("la connexion a été coupée");
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("réponse incompréhensible du serveur");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("le serveur ne propose pas STARTTLS");
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("nom d’utilisateur ou mot de passe refusé");
    default:
        return library;
    }
}

} // namespace

bool Mailbox::run(const QString& step, const QByteArray& command, Transfer& t)
{
    const CURLcode code = m_curl->perform(command, t);
    if (code == CURLE_OK)
        return true;
    // The server's own refusal, when it gave one: its last tagged line.
    static const QRegularExpression tagged(QStringLiteral("^[A-Z]\\d+ (?:NO|BAD) (.*)$"),
                                           QRegularExpression::MultilineOption);
    QString said;
    for (auto m = tagged.globalMatch(QString::fromUtf8(t.lines)); m.hasNext();)
        said = m.next().captured(1).trimmed();
    m_failure = Failure();
    m_failure.words = smtp::printable(said.isEmpty() ? cause(code, m_curl->error()) : said);
    if (said.isEmpty()) {
        // The last thing the server said, whatever it was.
        const QList<QByteArray> lines = t.lines.trimmed().split('\n');
        if (!lines.last().trimmed().isEmpty())
            m_failure.words += QStringLiteral(" (dernière réponse : « %1 »)")
                                   .arg(smtp::printable(lines.last().trimmed(), 120));
    }
    // Before the folder was reached, the connection is the step that failed.
    m_failure.step = m_curl->connected() ? step : QStringLiteral("la connexion à %1").arg(m_address.host);
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
        m_failure.kind = Failure::Kind::Connection;
        m_failure.step = QStringLiteral("la connexion à %1").arg(m_address.host);
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        m_failure.kind = Failure::Kind::Certificate;
        m_failure.words = smtp::printable(m_curl->error());
        m_failure.step = QStringLiteral("la vérification du certificat de %1").arg(m_address.host);
        m_failure.chain = m_curl->chain();
        break;
    case CURLE_LOGIN_DENIED:
        m_failure.kind = Failure::Kind::Login;
        m_failure.step = QStringLiteral("l’identification de %1").arg(m_address.user);
        break;
    case CURLE_OPERATION_TIMEDOUT:
        m_failure.kind = Failure::Kind::Timeout;
        break;
    default:
        m_failure.kind = Failure::Kind::Server;
        break;
    }
    return false;
}

std::optional<quint32> Mailbox::examine()
{
    Transfer t;
    if (!run(QStringLiteral("l’ouverture du dossier « %1 »").arg(m_address.folder),
             "EXAMINE " + quotedFolder(m_address.folder), t))
        return std::nullopt;
    static const QRegularExpression validity(QStringLiteral("\\[UIDVALIDITY (\\d+)\\]"));
    const QRegularExpressionMatch m = validity.match(QString::fromLatin1(t.body));
    if (m.hasMatch())
        return m.captured(1).toUInt();
    m_failure = {Failure::Kind::Server,
                 QStringLiteral("l’ouverture du dossier « %1 »").arg(m_address.folder),
                 QStringLiteral("le serveur ne donne pas l’UIDVALIDITY du dossier"), {}};
    return std::nullopt;
}

std::optional<QList<quint32>> Mailbox::newer(quint32 after)
{
    Transfer t;
    if (!run(QStringLiteral("la recherche des nouveaux messages"),
             "UID SEARCH UID " + QByteArray::number(after + 1) + ":*", t))
        return std::nullopt;
    QList<quint32> uids;
    for (const QByteArray& line : t.body.split('\n')) {
        if (!line.startsWith("* SEARCH"))
            continue;
        for (const QByteArray& word : line.mid(8).trimmed().split(' ')) {
            bool ok = false;
            const quint32 uid = word.toUInt(&ok);
            if (ok && uid > after) // "n:*" names the last message even below n
                uids << uid;
        }
    }
    std::sort(uids.begin(), uids.end());
    return uids;
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

} // namespace

bool Mailbox::fetchPart(const QList<quint32>& uids, qint64 offset, qint64 length,
                        QMap<quint32, QByteArray>* parts)
{
    Transfer t;
    const QString step = QStringLiteral("la lecture des messages");
    if (!run(step,
             "UID FETCH " + uidSet(uids) + " (UID BODY.PEEK[]<" + QByteArray::number(offset) + '.' +
                 QByteArray::number(length) + ">)",
             t))
        return false;

    // Each "* n FETCH (UID u BODY[]<o> {size}" line, then size bytes, as
    // libcurl hands every line the server sends.
    static const QRegularExpression start(QStringLiteral("^\\* \\d+ FETCH \\((.*)\\{(\\d+)\\}$"));
    static const QRegularExpression uidIn(QStringLiteral("\\bUID (\\d+)"));
    const QByteArray& s = t.lines;
    qsizetype at = 0;
    while (at < s.size()) {
        qsizetype end = s.indexOf("\r\n", at);
        if (end < 0)
            break;
        const QRegularExpressionMatch m = start.match(QString::fromLatin1(s.mid(at, end - at)));
        at = end + 2;
        if (!m.hasMatch())
            continue;
        const qsizetype size = m.captured(2).toLongLong();
        if (at + size > s.size()) {
            m_failure = {Failure::Kind::Server, step, QStringLiteral("message tronqué"), {}};
            return false;
        }
        const QByteArray part = s.mid(at, size);
        at += size;
        // The UID before the message, or after it on the same line.
        QRegularExpressionMatch uid = uidIn.match(m.captured(1));
        if (!uid.hasMatch()) {
            end = s.indexOf("\r\n", at);
            uid = uidIn.match(QString::fromLatin1(s.mid(at, end < 0 ? -1 : end - at)));
        }
        if (uid.hasMatch())
            parts->insert(uid.captured(1).toUInt(), part);
    }
    return true;
}

bool Mailbox::fetch(const QList<quint32>& uids,
                    const std::function<void(quint32, const QByteArray&)>& each)
{
    // libcurl hands the messages as response lines, and takes at most
    // 300 KB of them a request: a few messages at a time, each cut at the
    // first kilobytes, and the rest of a longer one asked in pieces.
    constexpr int Group = 32;
    constexpr qint64 First = 8 * 1024;
    constexpr qint64 Piece = 256 * 1024;
    for (qsizetype from = 0; from < uids.size(); from += Group) {
        const QList<quint32> group = uids.mid(from, Group);
        QMap<quint32, QByteArray> parts;
        if (!fetchPart(group, 0, First, &parts))
            return false;
        for (const quint32 uid : group) {
            if (!parts.contains(uid))
                continue; // expunged meanwhile
            QByteArray message = parts.value(uid);
            for (qint64 asked = First; message.size() == asked; asked += Piece) {
                QMap<quint32, QByteArray> rest;
                if (!fetchPart({uid}, message.size(), Piece, &rest))
                    return false;
                message += rest.value(uid);
            }
            each(uid, message);
        }
    }
    return true;
}

} // namespace imap
