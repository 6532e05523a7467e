#include "support/blockedport.h"
#include "support/smtppeer.h"
#include "smtp/smtpsession.h"
#include "support/smtpsink.h"
#include "smtp/tlsconfig.h"
#include "support/tlssink.h"

#include <QLoggingCategory>
#include <QTest>

// Submission with TLS and a password against real aiosmtpd servers on
// loopback, their certificates made by openssl and handed to the program as
// an extra authority: STARTTLS, implicit TLS, AUTH PLAIN and LOGIN, refused
// passwords and certificates, downgrades refused, and the message delivered
// byte for byte as over the plain exchange.
class SmtpTlsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void sameMessageOnEveryPath_data();
    void sameMessageOnEveryPath();
    void loginWhenPlainIsNotOffered();
    void wrongPasswordThenRight();
    void theTraceNeverHoldsThePassword();
    void wrongPasswordTwice();
    void cancelledPassword();
    void badCertificates_data();
    void badCertificates();
    void trustedCertificatePasses();
    void startTlsAnnouncedThenFailed_data();
    void startTlsAnnouncedThenFailed();
    void noDowngradeAfterTls();
    void plainModeIgnoresWhatIsOffered();
    void automaticFindsTheMostSecure();
    void aRememberedPortBlockedSinceIsFoundAgain();
    void automaticPassesByAnImplicitPortWithoutTls();
    void silentHandshakeTimesOut();
    void implicitTlsToAPlainServer();
    void abortDuringHandshakeAndPassword();

private:
    TestPki m_pki;
    SmtpSink m_plain;
    QByteArray m_plainMessage; // the message as the plain exchange delivers it
};

namespace
{

using Mode = smtp::Mode;
using Stage = SmtpSession::Stage;
using Cause = SmtpSession::Cause;
using State = SmtpSession::State;

const QString User = QStringLiteral("prof@lycee.fr");
const QString Password = QStringLiteral("Mot de passe très secret");

paranet::DispatchSettings settings(const QString& server = QStringLiteral("localhost"))
{
    paranet::DispatchSettings s;
    s.expediteur = QStringLiteral("Lycée Curie");
    s.adresse = User;
    s.serveur = server;
    s.destinataire = QStringLiteral("retour@tarvel.fr");
    return s;
}

// A dot at the start of a line, accents, an empty line.
const QString Text = QStringLiteral("1. Oui\r\n.\r\n..point\r\n\r\n2. année été\r\n");

SmtpSession::Start start(SmtpSession& session)
{
    return session.start(settings(), QStringLiteral("Questionnaire"), Text);
}

SmtpSession::Timeouts quick()
{
    SmtpSession::Timeouts t;
    t.connect = 5000;
    t.reply = 3000;
    t.dataEnd = 3000;
    t.quit = 300;
    t.probe = 3000;
    return t;
}

SmtpSession::Connection connection(Mode mode, quint16 port)
{
    SmtpSession::Connection c;
    c.mode = mode;
    c.port = port;
    return c;
}

struct Outcome {
    int succeeded = 0;
    int failed = 0;
    SmtpSession::Failure failure;
    QList<bool> asked; // one entry a password request: refused or not
    int accepted = 0;
    int clearTextAsked = 0;
};

// Runs the session, answering each password request with the next of
// passwords (an empty one refuses), and the question of a send without
// encryption with clearText.
Outcome run(SmtpSession& session, QStringList passwords = {}, int waitMs = 20000, bool clearText = true)
{
    Outcome o;
    QObject context;
    QObject::connect(&session, &SmtpSession::clearTextNeedsConsent, &context, [&o, &session, clearText] {
        ++o.clearTextAsked;
        QTimer::singleShot(0, &session, [&session, clearText] { session.consentToClearText(clearText); });
    });
    QObject::connect(&session, &SmtpSession::succeeded, &context, [&o] { ++o.succeeded; });
    QObject::connect(&session, &SmtpSession::failed, &context, [&o](const SmtpSession::Failure& f) {
        ++o.failed;
        o.failure = f;
    });
    QObject::connect(&session, &SmtpSession::passwordAccepted, &context, [&o] { ++o.accepted; });
    QObject::connect(
        &session, &SmtpSession::passwordNeeded, &context,
        [&](const QString& user, bool refused) {
            o.asked << refused;
            QCOMPARE(user, User);
            const QString p = passwords.isEmpty() ? QString() : passwords.takeFirst();
            QTimer::singleShot(0, &session, [&session, p] {
                if (p.isEmpty())
                    session.refusePassword();
                else
                    session.providePassword(p);
            });
        },
        Qt::DirectConnection);
    if (!start(session).started())
        return o;
    if (QTest::qWaitFor([&o] { return o.succeeded + o.failed > 0; }, waitMs))
        QTest::qWait(100);
    return o;
}

// The message without its Date and Message-ID lines, which differ from run
// to run.
QByteArray undated(QByteArray message)
{
    for (const char* header : {"\r\nDate: ", "\r\nMessage-ID: "}) {
        const qsizetype at = message.indexOf(header);
        if (at >= 0)
            message.remove(at, message.indexOf("\r\n", at + 2) - at);
    }
    return message;
}

} // namespace

