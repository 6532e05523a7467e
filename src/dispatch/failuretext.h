#pragma once

#include "dispatch/smtpsession.h"

#include <QString>

// What the details of the "Erreur transmission" box say of a failed run, in
// French: why it failed, the step it had reached and how the server was
// reached, and the server's last reply with its code.
namespace failuretext
{

// host: the server as the user gave it.  submissionPort: the port to suggest
// when the plain one does not answer.
QString details(const SmtpSession::Failure& failure, const QString& host, quint16 submissionPort);

} // namespace failuretext
