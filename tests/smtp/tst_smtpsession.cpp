#include "support/portprocess.h"
#include "support/smtppeer.h"
#include "smtp/smtpsession.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(mailcheck::Fault)

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
    void repliesOutOfTurn_data();
    void repliesOutOfTurn();
    void malformedAddressesAreRefused_data();
    void malformedAddressesAreRefused();
    void serverNames_data();
    void serverNames();
    void bracketedIpv6Server();
    void internationalisedServerIsLookedUpInAscii();
    void nonAsciiAddressesNeedSmtpUtf8();
    void exchangeIsTraced();
    void secondStartAndAbort();
};

namespace
{

using Step = SmtpSession::Step;
using State = SmtpSession::State;
using Stage = SmtpSession::Stage;
using Cause = SmtpSession::Cause;
using Setting = SmtpSession::Setting;
using Fault = mailcheck::Fault;

struct Outcome {
    QList<Step> steps;
    int succeeded = 0;
    int failed = 0;
    SmtpSession::Failure failure;
};

paranet::DispatchSettings mail(const QString& server = QStringLiteral("127.0.0.1"))
{
    paranet::DispatchSettings m;
    m.expediteur = QStringLiteral("Lycée Curie");
    m.adresse = QStringLiteral("prof@lycee.fr");
    m.serveur = server;
    m.destinataire = QStringLiteral("retour@tarvel.fr");
    return m;
}

const QString Text = QStringLiteral("1. Oui\r\n2. année\r\n");

SmtpSession::Start start(SmtpSession& session, const paranet::DispatchSettings& m)
{
    return session.start(m, QStringLiteral("Questionnaire"), Text);
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
Outcome run(SmtpSession& session, const paranet::DispatchSettings& m, int waitMs = 10000)
{
    Outcome o;
    QObject context;
    QObject::connect(&session, &SmtpSession::progressed, &context, [&o](Step s) { o.steps << s; });
    QObject::connect(&session, &SmtpSession::succeeded, &context, [&o] { ++o.succeeded; });
    QObject::connect(&session, &SmtpSession::failed, &context, [&o](const SmtpSession::Failure& f) {
        ++o.failed;
        o.failure = f;
    });
    if (!start(session, m).started())
        return o;
    if (QTest::qWaitFor([&o] { return o.succeeded + o.failed > 0; }, waitMs))
        QTest::qWait(100);
    return o;
}

const QList<Step> AllSteps = {Step::Connecting,    Step::Connected,    Step::Sending,
                              Step::Disconnecting, Step::Disconnected, Step::Finished};

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
    QCOMPARE(o.steps, AllSteps);
    QCOMPARE(peer.commands, QList<QByteArray>({"EHLO [127.0.0.1]", "MAIL FROM:<prof@lycee.fr>",
                                               "RCPT TO:<retour@tarvel.fr>", "DATA", ".", "QUIT"}));
    QVERIFY(
        peer.data.startsWith("FROM: prof@lycee.fr\r\n"
                             "To: retour@tarvel.fr\r\n"
                             "SUBJECT: =?windows-1252?Q?Questionnaire_=28_Lyc=E9e_Curie_=29?=\r\n"
                             "Date: "));
    // Some providers refuse a message without a Message-ID.
    const QRegularExpression id(QStringLiteral("\r\nMessage-ID: <\\d{14}\\.[0-9a-f]+@lycee\\.fr>\r\n"
                                               "MIME-Version: 1.0\r\n"));
    QVERIFY2(id.match(QString::fromLatin1(peer.data)).hasMatch(), peer.data.constData());
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
    QCOMPARE(o.steps, AllSteps);
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
    QCOMPARE(o.steps.last(), Step::Connected);
    QCOMPARE(o.failure.state, State::Helo);
    QCOMPARE(o.failure.cause, Cause::Refused);
    QCOMPARE(o.failure.reply.code, 501);
    QCOMPARE(o.failure.reply.lines, QList<QByteArray>({"501 no"}));
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
    QCOMPARE(o.steps, AllSteps);
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
        QCOMPARE(o.steps.last(), Step::Finished);
        QTRY_VERIFY(peer.clientClosed);
    }
}

