#include "answers/answertext.h"

#include <QHash>

#include <algorithm>

#include "answers/scales.h"

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

using catalogue::Kind;

const QString CrLf = QStringLiteral("\r\n");

QString utf8(const char* s)
{
    return QString::fromUtf8(s);
}

bool multiLine(int box)
{
    for (const catalogue::TextBox& t : catalogue::textBoxes())
        if (t.index == box)
            return t.multiLine;
    return false;
}

QString captionOf(int check)
{
    for (const catalogue::CheckBox& c : catalogue::checkBoxes())
        if (c.index == check)
            return utf8(c.caption);
    return QString();
}

// The entries' words converted once, before any thread reads: the reader
// asks for them at every message.
const QString& once(const char* utf8Text)
{
    static const QHash<const char*, QString> converted = [] {
        QHash<const char*, QString> all;
        for (const Entry& e : entries()) {
            all.insert(e.prefix, QString::fromUtf8(e.prefix));
            for (const Pair& p : e.pairs)
                all.insert(p.label, QString::fromUtf8(p.label));
        }
        return all;
    }();
    const auto it = converted.constFind(utf8Text);
    Q_ASSERT(it != converted.constEnd());
    return *it;
}

const QString& captionOnce(int check)
{
    static const QHash<int, QString> captions = [] {
        QHash<int, QString> all;
        for (const catalogue::CheckBox& c : catalogue::checkBoxes())
            all.insert(c.index, QString::fromUtf8(c.caption));
        return all;
    }();
    return *captions.constFind(check);
}

QString textOf(const Answers& a, int box)
{
    const auto it = a.texts.find(box);
    return it == a.texts.end() ? QString() : it->second;
}

QString labelOf(const Answers& a, Kind kind, int index)
{
    const auto it = a.lists.find({kind, index});
    const QStringList& scale = scaleOf(kind);
    return it == a.lists.end() || it->second < 0 || it->second >= scale.size() ? QString()
                                                                               : scale[it->second];
}

// What follows a yes/no pair's label: "Oui", "Non", both or nothing.
QString yesNo(const Answers& a, int frame)
{
    const catalogue::YesNoPair& pair = catalogue::yesNoPair(frame);
    QString s;
    if (a.options.count(pair.oui))
        s += QLatin1String(catalogue::Oui);
    if (a.options.count(pair.non))
        s += QLatin1String(catalogue::Non);
    return s;
}

QString gridLine(const Answers& a, const catalogue::GridRow& row)
{
    QString line = utf8(row.part) + QStringLiteral(" : ") +
                   labelOf(a, Kind::Interest, row.interest) + QStringLiteral(" / ");
    if (row.difficulty != catalogue::NoDifficulty)
        line += labelOf(a, Kind::Difficulty, row.difficulty);
    return line;
}

void setText(Answers& a, int box, const QString& text)
{
    if (!text.isEmpty())
        a.texts[box] = text;
}

