#pragma once

#include "tally/base.h"

#include <QChar>
#include <QString>

// The standing responses a filter selects, written out: the table as CSV or
// XLSX, or the report as PDF.  False when the file could not be written;
// nothing is left half-written.
namespace exports
{

bool csv(const Base& base, const Base::Filter& filter, const QString& path,
         char separator = ';');
bool xlsx(const Base& base, const Base::Filter& filter, const QString& path);
// Needs a QApplication, for the charts.
bool pdf(const Base& base, const Base::Filter& filter, const QString& path);

} // namespace exports