void SmtpSessionTest::faults_data()
{
    QTest::addColumn<QByteArray>("verb"); // "greeting" for the greeting
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Step>("step");   // the last step reported
    QTest::addColumn<State>("state"); // the state whose wait failed
    QTest::addColumn<Cause>("cause");
    QTest::addColumn<int>("code"); // of the last reply
    QTest::addColumn<int>("commands");

    const QByteArray close = ScriptedPeer::Close;
    const QByteArray none;
    QTest::newRow("no greeting") << QByteArray("greeting") << none << Step::Connected
                                 << State::Greeting << Cause::TimedOut << 0 << 0;
    QTest::newRow("554 greeting") << QByteArray("greeting") << QByteArray("554 go away\r\n")
                                  << Step::Connected << State::Greeting << Cause::Refused << 554
                                  << 0;
    QTest::newRow("closed at once") << QByteArray("greeting") << close << Step::Connected
                                    << State::Greeting << Cause::Closed << 0 << 0;
    QTest::newRow("EHLO unanswered") << QByteArray("EHLO") << none << Step::Connected << State::Ehlo
                                     << Cause::TimedOut << 220 << 1;
    QTest::newRow("EHLO 421") << QByteArray("EHLO") << QByteArray("421 busy\r\n") << Step::Connected
                              << State::Ehlo << Cause::Refused << 421 << 1;
    QTest::newRow("closed at EHLO") << QByteArray("EHLO") << close << Step::Connected << State::Ehlo
                                    << Cause::Closed << 220 << 1;
    QTest::newRow("MAIL refused") << QByteArray("MAIL") << QByteArray("553 no\r\n")
                                  << Step::Connected << State::MailFrom << Cause::Refused << 553
                                  << 2;
    QTest::newRow("MAIL unanswered") << QByteArray("MAIL") << none << Step::Connected
                                     << State::MailFrom << Cause::TimedOut << 250 << 2;
    QTest::newRow("closed at MAIL") << QByteArray("MAIL") << close << Step::Connected
                                    << State::MailFrom << Cause::Closed << 250 << 2;
    QTest::newRow("garbage to MAIL")
        << QByteArray("MAIL") << QByteArray("hello\r\n") << Step::Connected << State::MailFrom
        << Cause::Malformed << 0 << 2;
    QTest::newRow("550 on RCPT") << QByteArray("RCPT") << QByteArray("550 5.1.1 no such user\r\n")
                                 << Step::Sending << State::RcptTo << Cause::Refused << 550 << 3;
    QTest::newRow("closed at RCPT") << QByteArray("RCPT") << close << Step::Sending << State::RcptTo
                                    << Cause::Closed << 250 << 3;
    QTest::newRow("DATA refused") << QByteArray("DATA") << QByteArray("503 bad sequence\r\n")
                                  << Step::Sending << State::Data << Cause::Refused << 503 << 4;
    QTest::newRow("closed at DATA")
        << QByteArray("DATA") << close << Step::Sending << State::Data << Cause::Closed << 250 << 4;
    QTest::newRow("451 after the end")
        << QByteArray(".") << QByteArray("451 4.3.0 try later\r\n") << Step::Disconnecting
        << State::DataEnd << Cause::Refused << 451 << 5;
    QTest::newRow("silence after the end") << QByteArray(".") << none << Step::Disconnecting
                                           << State::DataEnd << Cause::TimedOut << 354 << 5;
    QTest::newRow("closed after the end") << QByteArray(".") << close << Step::Disconnecting
                                          << State::DataEnd << Cause::Closed << 354 << 5;
    QTest::newRow("354 again after the end")
        << QByteArray(".") << QByteArray("354 more?\r\n") << Step::Disconnecting << State::DataEnd
        << Cause::Refused << 354 << 5;
}

