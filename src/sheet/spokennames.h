#pragma once

#include "answers/catalogue.h"

#include <QString>

#include <vector>

class AnswerControls;

// What assistive tools say for each answer control, taken from the page
// script and the catalogue: the question's number and text, then what tells
// the control apart within its question (the item of question 5, the part
// and the scale of question 6, a check box's caption, the detail of
// "autre"), and for a yes/no button its answer.
namespace spokennames
{

struct Spoken {
    catalogue::Kind kind;
    int index;
    QString name;        // for a yes/no pair, without its answer
    QString description; // the section
};

// Every answer control placed by the page script, in page order.
std::vector<Spoken> all();

// Gives each answer control its accessible name and description; a yes/no
// pair's buttons end their names with their answer.
void apply(AnswerControls& controls);

} // namespace spokennames
