#pragma once

#include <vector>

// The answer controls of the questionnaire page: arrays, indices, captions and
// design sizes (twips).  The sheet window builds its controls from these
// tables; the page layout and the answer text address them by array and index.
namespace catalogue
{

// A yes/no pair inside one member of Frame1.  In eight pairs the "Non" button
// has the lower index: always go through oui/non, never through the order.
struct YesNoPair {
    int frame;
    int oui;
    int non;
    int width; // of the frame
};

struct CheckBox {
    int index;
    const char* caption; // UTF-8
    int width;
};

struct TextBox {
    int index;
    int width;
    bool multiLine; // several lines, vertical scroll bar, taller
};

constexpr int FrameHeight = 255;
constexpr int OptionWidth = 1335;
constexpr int OptionHeight = 255;
constexpr int OuiLeft = 360;
constexpr int NonLeft = 2160;
constexpr int CheckHeight = 255;
constexpr int TextHeight = 270;
constexpr int MultiLineHeight = 885;
constexpr int ListWidth = 2175;
constexpr int ListHeight = 360;
constexpr int SiteWidth = 3015;
constexpr int InterestLists = 9;   // it(0) to it(8)
constexpr int DifficultyLists = 5; // diff(0) to diff(4)
constexpr double FontPoints = 9.75;
constexpr const char* InitialT1_0 = "année";
constexpr const char* Oui = "Oui"; // the captions of a yes/no pair, and its answer
constexpr const char* Non = "Non";

const std::vector<YesNoPair>& yesNoPairs();
// The pair in Frame1(frame).
const YesNoPair& yesNoPair(int frame);
const std::vector<CheckBox>& checkBoxes();
const std::vector<TextBox>& textBoxes();

// What the page places: the answer controls and the two command buttons.
enum class Kind { Frame, Text, Check, Interest, Difficulty, Site, Command };

// The parts of the cédérom in question 6, each with its interest list and,
// but for one, its difficulty list.
constexpr int NoDifficulty = -1;
struct GridRow {
    const char* part; // UTF-8
    int interest;     // it index
    int difficulty;   // diff index, or NoDifficulty
};
const std::vector<GridRow>& gridRows();

} // namespace catalogue
