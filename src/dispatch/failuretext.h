#pragma once

#include "smtp/smtpsession.h"

#include <QString>

// The French texts of what went wrong with a send.  The details of the
// "Erreur transmission" box: why the run failed, the step it had reached and
// how the server was reached, and the server's last reply with its code
// (cleaned of what could pass for the program's own words).  The text of the
// "Paramètre incorrect" box: which setting keeps a run from starting.
namespace failuretext
{

// host: the server as the user gave it.  submissionPort: the port to suggest
// when the plain one does not answer.
QString details(const SmtpSession::Failure& failure, const QString& host, quint16 submissionPort);

// The cause alone (the details' first lines), then the server's refusal as it
// said it, then one sentence on what to try: the informative text of the box.
// chosen: the mode the user's connection settings ask for.
QString informative(const SmtpSession::Failure& failure, quint16 submissionPort, smtp::Mode chosen);

// What to try after this failure, one sentence that fits the mode chosen.
QString advice(const SmtpSession::Failure& failure, smtp::Mode chosen);

// The step a run is at, as the status line says what it waits for.
QString waiting(SmtpSession::State state, SmtpConnector::Stage stage);

// Why the settings keep a run from starting, and what to do.
QString refusal(const SmtpSession::Start& verdict);

} // namespace failuretext