void SmtpSessionTest::faults()
{
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, reply);
    QFETCH(Step, step);
    QFETCH(State, state);
    QFETCH(Cause, cause);
    QFETCH(int, code);
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
    QCOMPARE(o.steps.last(), step);
    QCOMPARE(o.failure.state, state);
    QCOMPARE(o.failure.cause, cause);
    QCOMPARE(o.failure.reply.code, code);
    QCOMPARE(peer.commands.size(), commands);
    QCOMPARE(session.socketState(), QAbstractSocket::UnconnectedState);
    QVERIFY(!session.isRunning());
    QTRY_VERIFY(peer.clientClosed);
    QCOMPARE(peer.connections, 1);
}

void SmtpSessionTest::unreachable_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("automatic"); // every port tried at once
    QTest::addColumn<Cause>("cause");
    QTest::addColumn<Stage>("stage");
    QTest::newRow("refused") << "127.0.0.1" << false << Cause::ConnectionRefused
                             << Stage::Connecting;
    QTest::newRow("unknown host") << "smtp.questionnaire.invalid" << false << Cause::HostNotFound
                                  << Stage::Connecting;
    QTest::newRow("refused, automatic")
        << "127.0.0.1" << true << Cause::Unreachable << Stage::Probing;
    // Not "no port answers": the name itself is unknown.
    QTest::newRow("unknown host, automatic")
        << "smtp.questionnaire.invalid" << true << Cause::HostNotFound << Stage::Probing;
}

void SmtpSessionTest::unreachable()
{
    QFETCH(QString, server);
    QFETCH(bool, automatic);
    QFETCH(Cause, cause);
    QFETCH(Stage, stage);
    const quint16 port = testing::closedPort();
    SmtpSession session(port);
    SmtpSession::Timeouts t = quick();
    t.connect = t.probe = 20000;
    session.setTimeouts(t);
    if (automatic) {
        SmtpSession::Connection c = session.connection();
        c.mode = smtp::Mode::Automatic;
        c.implicitPort = c.startTlsPort = port;
        session.setConnection(c);
    }
    const Outcome o = run(session, mail(server), 25000);
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.succeeded, 0);
    QCOMPARE(o.steps, QList<Step>({Step::Connecting}));
    QCOMPARE(o.failure.stage, stage);
    QCOMPARE(o.failure.state, State::Greeting); // the dialogue had not begun
    QCOMPARE(o.failure.cause, cause);
    QCOMPARE(o.failure.reply.code, 0);
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
    QCOMPARE(o.failure.cause, Cause::Overlong);
    QTRY_VERIFY(peer.clientClosed);
}

void SmtpSessionTest::nothingIsSentWithoutAServer()
{
    ScriptedPeer peer;
    SmtpSession session(peer.port());
    QSignalSpy steps(&session, &SmtpSession::progressed);
    for (const QString& server : {QString(), QStringLiteral("    ")}) {
        const SmtpSession::Start verdict = start(session, mail(server));
        QCOMPARE(verdict.setting, Setting::Server);
        QCOMPARE(verdict.fault, Fault::Empty);
        QVERIFY(!session.isRunning());
    }
    QTest::qWait(100);
    QCOMPARE(steps.size(), 0);
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
    paranet::DispatchSettings m = mail();
    (field == 0 ? m.adresse : field == 1 ? m.destinataire : m.expediteur) = value;
    const SmtpSession::Start verdict = start(session, m);
    QCOMPARE(verdict.setting, Setting::Text);
    QCOMPARE(verdict.fault, Fault::LineBreak);
    QVERIFY(!session.isRunning());
    QTest::qWait(100);
    QCOMPARE(peer.connections, 0);
}

