#pragma once

#include "tally/base.h"
#include "tally/rows.h"

#include <QList>
#include <QString>
#include <QStringList>

// The report of the responses as a PDF file: for each question its counts
// and percentages with a bar chart (Qt Charts), then the free-text answers
// listed, question by question.  Needs a QApplication (the charts are
// widgets); an offscreen one does.
namespace report
{

// rows: the answer cells of each response, one a column of columns::names().
bool write(const QString& path, const Rows& rows);
// The standing responses the filter selects.
bool write(const Base& base, const Base::Filter& filter, const QString& path);

} // namespace report
