#include "support/portprocess.h"

#include "support/process.h"

#include <QTcpServer>

namespace testing
{

PortProcess::~PortProcess()
{
    stop();
}

bool PortProcess::start(const QString& program, const QStringList& arguments)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(5000))
        return false;
    QByteArray line;
    while (!line.endsWith('\n') && m_process.waitForReadyRead(10000))
        line += m_process.readLine();
    m_port = line.startsWith("PORT ") ? line.mid(5).trimmed().toUShort() : 0;
    return m_port != 0;
}

bool PortProcess::startPeer(const QString& script, const QStringList& arguments)
{
    // Debian's Python, which sees Debian's aiosmtpd.
    return start(QStringLiteral("/usr/bin/python3"),
                 QStringList(QStringLiteral(TESTS_SOURCE_DIR "/support/peers/") + script) +
                     arguments);
}

void PortProcess::stop()
{
    stopProcess(m_process);
}

quint16 closedPort()
{
    QTcpServer gone;
    if (!gone.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = gone.serverPort();
    gone.close();
    return port;
}

} // namespace testing