void SmtpSessionTest::repliesOutOfTurn_data()
{
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<State>("state");
    QTest::addColumn<QList<QByteArray>>("commands"); // all the peer gets
    const QList<QByteArray> upToData = {"EHLO [127.0.0.1]", "MAIL FROM:<prof@lycee.fr>",
                                        "RCPT TO:<retour@tarvel.fr>", "DATA"};
    // The message is never acknowledged: "250 queued" came before it was sent.
    QTest::newRow("354 then 250 at once")
        << QByteArray("DATA") << QByteArray("354 go\r\n250 queued\r\n") << State::Data << upToData;
    QTest::newRow("two 250 to MAIL")
        << QByteArray("MAIL") << QByteArray("250 ok\r\n250 ok again\r\n") << State::MailFrom
        << upToData.mid(0, 2);
    QTest::newRow("greeting twice") << QByteArray("greeting") << QByteArray("220 a\r\n220 b\r\n")
                                    << State::Greeting << QList<QByteArray>();
    QTest::newRow("half a reply more")
        << QByteArray("RCPT") << QByteArray("250 ok\r\n35") << State::RcptTo << upToData.mid(0, 3);
}

void SmtpSessionTest::repliesOutOfTurn()
{
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, reply);
    QFETCH(State, state);
    QFETCH(QList<QByteArray>, commands);
    ScriptedPeer peer;
    if (verb == "greeting")
        peer.greeting = reply;
    else
        peer.replies[verb] = reply;
    SmtpSession session(peer.port());
    session.setTimeouts(quick());
    const Outcome o = run(session, mail());
    QCOMPARE(o.succeeded, 0);
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.failure.cause, Cause::OutOfTurn);
    QCOMPARE(o.failure.state, state);
    QTRY_VERIFY(peer.clientClosed);
    QCOMPARE(peer.commands, commands);
    QVERIFY(peer.data.isEmpty());
}

void SmtpSessionTest::malformedAddressesAreRefused_data()
{
    QTest::addColumn<bool>("recipient");
    QTest::addColumn<QString>("address");
    QTest::addColumn<Fault>("fault");
    // Each of these once reached the wire as more than one address.
    QTest::newRow("MAIL parameters") << false << "a@b.fr SIZE=1 BODY=8BITMIME" << Fault::Space;
    QTest::newRow("closing bracket") << false << "a@b.fr> SIZE=1 BODY=8BITMIME" << Fault::Bracket;
    QTest::newRow("NOTIFY") << true << "x@y.fr> NOTIFY=NEVER" << Fault::Bracket;
    QTest::newRow("second recipient") << true << "x@y.fr>,<evil@z.fr" << Fault::Bracket;
    QTest::newRow("comma") << true << "x@y.fr,evil@z.fr" << Fault::Comma;
    QTest::newRow("null path") << false << "<>" << Fault::Bracket;
    QTest::newRow("NUL") << false << QString::fromUtf8("a\0b@c.fr", 8) << Fault::Control;
    QTest::newRow("tab") << true << "x@y.fr\tz" << Fault::Control;
    QTest::newRow("DEL") << false << "a\x7f@b.fr" << Fault::Control;
    QTest::newRow("C1 control") << false << QString::fromUtf8("a\xc2\x81@b.fr") << Fault::Control;
    QTest::newRow("lone surrogate") << false << QString(QChar(0xD800)) + "@b.fr" << Fault::Control;
    QTest::newRow("no at") << false << "prof.lycee.fr" << Fault::NoAt;
    QTest::newRow("space inside") << false << "prof curie@lycee.fr" << Fault::Space;
    QTest::newRow("space around") << true << " retour@tarvel.fr" << Fault::Space;
    QTest::newRow("two dots") << false << "a..b@c.fr" << Fault::LocalPart;
    QTest::newRow("empty local part") << false << "@c.fr" << Fault::LocalPart;
    QTest::newRow("bad domain") << false << "a@-c.fr" << Fault::Domain;
    QTest::newRow("empty domain") << true << "x@" << Fault::Domain;
    QTest::newRow("bad literal") << true << "x@[1.2.3]" << Fault::Domain;
    QTest::newRow("long local part")
        << false << QString(65, QLatin1Char('a')) + "@b.fr" << Fault::TooLong;
    QTest::newRow("empty sender") << false << "" << Fault::Empty;
    QTest::newRow("empty recipient") << true << "" << Fault::Empty;
}

