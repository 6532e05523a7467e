#pragma once

#include "support/process.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// A D-Bus session of the test's own (a real dbus-daemon that activates
// nothing) and, on request, a real gnome-keyring-daemon unlocked in it, its
// files in a temporary home.  The test process is pointed at the bus before
// anything in it talks D-Bus: call startBus() first.
class PrivateKeyring
{
public:
    ~PrivateKeyring()
    {
        testing::stopProcess(m_keyring);
        testing::stopProcess(m_bus);
    }

    bool startBus()
    {
        if (!m_dir.isValid())
            return false;
        QFile conf(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        conf.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:dir=" +
                   m_dir.path().toUtf8() +
                   "</listen><policy context=\"default\"><allow send_destination=\"*\" "
                   "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                   "</policy></busconfig>\n");
        conf.close();
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--config-file=") + conf.fileName(), QStringLiteral("--nofork"),
                     QStringLiteral("--print-address=1")});
        QByteArray line;
        while (!line.endsWith('\n') && m_bus.waitForReadyRead(10000))
            line += m_bus.readLine();
        m_address = line.trimmed();
        if (m_address.isEmpty())
            return false;
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address);
        return true;
    }

    // The keyring, its login collection unlocked with a password of its own.
    bool startKeyring()
    {
        if (m_keyring.state() == QProcess::Running)
            return true;
        const QString home = m_dir.filePath(QStringLiteral("home"));
        const QString run = m_dir.filePath(QStringLiteral("run"));
        QDir().mkpath(home);
        QDir().mkpath(run);
        QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(m_address));
        m_keyring.setProcessEnvironment(env);
        m_keyring.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                        {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                         QStringLiteral("--components=secrets")});
        if (!m_keyring.waitForStarted(5000))
            return false;
        m_keyring.write("mot-de-passe-du-trousseau");
        m_keyring.closeWriteChannel();
        QDBusConnection bus = QDBusConnection::connectToBus(QString::fromUtf8(m_address),
                                                            QStringLiteral("keyring-probe"));
        const bool up = QTest::qWaitFor(
            [&bus] {
                return bus.interface() && bus.interface()->isServiceRegistered(
                                              QStringLiteral("org.freedesktop.secrets"));
            },
            10000);
        QDBusConnection::disconnectFromBus(QStringLiteral("keyring-probe"));
        return up;
    }

    // The keyring gone, the bus left: a write then fails.
    void stopKeyring() { testing::stopProcess(m_keyring); }

    // Where the keyring keeps its files.
    QString home() const { return m_dir.filePath(QStringLiteral("home")); }

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
    QByteArray m_address;
};
