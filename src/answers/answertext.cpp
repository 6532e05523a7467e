#include "answers/answertext.h"

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
    explicit Reader(const QStringList& lines) : m_lines(lines) {}
    QList<Answers> readings()
    {
        from(0, 0, Answers());
        return m_out;
    }

private:
    void from(size_t e, int line, Answers a)
    {
        if (m_out.size() >= MaxReadings)
            return;
        const std::vector<Entry>& all = entries();
        if (e == all.size()) {
            // Empty lines after the text are what carried it (a mail body's end).
            for (int rest = line; rest < m_lines.size(); ++rest)
                if (!m_lines[rest].isEmpty())
                    return;
            m_out << a;
            return;
        }
        if (line >= m_lines.size())
            return;
        const Entry& entry = all[e];
        // Where the entry's own lines end, its blank line taken.
        const auto next = [&](int after, const Answers& read) {
            if (!entry.blankLine)
                return from(e + 1, after, read);
            if (after < m_lines.size() && m_lines[after].isEmpty())
                from(e + 1, after + 1, read);
        };
        const QString& l = m_lines[line];
        switch (entry.form) {
        case Form::YesNo:
            if (pairs(entry, 0, l, a))
                next(line + 1, a);
            return;
        case Form::Text: {
            if (!l.startsWith(utf8(entry.prefix)))
                return;
            QString text = l.mid(utf8(entry.prefix).size());
            const int last = multiLine(entry.index) ? int(m_lines.size()) - 1 : line;
            for (int end = line;; ++end) {
                Answers read = a;
                setText(read, entry.index, text);
                next(end + 1, read);
                if (end == last)
                    return;
                text += CrLf + m_lines[end + 1];
            }
        }
        case Form::List: {
            const QString prefix = utf8(entry.prefix);
            if (!l.startsWith(prefix))
                return;
            const int n = int(scaleOf(entry.kind).indexOf(l.mid(prefix.size())));
            if (n < 0)
                return;
            if (n > 0)
                a.lists[{entry.kind, entry.index}] = n;
            return next(line + 1, a);
        }
        case Form::Checks: {
            if (l != utf8(entry.prefix))
                return;
            int at = line + 1;
            for (const Box& b : entry.boxes) {
                if (at >= m_lines.size())
                    break;
                const QString caption = captionOf(b.check);
                const QString& candidate = m_lines[at];
                if (b.companion == NoCompanion ? candidate == caption
                                               : candidate.startsWith(caption + QLatin1Char(' '))) {
                    a.checks.insert(b.check);
                    if (b.companion != NoCompanion)
                        setText(a, b.companion, candidate.mid(caption.size() + 1));
                    ++at;
                }
            }
            return next(at, a);
        }
        case Form::Grid: {
            const QString prefix = utf8(entry.prefix);
            if (!l.startsWith(prefix))
                return;
            const std::vector<catalogue::GridRow>& rows = catalogue::gridRows();
            if (line + int(rows.size()) > m_lines.size())
                return;
            for (size_t r = 0; r < rows.size(); ++r) {
                const QString got = r == 0 ? l.mid(prefix.size()) : m_lines[line + int(r)];
                if (!gridRow(rows[r], got, a))
                    return;
            }
            return next(line + int(rows.size()), a);
        }
        }
    }

    // The pairs of a yes/no line from the p-th on, each label then its answer.
    bool pairs(const Entry& entry, size_t p, const QString& rest, Answers& a)
    {
        if (p == entry.pairs.size())
            return rest.isEmpty();
        const QString label = utf8(entry.pairs[p].label);
        if (!rest.startsWith(label))
            return false;
        const QString after = rest.mid(label.size());
        const catalogue::YesNoPair& pair = catalogue::yesNoPair(entry.pairs[p].frame);
        const QString oui = QLatin1String(catalogue::Oui), non = QLatin1String(catalogue::Non);
        const std::pair<QString, std::vector<int>> choices[] = {
            {oui + non, {pair.oui, pair.non}}, {oui, {pair.oui}}, {non, {pair.non}}, {QString(), {}}};
        for (const auto& [said, chosen] : choices) {
            if (!after.startsWith(said))
                continue;
            Answers tried = a;
            tried.options.insert(chosen.begin(), chosen.end());
            if (pairs(entry, p + 1, after.mid(said.size()), tried)) {
                a = tried;
                return true;
            }
        }
        return false;
    }

    static bool gridRow(const catalogue::GridRow& row, const QString& got, Answers& a)
    {
        const QStringList& interest = scaleOf(Kind::Interest);
        const QStringList& difficulty = scaleOf(Kind::Difficulty);
        const int levels = row.difficulty == catalogue::NoDifficulty ? 1 : int(difficulty.size());
        for (int i = 0; i < interest.size(); ++i) {
            for (int d = 0; d < levels; ++d) {
                Answers tried = a;
                if (i > 0)
                    tried.lists[{Kind::Interest, row.interest}] = i;
                if (d > 0)
                    tried.lists[{Kind::Difficulty, row.difficulty}] = d;
                if (gridLine(tried, row) == got) {
                    a = tried;
                    return true;
                }
            }
        }
        return false;
    }

    QStringList m_lines;
    QList<Answers> m_out;
};

} // namespace

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
    Reading r;
    r.readings = Reader(normal.split(QLatin1Char('\n'))).readings();
    return r;
}

} // namespace answertext
