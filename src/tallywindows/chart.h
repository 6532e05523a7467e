#pragma once

#include "tally/counts.h"

#include <QChart>

// One question's counts as a horizontal bar chart, its first choice on top,
// each bar labelled with its count and percentage: for the report and for
// the window alike.
namespace chart
{

QChart* of(const counts::Question& question, int responses);

// The height it takes at the report's scale.
int height(const counts::Question& question);

} // namespace chart
