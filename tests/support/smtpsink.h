#pragma once

#include "support/portprocess.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

// What a peer of support/peers/ delivered, one message a number from 1, read
// back from the folder it writes.
class DeliveredMail
{
public:
    QString directory() const { return m_dir.path(); }

    int delivered() const
    {
        return int(QDir(m_dir.path()).entryList({QStringLiteral("*.json")}).size());
    }

    // What a mail reader made of message n: envelope, EHLO name, decoded
    // subject, charset, transfer encoding, decoded body in hex, headers.
    QJsonObject message(int n) const
    {
        return QJsonDocument::fromJson(read(QString::number(n) + QStringLiteral(".json"))).object();
    }

    // Message n as the server took it, dot-stuffing undone.
    QByteArray raw(int n) const { return read(QString::number(n) + QStringLiteral(".eml")); }

protected:
    QByteArray read(const QString& file) const
    {
        QFile f(m_dir.filePath(file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

// Debian's aiosmtpd as a real mail server on 127.0.0.1 (peers/smtp_sink.py).
class SmtpSink : public DeliveredMail
{
public:
    bool start()
    {
        return m_process.startPeer(QStringLiteral("smtp_sink.py"), {m_dir.path()});
    }
    void stop() { m_process.stop(); }
    quint16 port() const { return m_process.port(); }

private:
    testing::PortProcess m_process;
};
