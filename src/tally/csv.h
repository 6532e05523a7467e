#pragma once

#include "tally/rows.h"

#include <QByteArray>
#include <QChar>
#include <QIODevice>
#include <QStringList>

// A table as a French spreadsheet opens it on a double click: UTF-8 with a
// byte order mark, fields separated by ";" (or "," on request), CR LF line
// ends, a field quoted when it holds the separator, a quote or a line break.
// A field that a spreadsheet would take for a formula (it begins with "=",
// "+", "-", "@", a tab or a carriage return) is written after an apostrophe,
// which shows it as text; its text follows whole.
namespace csv
{

bool write(QIODevice* out, const QStringList& header, const Rows& rows,
           char separator = ';');

} // namespace csv
