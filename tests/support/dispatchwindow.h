#pragma once

#include "dispatch/exporter.h"
#include "settings/connectionprofile.h"
#include "smtp/smtpsession.h"
#include "support/helpers.h"
#include "support/portprocess.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The dispatch window over a folder of its own with its PARANET.LST and
// connection settings, the ports of automatic mode the test's own (closed by
// default, so that the plain exchange is what runs, the user saying yes to
// it without encryption), short time-outs.
struct DispatchWindow {
    QTemporaryDir dir;
    std::unique_ptr<Exporter> w;
    QString text = QStringLiteral("1. Oui\r\n2. année\r\n");

    // file: the PARANET.LST bytes, none when null.
    explicit DispatchWindow(const QByteArray& file = QByteArray(), quint16 plainPort = 25,
                            quint16 implicitPort = testing::closedPort(),
                            quint16 submissionPort = testing::closedPort())
    {
        if (!file.isNull())
            testing::writeBytes(paranetPath(), file);
        w = std::make_unique<Exporter>(
            dir.path(), [this] { return text; }, nullptr, plainPort);
        w->setProfiles(profiles());
        w->setAutomaticPorts(implicitPort, submissionPort);
        w->setClearTextQuestion([](QWidget*) { return true; });
        SmtpSession::Timeouts t;
        t.connect = 5000;
        t.reply = t.dataEnd = 5000;
        t.quit = 300;
        t.probe = 1500;
        w->Winsock1->setTimeouts(t);
    }
    void open()
    {
        w->open();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qWarning("dispatch window not exposed");
    }
    QString paranetPath() const { return dir.filePath(QStringLiteral("PARANET.LST")); }
    ConnectionProfiles profiles() const
    {
        return ConnectionProfiles(dir.filePath(QStringLiteral("config/connexions.ini")));
    }
    ConnectionProfile profile(const QString& host = QStringLiteral("localhost")) const
    {
        return profiles().load(host);
    }
};
