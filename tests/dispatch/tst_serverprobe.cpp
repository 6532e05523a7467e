#include "dispatch/serverprobe.h"

#include <QProcess>
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
    void cleanupTestCase();
    void mostSecureThatAnswers();
    void aBlockedLessSecurePortIsNotWaitedFor();
    void aBlockedMoreSecurePortIsWaitedForWithinTheBudget();
    void nothingAnswers();

private:
    quint16 closedPort();
    QProcess m_blocked;
    quint16 m_blockedPort = 0;
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
    m_blocked.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(TESTS_SOURCE_DIR "/dispatch/blocked_port.py")});
    QVERIFY(m_blocked.waitForStarted(5000));
    QByteArray line;
    while (!line.endsWith('\n') && m_blocked.waitForReadyRead(10000))
        line += m_blocked.readLine();
    m_blockedPort = line.mid(5).trimmed().toUShort();
    QVERIFY(m_blockedPort != 0);
}

void ServerProbeTest::cleanupTestCase()
{
    m_blocked.closeWriteChannel();
    m_blocked.waitForFinished(5000);
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
    // The budget is a minute: an answer within ten seconds means the blocked
    // port was not waited for.
    QVERIFY(run(probe, {closedPort(), open.serverPort(), m_blockedPort}, 60000, 10000));
    QCOMPARE(probe.chosen(), 1);
    delete probe.takeSocket();
}

void ServerProbeTest::aBlockedMoreSecurePortIsWaitedForWithinTheBudget()
{
    QTcpServer open;
    QVERIFY(open.listen(QHostAddress::LocalHost));
    ServerProbe probe;
    QVERIFY(run(probe, {m_blockedPort, open.serverPort()}, 1500, 20000));
    QCOMPARE(probe.chosen(), 1);
    QCOMPARE(probe.candidates()[0].outcome, Outcome::NoAnswer);
    delete probe.takeSocket();
}

void ServerProbeTest::nothingAnswers()
{
    ServerProbe probe;
    QVERIFY(run(probe, {closedPort(), m_blockedPort}, 1500, 20000));
    QCOMPARE(probe.chosen(), -1);
    QCOMPARE(probe.candidates()[0].outcome, Outcome::Refused);
    QCOMPARE(probe.candidates()[1].outcome, Outcome::NoAnswer);
    QVERIFY(!probe.takeSocket());
}

QTEST_GUILESS_MAIN(ServerProbeTest)
#include "tst_serverprobe.moc"
