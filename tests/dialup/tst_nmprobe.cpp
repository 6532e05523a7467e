// The NetworkManager dial-up link against a NetworkManager mock on a private bus.
#include "dialup/dialuplink_nm.h"
#include "nmbus.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace nmtest;

class NmProbeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void dialupKinds_data();
    void dialupKinds();
    void hangUpLeavesOtherConnectionsAlone();
    void networkManagerAbsent();
    void silentNetworkManagerIsNotWaitedFor();
    void platformLinkWithoutSystemBus();

private:
    NmDialupLink link(int budgetMs = 1500)
    {
        return NmDialupLink(QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("probe")),
                            budgetMs);
    }
    void startMock() { QVERIFY2(m_mock.start(m_bus.address()), "dbusmock did not start"); }

    QTemporaryDir m_dir;
    PrivateBus m_bus;
    NmMock m_mock;
    QProcess m_silent;
};

void NmProbeTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_bus.start(m_dir.path()), "dbus-daemon did not start");
    // A machine with no system bus at all.
    qputenv(
        "DBUS_SYSTEM_BUS_ADDRESS",
        (QStringLiteral("unix:path=") + m_dir.path() + QStringLiteral("/nosystembus")).toUtf8());
}

void NmProbeTest::cleanupTestCase()
{
    m_bus.stop();
}

void NmProbeTest::cleanup()
{
    m_mock.stop();
    testing::stopProcess(m_silent);
    QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
}

void NmProbeTest::dialupKinds_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("bluetoothType");
    QTest::addColumn<uint>("device");
    QTest::addColumn<uint>("state");
    QTest::addColumn<bool>("dialup");

    QTest::newRow("mobile broadband (gsm) up") << "gsm"
                                               << "" << uint(Modem) << uint(Activated) << true;
    QTest::newRow("mobile broadband (cdma) up") << "cdma"
                                                << "" << uint(Modem) << uint(Activated) << true;
    QTest::newRow("PPPoE over Ethernet") << "pppoe"
                                         << "" << uint(Ethernet) << uint(Activated) << true;
    QTest::newRow("Bluetooth dial-up") << "bluetooth"
                                       << "dun" << uint(Bluetooth) << uint(Activated) << true;
    QTest::newRow("Bluetooth network") << "bluetooth"
                                       << "panu" << uint(Bluetooth) << uint(Activated) << false;
    QTest::newRow("any kind on a modem") << "generic"
                                         << "" << uint(Modem) << uint(Activated) << true;
    QTest::newRow("any kind on a PPP device") << "generic"
                                              << "" << uint(Ppp) << uint(Activated) << true;
    QTest::newRow("gsm with no device known") << "gsm"
                                              << "" << uint(NoDevice) << uint(Activated) << true;
    QTest::newRow("gsm still dialling") << "gsm"
                                        << "" << uint(Modem) << uint(Activating) << false;
    QTest::newRow("gsm hanging up") << "gsm"
                                    << "" << uint(Modem) << uint(Deactivating) << false;
    QTest::newRow("Ethernet") << "802-3-ethernet"
                              << "" << uint(Ethernet) << uint(Activated) << false;
    QTest::newRow("Wi-Fi") << "802-11-wireless"
                           << "" << uint(Wifi) << uint(Activated) << false;
}

void NmProbeTest::dialupKinds()
{
    QFETCH(QString, type);
    QFETCH(QString, bluetoothType);
    QFETCH(uint, device);
    QFETCH(uint, state);
    QFETCH(bool, dialup);

    startMock();
    QStringList devices;
    if (device != NoDevice)
        devices << m_mock.addDevice(QStringLiteral("dev0"), device);
    const QString connection = m_mock.addConnection(type, QStringLiteral("conn"), bluetoothType);
    QVERIFY(!connection.isEmpty());
    QVERIFY(!m_mock.activate(devices, connection, QStringLiteral("0"), state).isEmpty());

    NmDialupLink probe = link();
    QCOMPARE(probe.connexionactive(), dialup);
    QVERIFY(m_mock.deactivations().isEmpty());
}

void NmProbeTest::hangUpLeavesOtherConnectionsAlone()
{
    startMock();
    const QString eth = m_mock.addDevice(QStringLiteral("eth0"), Ethernet);
    const QString modem = m_mock.addDevice(QStringLiteral("ttyUSB0"), Modem);
    const QString wired =
        m_mock.activate({eth}, m_mock.addConnection(QStringLiteral("802-3-ethernet"), "Filaire"),
                        QStringLiteral("0"), Activated);
    const QString mobile = m_mock.activate(
        {modem}, m_mock.addConnection(QStringLiteral("gsm"), QStringLiteral("Orange")),
        QStringLiteral("1"), Activated);
    QCOMPARE(m_mock.activeConnections(), QStringList({wired, mobile}));

    NmDialupLink probe = link();
    QVERIFY(probe.connexionactive());
    probe.hangUp();
    QCOMPARE(m_mock.deactivations(), QStringList{mobile});
    QCOMPARE(m_mock.activeConnections(), QStringList{wired});
    QVERIFY(!probe.connexionactive());
}

void NmProbeTest::networkManagerAbsent()
{
    // Not started on demand, and nothing said about it.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    NmDialupLink probe = link();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(probe.connexionactive(), false);
    probe.hangUp();
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!m_bus.networkManagerStarted());
}

void NmProbeTest::silentNetworkManagerIsNotWaitedFor()
{
    // A NetworkManager that holds its name but never answers.
    startChild(m_silent, QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"),
                QStringLiteral("import dbus, sys, time\n"
                               "bus = dbus.bus.BusConnection(sys.argv[1])\n"
                               "bus.request_name('org.freedesktop.NetworkManager')\n"
                               "time.sleep(120)\n"),
                m_bus.address()});
    QDBusConnection watch = QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("probe"));
    QTRY_VERIFY_WITH_TIMEOUT(watch.interface()->isServiceRegistered(NmService), 10000);

    NmDialupLink probe = link(400);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(probe.connexionactive(), false);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    clock.restart();
    probe.hangUp();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
}

void NmProbeTest::platformLinkWithoutSystemBus()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    const std::unique_ptr<DialupLink> platform = makePlatformDialupLink();
    QCOMPARE(platform->connexionactive(), false);
    platform->hangUp();
}

QTEST_GUILESS_MAIN(NmProbeTest)
#include "tst_nmprobe.moc"
