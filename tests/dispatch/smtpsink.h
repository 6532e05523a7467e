#pragma once

#include "support/process.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Debian's aiosmtpd as a real mail server on 127.0.0.1 (smtp_sink.py), each
// delivered message saved in a directory of its own.  Stopped when the object
// goes, also when a test fails half-way.
class SmtpSink
{
public:
    ~SmtpSink() { stop(); }

    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral(TESTS_SOURCE_DIR "/dispatch/smtp_sink.py"), m_dir.path()});
        if (!m_process.waitForStarted(5000))
            return false;
        QByteArray line;
        while (!line.endsWith('\n') && m_process.waitForReadyRead(10000))
            line += m_process.readLine();
        if (!line.startsWith("PORT "))
            return false;
        m_port = line.mid(5).trimmed().toUShort();
        return m_port != 0;
    }

    void stop() { testing::stopProcess(m_process); }

    quint16 port() const { return m_port; }

    int delivered() const
    {
        return int(QDir(m_dir.path()).entryList({QStringLiteral("*.json")}).size());
    }

    // What a mail reader made of message n (from 1): envelope, EHLO name,
    // decoded subject, charset, transfer encoding, decoded body in hex.
    QJsonObject message(int n) const
    {
        QFile f(m_dir.filePath(QString::number(n) + QStringLiteral(".json")));
        if (!f.open(QIODevice::ReadOnly))
            return QJsonObject();
        return QJsonDocument::fromJson(f.readAll()).object();
    }

    // Message n as the server took it, dot-stuffing undone.
    QByteArray raw(int n) const
    {
        QFile f(m_dir.filePath(QString::number(n) + QStringLiteral(".eml")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
