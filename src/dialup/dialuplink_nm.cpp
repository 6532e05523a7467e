#include "dialup/dialuplink_nm.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>

namespace
{
const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString ManagerIface = QStringLiteral("org.freedesktop.NetworkManager");
const QString ActiveIface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString DeviceIface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString SettingsIface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString PropertiesIface = QStringLiteral("org.freedesktop.DBus.Properties");

constexpr uint Activated = 2;             // NM_ACTIVE_CONNECTION_STATE_ACTIVATED
const uint DialupDeviceTypes[] = {8, 23}; // NM_DEVICE_TYPE_MODEM, NM_DEVICE_TYPE_PPP
const char* const DialupTypes[] = {"gsm", "cdma", "pppoe"};

using Settings = QMap<QString, QVariantMap>;

// One call, answered within what is left of the deadline; an empty list on
// any error.  NetworkManager is never started for us.
QVariantList call(const QDBusConnection& bus, const QString& path, const QString& iface,
                  const QString& method, const QVariantList& args, const QDeadlineTimer& deadline)
{
    if (!bus.isConnected() || deadline.hasExpired())
        return {};
    QDBusMessage message = QDBusMessage::createMethodCall(Service, path, iface, method);
    message.setArguments(args);
    message.setAutoStartService(false);
    const int timeout = int(qMax<qint64>(1, deadline.remainingTime()));
    const QDBusMessage reply = bus.call(message, QDBus::Block, timeout);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    return reply.arguments();
}

QVariant property(const QDBusConnection& bus, const QString& path, const QString& iface,
                  const QString& name, const QDeadlineTimer& deadline)
{
    const QVariantList reply =
        call(bus, path, PropertiesIface, QStringLiteral("Get"), {iface, name}, deadline);
    if (reply.isEmpty())
        return {};
    return reply.first().value<QDBusVariant>().variant();
}

QList<QDBusObjectPath> paths(const QVariant& value)
{
    return qdbus_cast<QList<QDBusObjectPath>>(value);
}
} // namespace

NmDialupLink::NmDialupLink(const QDBusConnection& bus, int budgetMs)
    : m_bus(bus), m_budgetMs(budgetMs)
{
}

bool NmDialupLink::connexionactive()
{
    return !activatedDialups(QDeadlineTimer(m_budgetMs)).isEmpty();
}

void NmDialupLink::hangUp()
{
    const QDeadlineTimer deadline(m_budgetMs);
    for (const QDBusObjectPath& active : activatedDialups(deadline))
        call(m_bus, ManagerPath, ManagerIface, QStringLiteral("DeactivateConnection"),
             {QVariant::fromValue(active)}, deadline);
}

QList<QDBusObjectPath> NmDialupLink::activatedDialups(const QDeadlineTimer& deadline) const
{
    QList<QDBusObjectPath> found;
    const QVariant actives =
        property(m_bus, ManagerPath, ManagerIface, QStringLiteral("ActiveConnections"), deadline);
    for (const QDBusObjectPath& path : paths(actives)) {
        // A connection that vanished meanwhile, or that cannot be read, is not counted.
        const QVariantList reply = call(m_bus, path.path(), PropertiesIface,
                                        QStringLiteral("GetAll"), {ActiveIface}, deadline);
        if (reply.isEmpty())
            continue;
        const QVariantMap active = qdbus_cast<QVariantMap>(reply.first());
        if (active.value(QStringLiteral("State")).toUInt() == Activated &&
            isDialup(active, deadline))
            found.append(path);
    }
    return found;
}

bool NmDialupLink::isDialup(const QVariantMap& active, const QDeadlineTimer& deadline) const
{
    const QString type = active.value(QStringLiteral("Type")).toString();
    for (const char* dialup : DialupTypes)
        if (type == QLatin1String(dialup))
            return true;
    if (type == QLatin1String("bluetooth") &&
        isBluetoothDialup(qdbus_cast<QDBusObjectPath>(active.value(QStringLiteral("Connection"))),
                          deadline))
        return true;
    for (const QDBusObjectPath& device : paths(active.value(QStringLiteral("Devices"))))
        if (isDialupDevice(device, deadline))
            return true;
    return false;
}

bool NmDialupLink::isDialupDevice(const QDBusObjectPath& device,
                                  const QDeadlineTimer& deadline) const
{
    const QVariant type =
        property(m_bus, device.path(), DeviceIface, QStringLiteral("DeviceType"), deadline);
    if (!type.isValid())
        return false;
    for (uint dialup : DialupDeviceTypes)
        if (type.toUInt() == dialup)
            return true;
    return false;
}

// Bluetooth carries both dial-up ("dun") and personal-area networking ("panu").
bool NmDialupLink::isBluetoothDialup(const QDBusObjectPath& settings,
                                     const QDeadlineTimer& deadline) const
{
    if (settings.path().isEmpty())
        return false;
    const QVariantList reply =
        call(m_bus, settings.path(), SettingsIface, QStringLiteral("GetSettings"), {}, deadline);
    if (reply.isEmpty())
        return false;
    const Settings values = qdbus_cast<Settings>(reply.first());
    return values.value(QStringLiteral("bluetooth")).value(QStringLiteral("type")).toString() ==
           QLatin1String("dun");
}

#ifdef __linux__
std::unique_ptr<DialupLink> makePlatformDialupLink()
{
    return std::make_unique<NmDialupLink>(QDBusConnection::systemBus());
}
#endif
