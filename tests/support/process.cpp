#include "support/process.h"

#include <QProcess>

namespace testing
{

void stopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

Run runCommand(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    Run r;
    if (p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit)
        r.code = p.exitCode();
    r.output = QString::fromUtf8(p.readAll());
    return r;
}

} // namespace testing