void SmtpSessionTest::malformedAddressesAreRefused()
{
    QFETCH(bool, recipient);
    QFETCH(QString, address);
    QFETCH(Fault, fault);
    ScriptedPeer peer;
    SmtpSession session(peer.port());
    paranet::DispatchSettings m = mail();
    (recipient ? m.destinataire : m.adresse) = address;
    const SmtpSession::Start verdict = start(session, m);
    QCOMPARE(verdict.setting, recipient ? Setting::Recipient : Setting::Sender);
    QCOMPARE(verdict.fault, fault);
    QVERIFY(!session.isRunning());
    QTest::qWait(100);
    QCOMPARE(peer.connections, 0);

    // Mailboxes that look odd but are RFC 5321's own go through whole.
    for (const QString& good :
         {QStringLiteral("\"prof curie\"@lycee.fr"), QStringLiteral("a.b+c@[127.0.0.1]"),
          QStringLiteral("x@[IPv6:::1]"), QStringLiteral("o'neil@lycee.fr")}) {
        QCOMPARE(mailcheck::address(good), Fault::None);
        QCOMPARE(mailcheck::envelope(good), good.toUtf8());
    }
    // A literal that the address parsers would forgive is not sent as it stands.
    for (const QString& bad : {QStringLiteral("x@[IPv6:2001:\u00a0db8::1]"),
                               QStringLiteral("x@[ 127.0.0.1]"), QStringLiteral("x@[127.0.0.+1]")})
        QVERIFY2(mailcheck::address(bad) != Fault::None, qPrintable(bad));
}

void SmtpSessionTest::serverNames_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("host"); // what is connected to
    QTest::newRow("LF after") << "127.0.0.1\n" << Fault::LineBreak << "";
    QTest::newRow("CR inside") << "smtp\r.lycee.fr" << Fault::LineBreak << "";
    QTest::newRow("NUL inside") << QString::fromUtf8("127.0.0.1\0evil", 14) << Fault::Control << "";
    QTest::newRow("tab") << "\tsmtp.lycee.fr" << Fault::Control << "";
    QTest::newRow("space inside") << "smtp lycee.fr" << Fault::Space << "";
    QTest::newRow("not a name") << "smtp..lycee.fr" << Fault::NotHost << "";
    QTest::newRow("at sign") << "prof@lycee.fr" << Fault::NotHost << "";
    QTest::newRow("bad bracket") << "[smtp.lycee.fr]" << Fault::NotHost << "";
    QTest::newRow("host name") << " smtp.lycee-curie.fr " << Fault::None << "smtp.lycee-curie.fr";
    QTest::newRow("root dot") << "smtp.lycee.fr." << Fault::None << "smtp.lycee.fr.";
    QTest::newRow("IPv4") << "192.0.2.25" << Fault::None << "192.0.2.25";
    QTest::newRow("IPv6") << "2001:db8::25" << Fault::None << "2001:db8::25";
    QTest::newRow("IPv6 bracketed") << "[2001:db8::25]" << Fault::None << "2001:db8::25";
    QTest::newRow("IDNA") << "почта.пример.рф" << Fault::None
                          << "xn--80a1acny.xn--e1afmkfd.xn--p1ai";
}

void SmtpSessionTest::serverNames()
{
    QFETCH(QString, server);
    QFETCH(Fault, fault);
    QFETCH(QString, host);
    QString checked;
    QCOMPARE(mailcheck::server(server, &checked), fault);
    QCOMPARE(checked, host);
    if (fault == Fault::None)
        return;
    ScriptedPeer peer;
    SmtpSession session(peer.port());
    const SmtpSession::Start verdict = start(session, mail(server));
    QCOMPARE(verdict.setting, Setting::Server);
    QCOMPARE(verdict.fault, fault);
    QTest::qWait(100);
    QCOMPARE(peer.connections, 0);
}