void SmtpTlsTest::initTestCase()
{
    QVERIFY(m_pki.make());
    tlsconfig::setExtraAuthorities(m_pki.authorities());
    // Today's exchange, for comparison.
    QVERIFY(m_plain.start());
    SmtpSession session(m_plain.port());
    session.setTimeouts(quick());
    QCOMPARE(run(session).succeeded, 1);
    m_plainMessage = undated(m_plain.raw(1));
    QVERIFY(m_plainMessage.contains("\r\n.\r\n..point\r\n"));
}

void SmtpTlsTest::sameMessageOnEveryPath_data()
{
    QTest::addColumn<int>("server");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("auth");
    QTest::newRow("STARTTLS") << int(TlsSink::StartTls) << int(Mode::StartTls) << false;
    QTest::newRow("STARTTLS, AUTH") << int(TlsSink::StartTls) << int(Mode::StartTls) << true;
    QTest::newRow("implicit TLS") << int(TlsSink::Implicit) << int(Mode::ImplicitTls) << false;
    QTest::newRow("implicit TLS, AUTH") << int(TlsSink::Implicit) << int(Mode::ImplicitTls) << true;
}

void SmtpTlsTest::sameMessageOnEveryPath()
{
    QFETCH(int, server);
    QFETCH(int, mode);
    QFETCH(bool, auth);
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Mode(server), m_pki, TestPki::Valid, auth ? User : QString(),
                       Password));
    SmtpSession session(0);
    session.setTimeouts(quick());
    session.setConnection(connection(Mode(mode), sink.port()));
    const Outcome o = run(session, {Password});
    QCOMPARE(o.failed, 0);
    QCOMPARE(o.succeeded, 1);
    QVERIFY(session.usedTls());
    QCOMPARE(o.asked, auth ? QList<bool>{false} : QList<bool>{});
    QCOMPARE(o.accepted, auth ? 1 : 0);
    QCOMPARE(sink.authAttempts(), auth ? QList<QByteArray>{"PLAIN ok"} : QList<QByteArray>{});
    QCOMPARE(sink.delivered(), 1);
    QVERIFY(sink.overTls(1));
    QCOMPARE(undated(sink.raw(1)), m_plainMessage);
}

void SmtpTlsTest::loginWhenPlainIsNotOffered()
{
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::StartTls, m_pki, TestPki::Valid, User, Password,
                       QStringLiteral("LOGIN")));
    SmtpSession session(0);
    session.setTimeouts(quick());
    session.setConnection(connection(Mode::StartTls, sink.port()));
    const Outcome o = run(session, {Password});
    QCOMPARE(o.succeeded, 1);
    QCOMPARE(sink.authAttempts(), QList<QByteArray>{"LOGIN ok"});
    QCOMPARE(undated(sink.raw(1)), m_plainMessage);
}

void SmtpTlsTest::wrongPasswordThenRight()
{
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::StartTls, m_pki, TestPki::Valid, User, Password));
    SmtpSession session(0);
    session.setTimeouts(quick());
    session.setConnection(connection(Mode::StartTls, sink.port()));
    const Outcome o = run(session, {QStringLiteral("faux"), Password});
    QCOMPARE(o.succeeded, 1);
    QCOMPARE(o.asked, (QList<bool>{false, true}));
    QCOMPARE(o.accepted, 1);
    QCOMPARE(sink.authAttempts(), (QList<QByteArray>{"PLAIN refused", "PLAIN ok"}));
    QCOMPARE(sink.delivered(), 1);
}

