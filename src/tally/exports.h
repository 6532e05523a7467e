#pragma once

#include "tally/base.h"

#include <QString>

// The responses a filter selects, written out: the table as CSV or XLSX.
// False when the file could not be written; nothing is left half-written.
// A file made here is its owner's alone (0600); one replaced keeps its mode.
namespace exports
{

// The header names each column in a reader's words (« 1. Salle de TP
// informatisée »), or by its code (« q1 ») for scripts.
enum class Header { Words, Codes };

bool csv(const Base& base, const Base::Filter& filter, const QString& path, char separator = ';',
         Header header = Header::Words);
// cut: how many texts were too long for a cell and were cut.
bool xlsx(const Base& base, const Base::Filter& filter, const QString& path, int* cut = nullptr,
          Header header = Header::Words);

} // namespace exports
