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

} // namespace catalogue