void SmtpSessionTest::bracketedIpv6Server()
{
    ScriptedPeer peer{QHostAddress(QHostAddress::LocalHostIPv6)};
    if (peer.port() == 0)
        QSKIP("no IPv6 loopback on this machine");
    for (const QString& server : {QStringLiteral("[::1]"), QStringLiteral("::1")}) {
        SmtpSession session(peer.port());
        session.setTimeouts(quick());
        const Outcome o = run(session, mail(server));
        QCOMPARE(o.succeeded, 1);
    }
    QCOMPARE(peer.connections, 2);
    QCOMPARE(peer.commands.first(), QByteArray("EHLO [IPv6:::1]"));
}

void SmtpSessionTest::internationalisedServerIsLookedUpInAscii()
{
    // No resolver knows the name; the trace shows the form that was asked for.
    QStringList trace;
    static QStringList* sink = nullptr;
    sink = &trace;
    QLoggingCategory::setFilterRules(QStringLiteral("questionnaire.smtp.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { *sink << m; });
    SmtpSession session(25);
    SmtpSession::Timeouts t = quick();
    t.connect = 20000;
    session.setTimeouts(t);
    const Outcome o = run(session, mail(QStringLiteral("почта.пример.рф")), 25000);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.failure.stage, Stage::Connecting);
    QVERIFY(trace.filter(QStringLiteral("xn--80a1acny.xn--e1afmkfd.xn--p1ai")).size() == 1);
}

void SmtpSessionTest::nonAsciiAddressesNeedSmtpUtf8()
{
    paranet::DispatchSettings m = mail();
    m.adresse = QStringLiteral("andré@lycée.fr");
    m.destinataire = QStringLiteral("retour@tarvel.fr");

    // Without SMTPUTF8 nothing 8-bit is sent: the run ends after EHLO.
    ScriptedPeer plain;
    SmtpSession first(plain.port());
    first.setTimeouts(quick());
    Outcome o = run(first, m);
    QCOMPARE(o.failed, 1);
    QCOMPARE(o.failure.cause, Cause::SenderNeedsSmtpUtf8);
    QCOMPARE(plain.commands, QList<QByteArray>({"EHLO [127.0.0.1]"}));

    ScriptedPeer helo;
    helo.replies["EHLO"] = "500 no\r\n";
    SmtpSession second(helo.port());
    second.setTimeouts(quick());
    paranet::DispatchSettings r = mail();
    r.destinataire = QStringLiteral("rétro@tarvel.fr");
    o = run(second, r);
    QCOMPARE(o.failure.cause, Cause::RecipientNeedsSmtpUtf8);
    QCOMPARE(helo.commands.size(), 2);

    // With it, the addresses go in UTF-8, the domain in its ASCII form.
    ScriptedPeer utf8;
    utf8.replies["EHLO"] = "250-peer.test\r\n250-8BITMIME\r\n250 SMTPUTF8\r\n";
    SmtpSession third(utf8.port());
    third.setTimeouts(quick());
    o = run(third, m);
    QCOMPARE(o.succeeded, 1);
    QCOMPARE(utf8.commands.mid(1, 2),
             QList<QByteArray>({"MAIL FROM:<andr\xc3\xa9@xn--lyce-dpa.fr> SMTPUTF8",
                                "RCPT TO:<retour@tarvel.fr>"}));
    QVERIFY(utf8.data.startsWith("FROM: andr\xc3\xa9@xn--lyce-dpa.fr\r\n"));

    // A domain alone needs no extension.
    ScriptedPeer domain;
    SmtpSession fourth(domain.port());
    fourth.setTimeouts(quick());
    m.adresse = QStringLiteral("prof@lycée.fr");
    QCOMPARE(run(fourth, m).succeeded, 1);
    QCOMPARE(domain.commands[1], QByteArray("MAIL FROM:<prof@xn--lyce-dpa.fr>"));
}

void SmtpSessionTest::exchangeIsTraced()
{
    static QStringList* sink = nullptr;
    QStringList trace;
    sink = &trace;
    QLoggingCategory::setFilterRules(QStringLiteral("questionnaire.smtp.debug=true"));
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& c, const QString& m) {
            if (QByteArray(c.category) == "questionnaire.smtp")
                *sink << m;
        });
    ScriptedPeer peer;
    peer.replies["RCPT"] = "550 5.1.1 no such user\r\n";
    SmtpSession session(peer.port());
    session.setTimeouts(quick());
    const Outcome o = run(session, mail());
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(o.failed, 1);
    const QString all = trace.join(QLatin1Char('\n'));
    for (const char* expected : {"C: EHLO [127.0.0.1]", "S: 250-8BITMIME",
                                 "C: MAIL FROM:<prof@lycee.fr>", "S: 550 5.1.1 no such user"})
        QVERIFY2(all.contains(QLatin1String(expected)), expected);

    // A delivered message leaves its size in the trace, never its text.
    trace.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("questionnaire.smtp.debug=true"));
    qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { *sink << m; });
    ScriptedPeer good;
    SmtpSession second(good.port());
    second.setTimeouts(quick());
    QCOMPARE(run(second, mail()).succeeded, 1);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QVERIFY(trace.join(QLatin1Char('\n')).contains(QLatin1String("bytes")));
    QVERIFY(!trace.join(QLatin1Char('\n')).contains(QLatin1String("Oui")));
    QVERIFY(!trace.join(QLatin1Char('\n')).contains(QLatin1String("Lyc")));

    // Silent unless asked for.
    trace.clear();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext& c, const QString& m) {
        if (QByteArray(c.category) == "questionnaire.smtp")
            *sink << m;
    });
    ScriptedPeer quiet;
    SmtpSession third(quiet.port());
    third.setTimeouts(quick());
    QCOMPARE(run(third, mail()).succeeded, 1);
    qInstallMessageHandler(previous);
    QVERIFY(trace.isEmpty());
}

