#pragma once

#include <QString>
#include <QStringList>

class QProcess;

namespace testing
{

// Asks a child process to end, and kills it when it has not ended within a
// few seconds.  Does nothing when it is not running.
void stopProcess(QProcess& process);

// A command run to its end: its exit code (-1 when it did not end normally
// within the time given) and what it printed, both channels together.
struct Run {
    int code = -1;
    QString output;
};
Run runCommand(const QString& program, const QStringList& arguments, int timeoutMs = 600000);

} // namespace testing
