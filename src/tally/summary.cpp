#include "tally/summary.h"

#include "answers/columns.h"

#include <QLocale>

#include <algorithm>

namespace summary
{

QString share(int count, int of)
{
    if (of <= 0)
        return QStringLiteral("—");
    return QLocale(QLocale::French).toString(100.0 * count / of, 'f', 0) + QStringLiteral("\u00a0%");
}

Coder::Coder()
{
    const int n = int(columns::names().size());
    m_columns.resize(size_t(n));
    m_numbers.resize(size_t(n));
    m_texts.resize(size_t(n));
    for (int c = 0; c < n; ++c) {
        for (const QString& choice : columns::choices().at(c))
            m_columns[size_t(c)].choices << choice.toUtf8();
        m_columns[size_t(c)].preset = columns::presetOf(c).toUtf8();
    }
}

void Coder::encode(const Cells& row, Codes* codes)
{
    codes->assign(m_columns.size(), None);
    for (size_t c = 0; c < m_columns.size(); ++c) {
        const QByteArrayView cell = row.value(qsizetype(c));
        const Column& column = m_columns[c];
        if (!column.choices.isEmpty()) {
            for (qsizetype i = 0; i < column.choices.size(); ++i)
                if (column.choices[i] == cell) {
                    (*codes)[c] = qint32(i);
                    break;
                }
            continue;
        }
        if (cell.trimmed().isEmpty() || (!column.preset.isEmpty() && cell == column.preset))
            continue;
        QHash<QByteArray, qint32>& numbers = m_numbers[c];
        const auto it = numbers.constFind(cell.toByteArray());
        if (it != numbers.constEnd()) {
            (*codes)[c] = *it;
        } else if (numbers.size() < KeptTexts) {
            const qint32 code = qint32(numbers.size());
            numbers.insert(cell.toByteArray(), code);
            m_texts[c] << QString::fromUtf8(cell);
            (*codes)[c] = code;
        } else {
            (*codes)[c] = Unlisted;
        }
    }
}

Tally::Tally() : Tally(std::make_shared<const Coder>())
{
    // Made here, so its own to change.
    m_ownCoder = std::const_pointer_cast<Coder>(m_coder);
}

Tally::Tally(std::shared_ptr<const Coder> coder) : m_coder(std::move(coder))
{
    using questions::Shape;
    const int n = int(columns::names().size());
    m_textHits.resize(size_t(n));
    m_textCounts.assign(size_t(n), 0);
    for (const questions::Question& q : questions::all()) {
        Card card;
        card.question = &q;
        for (const int c : q.columns) {
            Column column{c, int(m_cards.size()), -1, 0};
            if (questions::isText(c)) {
                Texts t;
                t.part = questions::part(c);
                card.texts << t;
            } else if (q.shape == Shape::Checks) {
                // One group, a bar a box.
                if (card.groups.isEmpty())
                    card.groups << Group{};
                column.group = 0;
                column.bar = int(card.groups[0].bars.size());
                card.groups[0].bars << Bar{columns::partOf(c)};
            } else {
                // A group a part (questions 5 and 6), else one group.
                column.group = int(card.groups.size());
                Group g{q.shape == Shape::Pairs || q.shape == Shape::Grid ? columns::partOf(c) : QString(), {}, 0};
                for (const QString& label : columns::choices().at(c))
                    g.bars << Bar{label};
                card.groups << g;
            }
            m_columns.push_back(column);
        }
        m_cards << card;
    }
}

void Tally::add(const Cells& row)
{
    m_ownCoder->encode(row, &m_scratch);
    add(m_scratch);
}

void Tally::add(const qint32* codes)
{
    ++m_responses;
    int card = -1;
    bool answered = false;
    for (const Column& c : m_columns) {
        if (c.card != card) {
            if (card >= 0)
                ++(answered ? m_cards[card].answered : m_cards[card].unanswered);
            card = c.card;
            answered = false;
        }
        const qint32 code = codes[c.column];
        if (code == Coder::None)
            continue;
        answered = true;
        if (c.group < 0) {
            ++m_textCounts[size_t(c.column)];
            if (code >= 0) {
                std::vector<int>& hits = m_textHits[size_t(c.column)];
                if (hits.size() <= size_t(code))
                    hits.resize(size_t(code) + 1, 0);
                ++hits[size_t(code)];
            }
            continue;
        }
        Group& g = m_cards[card].groups[c.group];
        if (m_cards[card].question->shape == questions::Shape::Checks) {
            ++g.bars[c.bar].count;
        } else {
            ++g.bars[code].count;
            ++g.answered;
        }
    }
    if (card >= 0)
        ++(answered ? m_cards[card].answered : m_cards[card].unanswered);
}

QList<Card> Tally::cards(bool withContact) const
{
    QList<Card> out;
    for (const Card& card : m_cards) {
        if (card.question->shape == questions::Shape::Contact && !withContact)
            continue;
        Card c = card;
        if (c.question->shape == questions::Shape::Checks && !c.groups.isEmpty())
            c.groups[0].answered = c.answered;
        // Each text column's texts, the most common first.
        int t = 0;
        for (const int column : c.question->columns) {
            if (!questions::isText(column))
                continue;
            Texts& texts = c.texts[t++];
            const std::vector<int>& hits = m_textHits[size_t(column)];
            int kept = 0;
            for (size_t code = 0; code < hits.size(); ++code)
                if (hits[code] > 0) {
                    texts.common << Bar{m_coder->text(column, qint32(code)), hits[code]};
                    kept += hits[code];
                }
            texts.count = m_textCounts[size_t(column)];
            texts.complete = kept == texts.count;
            std::sort(texts.common.begin(), texts.common.end(), [](const Bar& a, const Bar& b) {
                return a.count != b.count ? a.count > b.count : a.label < b.label;
            });
        }
        out << c;
    }
    return out;
}

} // namespace summary
