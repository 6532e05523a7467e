#pragma once

#include "dialup/dialuplink.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>

class QDeadlineTimer;

// Dial-up connections as NetworkManager knows them: mobile broadband, PPPoE,
// Bluetooth dial-up, or any connection carried by a modem or PPP device.
class NmDialupLink : public DialupLink
{
public:
    // budgetMs bounds the time one probe or one hang-up may spend waiting
    // for NetworkManager: the user is closing the window.
    explicit NmDialupLink(const QDBusConnection& bus, int budgetMs = 1500);

    bool connexionactive() override;

    // Deactivates every activated dial-up connection.
    void hangUp() override;

private:
    QList<QDBusObjectPath> activatedDialups(const QDeadlineTimer& deadline) const;
    bool isDialup(const QVariantMap& active, const QDeadlineTimer& deadline) const;
    bool isDialupDevice(const QDBusObjectPath& device, const QDeadlineTimer& deadline) const;
    bool isBluetoothDialup(const QDBusObjectPath& settings, const QDeadlineTimer& deadline) const;

    QDBusConnection m_bus;
    int m_budgetMs;
};
