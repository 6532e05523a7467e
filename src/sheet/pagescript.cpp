#include "sheet/pagescript.h"

#include "answers/questions.h"

#include <cmath>
#include <string>
#include <limits>

namespace pagescript
{

namespace
{

using catalogue::Kind;

Step endLine(int times = 1)
{
    Step s{Op::EndLine};
    s.lines = times;
    return s;
}
Step half()
{
    return {Op::HalfStep};
}
Step stack()
{
    return {Op::StackStep};
}
Step print(const char* text)
{
    return {Op::Print, text};
}
Step bold(const char* text)
{
    return {Op::PrintBold, text};
}
Step line(const char* text)
{
    return {Op::PrintLine, text};
}
Step centre(const char* text)
{
    return {Op::Centre, text};
}
Step heading(const char* text)
{
    return {Op::Heading, text};
}
Step subHeading(const char* text)
{
    return {Op::SubHeading, text};
}
Step column(int x)
{
    Step s{Op::Column};
    s.pixels = x;
    return s;
}
// A step that moves the control (kind, index).
Step control(Op op, Kind kind, int index, int pixels = 0)
{
    return {op, nullptr, kind, index, 0, pixels};
}
Step place(Kind kind, int index, int offset = 0)
{
    return control(Op::Place, kind, index, offset);
}
Step placeAt(Kind kind, int index, int left)
{
    return control(Op::PlaceAt, kind, index, left);
}
Step advance(Kind kind, int index)
{
    return control(Op::Advance, kind, index);
}
Step centreInner(Kind kind, int index, int gap)
{
    return control(Op::CentreInner, kind, index, gap);
}
Step centreOuter(Kind kind, int index)
{
    return control(Op::CentreOuter, kind, index);
}
Step below(Kind kind, int index, int gap)
{
    return control(Op::Below, kind, index, gap);
}
Step placeRight(Kind kind, int index, int margin)
{
    return control(Op::PlaceRight, kind, index, margin);
}

// The page's words of a question.
const char* q(int number)
{
    return questions::page(number).text;
}

// The introduction's third line: the reply-by date is the build's.
const char* replyBy()
{
    static const std::string line =
        std::string(QUESTIONNAIRE_REPLY_BY) + " si possible, à l’adresse suivante :";
    return line.c_str();
}

// A question on one line with its answer control right after the text.
Row ask(const char* text, Kind kind, int index, std::initializer_list<Step> then)
{
    Row row = {print(text), place(kind, index)};
    row.insert(row.end(), then);
    return row;
}

// A question with a word in bold, its text box after it.
Row emphasised(int number, Kind kind, int index)
{
    const questions::PageText& p = questions::page(number);
    return {print(p.text), bold(p.bold), print(p.after), place(kind, index), endLine(2)};
}

// One part of the cédérom in question 6: its name in bold, then its lists in
// fixed columns; "Vidéos" has no difficulty list.
Row partRow(const catalogue::GridRow& part)
{
    Row row = {bold(part.part), column(100), print("Intérêt : "),
               place(Kind::Interest, part.interest)};
    if (part.difficulty != catalogue::NoDifficulty) {
        row.insert(row.end(), {column(350), print("Niveau de difficulté : "),
                               place(Kind::Difficulty, part.difficulty)});
    }
    row.push_back(endLine(2));
    return row;
}

// The questions of 34 and 36: a heading line, then three check boxes in
// columns, and two more with the text box of the last one.
Row reasons(const char* text, int first, int textBox, int linesAfter)
{
    return {line(text),
            placeAt(Kind::Check, first, 0),
            placeAt(Kind::Check, first + 1, 250),
            placeAt(Kind::Check, first + 2, 500),
            endLine(),
            half(),
            placeAt(Kind::Check, first + 3, 0),
            placeAt(Kind::Check, first + 4, 250),
            column(250),
            advance(Kind::Check, first + 4),
            place(Kind::Text, textBox),
            endLine(linesAfter)};
}

} // namespace

const std::vector<Row>& rows()
{
    static const std::vector<Row> script = {
        // Introduction.
        {endLine()},
        {line("Vous avez reçu le cédérom Orbitalis 2de version professeur. Que vous l’ayiez "
              "choisi on non pour vos élèves, les éditions"),
         line("Tarvel vous seraient reconnaissantes de bien vouloir répondre au questionnaire "
              "suivant, et de nous le retourner avant le"),
         line(replyBy())},
        {centre("Editions TARVEL"), centre("Cédérom Orbitalis Seconde"),
         centre("5, rue des Ormeaux"), centre("75000 Paris"), endLine()},
        {line("ou par courrier électronique (bouton en bas de page). Merci d’avance."), endLine(2)},

        {heading("A. Equipement informatique")},
        ask(q(1), Kind::Frame, 0,
            {endLine(), half()}),
        ask(q(2), Kind::Text, 0, {endLine(), half()}),
        ask(q(3),
            Kind::Frame, 1, {endLine(), half()}),
        ask(q(4), Kind::Text, 1, {endLine(), half()}),
        {line(q(5)), half()},
        ask(questions::page(5).items[0], Kind::Frame, 2, {endLine(), half()}),
        ask(questions::page(5).items[1], Kind::Frame, 3, {endLine(3)}),

        {heading("B. Le contenu du cédérom Orbitalis")},
        {line(q(6)),
         endLine()},
        partRow(catalogue::gridRows()[0]),
        partRow(catalogue::gridRows()[1]),
        partRow(catalogue::gridRows()[2]),
        partRow(catalogue::gridRows()[3]),
        partRow(catalogue::gridRows()[4]),
        emphasised(7, Kind::Text, 2),
        ask(q(8), Kind::Text, 3, {endLine(2)}),
        emphasised(9, Kind::Text, 4),
        ask(q(10), Kind::Text, 5, {endLine(2)}),
        ask(q(11), Kind::Frame, 13,
            {endLine(), half()}),
        ask(q(12),
            Kind::Frame, 14, {endLine(), half()}),
        ask(q(13), Kind::Frame, 15, {endLine(2)}),
        {subHeading("A propos de la partie enseignants du cédérom Orbitalis :")},
        ask(q(14), Kind::Interest, 5,
            {endLine(), half()}),
        ask(q(15), Kind::Frame, 4, {endLine(), half()}),
        ask(q(16), Kind::Text, 6, {endLine(2)}),
        ask(q(17),
            Kind::Interest, 6, {endLine(2)}),
        ask(q(18), Kind::Interest, 7,
            {endLine(2)}),
        ask(q(19),
            Kind::Difficulty, 4, {endLine(2)}),
        ask(q(20), Kind::Check, 0,
            {stack(), place(Kind::Check, 1), stack(), place(Kind::Check, 2),
             advance(Kind::Check, 2), place(Kind::Text, 7), endLine(2)}),
        ask(q(21), Kind::Interest, 8,
            {endLine(), half()}),
        ask(q(22), Kind::Frame, 5,
            {endLine(), half()}),
        ask(q(23), Kind::Text, 8, {endLine(2)}),
        {line(q(24)),
         centreInner(Kind::Text, 9, 4), below(Kind::Text, 9, 4), endLine(2)},

        {heading("C. Mode d’utilisation du cédérom")},
        ask(q(25), Kind::Check, 21,
            {stack(), place(Kind::Check, 22), half(), endLine()}),
        ask(q(26), Kind::Check, 3,
            {stack(), place(Kind::Check, 4), stack(), place(Kind::Check, 5),
             advance(Kind::Check, 5), place(Kind::Text, 10), endLine(2)}),
        {line(q(27)),
         centreOuter(Kind::Text, 11), endLine(2)},
        {line(q(28)),
         centreOuter(Kind::Text, 12), endLine(2)},
        ask(q(29),
            Kind::Frame, 6, {endLine(), half()}),
        ask(q(30),
            Kind::Frame, 7, {endLine(3)}),

        {heading(" D. Votre choix")},
        ask(q(31),
            Kind::Frame, 8, {endLine(), half()}),
        ask(q(32), Kind::Frame, 9,
            {endLine(), half()}),
        ask(q(33), Kind::Check, 6,
            {place(Kind::Check, 7, 150), place(Kind::Check, 8, 300), endLine(), half()}),
        reasons(q(34), 9, 13, 2),
        ask(q(35),
            Kind::Frame, 10, {endLine(), half()}),
        reasons(q(36), 14, 14, 3),

        // The publisher's site, named in the heading.
        {heading("E. Le site www.tarvel.fr")},
        ask(q(37), Kind::Frame, 11, {endLine(), half()}),
        ask(q(38), Kind::Site, 0, {endLine(), half()}),
        ask(q(39), Kind::Check, 19,
            {advance(Kind::Check, 19), place(Kind::Check, 20), endLine(), half()}),
        ask(q(40),
            Kind::Frame, 12, {endLine(), half()}),
        {line(q(41)),
         centreOuter(Kind::Text, 15), endLine(3)},

        {heading("F. Vos coordonnées (facultatif)")},
        ask(q(questions::Name), Kind::Text, 16, {endLine(2)}),
        ask(q(questions::Establishment), Kind::Text, 17, {endLine(4)}),
        ask(q(questions::Email), Kind::Text, 18, {endLine(3)}),
        {placeAt(Kind::Command, 1, 150), placeRight(Kind::Command, 2, 150), endLine(3)},

        {line("Conformément à la loi « Informatique et liberté » du 6 janvier 1978, vous disposez "
              "d’un droit d’accès et de rectification des"),
         line("données vous concernant. Toute personne peut, sur simple demande s’opposer à ce "
              "que Tarvel mette à disposition de"),
         line("sociétés extérieures ses nom et adresse. Le questionnaire a un caractère "
              "facultatif."),
         endLine(3)},
    };
    return script;
}

int shift(catalogue::Kind kind)
{
    switch (kind) {
    case Kind::Text:
        return -2;
    case Kind::Interest:
    case Kind::Difficulty:
    case Kind::Site:
        return -5;
    default:
        return 0;
    }
}

std::optional<int> toInt16(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<short>::min() &&
          rounded <= std::numeric_limits<short>::max()))
        return std::nullopt;
    return int(rounded);
}

} // namespace pagescript
