#include "answers/catalogue.h"

#include <algorithm>

namespace catalogue
{

const std::vector<YesNoPair>& yesNoPairs()
{
    static const std::vector<YesNoPair> pairs = {
        {0, 0, 1, 3975},    {1, 3, 2, 3975},    {2, 4, 5, 3975},    {3, 6, 7, 3975},
        {4, 8, 9, 3975},    {5, 11, 10, 3975},  {6, 12, 13, 3495},  {7, 14, 15, 3975},
        {8, 17, 16, 3495},  {9, 19, 18, 3975},  {10, 21, 20, 3495}, {11, 22, 23, 3495},
        {12, 24, 25, 3495}, {13, 49, 48, 3975}, {14, 51, 50, 3975}, {15, 53, 52, 3975},
    };
    return pairs;
}

const YesNoPair& yesNoPair(int frame)
{
    const std::vector<YesNoPair>& pairs = yesNoPairs();
    return *std::find_if(pairs.begin(), pairs.end(),
                         [frame](const YesNoPair& p) { return p.frame == frame; });
}

const std::vector<GridRow>& gridRows()
{
    static const std::vector<GridRow> rows = {
        {"Simulateurs", 0, 0}, {"Exercices", 1, 1}, {"Vidéos", 2, NoDifficulty},
        {"Cours", 3, 2},       {"Tests", 4, 3},
    };
    return rows;
}

const std::vector<CheckBox>& checkBoxes()
{
    static const std::vector<CheckBox> boxes = {
        {0, "en classe, avec les élèves", 2895},
        {1, "en devoir surveillé", 2535},
        {2, "autre. Préciser :", 1815},
        {3, "à la place de certaines manipulations", 3975},
        {4, "pour compléter un TP", 2895},
        {5, "autre. Préciser :", 1815},
        {6, "version 5 postes", 1815},
        {7, "version 15 postes", 1815},
        {8, "version réseau", 1815},
        {9, "manque de matériel informatique", 3495},
        {10, "manque d’intérêt", 3495},
        {11, "d’un accès trop difficile", 3495},
        {12, "budget insuffisant", 3495},
        {13, "autre. Préciser :", 1815},
        {14, "manque de matériel informatique", 3495},
        {15, "manque d’intérêt", 3495},
        {16, "d’un accès trop difficile", 3495},
        {17, "prix trop élevé", 3495},
        {18, "autre. Préciser :", 1815},
        {19, "personnellement", 2415},
        {20, "en échange inter-classes", 3495},
        {21, "en TP", 1815},
        {22, "en classe entière", 2055},
    };
    return boxes;
}

const std::vector<TextBox>& textBoxes()
{
    static const std::vector<TextBox> boxes = {
        {0, 1215, false},  {1, 2655, false},  {2, 4935, false},  {3, 9495, false},
        {4, 4935, false},  {5, 9495, false},  {6, 7455, false},  {7, 4935, false},
        {8, 6735, false},  {9, 10335, true},  {10, 4935, false}, {11, 9495, false},
        {12, 9495, false}, {13, 4935, false}, {14, 4935, false}, {15, 9495, false},
        {16, 5295, false}, {17, 5295, true},  {18, 5295, false},
    };
    return boxes;
}

const std::vector<FocusStop>& focusOrder()
{
    static const std::vector<FocusStop> order = [] {
        std::vector<FocusStop> o;
        auto add = [&o](Kind k, int from, int to) {
            for (int i = from; i <= to; ++i)
                o.push_back({k, i});
        };
        add(Kind::Frame, 0, 1);
        add(Kind::Text, 0, 1);
        add(Kind::Frame, 2, 3);
        add(Kind::Text, 2, 5);
        add(Kind::Frame, 13, 15);
        add(Kind::Difficulty, 0, 3);
        add(Kind::Interest, 0, 5);
        add(Kind::Frame, 4, 4);
        add(Kind::Text, 6, 6);
        add(Kind::Interest, 6, 7);
        add(Kind::Difficulty, 4, 4);
        add(Kind::Check, 0, 2);
        add(Kind::Text, 7, 7);
        add(Kind::Interest, 8, 8);
        add(Kind::Frame, 5, 5);
        add(Kind::Text, 8, 9);
        add(Kind::Check, 3, 5);
        add(Kind::Text, 10, 12);
        add(Kind::Frame, 6, 9);
        add(Kind::Check, 6, 13);
        add(Kind::Text, 13, 13);
        add(Kind::Frame, 10, 10);
        add(Kind::Check, 14, 18);
        add(Kind::Text, 14, 14);
        add(Kind::Frame, 11, 11);
        add(Kind::Site, 0, 0);
        add(Kind::Check, 19, 20);
        add(Kind::Frame, 12, 12);
        add(Kind::Text, 15, 18);
        add(Kind::Command, 1, 2);
        add(Kind::Check, 21, 22);
        return o;
    }();
    return order;
}

} // namespace catalogue
