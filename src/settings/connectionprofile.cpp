#include "settings/connectionprofile.h"
#include "storage/privatefiles.h"

#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <iterator>

namespace
{

// Names as written in the file, in the order of the enumeration.
const char* const modeNames[] = {"automatique", "clair", "starttls", "tls"};
static_assert(std::size(modeNames) == smtp::ModeCount, "one name for each mode");

QString modeName(ConnectionProfile::Mode mode)
{
    return QLatin1String(modeNames[int(mode)]);
}

ConnectionProfile::Mode modeFrom(const QString& name)
{
    for (int i = 0; i < int(std::size(modeNames)); ++i)
        if (name == QLatin1String(modeNames[i]))
            return ConnectionProfile::Mode(i);
    return ConnectionProfile::Mode::Automatic;
}

// One group a host; the host is percent-encoded so that no character of it
// can reach the file's own syntax.
QString group(const QString& host)
{
    return QStringLiteral("serveur-") +
           QString::fromLatin1(QUrl::toPercentEncoding(host.trimmed().toLower()));
}

quint16 port(const QVariant& v)
{
    const uint p = v.toUInt();
    return p <= 65535 ? quint16(p) : 0;
}

} // namespace

quint16 ConnectionProfile::defaultPort(Mode mode)
{
    switch (mode) {
    case Mode::StartTls:
        return 587;
    case Mode::ImplicitTls:
        return 465;
    case Mode::Plain:
    case Mode::Automatic:
        break;
    }
    return 25;
}

quint16 ConnectionProfile::effectivePort() const
{
    if (mode == Mode::Automatic)
        return foundPort ? foundPort : defaultPort(found);
    return port ? port : defaultPort(mode);
}

ConnectionProfiles::ConnectionProfiles() : m_path(defaultPath()) {}

ConnectionProfiles::ConnectionProfiles(const QString& path) : m_path(path) {}

QString ConnectionProfiles::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/connexions.ini");
}

ConnectionProfile ConnectionProfiles::load(const QString& host) const
{
    QSettings s(m_path, QSettings::IniFormat);
    s.beginGroup(group(host));
    ConnectionProfile p;
    p.mode = modeFrom(s.value(QStringLiteral("mode")).toString());
    p.port = port(s.value(QStringLiteral("port")));
    p.user = s.value(QStringLiteral("identifiant")).toString();
    p.found = modeFrom(s.value(QStringLiteral("trouve")).toString());
    p.foundPort = port(s.value(QStringLiteral("port-trouve")));
    p.trusted = s.value(QStringLiteral("certificats")).toStringList();
    p.reachedWithTls = s.value(QStringLiteral("deja-tls")).toBool();
    return p;
}

bool ConnectionProfiles::save(const QString& host, const ConnectionProfile& p) const
{
    // A login name and the certificates trusted: the user's alone.
    privatefiles::makeFile(m_path);
    QSettings s(m_path, QSettings::IniFormat);
    s.beginGroup(group(host));
    s.setValue(QStringLiteral("mode"), modeName(p.mode));
    s.setValue(QStringLiteral("port"), p.port);
    s.setValue(QStringLiteral("identifiant"), p.user);
    s.setValue(QStringLiteral("trouve"), modeName(p.found));
    s.setValue(QStringLiteral("port-trouve"), p.foundPort);
    s.setValue(QStringLiteral("certificats"), p.trusted);
    s.setValue(QStringLiteral("deja-tls"), p.reachedWithTls);
    s.endGroup();
    s.sync();
    return s.status() == QSettings::NoError;
}
