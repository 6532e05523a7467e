#pragma once

#include "tally/rows.h"

#include <QList>
#include <QString>
#include <QStringList>

// How often each answer was given, question by question, over the responses
// that stand (a superseded one is not counted).
namespace counts
{

struct Value {
    QString label;
    int count = 0;
    double percent = 0; // of the responses counted
};

struct Question {
    QString column;
    QList<Value> values; // in the order of its choices
    int unanswered = 0;
};

// Counts responses one at a time, so that a base of any size is counted in
// constant memory.  Each row holds the answer cells, one a column of
// columns::names().
class Tally
{
public:
    Tally();
    void add(const Cells& row);
    int responses() const { return m_responses; }
    QList<Question> result() const;

private:
    QList<Question> m_questions;
    QList<int> m_columns;                // the column of each question
    QList<QList<QByteArray>> m_choices;  // each question's labels, in UTF-8
    int m_responses = 0;
};

} // namespace counts
