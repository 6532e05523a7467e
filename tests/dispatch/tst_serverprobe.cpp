#include "dispatch/blockedport.h"
#include "dispatch/serverprobe.h"

#include <QSslSocket>
#include <QTcpServer>
#include <QTest>

// Finding how a server can be reached: ports that answer, refuse, or never
// answer (blocked_port.py: a full listen queue, whose connection requests the
// kernel drops as a provider's filter does).
class ServerProbeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void mostSecureThatAnswers();
    void aBlockedLessSecurePortIsNotWaitedFor();
    void aBlockedMoreSecurePortIsWaitedForWithinTheBudget();
    void nothingAnswers();

private:
    quint16 closedPort();
    BlockedPort m_blocked;
};

namespace
{

using Outcome = ServerProbe::Outcome;

QList<ServerProbe::Candidate> candidates(const QList<quint16>& ports)
{
    QList<ServerProbe::Candidate> list;
    for (int i = 0; i < ports.size(); ++i) {
        ServerProbe::Candidate c;
        c.tag = i;
        c.port = ports[i];
        list << c;
    }
    return list;
}

bool run(ServerProbe& probe, const QList<quint16>& ports, int budget, int waitMs)
{
    bool done = false;
    QObject::connect(&probe, &ServerProbe::finished, &probe, [&done] { done = true; });
    probe.start(QStringLiteral("127.0.0.1"), candidates(ports), budget);
    return QTest::qWaitFor([&done] { return done; }, waitMs);
}

} // namespace

void ServerProbeTest::initTestCase()
{
    QVERIFY(m_blocked.start());
}

quint16 ServerProbeTest::closedPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort(); // closed again as s goes
}

void ServerProbeTest::mostSecureThatAnswers()
{
    QTcpServer first, second;
    QVERIFY(first.listen(QHostAddress::LocalHost));
    QVERIFY(second.listen(QHostAddress::LocalHost));
    ServerProbe probe;
    QVERIFY(run(probe, {closedPort(), first.serverPort(), second.serverPort()}, 60000, 10000));
    QCOMPARE(probe.chosen(), 1);
    QCOMPARE(probe.candidates()[0].outcome, Outcome::Refused);
    QSslSocket* s = probe.takeSocket();
    QVERIFY(s);
    QCOMPARE(s->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(s->peerPort(), first.serverPort());
    delete s;
    QVERIFY(!probe.takeSocket());
}

void ServerProbeTest::aBlockedLessSecurePortIsNotWaitedFor()
{
    QTcpServer open;
    QVERIFY(open.listen(QHostAddress::LocalHost));
    ServerProbe probe;
    // The budget outlasts the test.
    QVERIFY(run(probe, {closedPort(), open.serverPort(), m_blocked.port()}, 600000, 60000));
    QCOMPARE(probe.chosen(), 1);
    // Chosen while the blocked port was still being tried.
    QCOMPARE(probe.candidates()[2].outcome, Outcome::Pending);
    delete probe.takeSocket();
}

void ServerProbeTest::aBlockedMoreSecurePortIsWaitedForWithinTheBudget()
{
    QTcpServer open;
    QVERIFY(open.listen(QHostAddress::LocalHost));
    ServerProbe probe;
    QVERIFY(run(probe, {m_blocked.port(), open.serverPort()}, 1500, 20000));
    QCOMPARE(probe.chosen(), 1);
    QCOMPARE(probe.candidates()[0].outcome, Outcome::NoAnswer);
    delete probe.takeSocket();
}

void ServerProbeTest::nothingAnswers()
{
    ServerProbe probe;
    QVERIFY(run(probe, {closedPort(), m_blocked.port()}, 1500, 20000));
    QCOMPARE(probe.chosen(), -1);
    QCOMPARE(probe.candidates()[0].outcome, Outcome::Refused);
    QCOMPARE(probe.candidates()[1].outcome, Outcome::NoAnswer);
    QVERIFY(!probe.takeSocket());
}

QTEST_GUILESS_MAIN(ServerProbeTest)
#include "tst_serverprobe.moc"
