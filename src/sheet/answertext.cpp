#include "sheet/answertext.h"

#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

namespace answertext
{

namespace
{

using catalogue::Kind;

Entry yesNo(const char* prefix, int frame)
{
    return {Form::YesNo, "", {{prefix, frame}}};
}

Entry text(const char* prefix, int box, bool blankLine = false)
{
    Entry e{Form::Text, prefix};
    e.index = box;
    e.blankLine = blankLine;
    return e;
}

Entry list(const char* prefix, Kind kind, int index)
{
    Entry e{Form::List, prefix};
    e.kind = kind;
    e.index = index;
    return e;
}

Entry checks(const char* header, std::vector<Box> boxes)
{
    Entry e{Form::Checks, header};
    e.boxes = std::move(boxes);
    return e;
}

} // namespace

const std::vector<Entry>& entries()
{
    static const std::vector<Entry> all = {
        yesNo("1. ", 0),
        text("2. ", 0),
        yesNo("3. ", 1),
        text("4. ", 1),
        {Form::YesNo, "", {{"5. Ordinateur : ", 2}, {"        internet : ", 3}}},
        {Form::Grid, "6. "},
        text("7. ", 2),
        text("8. ", 3),
        text("9. ", 4),
        text("10. ", 5),
        yesNo("11. ", 13),
        yesNo("12. ", 14),
        yesNo("13. ", 15),
        list("14. ", Kind::Interest, 5),
        yesNo("15. ", 4),
        text("16. ", 6),
        list("17. ", Kind::Interest, 6),
        list("18. ", Kind::Interest, 7),
        list("19. ", Kind::Difficulty, 4),
        checks("20.", {{0}, {1}, {2, 7}}),
        list("21. ", Kind::Interest, 8),
        yesNo("22. ", 5),
        text("23. ", 8),
        text("24. ", 9),
        checks("25.", {{21}, {22}}),
        checks("26.", {{3}, {4}, {5, 10}}),
        text("27. ", 11),
        text("28. ", 12),
        yesNo("29. ", 6),
        yesNo("30. ", 7),
        yesNo("31. ", 8),
        yesNo("32. ", 9),
        checks("33.", {{6}, {7}, {8}}),
        checks("34.", {{9}, {10}, {11}, {12}, {13, 13}}),
        yesNo("35. ", 10),
        checks("36.", {{14}, {15}, {16}, {17}, {18, 14}}),
        yesNo("37. ", 11),
        list("38. ", Kind::Site, 0),
        checks("39.", {{19}, {20}}),
        yesNo("40. ", 12),
        text("41. ", 15, true),
        text("Nom et prénom : ", 16, true),
        text("Lycée ", 17, true),
        text("e-mail : ", 18, true),
    };
    return all;
}

namespace
{

const QString CrLf = QStringLiteral("\r\n");

QString utf8(const char* s)
{
    return QString::fromUtf8(s);
}

QString shown(const QWidget* list)
{
    const auto* box = qobject_cast<const QComboBox*>(list);
    return box ? box->currentText() : QString();
}

// The line of a yes/no pair: its label, then the answer of each button chosen.
QString yesNoLine(const feuillep& sheet, const Pair& p)
{
    const catalogue::YesNoPair& pair = catalogue::yesNoPair(p.frame);
    QString line = utf8(p.label);
    for (auto [index, answer] : {std::pair{pair.oui, catalogue::Oui}, {pair.non, catalogue::Non}}) {
        const QRadioButton* option = sheet.Option1(index);
        if (option && option->isChecked())
            line += QLatin1String(answer);
    }
    return line;
}

} // namespace

void compose(const feuillep& sheet, ComposeBuffer& buffer)
{
    auto add = [&buffer](const QString& piece) { buffer.insert(piece); };
    for (const Entry& e : entries()) {
        switch (e.form) {
        case Form::YesNo:
            for (const Pair& p : e.pairs)
                add(yesNoLine(sheet, p));
            add(CrLf);
            break;
        case Form::Text:
            add(utf8(e.prefix) + sheet.t1Text(e.index));
            add(CrLf);
            break;
        case Form::List:
            add(utf8(e.prefix) + shown(sheet.control(e.kind, e.index)));
            add(CrLf);
            break;
        case Form::Checks:
            add(utf8(e.prefix) + CrLf);
            for (const Box& b : e.boxes) {
                const QCheckBox* box = sheet.Check1(b.check);
                // Greyed counts as unchecked; an unchecked box hides its text.
                if (!box || box->checkState() != Qt::Checked)
                    continue;
                QString line = box->text();
                if (b.companion != NoCompanion)
                    line += QLatin1Char(' ') + sheet.t1Text(b.companion);
                add(line + CrLf);
            }
            break;
        case Form::Grid:
            add(utf8(e.prefix));
            for (const catalogue::GridRow& row : catalogue::gridRows()) {
                QString line = utf8(row.part) + QStringLiteral(" : ") +
                               shown(sheet.it(row.interest)) + QStringLiteral(" / ");
                if (row.difficulty != catalogue::NoDifficulty)
                    line += shown(sheet.diff(row.difficulty));
                add(line + CrLf);
            }
            break;
        }
        if (e.blankLine)
            add(CrLf);
    }
}

} // namespace answertext
