#pragma once

#include "tally/rows.h"

#include <QByteArray>
#include <QChar>
#include <QIODevice>
#include <QStringList>

// A table as a French spreadsheet opens it on a double click: UTF-8 with a
// byte order mark, fields separated by ";" (or "," on request), CR LF line
// ends, a field quoted when it holds the separator, a quote or a line break.
namespace csv
{

bool write(QIODevice* out, const QStringList& header, const Rows& rows,
           char separator = ';');

} // namespace csv
