#include "answers/columns.h"

#include "answers/questions.h"

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
    int entry = 0;
    QString part = {};
    QString preset = {};
};

// A box's caption as a part of its question: « autre. Préciser : » -> « autre ».
QString captionPart(int check)
{
    for (const catalogue::CheckBox& b : catalogue::checkBoxes())
        if (b.index == check) {
            QString c = QString::fromUtf8(b.caption);
            const qsizetype cut = c.indexOf(QStringLiteral(". Préciser"));
            return (cut >= 0 ? c.left(cut) : c).trimmed();
        }
    return QString();
}

// An item listed under its question on the page: « · un ordinateur multimédia » -> « un ordinateur multimédia ».
QString itemPart(int number, size_t item)
{
    QString s = QString::fromUtf8(questions::page(number).items[item]).trimmed();
    return s.startsWith(QChar(0xB7)) ? s.mid(1).trimmed() : s;
}

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
    const std::vector<answertext::Entry>& entries = answertext::entries();
    for (size_t entry = 0; entry < entries.size(); ++entry) {
        const answertext::Entry& e = entries[entry];
        const size_t first = out.size();
        std::vector<QString> parts;
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
                if (e.pairs.size() > 1)
                    parts.push_back(itemPart(int(entry) + 1, parts.size()));
            }
            break;
        case Form::Text:
            out.push_back({question(e.prefix), [box = e.index](const Answers& a) {
                               return text(a, box);
                           }});
            if (e.index == 0)
                out.back().preset = QString::fromUtf8(catalogue::InitialT1_0);
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
                parts.push_back(captionPart(b.check));
                if (b.companion != answertext::NoCompanion) {
                    parts.push_back(captionPart(b.check) + QStringLiteral(", précision"));
                    out.push_back({name + QStringLiteral("_precision"),
                                   [check = b.check, box = b.companion](const Answers& a) {
                                       return a.checks.count(check) ? text(a, box) : QString();
                                   }});
                }
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
                parts.push_back(QString::fromUtf8(row.part) + QStringLiteral(", intérêt"));
                if (row.difficulty != catalogue::NoDifficulty) {
                    parts.push_back(QString::fromUtf8(row.part) + QStringLiteral(", difficulté"));
                    out.push_back({base + QStringLiteral("_difficulte"),
                                   [d = row.difficulty](const Answers& a) {
                                       return label(a, Kind::Difficulty, d);
                                   },
                                   labels(Kind::Difficulty)});
                }
            }
            break;
        }
        for (size_t c = first; c < out.size(); ++c) {
            out[c].entry = int(entry);
            if (c - first < parts.size())
                out[c].part = parts[c - first];
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

int entryOf(int column)
{
    return all().at(size_t(column)).entry;
}

QString presetOf(int column)
{
    return all().at(size_t(column)).preset;
}

QString partOf(int column)
{
    return all().at(size_t(column)).part;
}

QStringList cells(const Answers& answers)
{
    QStringList row;
    for (const Column& c : all())
        row << c.cell(answers);
    return row;
}

} // namespace columns
