#pragma once

#include "answers/answertext.h"

#include <QList>
#include <QString>
#include <QStringList>

// The answers as a table row: one column per answer control, named after
// its question ("q1", "q5_ordinateur", "q6_simulateurs_interet",
// "q20_c", "q20_c_precision", "nom"...), in the order of the answer text.
namespace columns
{

// The names, in order.
const QStringList& names();

// What a column's cells can say: « Oui » and « Non », « Oui » alone for a
// ticked box, the labels of a list's scale; nothing for a free text, whose
// cells say anything.
const QList<QStringList>& choices();

// Which entry of answertext::entries() a column answers: its question's
// number less one, or a contact field after the 41 questions.
int entryOf(int column);

// The part of its question a column holds, in a reader's words: « un
// ordinateur multimédia », « Simulateurs, intérêt », « en classe, avec les
// élèves », « autre, précision »; the question's label for a one-column
// question is not here.
QString partOf(int column);

// What a column's cell says on an untouched sheet (question 2's « année »),
// which is no answer; empty for the others.
QString presetOf(int column);

// The cells of one filling: « Oui » or « Non » for a yes/no pair and a
// ticked box, the label chosen in a list, a text as typed; an empty cell for
// anything unanswered.
QStringList cells(const answertext::Answers& answers);

} // namespace columns
