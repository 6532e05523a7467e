#pragma once

#include "answers/answertext.h"

#include <QByteArray>
#include <QDateTime>
#include <QRandomGenerator>
#include <QString>

// Responses as the questionnaire makes them, for the tests and benchmarks of
// the answer text and of « Dépouillement ».
namespace testing
{

// A filling the sheet can hold: one answer or none a pair, ticked boxes with
// their companion text only when ticked, lists chosen in their scales; the
// texts mix accents, typographic marks and the items' own prefixes.
answertext::Answers randomFilling(QRandomGenerator& g);

// The message the dispatch window sends for these answers (the questionnaire's
// own mail text), as a mailbox stores it: dot-stuffing undone, CR LF line ends.
QByteArray responseMail(const QByteArray& from, const QString& establishment,
                        const answertext::Answers& answers, const QDateTime& when);

// An mbox as Postfix writes one, of count random responses, each from its
// own sender ("<prefix><i>@ecole.fr") a second after the one before.
bool writeMbox(const QString& path, int count, quint32 seed, const QByteArray& prefix = "prof");

} // namespace testing
