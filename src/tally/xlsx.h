#pragma once

#include "tally/rows.h"

#include <QString>
#include <QStringList>

// The responses as a spreadsheet (libxlsxwriter): the table on a first sheet
// « Réponses », the counts of each question on a second sheet « Décompte »
// (question, answer, count, percentage).  Written row by row, in constant
// memory, aside, then put in place whole.  False, with nothing left behind,
// when it could not be written.
namespace xlsx
{

// The most a cell holds; a longer text is cut, and says so at its end.
constexpr int CellLimit = 32767;

// answersFrom: the index of the first answer column in each row;
// replacedColumn: where a row says what replaced it (none: -1), a replaced
// row is not counted; cut: how many texts were cut to the cell's limit.
bool write(const QString& path, const QStringList& header, const Rows& rows, int answersFrom,
           int replacedColumn = -1, int* cut = nullptr);

} // namespace xlsx
