#pragma once

#include "answers/answertext.h"

#include <memory>

class ComposeBuffer;
class QPrinter;

// The head of the printed questionnaire: the title and the publisher's
// return address, above the answers.
namespace printeddocument
{

// Left and right indents of the whole document, in the sheet's pixels.
constexpr double Indent = 50;

// The printer of the print command, made when first used: the system's
// default printer, with page margins of 15 mm that the user may change.
// Making a printer starts the system's printing service, which nothing but
// printing needs; once made it is kept, so that the one chosen stays chosen.
class Printer
{
public:
    Printer();
    ~Printer();
    QPrinter* get();
    QPrinter* operator->() { return get(); }

private:
    std::unique_ptr<QPrinter> m_printer;
};

// Appends the head to `buffer` and leaves it set for the answers: the sheet font,
// 10 points, left-aligned.
void composeHead(ComposeBuffer& buffer);

// Prints `buffer`, then the QR codes that carry these answers' text, exactly
// as their e-mail carries it, with the date (see paperframe): modules large
// enough for a 150 dpi office scan, each code labelled « Code de lecture —
// partie i sur n », on as many rows and pages as the text needs.
void print(const ComposeBuffer& buffer, QPrinter* printer, const answertext::Answers& answers);

// How many bytes of the compressed text one code holds, and how wide a
// module is printed.
constexpr int PartSize = 300;
constexpr double ModuleMm = 0.6;

} // namespace printeddocument
