#include "tally/standing.h"

#include "answers/columns.h"

void StandingResponses::forget()
{
    m_coder.reset();
    m_codes = {};
    m_index = {};
    m_loaded = false;
}

void StandingResponses::load(const Base& base)
{
    forget();
    m_coder = std::make_shared<summary::Coder>();
    m_width = size_t(columns::names().size());
    summary::Coder::Codes codes;
    base.forEachStanding([&](qint64 id, const Cells& answers) {
        m_coder->encode(answers, &codes);
        m_index.insert(id, int(m_index.size()));
        m_codes.insert(m_codes.end(), codes.begin(), codes.end());
    });
    m_loaded = true;
}

summary::Tally StandingResponses::tally(const Base& base, const Base::Filter& filter) const
{
    summary::Tally t(m_coder);
    Base::Filter standing = filter;
    standing.withReplaced = false;
    for (const qint64 id : base.ids(standing)) {
        const auto it = m_index.constFind(id);
        if (it != m_index.constEnd()) // else it came after the load, which the base's change will redo
            t.add(m_codes.data() + size_t(*it) * m_width);
    }
    return t;
}
