#pragma once

// A private D-Bus daemon and a NetworkManager mock on it (Debian's
// python3-dbusmock), shared by the dial-up tests.  Every process started
// here is stopped by stop(), by the destructor, and by the kernel should the
// test itself die.

#include "support/process.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <sys/prctl.h>

namespace nmtest
{

const QString NmService = QStringLiteral("org.freedesktop.NetworkManager");
const QString NmPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString MockPath = QStringLiteral("/org/freedesktop");
const QString MockIface = QStringLiteral("org.freedesktop.DBus.Mock");

// Device types and active-connection states of NetworkManager.
enum DeviceType : uint { NoDevice = 0, Ethernet = 1, Wifi = 2, Bluetooth = 5, Modem = 8, Ppp = 23 };
enum State : uint { Activating = 1, Activated = 2, Deactivating = 3 };

using Settings = QMap<QString, QVariantMap>;

inline void startChild(QProcess& p, const QString& program, const QStringList& args)
{
    p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
}

class PrivateBus
{
public:
    ~PrivateBus() { stop(); }

    // Starts a dbus-daemon listening on a socket in directory.  It could
    // start NetworkManager on demand, which only leaves a mark.
    bool start(const QString& directory)
    {
        m_directory = directory;
        QDir(directory).mkpath(QStringLiteral("services"));
        QFile service(directory + QStringLiteral("/services/nm.service"));
        if (!service.open(QIODevice::WriteOnly))
            return false;
        service.write(QStringLiteral("[D-BUS Service]\nName=org.freedesktop.NetworkManager\n"
                                     "Exec=/usr/bin/touch %1/nm-started\n")
                          .arg(directory)
                          .toUtf8());
        service.close();
        const QString config = directory + QStringLiteral("/bus.conf");
        QFile f(config);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                               "Configuration 1.0//EN\" "
                               "\"http://www.freedesktop.org/standards/dbus/1.0/"
                               "busconfig.dtd\">\n<busconfig><type>session</type>"
                               "<listen>unix:path=%1/bus</listen><auth>EXTERNAL</auth>"
                               "<servicedir>%1/services</servicedir>"
                               "<policy context=\"default\"><allow send_destination=\"*\"/>"
                               "<allow receive_sender=\"*\"/><allow own=\"*\"/>"
                               "</policy></busconfig>\n")
                    .arg(directory)
                    .toUtf8());
        f.close();
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        // It complains about its file limit; kept beside its configuration.
        m_daemon.setStandardErrorFile(directory + QStringLiteral("/bus.log"));
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        const QDeadlineTimer deadline(10000);
        QByteArray out;
        while (!out.contains('\n') && !deadline.hasExpired() &&
               m_daemon.waitForReadyRead(int(deadline.remainingTime())))
            out += m_daemon.readAllStandardOutput();
        m_address = QString::fromUtf8(out.trimmed());
        return !m_address.isEmpty();
    }

    void stop() { testing::stopProcess(m_daemon); }
    QString address() const { return m_address; }
    bool networkManagerStarted() const
    {
        return QFile::exists(m_directory + QStringLiteral("/nm-started"));
    }

private:
    QProcess m_daemon;
    QString m_directory;
    QString m_address;
};

// The dbusmock NetworkManager template, driven through its mock interface.
class NmMock
{
public:
    ~NmMock() { stop(); }

    bool start(const QString& busAddress)
    {
        qDBusRegisterMetaType<Settings>();
        m_control = QDBusConnection::connectToBus(busAddress, QStringLiteral("nmmock-control"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        m_mock.setProcessEnvironment(env);
        // Debian's Python: the one first on PATH does not see python3-dbusmock.
        startChild(m_mock, QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--session"),
                    QStringLiteral("--template"), QStringLiteral("networkmanager")});
        const QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired() && m_mock.state() != QProcess::NotRunning) {
            if (m_control.interface()->isServiceRegistered(NmService))
                return true;
            QTest::qSleep(50);
        }
        return false;
    }

    void stop()
    {
        testing::stopProcess(m_mock);
        QDBusConnection::disconnectFromBus(QStringLiteral("nmmock-control"));
    }

    // A device of the given NetworkManager type; returns its object path.
    QString addDevice(const QString& name, uint deviceType)
    {
        const QString path =
            mock(QStringLiteral("AddEthernetDevice"), {name, name, 100 /* activated */}).toString();
        mock(QStringLiteral("SetProperty"),
             {path, QStringLiteral("org.freedesktop.NetworkManager.Device"),
              QStringLiteral("DeviceType"), QVariant::fromValue(QDBusVariant(deviceType))});
        return path;
    }

    // A saved connection of the given type; bluetoothType adds a bluetooth setting.
    QString addConnection(const QString& type, const QString& id,
                          const QString& bluetoothType = QString())
    {
        Settings s;
        s[QStringLiteral("connection")] =
            QVariantMap{{QStringLiteral("type"), type}, {QStringLiteral("id"), id}};
        if (!bluetoothType.isEmpty())
            s[QStringLiteral("bluetooth")] = QVariantMap{{QStringLiteral("type"), bluetoothType}};
        return call(NmPath + QStringLiteral("/Settings"),
                    QStringLiteral("org.freedesktop.NetworkManager.Settings"),
                    QStringLiteral("AddConnection"), {QVariant::fromValue(s)})
            .value<QDBusObjectPath>()
            .path();
    }

    // Activates connection on devices in the given state; returns the active connection.
    QString activate(const QStringList& devices, const QString& connection, const QString& name,
                     uint state)
    {
        return mock(QStringLiteral("AddActiveConnection"),
                    {devices, connection, QStringLiteral("/"), name, state})
            .toString();
    }

    QStringList activeConnections()
    {
        const QVariant v =
            call(NmPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                 {NmService, QStringLiteral("ActiveConnections")});
        QStringList out;
        for (const QDBusObjectPath& p :
             qdbus_cast<QList<QDBusObjectPath>>(v.value<QDBusVariant>().variant()))
            out << p.path();
        return out;
    }

    // The argument of every DeactivateConnection NetworkManager was asked.
    QStringList deactivations()
    {
        const QVariant v = call(NmPath, MockIface, QStringLiteral("GetMethodCalls"),
                                {QStringLiteral("DeactivateConnection")});
        QStringList out;
        const QDBusArgument arg = v.value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            qulonglong time = 0;
            QList<QDBusVariant> args;
            arg.beginStructure();
            arg >> time >> args;
            arg.endStructure();
            out << (args.isEmpty() ? QString()
                                   : args.first().variant().value<QDBusObjectPath>().path());
        }
        arg.endArray();
        return out;
    }

private:
    QVariant mock(const QString& method, const QVariantList& args)
    {
        return call(MockPath, MockIface, method, args);
    }

    QVariant call(const QString& path, const QString& iface, const QString& method,
                  const QVariantList& args)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(NmService, path, iface, method);
        m.setArguments(args);
        const QDBusMessage reply = m_control.call(m, QDBus::Block, 10000);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            qWarning("mock call %s failed: %s", qPrintable(method),
                     qPrintable(reply.errorMessage()));
            return {};
        }
        return reply.arguments().value(0);
    }

    QProcess m_mock;
    QDBusConnection m_control{QString()};
};

} // namespace nmtest
