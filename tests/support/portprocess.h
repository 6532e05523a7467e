#pragma once

#include <QProcess>
#include <QStringList>

namespace testing
{

// A helper process that prints "PORT <n>" once it listens (the peers of
// support/peers/ and others): started, its port read, and stopped when the
// object goes, also when a test fails half-way.  Its standard input stays a
// pipe, so a test that dies takes the helper with it.
class PortProcess
{
public:
    ~PortProcess();

    // False when it did not start or printed no port within ten seconds.
    bool start(const QString& program, const QStringList& arguments);
    // A Python peer of support/peers/, run by Debian's Python.
    bool startPeer(const QString& script, const QStringList& arguments);
    void stop();
    quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

// A port on 127.0.0.1 where nothing listens: connecting is refused at once.
quint16 closedPort();

} // namespace testing
