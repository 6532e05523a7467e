#pragma once

#include "smtp/mode.h"

#include <QString>
#include <QStringList>

// How the program reaches one mail server, kept per user and per server host
// in the user's own configuration, never in PARANET.LST: that file is shared
// with another program, which reads record 5 as a bare host name.
struct ConnectionProfile {
    using Mode = smtp::Mode;

    Mode mode = Mode::Automatic;
    quint16 port = 0;             // 0: the usual port of the mode
    QString user;                 // empty: the sender's address
    Mode found = Mode::Automatic; // what automatic mode last found to work
    quint16 foundPort = 0;
    QStringList trusted;         // SHA-256 fingerprints (hex) the user accepted here
    bool reachedWithTls = false; // a plain connection is refused from then on

    static quint16 defaultPort(Mode mode);
    // The mode and port to use: the chosen ones, or in automatic mode what
    // was found before (Automatic when nothing was).
    Mode effectiveMode() const { return mode == Mode::Automatic ? found : mode; }
    quint16 effectivePort() const;
};

// The profiles of every server, in one INI file of the user's configuration.
class ConnectionProfiles
{
public:
    // The file in the user's configuration directory.
    ConnectionProfiles();
    explicit ConnectionProfiles(const QString& path);

    // The host is compared without surrounding spaces and case.
    ConnectionProfile load(const QString& host) const;
    bool save(const QString& host, const ConnectionProfile& profile) const;

    QString path() const { return m_path; }
    static QString defaultPath();

private:
    QString m_path;
};