void SmtpTlsTest::theTraceNeverHoldsThePassword()
{
    static QStringList* trace = nullptr;
    QStringList lines;
    trace = &lines;
    QLoggingCategory::setFilterRules(QStringLiteral("questionnaire.smtp.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { *trace << m; });
    int delivered = 0;
    for (const QString& mechanism : {QStringLiteral("PLAIN"), QStringLiteral("LOGIN")}) {
        TlsSink sink;
        QVERIFY(sink.start(TlsSink::StartTls, m_pki, TestPki::Valid, User, Password, mechanism));
        SmtpSession session(0);
        session.setTimeouts(quick());
        session.setConnection(connection(Mode::StartTls, sink.port()));
        delivered += run(session, {QStringLiteral("faux"), Password}).succeeded;
    }
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(delivered, 2);
    const QString all = lines.join(QLatin1Char('\n'));
    // The trace was taken, AUTH included.
    QVERIFY(all.contains(QStringLiteral("AUTH PLAIN <")));
    QVERIFY(all.contains(QStringLiteral("<password>")));
    for (const QString& secret : {Password, QStringLiteral("faux")}) {
        QVERIFY(!all.contains(secret));
        QVERIFY(!all.contains(QString::fromLatin1(secret.toUtf8().toBase64())));
        const QByteArray plain = QByteArray(1, '\0') + User.toUtf8() + '\0' + secret.toUtf8();
        QVERIFY(!all.contains(QString::fromLatin1(plain.toBase64())));
    }
}

void SmtpTlsTest::wrongPasswordTwice()
{
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Implicit, m_pki, TestPki::Valid, User, Password));
    SmtpSession session(0);
    session.setTimeouts(quick());
    session.setConnection(connection(Mode::ImplicitTls, sink.port()));
    const Outcome o =
        run(session, {QStringLiteral("faux"), QStringLiteral("encore faux"), Password});
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.succeeded, 0);
    QCOMPARE(o.asked, (QList<bool>{false, true}));
    QCOMPARE(o.accepted, 0);
    QCOMPARE(sink.authAttempts(), (QList<QByteArray>{"PLAIN refused", "PLAIN refused"}));
    QCOMPARE(o.failure.cause, Cause::PasswordRefused);
    QCOMPARE(o.failure.reply.code, 535);
    QCOMPARE(sink.delivered(), 0);
    QCOMPARE(session.socketState(), QAbstractSocket::UnconnectedState);
}

void SmtpTlsTest::cancelledPassword()
{
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::StartTls, m_pki, TestPki::Valid, User, Password));
    SmtpSession session(0);
    session.setTimeouts(quick());
    session.setConnection(connection(Mode::StartTls, sink.port()));
    const Outcome o = run(session, {QString()});
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.failure.cause, Cause::PasswordCancelled);
    QVERIFY(sink.authAttempts().isEmpty());
    QCOMPARE(sink.delivered(), 0);
}

void SmtpTlsTest::badCertificates_data()
{
    QTest::addColumn<int>("server");
    QTest::addColumn<int>("certificate");
    QTest::addColumn<int>("error");
    QTest::newRow("wrong name, STARTTLS")
        << int(TlsSink::StartTls) << int(TestPki::WrongName) << int(QSslError::HostNameMismatch);
    QTest::newRow("expired, STARTTLS")
        << int(TlsSink::StartTls) << int(TestPki::Expired) << int(QSslError::CertificateExpired);
    QTest::newRow("wrong name, implicit")
        << int(TlsSink::Implicit) << int(TestPki::WrongName) << int(QSslError::HostNameMismatch);
    QTest::newRow("expired, implicit")
        << int(TlsSink::Implicit) << int(TestPki::Expired) << int(QSslError::CertificateExpired);
}

