#pragma once

#include <QFont>

// The windows' dialogue font, "MS Sans Serif".  Where it is not installed,
// Arial (whose metrics fontconfig gives through Liberation Sans) stands in:
// the usual fallback is much wider and cuts the captions of the design.
QFont dialogFont(double points = 8, bool bold = false);
