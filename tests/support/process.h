#pragma once

class QProcess;

namespace testing
{

// Asks a child process to end, and kills it when it has not ended within a
// few seconds.  Does nothing when it is not running.
void stopProcess(QProcess& process);

} // namespace testing
