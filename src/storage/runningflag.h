#pragma once

#include <QString>

// TEMPO.SPC, the running flag read by other programs of the CD-ROM: record 20
// holds "OUI" while the questionnaire is open and "NON" once it has closed.
// Nothing else of the file is read or written.
namespace runningflag
{

constexpr int Record = 20;

// The file in the given directory (the program's own).
QString path(const QString& directory);

// Writes value as record 20 within one opening; false when the file cannot be
// opened or written (a read-only medium): the flag is then simply not written.
bool write(const QString& directory, const QString& value);

} // namespace runningflag