void SmtpTlsTest::badCertificates()
{
    QFETCH(int, server);
    QFETCH(int, certificate);
    QFETCH(int, error);
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Mode(server), m_pki, TestPki::Server(certificate), User, Password));
    SmtpSession session(0);
    session.setTimeouts(quick());
    session.setConnection(
        connection(server == TlsSink::StartTls ? Mode::StartTls : Mode::ImplicitTls, sink.port()));
    const Outcome o = run(session, {Password});
    QCOMPARE(o.failed, 1);
    // Failed before any password was asked or sent.
    QVERIFY(o.asked.isEmpty());
    QVERIFY(sink.authAttempts().isEmpty());
    QCOMPARE(sink.delivered(), 0);
    QCOMPARE(o.failure.cause, Cause::Certificate);
    QCOMPARE(o.failure.certificate, m_pki.certificate(TestPki::Server(certificate)));
    bool found = false;
    for (const QSslError& e : o.failure.sslErrors)
        found = found || e.error() == QSslError::SslError(error);
    QVERIFY(found);
}

void SmtpTlsTest::trustedCertificatePasses()
{
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::StartTls, m_pki, TestPki::WrongName));
    SmtpSession session(0);
    session.setTimeouts(quick());
    SmtpSession::Connection c = connection(Mode::StartTls, sink.port());
    // Another certificate trusted for this server does not help.
    c.trusted = {tlsconfig::fingerprint(m_pki.certificate(TestPki::Expired))};
    session.setConnection(c);
    QCOMPARE(run(session).failure.cause, Cause::Certificate);

    c.trusted << tlsconfig::fingerprint(m_pki.certificate(TestPki::WrongName));
    session.setConnection(c);
    QCOMPARE(run(session).succeeded, 1);
    QCOMPARE(sink.delivered(), 1);
}

void SmtpTlsTest::startTlsAnnouncedThenFailed_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("cause");
    QTest::newRow("refused") << QByteArray("454 4.7.0 TLS not available\r\n")
                             << int(Cause::Refused);
    // Says yes, then answers the handshake with text: the TLS library waits
    // for the rest of what it takes for a record, in vain.
    QTest::newRow("handshake fails") << QByteArray("220 2.0.0 Ready\r\n") << int(Cause::TimedOut);
    QTest::newRow("closed") << ScriptedPeer::Close << int(Cause::Closed);
    // A reply smuggled in before the handshake, to be taken after it.
    QTest::newRow("injected") << QByteArray("220 2.0.0 Ready\r\n250 AUTH PLAIN\r\n")
                              << int(Cause::OutOfTurn);
}

void SmtpTlsTest::startTlsAnnouncedThenFailed()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, cause);
    ScriptedPeer peer;
    peer.replies["EHLO"] = "250-peer.test\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n";
    peer.replies["STARTTLS"] = reply;
    SmtpSession session(0);
    session.setTimeouts(quick());
    session.setConnection(connection(Mode::StartTls, peer.port()));
    const Outcome o = run(session, {Password});
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.failure.cause, Cause(cause));
    QVERIFY(o.asked.isEmpty());
    // Never went on without TLS.
    QCOMPARE(peer.commands.mid(0, 2), (QList<QByteArray>{"EHLO [127.0.0.1]", "STARTTLS"}));
    for (const QByteArray& c : std::as_const(peer.commands))
        QVERIFY2(!c.startsWith("MAIL") && !c.startsWith("AUTH"), c.constData());
    QVERIFY(!peer.data.contains("Questionnaire"));
}

void SmtpTlsTest::noDowngradeAfterTls()
{
    // The server offered STARTTLS before; now it no longer does.
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Plain, m_pki));
    for (Mode mode : {Mode::Automatic, Mode::StartTls}) {
        SmtpSession session(0);
        session.setTimeouts(quick());
        SmtpSession::Connection c = connection(mode, sink.port());
        c.plainPort = sink.port();
        c.implicitPort = c.startTlsPort = 1; // nothing there
        c.reachedWithTls = true;
        session.setConnection(c);
        QCOMPARE(run(session).failure.cause, Cause::Downgrade);
    }
    QCOMPARE(sink.delivered(), 0);

    // Chosen plain by hand: refused before any connection.
    ScriptedPeer peer;
    SmtpSession session(0);
    session.setTimeouts(quick());
    SmtpSession::Connection c = connection(Mode::Plain, peer.port());
    c.reachedWithTls = true;
    session.setConnection(c);
    QCOMPARE(run(session).failure.cause, Cause::Downgrade);
    QCOMPARE(peer.connections, 0);
}