void SmtpSessionTest::secondStartAndAbort()
{
    ScriptedPeer peer;
    peer.replies["RCPT"] = QByteArray(); // the run waits here
    SmtpSession session(peer.port());
    session.setTimeouts(quick());
    int ends = 0;
    QList<Step> steps;
    connect(&session, &SmtpSession::succeeded, this, [&ends] { ++ends; });
    connect(&session, &SmtpSession::failed, this, [&ends] { ++ends; });
    connect(&session, &SmtpSession::progressed, this, [&steps](Step s) { steps << s; });
    QVERIFY(start(session, mail()).started());
    QTRY_COMPARE(peer.commands.size(), 3);
    QCOMPARE(start(session, mail()).setting, Setting::Busy);
    session.abort();
    QVERIFY(!session.isRunning());
    QCOMPARE(session.socketState(), QAbstractSocket::UnconnectedState);
    QTRY_VERIFY(peer.clientClosed);
    QTest::qWait(quick().reply + 200); // past the time-out of the aborted wait
    QCOMPARE(ends, 0);
    QCOMPARE(peer.connections, 1);
    QCOMPARE(steps.last(), Step::Sending);

    // The same session runs again after the abort, afresh, to its end.
    ScriptedPeer next;
    session.setPort(next.port());
    steps.clear();
    QVERIFY(start(session, mail()).started());
    QTRY_COMPARE(ends, 1);
    QCOMPARE(steps, AllSteps);
    QCOMPARE(next.commands.size(), 6);
    QCOMPARE(next.connections, 1);
    QCOMPARE(peer.connections, 1);
}

QTEST_GUILESS_MAIN(SmtpSessionTest)
#include "tst_smtpsession.moc"
