#include "tally/counts.h"

#include "answers/columns.h"

namespace counts
{

Tally::Tally()
{
    const QStringList& names = columns::names();
    const QList<QStringList>& choices = columns::choices();
    for (qsizetype c = 0; c < names.size(); ++c) {
        if (choices[c].isEmpty())
            continue; // a free text: listed, not counted
        Question q;
        q.column = names[c];
        for (const QString& label : choices[c])
            q.values << Value{label};
        m_questions << q;
        m_columns << int(c);
        QList<QByteArray> labels;
        for (const QString& label : choices[c])
            labels << label.toUtf8();
        m_choices << labels;
    }
}

void Tally::add(const Cells& row)
{
    for (qsizetype i = 0; i < m_questions.size(); ++i) {
        const QByteArrayView cell = row.value(m_columns[i]);
        qsizetype at = -1;
        for (qsizetype c = 0; at < 0 && c < m_choices[i].size(); ++c)
            if (m_choices[i][c] == cell)
                at = c;
        if (at < 0)
            ++m_questions[i].unanswered;
        else
            ++m_questions[i].values[at].count;
    }
    ++m_responses;
}

QList<Question> Tally::result() const
{
    QList<Question> out = m_questions;
    for (Question& q : out)
        for (Value& v : q.values)
            v.percent = m_responses ? 100.0 * v.count / m_responses : 0;
    return out;
}

} // namespace counts