void SmtpTlsTest::plainModeIgnoresWhatIsOffered()
{
    // STARTTLS and AUTH announced: the plain exchange stays today's, and no
    // password is ever asked or sent without TLS.
    ScriptedPeer peer;
    peer.replies["EHLO"] = "250-peer.test\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n";
    SmtpSession session(peer.port());
    session.setTimeouts(quick());
    const Outcome o = run(session, {Password});
    QCOMPARE(o.succeeded, 1);
    QVERIFY(o.asked.isEmpty());
    QCOMPARE(peer.commands, QList<QByteArray>({"EHLO [127.0.0.1]", "MAIL FROM:<prof@lycee.fr>",
                                               "RCPT TO:<retour@tarvel.fr>", "DATA", ".", "QUIT"}));

    QCOMPARE(o.clearTextAsked, 0); // chosen by hand, and said in « Connexion… »

    // Automatic mode, the TLS ports blocked and a plain port without
    // STARTTLS, as someone on the path can arrange it: the user is asked, and
    // a no sends nothing.
    ScriptedPeer bare;
    SmtpSession automatic(0);
    automatic.setTimeouts(quick());
    SmtpSession::Connection c = connection(Mode::Automatic, 0);
    c.plainPort = bare.port();
    c.implicitPort = c.startTlsPort = 1;
    automatic.setConnection(c);
    const Outcome refused = run(automatic, {}, 20000, false);
    QCOMPARE(refused.clearTextAsked, 1);
    QCOMPARE(refused.failure.cause, Cause::ClearTextRefused);
    QCOMPARE(bare.commands.first(), QByteArray("EHLO [127.0.0.1]"));
    for (const QByteArray& command : std::as_const(bare.commands))
        QVERIFY2(!command.startsWith("MAIL") && command != "DATA", command.constData());
    QVERIFY(bare.data.isEmpty());
    // A yes holds for that send only: the same exchange as plain mode, and
    // the next send asks again.
    bare.commands.clear();
    const Outcome agreed = run(automatic);
    QCOMPARE(agreed.succeeded, 1);
    QCOMPARE(agreed.clearTextAsked, 1);
    QCOMPARE(bare.commands, QList<QByteArray>({"EHLO [127.0.0.1]", "MAIL FROM:<prof@lycee.fr>",
                                               "RCPT TO:<retour@tarvel.fr>", "DATA", ".", "QUIT"}));
    QCOMPARE(undated(bare.data), undated(peer.data));
    QCOMPARE(automatic.usedMode(), Mode::Plain);
    QVERIFY(!automatic.usedTls());
}

void SmtpTlsTest::automaticFindsTheMostSecure()
{
    TlsSink submission;
    QVERIFY(submission.start(TlsSink::StartTls, m_pki, TestPki::Valid, User, Password));
    ScriptedPeer plain;
    SmtpSession session(0);
    session.setTimeouts(quick());
    SmtpSession::Connection c = connection(Mode::Automatic, 0);
    c.implicitPort = 1;
    c.startTlsPort = submission.port();
    c.plainPort = plain.port();
    session.setConnection(c);
    const Outcome o = run(session, {Password});
    QCOMPARE(o.succeeded, 1);
    QCOMPARE(session.usedMode(), Mode::StartTls);
    QCOMPARE(session.usedPort(), submission.port());
    QVERIFY(session.usedTls());
    QCOMPARE(submission.delivered(), 1);
    QVERIFY(plain.commands.isEmpty());
}

void SmtpTlsTest::aRememberedPortBlockedSinceIsFoundAgain()
{
    // Automatic mode found the plain port before; it is blocked now, and the
    // submission port answers.  The connection time-out outlasts the test:
    // the remembered port is given only the probe's budget.
    BlockedPort blocked;
    QVERIFY(blocked.start());
    TlsSink submission;
    QVERIFY(submission.start(TlsSink::StartTls, m_pki, TestPki::Valid, User, Password));
    SmtpSession session(0);
    SmtpSession::Timeouts t = quick();
    t.connect = 600000;
    t.probe = 1500;
    session.setTimeouts(t);
    SmtpSession::Connection c = connection(Mode::Automatic, 0);
    c.remembered = {Mode::StartTls, blocked.port()};
    c.implicitPort = 1;
    c.startTlsPort = submission.port();
    c.plainPort = blocked.port();
    session.setConnection(c);
    const Outcome o = run(session, {Password}, 60000);
    QCOMPARE(o.succeeded, 1);
    QCOMPARE(session.usedMode(), Mode::StartTls);
    QCOMPARE(session.usedPort(), submission.port());
    QCOMPARE(submission.delivered(), 1);
    QCOMPARE(undated(submission.raw(1)), m_plainMessage);
}

