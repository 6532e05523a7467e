#pragma once

#include <QProcess>

// A port that never answers, as a provider's blocked port 25 looks from the
// desktop (blocked_port.py).  Stopped when the object goes.
class BlockedPort
{
public:
    ~BlockedPort()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    bool start()
    {
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral(TESTS_SOURCE_DIR "/dispatch/blocked_port.py")});
        if (!m_process.waitForStarted(5000))
            return false;
        QByteArray line;
        while (!line.endsWith('\n') && m_process.waitForReadyRead(10000))
            line += m_process.readLine();
        m_port = line.startsWith("PORT ") ? line.mid(5).trimmed().toUShort() : 0;
        return m_port != 0;
    }

    quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};
