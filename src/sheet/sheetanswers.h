#pragma once

#include "answers/answertext.h"

class ComposeBuffer;
class feuillep;

// The answer text of the sheet: its controls read into Answers, written as
// the answers library writes them.
namespace answertext
{

// What the sheet's answer controls hold now.  Greyed boxes count as
// unticked; the text of a several-line box has CR LF line ends.
Answers fromSheet(const feuillep& sheet);

// Appends the answer text to `buffer` in its current formatting; the buffer
// is never emptied.
void compose(const feuillep& sheet, ComposeBuffer& buffer);

} // namespace answertext
