#pragma once

#include <QFont>

// The typeface of the questionnaire's page, answer controls and composed
// answers; fontconfig gives its metrics through Liberation Sans.
constexpr const char* ArialFamily = "Arial";

// The windows' dialogue font, "MS Sans Serif".  Where it is not installed,
// Arial stands in: the usual fallback is much wider and cuts the captions of
// the design.
QFont dialogFont(double points = 8, bool bold = false);
