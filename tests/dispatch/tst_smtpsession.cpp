#include "dispatch/smtppeer.h"
#include "dispatch/smtpsession.h"

#include <QTest>

// The SMTP dialogue against a scripted loopback peer: the order of the
// exchange, and every way it can go wrong ending in one failure, the socket
// closed on both sides, and the status line at the step reached.
class SmtpSessionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void successfulExchange();
    void refusedEhloFallsBackToHelo();
    void oneByteAtATime();
    void quitReplyIsHardlyAwaited();
    void faults_data();
    void faults();
    void unreachable_data();
    void unreachable();
    void endlessReply();
    void nothingIsSentWithoutAServer();
    void lineBreaksInSettingsAreRefused_data();
    void lineBreaksInSettingsAreRefused();
    void secondStartAndAbort();
};

namespace
{

struct Outcome {
    QStringList statuses;
    int succeeded = 0;
    int failed = 0;
};

SmtpSession::Mail mail(const QString& server = QStringLiteral("127.0.0.1"))
{
    SmtpSession::Mail m;
    m.expediteur = QStringLiteral("Lycée Curie");
    m.adresse = QStringLiteral("prof@lycee.fr");
    m.serveur = server;
    m.destinataire = QStringLiteral("retour@tarvel.fr");
    m.subjectWord = QStringLiteral("Questionnaire");
    m.text = QStringLiteral("1. Oui\r\n2. année\r\n");
    return m;
}

SmtpSession::Timeouts quick()
{
    SmtpSession::Timeouts t;
    t.connect = 5000;
    t.reply = 400;
    t.dataEnd = 400;
    t.quit = 300;
    return t;
}

// Runs the session to its end and a little past it, so that a second end
// signal would be seen.
Outcome run(SmtpSession& session, const SmtpSession::Mail& m, int waitMs = 10000)
{
    Outcome o;
    QObject context;
    QObject::connect(&session, &SmtpSession::statusChanged, &context,
                     [&o](const QString& s) { o.statuses << s; });
    QObject::connect(&session, &SmtpSession::succeeded, &context, [&o] { ++o.succeeded; });
    QObject::connect(&session, &SmtpSession::failed, &context, [&o] { ++o.failed; });
    if (session.start(m) != SmtpSession::Start::Started)
        return o;
    if (QTest::qWaitFor([&o] { return o.succeeded + o.failed > 0; }, waitMs))
        QTest::qWait(100);
    return o;
}

const QStringList AllSteps = {"Connexion en cours", "Connecté",   "Expédition du message",
                              "Déconnection",       "Déconnecté", "Terminé"};

} // namespace

void SmtpSessionTest::successfulExchange()
{
    ScriptedPeer peer;
    SmtpSession session(peer.port());
    session.setTimeouts(quick());
    // Surrounding spaces in the server name are not part of it.
    const Outcome o = run(session, mail(QStringLiteral("  localhost ")));
    QCOMPARE(o.succeeded, 1);
    QCOMPARE(o.failed, 0);
    QCOMPARE(o.statuses, AllSteps);
    QCOMPARE(peer.commands, QList<QByteArray>({"EHLO [127.0.0.1]", "MAIL FROM:<prof@lycee.fr>",
                                               "RCPT TO:<retour@tarvel.fr>", "DATA", ".", "QUIT"}));
    QVERIFY(
        peer.data.startsWith("FROM: prof@lycee.fr\r\n"
                             "SUBJECT: =?windows-1252?Q?Questionnaire_=28_Lyc=E9e_Curie_=29?=\r\n"
                             "Date: "));
    QVERIFY(peer.data.endsWith("\r\nMIME-Version: 1.0\r\n"
                               "Content-Type: text/plain; charset=windows-1252\r\n"
                               "Content-Transfer-Encoding: 8bit\r\n"
                               "\r\n\r\n1. Oui\r\n2. ann\xe9"
                               "e\r\n\r\n"));
    QTRY_VERIFY(peer.clientClosed);
    QCOMPARE(session.socketState(), QAbstractSocket::UnconnectedState);
    QVERIFY(!session.isRunning());
}

void SmtpSessionTest::refusedEhloFallsBackToHelo()
{
    ScriptedPeer peer;
    peer.replies["EHLO"] = "502 5.5.2 Error: command not recognized\r\n";
    SmtpSession session(peer.port());
    session.setTimeouts(quick());
    Outcome o = run(session, mail());
    QCOMPARE(o.succeeded, 1);
    QCOMPARE(o.statuses, AllSteps);
    QCOMPARE(peer.commands.mid(0, 3), QList<QByteArray>({"EHLO [127.0.0.1]", "HELO [127.0.0.1]",
                                                         "MAIL FROM:<prof@lycee.fr>"}));

    // Refused both ways: the run fails before MAIL.
    ScriptedPeer old;
    old.replies["EHLO"] = "500 what?\r\n";
    old.replies["HELO"] = "501 no\r\n";
    SmtpSession second(old.port());
    second.setTimeouts(quick());
    o = run(second, mail());
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.succeeded, 0);
    QCOMPARE(old.commands, QList<QByteArray>({"EHLO [127.0.0.1]", "HELO [127.0.0.1]"}));
    QCOMPARE(o.statuses.last(), QStringLiteral("Connecté"));
    QTRY_VERIFY(old.clientClosed);
}

