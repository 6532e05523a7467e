#pragma once

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

// rows: the answer cells of each response, one a column of columns::names().
QList<Question> count(const QList<QStringList>& rows);

} // namespace counts
