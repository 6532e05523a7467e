#include "tally/counts.h"

#include "answers/columns.h"

namespace counts
{

QList<Question> count(const QList<QStringList>& rows)
{
    QList<Question> out;
    const QStringList& names = columns::names();
    const QList<QStringList>& choices = columns::choices();
    for (qsizetype c = 0; c < names.size(); ++c) {
        if (choices[c].isEmpty())
            continue; // a free text: listed, not counted
        Question q;
        q.column = names[c];
        for (const QString& label : choices[c])
            q.values << Value{label};
        for (const QStringList& row : rows) {
            const qsizetype at = choices[c].indexOf(row.value(c));
            if (at < 0)
                ++q.unanswered;
            else
                ++q.values[at].count;
        }
        for (Value& v : q.values)
            v.percent = rows.isEmpty() ? 0 : 100.0 * v.count / rows.size();
        out << q;
    }
    return out;
}

} // namespace counts
