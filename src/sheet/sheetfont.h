#pragma once

#include <QFont>

// The one typeface of the questionnaire: the answer controls, the page text
// and the composed answers are all set in it.
namespace sheetfont
{

constexpr const char* Family = "Arial";

QFont make(double points, bool bold = false);

} // namespace sheetfont