// Reads the lines of an answer text entry by entry, keeping every way the
// several-line boxes can be read.
class Reader
{
public:
    // Lenient: read as mail programs may have left the text, each line's
    // trailing spaces trimmed and a signature or a footer after the last item.
    Reader(QList<QStringView> lines, bool lenient) : m_lines(std::move(lines)), m_lenient(lenient) {}
    QList<Answers> readings()
    {
        Answers a;
        from(0, 0, a);
        return m_out;
    }

private:
    // Reads from entry e at this line into a.  The path runs straight, a
    // changed in place, except at a several-line box, whose every ending is
    // tried on its own copy.
    void from(size_t e, int line, Answers& a)
    {
        if (m_out.size() >= MaxReadings)
            return;
        const std::vector<Entry>& all = entries();
        if (e == all.size()) {
            if (!m_lenient && !onlyEmptyFrom(line))
                return;
            m_out << a;
            return;
        }
        if (line >= m_lines.size())
            return;
        const Entry& entry = all[e];
        // Where the entry's own lines end, its blank line taken.
        const auto next = [&](int after, Answers& read) {
            if (!entry.blankLine)
                return from(e + 1, after, read);
            if (after < m_lines.size() && m_lines[after].isEmpty())
                from(e + 1, after + 1, read);
            else if (m_lenient && e + 1 == all.size())
                from(e + 1, after, read); // a signature right under the last item
        };
        const QStringView l = m_lines[line];
        switch (entry.form) {
        case Form::YesNo:
            if (pairs(entry, 0, l, a))
                next(line + 1, a);
            return;
        case Form::Text: {
            QStringView rest;
            if (!prefixed(l, once(entry.prefix), &rest))
                return;
            QString text = rest.toString();
            if (!multiLine(entry.index)) {
                setText(a, entry.index, text);
                return next(line + 1, a);
            }
            for (int end = line;; ++end) {
                // An ending is tried, on a copy, only where the next item can begin.
                const int after = end + 1;
                if (entry.blankLine ? (after < m_lines.size() && m_lines[after].isEmpty() &&
                                       couldStart(e + 1, after + 1)) ||
                                          (m_lenient && e + 1 == all.size())
                                    : couldStart(e + 1, after)) {
                    Answers read = a;
                    setText(read, entry.index, text);
                    next(after, read);
                }
                if (end == int(m_lines.size()) - 1)
                    return;
                text += CrLf;
                text += m_lines[end + 1];
            }
        }
        case Form::List: {
            QStringView rest;
            if (!prefixed(l, once(entry.prefix), &rest))
                return;
            const int n = int(scaleOf(entry.kind).indexOf(rest));
            if (n < 0)
                return;
            if (n > 0)
                a.lists[{entry.kind, entry.index}] = n;
            return next(line + 1, a);
        }
        case Form::Checks: {
            if (l != once(entry.prefix))
                return;
            int at = line + 1;
            for (const Box& b : entry.boxes) {
                if (at >= m_lines.size())
                    break;
                const QString& caption = captionOnce(b.check);
                const QStringView candidate = m_lines[at];
                QStringView rest;
                if (b.companion == NoCompanion ? candidate == caption
                                               : prefixed(candidate, caption + QLatin1Char(' '), &rest)) {
                    a.checks.insert(b.check);
                    if (b.companion != NoCompanion)
                        setText(a, b.companion, rest.toString());
                    ++at;
                }
            }
            return next(at, a);
        }
        case Form::Grid: {
            QStringView first;
            if (!prefixed(l, once(entry.prefix), &first))
                return;
            const std::vector<catalogue::GridRow>& rows = catalogue::gridRows();
            if (line + int(rows.size()) > m_lines.size())
                return;
            for (size_t r = 0; r < rows.size(); ++r) {
                const QStringView got = r == 0 ? first : m_lines[line + int(r)];
                if (!gridRow(r, got, a, m_lenient))
                    return;
            }
            return next(line + int(rows.size()), a);
        }
        }
    }

    // Whether entry e can begin at this line, at a glance.
    bool couldStart(size_t e, int line) const
    {
        const std::vector<Entry>& all = entries();
        if (e == all.size())
            return m_lenient || onlyEmptyFrom(line);
        if (line >= m_lines.size())
            return false;
        const Entry& entry = all[e];
        const QStringView l = m_lines[line];
        QStringView rest;
        switch (entry.form) {
        case Form::YesNo:
            return prefixed(l, once(entry.pairs.front().label), &rest);
        case Form::Checks:
            return l == once(entry.prefix);
        default:
            return prefixed(l, once(entry.prefix), &rest);
        }
    }

    // Empty lines after the text are what carried it (a mail body's end).
    bool onlyEmptyFrom(int line) const
    {
        for (int rest = line; rest < m_lines.size(); ++rest)
            if (!m_lines[rest].isEmpty())
                return false;
        return true;
    }