void SmtpSessionTest::oneByteAtATime()
{
    ScriptedPeer peer;
    peer.trickle = true;
    peer.greeting = "220-peer.test ESMTP\r\n220-two lines of greeting\r\n220 and a third\r\n";
    peer.replies["MAIL"] = "250-Sender\r\n250 ok\r\n";
    SmtpSession session(peer.port());
    SmtpSession::Timeouts t = quick();
    t.reply = t.dataEnd = 5000;
    session.setTimeouts(t);
    const Outcome o = run(session, mail());
    QCOMPARE(o.succeeded, 1);
    QCOMPARE(o.failed, 0);
    QCOMPARE(o.statuses, AllSteps);
    QCOMPARE(peer.commands.size(), 6);
}

void SmtpSessionTest::quitReplyIsHardlyAwaited()
{
    // A server that answers nothing to QUIT, or closes at once: delivered all the same.
    for (const QByteArray& quit : {QByteArray(), ScriptedPeer::Close}) {
        ScriptedPeer peer;
        peer.replies["QUIT"] = quit;
        SmtpSession session(peer.port());
        session.setTimeouts(quick());
        const Outcome o = run(session, mail());
        QCOMPARE(o.succeeded, 1);
        QCOMPARE(o.failed, 0);
        QCOMPARE(o.statuses.last(), QStringLiteral("Terminé"));
        QTRY_VERIFY(peer.clientClosed);
    }
}

void SmtpSessionTest::faults_data()
{
    QTest::addColumn<QByteArray>("verb"); // "greeting" for the greeting
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("commands");

    const QByteArray close = ScriptedPeer::Close;
    QTest::newRow("no greeting") << QByteArray("greeting") << QByteArray() << "Connecté" << 0;
    QTest::newRow("554 greeting") << QByteArray("greeting") << QByteArray("554 go away\r\n")
                                  << "Connecté" << 0;
    QTest::newRow("closed at once") << QByteArray("greeting") << close << "Connecté" << 0;
    QTest::newRow("EHLO unanswered") << QByteArray("EHLO") << QByteArray() << "Connecté" << 1;
    QTest::newRow("EHLO 421") << QByteArray("EHLO") << QByteArray("421 busy\r\n") << "Connecté"
                              << 1;
    QTest::newRow("closed at EHLO") << QByteArray("EHLO") << close << "Connecté" << 1;
    QTest::newRow("MAIL refused") << QByteArray("MAIL") << QByteArray("553 no\r\n") << "Connecté"
                                  << 2;
    QTest::newRow("MAIL unanswered") << QByteArray("MAIL") << QByteArray() << "Connecté" << 2;
    QTest::newRow("closed at MAIL") << QByteArray("MAIL") << close << "Connecté" << 2;
    QTest::newRow("550 on RCPT") << QByteArray("RCPT") << QByteArray("550 5.1.1 no such user\r\n")
                                 << "Expédition du message" << 3;
    QTest::newRow("closed at RCPT") << QByteArray("RCPT") << close << "Expédition du message" << 3;
    QTest::newRow("DATA refused") << QByteArray("DATA") << QByteArray("503 bad sequence\r\n")
                                  << "Expédition du message" << 4;
    QTest::newRow("closed at DATA") << QByteArray("DATA") << close << "Expédition du message" << 4;
    QTest::newRow("451 after the end")
        << QByteArray(".") << QByteArray("451 4.3.0 try later\r\n") << "Déconnection" << 5;
    QTest::newRow("silence after the end")
        << QByteArray(".") << QByteArray() << "Déconnection" << 5;
    QTest::newRow("closed after the end") << QByteArray(".") << close << "Déconnection" << 5;
    QTest::newRow("354 again after the end")
        << QByteArray(".") << QByteArray("354 more?\r\n") << "Déconnection" << 5;
}

void SmtpSessionTest::faults()
{
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    QFETCH(int, commands);

    ScriptedPeer peer;
    if (verb == "greeting")
        peer.greeting = reply;
    else
        peer.replies[verb] = reply;
    SmtpSession session(peer.port());
    session.setTimeouts(quick());
    const Outcome o = run(session, mail());
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.succeeded, 0);
    QCOMPARE(o.statuses.last(), status);
    QCOMPARE(peer.commands.size(), commands);
    QCOMPARE(session.socketState(), QAbstractSocket::UnconnectedState);
    QVERIFY(!session.isRunning());
    QTRY_VERIFY(peer.clientClosed);
    QCOMPARE(peer.connections, 1);
}

