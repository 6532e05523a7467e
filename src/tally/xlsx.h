#pragma once

#include "tally/rows.h"

#include <QString>
#include <QStringList>

// The responses as a spreadsheet (libxlsxwriter): the table on a first sheet
// « Réponses », the counts of each question on a second sheet « Décompte »
// (question, answer, count, percentage).  Written row by row, in constant
// memory.  False, with nothing left behind, when it could not be written.
namespace xlsx
{

// answersFrom: the index of the first answer column in each row.
bool write(const QString& path, const QStringList& header, const Rows& rows, int answersFrom);

} // namespace xlsx