    // Whether the line begins with the prefix, and what follows it.  A mail
    // program may have trimmed the spaces that end a line ("1." for "1. "):
    // read leniently, such a line is the prefix followed by nothing.
    bool prefixed(QStringView line, QStringView prefix, QStringView* rest) const
    {
        if (line.startsWith(prefix)) {
            *rest = line.mid(prefix.size());
            return true;
        }
        if (!m_lenient || line.isEmpty() || !prefix.startsWith(line))
            return false;
        for (const QChar c : prefix.mid(line.size()))
            if (c != QLatin1Char(' '))
                return false;
        *rest = QStringView();
        return true;
    }

    // The pairs of a yes/no line from the p-th on, each label then its answer.
    bool pairs(const Entry& entry, size_t p, QStringView rest, Answers& a)
    {
        if (p == entry.pairs.size())
            return rest.isEmpty();
        QStringView after;
        if (!prefixed(rest, once(entry.pairs[p].label), &after))
            return false;
        const catalogue::YesNoPair& pair = catalogue::yesNoPair(entry.pairs[p].frame);
        const QLatin1String oui(catalogue::Oui), non(catalogue::Non);
        // Both, « Oui », « Non », neither: the order the writer can produce them.
        static constexpr std::pair<bool, bool> tries[] = {{true, true}, {true, false},
                                                          {false, true}, {false, false}};
        // A pair's buttons are in no other pair: what a try adds, it takes back.
        for (const auto& [yes, no] : tries) {
            QStringView rest2 = after;
            if (yes && !rest2.startsWith(oui))
                continue;
            rest2 = rest2.mid(yes ? oui.size() : 0);
            if (no && !rest2.startsWith(non))
                continue;
            rest2 = rest2.mid(no ? non.size() : 0);
            if (yes)
                a.options.insert(pair.oui);
            if (no)
                a.options.insert(pair.non);
            if (pairs(entry, p + 1, rest2, a))
                return true;
            a.options.erase(pair.oui);
            a.options.erase(pair.non);
        }
        return false;
    }

    // A grid row's line read back: every line the row can write, made once,
    // gives the choices that write it.
    static bool gridRow(size_t r, QStringView got, Answers& a, bool lenient)
    {
        using Choice = std::pair<int, int>; // interest, difficulty; 0 for none
        // Each row's lines as written, then as a mail program may trim them.
        const auto written = [](bool trimmed) {
            std::vector<QHash<QString, Choice>> all;
            const QStringList& interest = scaleOf(Kind::Interest);
            const QStringList& difficulty = scaleOf(Kind::Difficulty);
            for (const catalogue::GridRow& row : catalogue::gridRows()) {
                QHash<QString, Choice> lines;
                const int levels =
                    row.difficulty == catalogue::NoDifficulty ? 1 : int(difficulty.size());
                for (int i = 0; i < interest.size(); ++i)
                    for (int d = 0; d < levels; ++d) {
                        Answers one;
                        if (i > 0)
                            one.lists[{Kind::Interest, row.interest}] = i;
                        if (d > 0)
                            one.lists[{Kind::Difficulty, row.difficulty}] = d;
                        QString line = gridLine(one, row);
                        while (trimmed && line.endsWith(QLatin1Char(' ')))
                            line.chop(1);
                        lines.insert(line, {i, d});
                    }
                all.push_back(lines);
            }
            return all;
        };
        static const std::vector<QHash<QString, Choice>> exact = written(false);
        static const std::vector<QHash<QString, Choice>> trimmed = written(true);
        QStringView line = got;
        while (lenient && line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        const QHash<QString, Choice>& lines = lenient ? trimmed[r] : exact[r];
        const auto found = lines.constFind(line.toString());
        if (found == lines.constEnd())
            return false;
        const catalogue::GridRow& row = catalogue::gridRows()[r];
        if (found->first > 0)
            a.lists[{Kind::Interest, row.interest}] = found->first;
        if (found->second > 0)
            a.lists[{Kind::Difficulty, row.difficulty}] = found->second;
        return true;
    }

    QList<QStringView> m_lines;
    const bool m_lenient;
    QList<Answers> m_out;
};

} // namespace

