#pragma once

#include "tally/summary.h"

#include <QChart>

// One question's answers as a horizontal bar chart, for the results page
// and the report alike.  A question answered once (yes/no, a scale, its
// check boxes) is one bar a choice, labelled with its count and its share
// of those who answered, then « sans réponse »; a question answered part by
// part (5, 6) is one bar a part, split by answer, with a legend.
namespace chart
{

// Null for a free text, which has no chart.
QChart* of(const summary::Card& card, int responses, int fontPoints = 9);

// The height it takes with bars of this height.
int height(const summary::Card& card, int bar = 32);

// What the chart shows, in words, for a screen reader: each bar's count and share.
QString describe(const summary::Card& card, int responses);

// « Oui — 12 (40 %) », as a bar is labelled.
QStringList labels(const summary::Card& card, int responses);

} // namespace chart
