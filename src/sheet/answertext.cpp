#include "sheet/answertext.h"

namespace answertext
{

namespace
{

Entry yesNo(const char* prefix, int oui, int non)
{
    return {Kind::YesNo, "", {{prefix, oui, non}}};
}

Entry text(const char* prefix, int box, bool blankLine = false)
{
    Entry e{Kind::Text, prefix};
    e.control = box;
    e.blankLine = blankLine;
    return e;
}

Entry list(const char* prefix, Scale scale, int index)
{
    Entry e{Kind::List, prefix};
    e.scale = scale;
    e.control = index;
    return e;
}

Entry checks(const char* header, std::vector<Box> boxes)
{
    Entry e{Kind::Checks, header};
    e.boxes = std::move(boxes);
    return e;
}

} // namespace

const std::vector<Entry>& entries()
{
    using S = Scale;
    static const std::vector<Entry> all = {
        yesNo("1. ", 0, 1),
        text("2. ", 0),
        yesNo("3. ", 3, 2),
        text("4. ", 1),
        {Kind::YesNo, "", {{"5. Ordinateur : ", 4, 5}, {"        internet : ", 6, 7}}},
        {Kind::Grid, "6. "},
        text("7. ", 2),
        text("8. ", 3),
        text("9. ", 4),
        text("10. ", 5),
        yesNo("11. ", 49, 48),
        yesNo("12. ", 51, 50),
        yesNo("13. ", 53, 52),
        list("14. ", S::Interest, 5),
        yesNo("15. ", 8, 9),
        text("16. ", 6),
        list("17. ", S::Interest, 6),
        list("18. ", S::Interest, 7),
        list("19. ", S::Difficulty, 4),
        checks("20.", {{0}, {1}, {2, 7}}),
        list("21. ", S::Interest, 8),
        yesNo("22. ", 11, 10),
        text("23. ", 8),
        text("24. ", 9),
        checks("25.", {{21}, {22}}),
        checks("26.", {{3}, {4}, {5, 10}}),
        text("27. ", 11),
        text("28. ", 12),
        yesNo("29. ", 12, 13),
        yesNo("30. ", 14, 15),
        yesNo("31. ", 17, 16),
        yesNo("32. ", 19, 18),
        checks("33.", {{6}, {7}, {8}}),
        checks("34.", {{9}, {10}, {11}, {12}, {13, 13}}),
        yesNo("35. ", 21, 20),
        checks("36.", {{14}, {15}, {16}, {17}, {18, 14}}),
        yesNo("37. ", 22, 23),
        list("38. ", S::Site, 0),
        checks("39.", {{19}, {20}}),
        yesNo("40. ", 24, 25),
        text("41. ", 15, true),
        text("Nom et prénom : ", 16, true),
        text("Lycée ", 17, true),
        text("e-mail : ", 18, true),
    };
    return all;
}

const std::vector<GridRow>& gridRows()
{
    static const std::vector<GridRow> rows = {
        {"Simulateurs : ", 0, 0}, {"Exercices : ", 1, 1}, {"Vidéos : ", 2, -1},
        {"Cours : ", 3, 2},       {"Tests : ", 4, 3},
    };
    return rows;
}

} // namespace answertext
