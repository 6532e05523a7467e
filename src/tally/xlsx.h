#pragma once

#include "tally/rows.h"

#include <QString>
#include <QStringList>

// The responses as a spreadsheet (libxlsxwriter), written row by row in
// constant memory, aside, then put in place whole; false, with nothing left
// behind, when it could not be written.  Three sheets:
//  « Réponses »: the table, its header frozen and filtered, dates as dates
//    in French form, texts wrapped on their own line breaks;
//  « Décompte »: each question's answers, with their count and their share
//    of those who answered (a percentage), and « sans réponse »;
//  « Questions »: each answer column's code, question, wording and choices.
namespace xlsx
{

// The most a cell holds; a longer text is cut, and says so at its end.
constexpr int CellLimit = 32767;

struct Layout {
    QStringList header;
    int answersFrom = 0;     // the first answer column of each row
    int replacedColumn = -1; // where a row says what replaced it: such a row is not counted
    int dateColumn = -1;     // a date in ISO 8601 (UTC), written as a local date
};

// cut: how many texts were cut to the cell's limit.
bool write(const QString& path, const Layout& layout, const Rows& rows, int* cut = nullptr);

} // namespace xlsx