void SmtpTlsTest::automaticPassesByAnImplicitPortWithoutTls()
{
    // Port 465 takes the connection but speaks plain SMTP; 587 is a real
    // submission server.
    ScriptedPeer notTls;
    TlsSink submission;
    QVERIFY(submission.start(TlsSink::StartTls, m_pki, TestPki::Valid, User, Password));
    SmtpSession session(0);
    session.setTimeouts(quick());
    SmtpSession::Connection c = connection(Mode::Automatic, 0);
    c.implicitPort = notTls.port();
    c.startTlsPort = submission.port();
    c.plainPort = 1;
    session.setConnection(c);
    const Outcome o = run(session, {Password});
    QCOMPARE(o.succeeded, 1);
    QCOMPARE(session.usedMode(), Mode::StartTls);
    QCOMPARE(submission.delivered(), 1);
    QVERIFY(submission.overTls(1));
    QVERIFY(notTls.commands.isEmpty());

    // A certificate that fails there is asked about, not passed by.
    TlsSink wrongName;
    QVERIFY(wrongName.start(TlsSink::Implicit, m_pki, TestPki::WrongName));
    c.implicitPort = wrongName.port();
    session.setConnection(c);
    const Outcome refused = run(session, {Password});
    QCOMPARE(refused.failure.cause, Cause::Certificate);
    QCOMPARE(session.usedMode(), Mode::ImplicitTls);
    QCOMPARE(submission.delivered(), 1);
}

void SmtpTlsTest::silentHandshakeTimesOut()
{
    // A port that takes the connection and never says a word.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    SmtpSession session(0);
    SmtpSession::Timeouts t = quick();
    t.reply = 500;
    session.setTimeouts(t);
    session.setConnection(connection(Mode::ImplicitTls, silent.serverPort()));
    const Outcome o = run(session);
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.failure.cause, Cause::TimedOut);
    QCOMPARE(o.failure.stage, Stage::Handshake);
    QCOMPARE(session.socketState(), QAbstractSocket::UnconnectedState);
}

void SmtpTlsTest::implicitTlsToAPlainServer()
{
    // Its greeting is no TLS record: the handshake fails at once.
    ScriptedPeer peer;
    SmtpSession session(0);
    session.setTimeouts(quick());
    session.setConnection(connection(Mode::ImplicitTls, peer.port()));
    const Outcome o = run(session, {Password});
    QCOMPARE(o.failure.cause, Cause::Tls);
    QVERIFY(!o.failure.tlsError.isEmpty());
    QVERIFY(o.asked.isEmpty());
    QVERIFY(peer.commands.isEmpty());
}

void SmtpTlsTest::abortDuringHandshakeAndPassword()
{
    TlsSink sink;
    QVERIFY(sink.start(TlsSink::Implicit, m_pki, TestPki::Valid, User, Password));
    SmtpSession session(0);
    session.setTimeouts(quick());
    session.setConnection(connection(Mode::ImplicitTls, sink.port()));
    int ends = 0;
    bool asked = false;
    connect(&session, &SmtpSession::succeeded, this, [&ends] { ++ends; });
    connect(&session, &SmtpSession::failed, this, [&ends] { ++ends; });
    connect(&session, &SmtpSession::passwordNeeded, this, [&asked] { asked = true; });

    // At once, in the handshake.
    QVERIFY(start(session).started());
    session.abort();
    QVERIFY(!session.isRunning());
    // While the password is awaited.
    QVERIFY(start(session).started());
    QCOMPARE(start(session).setting, SmtpSession::Setting::Busy);
    QVERIFY(QTest::qWaitFor([&asked] { return asked; }, 10000));
    session.abort();
    session.providePassword(Password); // too late: nothing happens
    QTest::qWait(300);
    QCOMPARE(ends, 0);
    QCOMPARE(session.socketState(), QAbstractSocket::UnconnectedState);
    QVERIFY(sink.authAttempts().isEmpty());
    QCOMPARE(sink.delivered(), 0);
}

QTEST_GUILESS_MAIN(SmtpTlsTest)
#include "tst_smtptls.moc"
