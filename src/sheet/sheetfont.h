#pragma once

#include "ui/fonts.h"

#include <QFont>

// The one typeface of the questionnaire: the answer controls, the page text
// and the composed answers are all set in it.
namespace sheetfont
{

constexpr const char* Family = ArialFamily;

QFont make(double points, bool bold = false);

} // namespace sheetfont
