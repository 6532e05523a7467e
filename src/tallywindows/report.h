#pragma once

#include "tally/base.h"

#include <QString>

// The report of the responses as an A4 PDF: a first page with the number
// of responses, their period and their establishments; then every question
// with its counts and chart, the 41 on a few pages whatever the number of
// responses; then the free texts, question by question, the most frequent
// first.  Names and e-mail addresses only on request.  Needs a QApplication
// (the charts are drawn by Qt Charts); an offscreen one does.
namespace report
{

struct Options {
    bool withContacts = false; // the teachers' names, establishments and addresses, at the end
};

// The standing responses the filter selects.
bool write(const Base& base, const Base::Filter& filter, const QString& path, const Options& options = {});

// How many distinct texts of a question the report lists; the exports hold all.
constexpr int ListedTexts = 40;

} // namespace report
