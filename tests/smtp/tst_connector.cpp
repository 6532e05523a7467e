// How a way to the server is found: every port at once, the most secure that
// answers; a port counts as answering once the server has spoken on it, so
// that one that takes the connection and closes it, or says nothing, is
// passed by; what happened on the chosen socket meanwhile reaches the
// dialogue with it.
#include "smtp/smtpconnector.h"
#include "support/blockedport.h"
#include "support/portprocess.h"
#include "support/smtppeer.h"

#include <QTest>

using namespace testing;
using Mode = smtp::Mode;
using Outcome = SmtpConnector::Outcome;

class ConnectorTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void mostSecureThatAnswers();
    void aBlockedLessSecurePortIsNotWaitedFor();
    void aBlockedMoreSecurePortIsWaitedForWithinTheBudget();
    void silentOrClosingBeforeTheGreetingIsPassedBy_data();
    void silentOrClosingBeforeTheGreetingIsPassedBy();
    void aCloseSeenWhileProbingReachesTheDialogue();
    void nothingAnswers();
    void aRememberedWayThatStoppedAnsweringIsFoundAgain();

private:
    BlockedPort m_blocked;
};

namespace
{

// What the connector said, in order.
struct Heard {
    QStringList events;
    QByteArray bytes;
    SmtpConnector::Failure failure;
    explicit Heard(SmtpConnector& c)
    {
        QObject::connect(&c, &SmtpConnector::opened, &c, [this] { events << "opened"; });
        QObject::connect(&c, &SmtpConnector::received, &c, [this](const QByteArray& b) {
            events << "received";
            bytes += b;
        });
        QObject::connect(&c, &SmtpConnector::closed, &c, [this] { events << "closed"; });
        QObject::connect(&c, &SmtpConnector::failed, &c, [this](const SmtpConnector::Failure& f) {
            events << "failed";
            failure = f;
        });
    }
    bool waitFor(const char* event, int ms = 20000)
    {
        return QTest::qWaitFor([&] { return events.contains(QLatin1String(event)); }, ms);
    }
};

SmtpConnector::Request automatic(quint16 implicitTls, quint16 startTls, quint16 plain)
{
    SmtpConnector::Request r;
    r.host = QStringLiteral("127.0.0.1");
    r.mode = Mode::Automatic;
    r.ports = {implicitTls, startTls, plain};
    return r;
}

SmtpConnector::Timeouts budget(int probeMs)
{
    SmtpConnector::Timeouts t;
    t.connect = t.handshake = 600000; // outlasts the test: only the budget may end a wait
    t.probe = probeMs;
    return t;
}

} // namespace

void ConnectorTest::initTestCase()
{
    QVERIFY(m_blocked.start());
}

void ConnectorTest::mostSecureThatAnswers()
{
    ScriptedPeer submission, plain;
    SmtpConnector c;
    c.setTimeouts(budget(60000));
    Heard heard(c);
    c.open(automatic(closedPort(), submission.port(), plain.port()));
    QVERIFY(heard.waitFor("received"));
    QCOMPARE(c.way().mode, Mode::StartTls);
    QCOMPARE(c.way().port, submission.port());
    QCOMPARE(heard.events, (QStringList{"opened", "received"}));
    QCOMPARE(heard.bytes, submission.greeting);
    QCOMPARE(c.socketState(), QAbstractSocket::ConnectedState);
}

void ConnectorTest::aBlockedLessSecurePortIsNotWaitedFor()
{
    ScriptedPeer submission;
    SmtpConnector c;
    c.setTimeouts(budget(600000));
    Heard heard(c);
    c.open(automatic(closedPort(), submission.port(), m_blocked.port()));
    // Chosen while the blocked port is still being tried.
    QVERIFY(heard.waitFor("opened", 20000));
    QCOMPARE(c.way().port, submission.port());
}

