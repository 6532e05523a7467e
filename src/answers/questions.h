#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The questions of the questionnaire: their words as the page prints them,
// a short label for tables and charts, how each is answered and which
// answer columns (columns::names()) hold its answers.  The page and
// « Dépouillement » both take their words from here.
namespace questions
{

// A question's words on the page: a text, then optionally a word in bold
// and the text after it; for question 5, the two items listed below it.
struct PageText {
    const char* text; // UTF-8
    const char* bold = nullptr;
    const char* after = nullptr;
    const char* items[2] = {nullptr, nullptr};
};

// The page's words of question `number` (1 to 41), or of a field of the
// contact section (Name, Establishment, Email).
enum Contact { Name = 42, Establishment = 43, Email = 44 };
const PageText& page(int number);

// How a question is answered, and so how its answers are counted.
enum class Shape {
    YesNo,   // « Oui » or « Non »
    Scale,   // one label of a list's scale
    Checks,  // any of its boxes ticked
    Pairs,   // several yes/no items (question 5)
    Grid,    // a scale for each part of the cédérom (question 6)
    Text,    // a free text
    Contact, // a field of the contact section
};

struct Question {
    int number = 0;        // 1 to 41; a Contact value for the contact fields
    QString label;         // short, for a header: « Salle de TP informatisée »
    QString wording;       // whole, without its number, as a reader asks it
    Shape shape = Shape::Text;
    QStringList choices;   // what its columns can say (a Grid: the interest scale)
    QList<int> columns;    // its answer columns, in order
    // « 1. Salle de TP informatisée »; a contact field: its label alone.
    QString title() const;
    // « 1. Votre lycée possède-t-il… ? »
    QString asked() const;
};

// The 41 questions in order, then the three contact fields.
const QList<Question>& all();
// The question an answer column belongs to.
const Question& ofColumn(int column);

// An answer column as a reader names it: « 1. Salle de TP informatisée »,
// « 6. Intérêt et difficulté des parties — Simulateurs, intérêt », « 20. … —
// autre, précision ».
QString header(int column);
// The column's part of its question, empty when the column is the whole
// question: « Simulateurs, intérêt », « en classe, avec les élèves ».
QString part(int column);
// Whether a column holds a text typed by the teacher (a free text, a
// precision, a contact field).
bool isText(int column);

} // namespace questions
