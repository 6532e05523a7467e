#pragma once

#include "sheet/catalogue.h"

#include <vector>

class ComposeBuffer;
class feuillep;

// The entries of the answer text, in question order, then the three contact
// fields.  The controls are named as the catalogue names them.
namespace answertext
{

enum class Form {
    YesNo,  // each pair: its label, then "Oui" and/or "Non"; one line
    Text,   // prefix and the text of t1(index)
    List,   // prefix and the chosen entry of the drop-down list (kind, index)
    Checks, // header line, then one line per checked box
    Grid,   // prefix, then one line per row of catalogue::gridRows()
};

struct Pair {
    const char* label; // UTF-8
    int frame;         // Frame1 member; its buttons come from the catalogue
};

constexpr int NoCompanion = -1;
struct Box {
    int check;
    int companion = NoCompanion; // t1 index written after the caption
};

struct Entry {
    Form form;
    const char* prefix = ""; // UTF-8; a YesNo entry has its labels in pairs
    std::vector<Pair> pairs = {};
    catalogue::Kind kind = catalogue::Kind::Text; // Text, List: the control read
    int index = -1;
    std::vector<Box> boxes = {};
    bool blankLine = false; // an empty line follows the entry
};

const std::vector<Entry>& entries();

// Reads every answer control of the sheet in question order and appends the
// text to `buffer` in its current formatting; the buffer is never emptied.
void compose(const feuillep& sheet, ComposeBuffer& buffer);

} // namespace answertext
