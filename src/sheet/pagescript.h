#pragma once

#include "answers/catalogue.h"

#include <optional>
#include <vector>

// The questionnaire page as a script of drawing steps, row by row from the
// top: the page texts, where each answer control goes and the spacing
// between lines.  The sheet window's page layout walks it once per build.
namespace pagescript
{

enum class Op {
    EndLine,     // `lines` times
    HalfStep,    // down half a line
    StackStep,   // down one and a half lines (stacked check boxes)
    Print,       // `text`
    PrintBold,   // `text` in the bold base font
    PrintLine,   // `text`
    Centre,      // `text`, centred on the inner width
    Heading,     // `text`: heading font, centred, base font, blank line
    SubHeading,  // `text`: heading font at the left edge, base font, blank line
    Column,      // the cursor goes to X = `pixels`
    Place,       // the control at (X + `pixels`, Y + the shift of its kind)
    PlaceAt,     // the control at (`pixels`, Y + the shift of its kind)
    Advance,     // X moves on by the control's width
    CentreInner, // the control centred on the inner width, top at Y + `pixels`
    CentreOuter, // the control centred on the outer width, top at Y
    Below,       // Y moves below the control: Y + `pixels` + its height
    PlaceRight,  // the control `pixels` before the inner right edge, top at Y
};

// One step; the fields an operation does not name above are unused.
struct Step {
    Op op;
    const char* text = nullptr; // UTF-8
    catalogue::Kind kind = catalogue::Kind::Frame;
    int index = 0;
    int lines = 0;
    int pixels = 0; // a position or a distance on the page
};

using Row = std::vector<Step>;

// The 64 rows of the page.
const std::vector<Row>& rows();

constexpr double BasePoints = 10;
constexpr double HeadingPoints = 12;
constexpr int WorkingHeight = 2500;

// How far above the text line a control sits, by kind: text boxes 2 pixels,
// drop-down lists 5, the others not at all.
int shift(catalogue::Kind kind);

// Scroll bar values are 16-bit: the rounded value (halves to even), or
// nothing when it does not fit.
std::optional<int> toInt16(double value);

} // namespace pagescript
