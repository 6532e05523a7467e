#pragma once

#include "answers/catalogue.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <set>
#include <utility>
#include <vector>

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

// The answers themselves, as the controls hold them: what the answer text
// says, and what it is read back into.
struct Answers {
    std::set<int> options;         // Option1 indices chosen
    std::set<int> checks;          // Check1 indices ticked
    std::map<int, QString> texts;  // t1 index: its text, CR LF line ends; none when empty
    // A drop-down list (Interest, Difficulty or Site, and its index): the
    // number of its choice in its scale; none when nothing is chosen.
    std::map<std::pair<catalogue::Kind, int>, int> lists;

    bool operator==(const Answers& o) const
    {
        return options == o.options && checks == o.checks && texts == o.texts && lists == o.lists;
    }
    bool operator!=(const Answers& o) const { return !(*this == o); }
};

// The answer text, lines ended by CR LF, exactly as the questionnaire
// prints and sends it.
QString write(const Answers& answers);

// An answer text read back, using the fixed order of the items.  A text of
// the questionnaire reads back to the answers it was written from; where a
// several-line box holds lines that could be read as the items after it,
// every reading is kept (at most MaxReadings), never one chosen silently.
// Empty lines around the text (as a mail body holds it) and LF line ends
// are taken as they come.  When the text does not read exactly, it is read
// as mail programs may have changed it: the spaces that end a line trimmed,
// a signature or a footer after the last item.  None: the text is not an
// answer text.
struct Reading {
    QList<Answers> readings;
    bool lenient = false; // read only with the changes of mail programs allowed
    bool isAnswerText() const { return !readings.isEmpty(); }
    bool ambiguous() const { return readings.size() > 1; }
};
constexpr int MaxReadings = 8;
Reading read(const QString& text);

// Section F, as typed: who answered, where, and their address.
struct Contact {
    QString name;
    QString establishment;
    QString email;
};
Contact contactOf(const Answers& answers);

// A name or a text as it is compared: without case, accents, typographic
// apostrophes or extra spaces.
QString folded(const QString& text);

// Whether any question is answered (section F aside).  Question 2's preset,
// « année », stands on every untouched sheet and counts as no answer.
bool answersAnything(const Answers& answers);

// The scale of a drop-down list of this kind.
const QStringList& scaleOf(catalogue::Kind kind);

} // namespace answertext