void SmtpSessionTest::unreachable_data()
{
    QTest::addColumn<QString>("server");
    QTest::newRow("refused") << "127.0.0.1";
    QTest::newRow("unknown host") << "smtp.questionnaire.invalid";
}

void SmtpSessionTest::unreachable()
{
    QFETCH(QString, server);
    quint16 port;
    {
        QTcpServer gone; // a port nobody listens on
        QVERIFY(gone.listen(QHostAddress::LocalHost));
        port = gone.serverPort();
    }
    SmtpSession session(port);
    SmtpSession::Timeouts t = quick();
    t.connect = 20000;
    session.setTimeouts(t);
    const Outcome o = run(session, mail(server), 25000);
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.succeeded, 0);
    QCOMPARE(o.statuses, QStringList({"Connexion en cours"}));
    QCOMPARE(session.socketState(), QAbstractSocket::UnconnectedState);
}

void SmtpSessionTest::endlessReply()
{
    // A peer that never ends its line is cut off long before the time-out.
    ScriptedPeer peer;
    peer.replies["MAIL"] = QByteArray(100 * 1024, 'x');
    SmtpSession session(peer.port());
    SmtpSession::Timeouts t = quick();
    t.reply = 20000;
    session.setTimeouts(t);
    const Outcome o = run(session, mail(), 5000);
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.succeeded, 0);
    QTRY_VERIFY(peer.clientClosed);
}

void SmtpSessionTest::nothingIsSentWithoutAServer()
{
    ScriptedPeer peer;
    SmtpSession session(peer.port());
    for (const QString& server : {QString(), QStringLiteral("    ")}) {
        const Outcome o = run(session, mail(server), 200);
        QCOMPARE(session.start(mail(server)), SmtpSession::Start::NoServer);
        QVERIFY(o.statuses.isEmpty());
        QCOMPARE(o.failed + o.succeeded, 0);
        QVERIFY(!session.isRunning());
    }
    QTest::qWait(100);
    QCOMPARE(peer.connections, 0);
}

void SmtpSessionTest::lineBreaksInSettingsAreRefused_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::newRow("adresse CR LF") << 0 << "prof@lycee.fr>\r\nRCPT TO:<spam@x.fr";
    QTest::newRow("destinataire LF") << 1 << "retour@tarvel.fr\nDATA";
    QTest::newRow("expediteur CR") << 2 << "Lycée\rBcc: spam@x.fr";
}

void SmtpSessionTest::lineBreaksInSettingsAreRefused()
{
    QFETCH(int, field);
    QFETCH(QString, value);
    ScriptedPeer peer;
    SmtpSession session(peer.port());
    SmtpSession::Mail m = mail();
    (field == 0 ? m.adresse : field == 1 ? m.destinataire : m.expediteur) = value;
    QCOMPARE(session.start(m), SmtpSession::Start::LineBreak);
    QVERIFY(!session.isRunning());
    QTest::qWait(100);
    QCOMPARE(peer.connections, 0);
}

void SmtpSessionTest::secondStartAndAbort()
{
    ScriptedPeer peer;
    peer.replies["RCPT"] = QByteArray(); // the run waits here
    SmtpSession session(peer.port());
    int ends = 0;
    QStringList statuses;
    connect(&session, &SmtpSession::succeeded, this, [&ends] { ++ends; });
    connect(&session, &SmtpSession::failed, this, [&ends] { ++ends; });
    connect(&session, &SmtpSession::statusChanged, this,
            [&statuses](const QString& s) { statuses << s; });
    QCOMPARE(session.start(mail()), SmtpSession::Start::Started);
    QTRY_COMPARE(peer.commands.size(), 3);
    QCOMPARE(session.start(mail()), SmtpSession::Start::Busy);
    session.abort();
    QVERIFY(!session.isRunning());
    QCOMPARE(session.socketState(), QAbstractSocket::UnconnectedState);
    QTRY_VERIFY(peer.clientClosed);
    QTest::qWait(200);
    QCOMPARE(ends, 0);
    QCOMPARE(peer.connections, 1);
    QCOMPARE(statuses.last(), QStringLiteral("Expédition du message"));

    // A new run after the abort starts afresh.
    ScriptedPeer next;
    SmtpSession again(next.port());
    again.setTimeouts(quick());
    QCOMPARE(run(again, mail()).succeeded, 1);
}

QTEST_GUILESS_MAIN(SmtpSessionTest)
#include "tst_smtpsession.moc"
