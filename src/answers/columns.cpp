#include "answers/columns.h"

#include <cctype>
#include <cstring>
#include <functional>

namespace columns
{
namespace
{

using answertext::Answers;
using catalogue::Kind;

struct Column {
    QString name;
    std::function<QString(const Answers&)> cell;
    QStringList choices = {};
};

const QStringList& yesNo()
{
    static const QStringList c = {QString::fromLatin1(catalogue::Oui),
                                  QString::fromLatin1(catalogue::Non)};
    return c;
}

const QStringList& ticked()
{
    static const QStringList c = {QString::fromLatin1(catalogue::Oui)};
    return c;
}

// A scale without its empty entry.
QStringList labels(Kind kind)
{
    return answertext::scaleOf(kind).mid(1);
}

// "Nom et prénom : " -> "nom", "  internet : " -> "internet", "Lycée " -> "lycee".
QString word(const char* label)
{
    QString folded = QString::fromUtf8(label).section(QLatin1Char(':'), 0, 0).trimmed();
    folded = folded.section(QLatin1Char(' '), 0, 0).normalized(QString::NormalizationForm_D);
    QString out;
    for (const QChar c : folded)
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            out += c.toLower();
    return out;
}

// The words of a label after its question number: "5. Ordinateur : " -> "Ordinateur : ".
const char* afterNumber(const char* label)
{
    const char* dot = std::strstr(label, ". ");
    return dot && std::isdigit(static_cast<unsigned char>(label[0])) ? dot + 2 : label;
}

// "12. " -> "q12".
QString question(const char* prefix)
{
    const QString p = QString::fromUtf8(prefix);
    const QString number = p.section(QLatin1Char('.'), 0, 0).trimmed();
    bool isNumber = false;
    number.toInt(&isNumber);
    return isNumber ? QStringLiteral("q") + number : word(prefix);
}

QString text(const Answers& a, int box)
{
    const auto it = a.texts.find(box);
    return it == a.texts.end() ? QString() : it->second;
}

QString label(const Answers& a, Kind kind, int index)
{
    const auto it = a.lists.find({kind, index});
    const QStringList& scale = answertext::scaleOf(kind);
    return it == a.lists.end() ? QString() : scale.value(it->second);
}

std::vector<Column> build()
{
    using answertext::Form;
    std::vector<Column> out;
    for (const answertext::Entry& e : answertext::entries()) {
        switch (e.form) {
        case Form::YesNo:
            for (const answertext::Pair& p : e.pairs) {
                const catalogue::YesNoPair pair = catalogue::yesNoPair(p.frame);
                // Question 5's two pairs: "q5_ordinateur", "q5_internet".
                const QString name = e.pairs.size() == 1 ? question(p.label)
                                                         : question(e.pairs.front().label) +
                                                               QLatin1Char('_') +
                                                               word(afterNumber(p.label));
                out.push_back({name,
                               [pair](const Answers& a) {
                                   return a.options.count(pair.oui)   ? yesNo()[0]
                                          : a.options.count(pair.non) ? yesNo()[1]
                                                                      : QString();
                               },
                               yesNo()});
            }
            break;
        case Form::Text:
            out.push_back({question(e.prefix), [box = e.index](const Answers& a) {
                               return text(a, box);
                           }});
            break;
        case Form::List:
            out.push_back({question(e.prefix),
                           [kind = e.kind, index = e.index](const Answers& a) {
                               return label(a, kind, index);
                           },
                           labels(e.kind)});
            break;
        case Form::Checks: {
            char letter = 'a';
            for (const answertext::Box& b : e.boxes) {
                const QString name = question(e.prefix) + QLatin1Char('_') + QLatin1Char(letter++);
                out.push_back({name,
                               [check = b.check](const Answers& a) {
                                   return a.checks.count(check) ? ticked()[0] : QString();
                               },
                               ticked()});
                if (b.companion != answertext::NoCompanion)
                    out.push_back({name + QStringLiteral("_precision"),
                                   [check = b.check, box = b.companion](const Answers& a) {
                                       return a.checks.count(check) ? text(a, box) : QString();
                                   }});
            }
            break;
        }
        case Form::Grid:
            for (const catalogue::GridRow& row : catalogue::gridRows()) {
                const QString base = question(e.prefix) + QLatin1Char('_') + word(row.part);
                out.push_back({base + QStringLiteral("_interet"),
                               [i = row.interest](const Answers& a) {
                                   return label(a, Kind::Interest, i);
                               },
                               labels(Kind::Interest)});
                if (row.difficulty != catalogue::NoDifficulty)
                    out.push_back({base + QStringLiteral("_difficulte"),
                                   [d = row.difficulty](const Answers& a) {
                                       return label(a, Kind::Difficulty, d);
                                   },
                                   labels(Kind::Difficulty)});
            }
            break;
        }
    }
    return out;
}

const std::vector<Column>& all()
{
    static const std::vector<Column> c = build();
    return c;
}

} // namespace

const QStringList& names()
{
    static const QStringList n = [] {
        QStringList list;
        for (const Column& c : all())
            list << c.name;
        return list;
    }();
    return n;
}

const QList<QStringList>& choices()
{
    static const QList<QStringList> c = [] {
        QList<QStringList> list;
        for (const Column& column : all())
            list << column.choices;
        return list;
    }();
    return c;
}

QStringList cells(const Answers& answers)
{
    QStringList row;
    for (const Column& c : all())
        row << c.cell(answers);
    return row;
}

} // namespace columns