namespace
{

// Section F's boxes: the text entries after the numbered questions, in order.
std::vector<int> contactBoxes()
{
    std::vector<int> boxes;
    for (const Entry& e : entries())
        if (e.form == Form::Text && !QChar::fromLatin1(e.prefix[0]).isDigit())
            boxes.push_back(e.index);
    return boxes;
}

} // namespace

Contact contactOf(const Answers& a)
{
    static const std::vector<int> boxes = contactBoxes();
    Q_ASSERT(boxes.size() == 3);
    return {textOf(a, boxes[0]), textOf(a, boxes[1]), textOf(a, boxes[2])};
}

bool answersAnything(const Answers& a)
{
    static const std::vector<int> contact = contactBoxes();
    if (!a.options.empty() || !a.checks.empty() || !a.lists.empty())
        return true;
    for (const auto& [box, text] : a.texts) {
        const bool preset = box == 0 && text.trimmed() == QString::fromUtf8(catalogue::InitialT1_0);
        if (!preset && std::find(contact.begin(), contact.end(), box) == contact.end())
            return true;
    }
    return false;
}

QString folded(const QString& text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        out += c == QChar(0x2019) ? QLatin1Char('\'') : c;
    }
    return out.toCaseFolded().simplified();
}

const QStringList& scaleOf(Kind kind)
{
    switch (kind) {
    case Kind::Difficulty:
        return scales::difficulty();
    case Kind::Site:
        return scales::siteRating();
    default:
        return scales::interest();
    }
}

QString write(const Answers& a)
{
    QString out;
    for (const Entry& e : entries()) {
        switch (e.form) {
        case Form::YesNo:
            for (const Pair& p : e.pairs)
                out += utf8(p.label) + yesNo(a, p.frame);
            out += CrLf;
            break;
        case Form::Text:
            out += utf8(e.prefix) + textOf(a, e.index) + CrLf;
            break;
        case Form::List:
            out += utf8(e.prefix) + labelOf(a, e.kind, e.index) + CrLf;
            break;
        case Form::Checks:
            out += utf8(e.prefix) + CrLf;
            // An unticked box hides its text.
            for (const Box& b : e.boxes) {
                if (!a.checks.count(b.check))
                    continue;
                out += captionOf(b.check);
                if (b.companion != NoCompanion)
                    out += QLatin1Char(' ') + textOf(a, b.companion);
                out += CrLf;
            }
            break;
        case Form::Grid:
            out += utf8(e.prefix);
            for (const catalogue::GridRow& row : catalogue::gridRows())
                out += gridLine(a, row) + CrLf;
            break;
        }
        if (e.blankLine)
            out += CrLf;
    }
    return out;
}

Reading read(const QString& text)
{
    // Line ends as mail software may have left them, and the empty lines a
    // mail body puts before the text (no answer text begins with one).
    QString normal = text;
    normal.replace(CrLf, QStringLiteral("\n"));
    while (normal.startsWith(QLatin1Char('\n')))
        normal.remove(0, 1);
    if (normal.endsWith(QLatin1Char('\n')))
        normal.chop(1);
    const QList<QStringView> lines = QStringView(normal).split(u'\n');
    // Exactly as written first; leniently only when that finds nothing, so
    // that a text read exactly is never read another way.
    Reading r;
    r.readings = Reader(lines, false).readings();
    if (r.readings.isEmpty()) {
        r.readings = Reader(lines, true).readings();
        r.lenient = !r.readings.isEmpty();
    }
    return r;
}

} // namespace answertext
