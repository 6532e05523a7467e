#pragma once

#include "tally/base.h"
#include "tally/summary.h"

#include <QHash>

#include <memory>
#include <vector>

// The standing responses of a base held in memory as numbers
// (summary::Coder), read once, so that the results follow a change of filter
// at once whatever the number of responses: the base selects the responses,
// as it does for the table, and they are counted here.  Read again when the
// base changes.
class StandingResponses
{
public:
    void load(const Base& base);
    bool loaded() const { return m_loaded; }
    void forget();
    int size() const { return int(m_index.size()); }
    // The standing responses the filter selects, counted.
    summary::Tally tally(const Base& base, const Base::Filter& filter) const;

private:
    std::shared_ptr<summary::Coder> m_coder;
    std::vector<qint32> m_codes; // a row of columns a response
    QHash<qint64, int> m_index;  // a response's id: its row
    size_t m_width = 0;
    bool m_loaded = false;
};
