#pragma once

#include "answers/questions.h"
#include "tally/rows.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// What the responses answered, question by question, as a results page
// shows it: for each question, how many answered it and how many did not
// (« sans réponse »), how often each choice was given, and the free texts.
// Counted one response at a time, in memory that does not grow with the
// number of responses.
namespace summary
{

struct Bar {
    QString label;
    int count = 0;
};

// One set of bars: a whole question, or one part of a question answered
// part by part (an item of question 5, a part of the cédérom in question 6).
struct Group {
    QString part; // empty for a whole question
    QList<Bar> bars;
    int answered = 0;
};

// The texts typed for one column, the most common first.
struct Texts {
    QString part;          // the column's part of its question, empty for a whole question
    int count = 0;         // how many responses typed one
    QList<Bar> common;     // distinct texts with how often each came, at most KeptTexts
    bool complete = true;  // false: more distinct texts came than were kept
};
constexpr int KeptTexts = 2000;

struct Card {
    const questions::Question* question = nullptr;
    QList<Group> groups;  // none for a free text
    int answered = 0;     // responses that answered the question (any of its parts)
    int unanswered = 0;   // « sans réponse »
    QList<Texts> texts;   // a free text's, or a check box's precisions
};

// A share, in French: « 40 % », « 0 % », or « — » of nothing.
QString share(int count, int of);

// A response's answers as small numbers, a number a column: a choice's
// place among its column's choices, a text's number among the distinct
// texts of its column met so far (the first KeptTexts of them), or None.
// Question 2's preset, « année », is None: it stands on every untouched
// sheet.
class Coder
{
public:
    static constexpr qint32 None = -1;     // no answer
    static constexpr qint32 Unlisted = -2; // a text, past the ones kept
    using Codes = std::vector<qint32>;

    Coder();
    void encode(const Cells& answers, Codes* codes);
    // The text of a column's number.
    QString text(int column, qint32 code) const { return m_texts[size_t(column)].value(code); }

private:
    struct Column {
        QList<QByteArray> choices; // in UTF-8; none for a text
        QByteArray preset;
    };
    std::vector<Column> m_columns;
    std::vector<QHash<QByteArray, qint32>> m_numbers; // a text column's texts
    std::vector<QStringList> m_texts;
};

class Tally
{
public:
    // With a coder of its own, for rows of cells.
    Tally();
    // Over the numbers of this coder.
    explicit Tally(std::shared_ptr<const Coder> coder);
    // Each row holds the answer cells, one a column of columns::names().
    void add(const Cells& answers);
    void add(const Coder::Codes& codes) { add(codes.data()); }
    void add(const qint32* codes); // one a column
    int responses() const { return m_responses; }
    // The 41 questions; the contact fields only when asked for.
    QList<Card> cards(bool withContact = false) const;

private:
    struct Column {
        int column;
        int card;
        int group; // -1: a text
        int bar;   // a check box's bar
    };
    std::shared_ptr<const Coder> m_coder;
    std::shared_ptr<Coder> m_ownCoder;
    Coder::Codes m_scratch;
    QList<Card> m_cards;
    std::vector<Column> m_columns;
    std::vector<std::vector<int>> m_textHits; // a text column's counts, by the text's number
    std::vector<int> m_textCounts;            // how many typed one, a column
    int m_responses = 0;
};

} // namespace summary
