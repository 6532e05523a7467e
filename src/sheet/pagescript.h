#pragma once

#include "sheet/catalogue.h"

#include <optional>
#include <vector>

// The questionnaire page as a script of drawing steps, row by row from the
// top: the page texts, where each answer control goes and the spacing
// between lines.  The sheet window's page layout walks it once per build.
namespace pagescript
{

enum class Op {
    EndLine,     // `value` times
    HalfStep,    // down half a line
    StackStep,   // down one and a half lines (stacked check boxes)
    Print,       // `text`, bold when `value` is 1
    PrintLine,   // `text`
    Centre,      // `text`, centred on the inner width
    Heading,     // `text`: heading font, centred, base font, blank line
    SubHeading,  // `text`: heading font at the left edge, base font, blank line
    Column,      // the cursor goes to X = `value`
    Place,       // the control at (X + `value`, Y + the shift of its kind)
    PlaceAt,     // the control at (`value`, Y + the shift of its kind)
    Advance,     // X moves on by the control's width
    CentreInner, // the control centred on the inner width, top at Y + `value`
    CentreOuter, // the control centred on the outer width, top at Y + `value`
    Below,       // Y moves below the control: Y + `value` + its height
    PlaceRight,  // the control `value` pixels before the inner right edge, top at Y
};

struct Step {
    Op op;
    const char* text = nullptr; // UTF-8
    catalogue::Kind kind = catalogue::Kind::Frame;
    int index = 0;
    int value = 0;
};

using Row = std::vector<Step>;

// The 64 rows of the page.
const std::vector<Row>& rows();

constexpr const char* FontFamily = "Arial";
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
