#pragma once

#include <vector>

// The entries of the answer text, in question order, then the three contact
// fields.  majtexte walks them; the controls are named by array and index.
namespace answertext
{

enum class Kind {
    YesNo,  // each pair: its label, then "Oui" and/or "Non"; one line
    Text,   // prefix and the text of t1(control)
    List,   // prefix and the chosen entry of a drop-down list
    Checks, // header line, then one line per checked box
    Grid,   // prefix, then the rows of gridRows()
};

enum class Scale { Interest, Difficulty, Site }; // it, diff, site

// "Oui" is not always the lower index: always read through oui and non.
struct Pair {
    const char* label; // UTF-8
    int oui;
    int non;
};

constexpr int NoCompanion = -1;
struct Box {
    int check;
    int companion = NoCompanion; // t1 index written after the caption
};

struct Entry {
    Kind kind;
    const char* prefix = ""; // UTF-8; a YesNo entry has its labels in pairs
    std::vector<Pair> pairs = {};
    int control = -1; // Text: t1 index; List: index in its array
    Scale scale = Scale::Interest;
    std::vector<Box> boxes = {};
    bool blankLine = false; // an empty line follows the entry
};

struct GridRow {
    const char* label;
    int interest;   // it index
    int difficulty; // diff index, or -1: the row has none
};

const std::vector<Entry>& entries();
const std::vector<GridRow>& gridRows();

} // namespace answertext