void ConnectorTest::aBlockedMoreSecurePortIsWaitedForWithinTheBudget()
{
    // The TLS handshake is within the budget too: a silent port 465 costs
    // no more than it, not the connect time-out.
    ScriptedPeer silentTls;
    silentTls.greeting.clear();
    for (const quint16 implicitTls : {m_blocked.port(), silentTls.port()}) {
        ScriptedPeer submission;
        SmtpConnector c;
        c.setTimeouts(budget(1500));
        Heard heard(c);
        c.open(automatic(implicitTls, submission.port(), closedPort()));
        QVERIFY(heard.waitFor("opened", 20000));
        QCOMPARE(c.way().mode, Mode::StartTls);
    }
}

void ConnectorTest::silentOrClosingBeforeTheGreetingIsPassedBy_data()
{
    QTest::addColumn<QByteArray>("greeting");
    QTest::newRow("closes") << ScriptedPeer::Close;
    QTest::newRow("says nothing") << QByteArray();
}

void ConnectorTest::silentOrClosingBeforeTheGreetingIsPassedBy()
{
    QFETCH(QByteArray, greeting);
    ScriptedPeer submission, plain;
    submission.greeting = greeting;
    SmtpConnector c;
    c.setTimeouts(budget(1500));
    Heard heard(c);
    c.open(automatic(closedPort(), submission.port(), plain.port()));
    QVERIFY(heard.waitFor("received"));
    QCOMPARE(c.way().mode, Mode::Plain);
    QCOMPARE(c.way().port, plain.port());
    QCOMPARE(heard.bytes, plain.greeting);
    QCOMPARE(submission.connections, 1);
}

void ConnectorTest::aCloseSeenWhileProbingReachesTheDialogue()
{
    // Port 587 greets and hangs up at once while 465 is still awaited.
    ScriptedPeer submission;
    submission.greeting = "421 busy\r\n" + ScriptedPeer::Close;
    SmtpConnector c;
    c.setTimeouts(budget(1000));
    Heard heard(c);
    c.open(automatic(m_blocked.port(), submission.port(), closedPort()));
    QVERIFY(heard.waitFor("closed"));
    QCOMPARE(heard.events, (QStringList{"opened", "received", "closed"}));
    QCOMPARE(heard.bytes, QByteArray("421 busy\r\n"));
}

void ConnectorTest::nothingAnswers()
{
    SmtpConnector c;
    c.setTimeouts(budget(1500));
    Heard heard(c);
    c.open(automatic(closedPort(), m_blocked.port(), closedPort()));
    QVERIFY(heard.waitFor("failed"));
    QCOMPARE(heard.failure.cause, SmtpConnector::Cause::Unreachable);
    QCOMPARE(heard.failure.stage, SmtpConnector::Stage::Probing);
    QCOMPARE(heard.failure.attempts.size(), 3);
    QCOMPARE(heard.failure.attempts[0].outcome, Outcome::Refused);
    QCOMPARE(heard.failure.attempts[1].outcome, Outcome::NoAnswer);
    QCOMPARE(heard.failure.attempts[2].way.mode, Mode::Plain);
    QCOMPARE(c.socketState(), QAbstractSocket::UnconnectedState);
}

void ConnectorTest::aRememberedWayThatStoppedAnsweringIsFoundAgain()
{
    // 587 was remembered; it now takes the connection and says nothing.
    ScriptedPeer remembered, plain;
    remembered.greeting.clear();
    SmtpConnector::Request r = automatic(closedPort(), remembered.port(), plain.port());
    r.remembered = {Mode::StartTls, remembered.port()};
    SmtpConnector c;
    c.setTimeouts(budget(1000));
    Heard heard(c);
    c.open(r);
    QVERIFY(heard.waitFor("received"));
    QCOMPARE(c.way().port, plain.port());
    QCOMPARE(remembered.connections, 2); // alone first, then with the others
}

QTEST_GUILESS_MAIN(ConnectorTest)
#include "tst_connector.moc"
