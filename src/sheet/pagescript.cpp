#include "sheet/pagescript.h"

#include <cmath>
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

// A question on one line with its answer control right after the text.
Row ask(const char* text, Kind kind, int index, std::initializer_list<Step> then)
{
    Row row = {print(text), place(kind, index)};
    row.insert(row.end(), then);
    return row;
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
         line("1er janvier 2001 si possible, à l’adresse suivante :")},
        {centre("Editions TARVEL"), centre("Cédérom Orbitalis Seconde"),
         centre("5, rue des Ormeaux"), centre("75000 Paris"), endLine()},
        {line("ou par courrier électronique (bouton en bas de page). Merci d’avance."), endLine(2)},

        {heading("A. Equipement informatique")},
        ask("1. Votre lycée possède-t-il au moins une salle de TP informatisée ?", Kind::Frame, 0,
            {endLine(), half()}),
        ask("2. Si oui, de quand date l’équipement ? ", Kind::Text, 0, {endLine(), half()}),
        ask("3. Vos élèves disposent-ils d’un accès libre à des ordinateurs multimédia au lycée ?",
            Kind::Frame, 1, {endLine(), half()}),
        ask("4.  Si oui, où se trouvent-ils ? ", Kind::Text, 1, {endLine(), half()}),
        {line("5. Possédez-vous personnellement ?"), half()},
        ask("· un ordinateur multimédia ", Kind::Frame, 2, {endLine(), half()}),
        ask("· une connexion internet ", Kind::Frame, 3, {endLine(3)}),

        {heading("B. Le contenu du cédérom Orbitalis")},
        {line("6. Comment jugez-vous l’intérêt et la difficulté des différentes parties du "
              "cédérom ? (cochez les cases correspondantes)"),
         endLine()},
        partRow(catalogue::gridRows()[0]),
        partRow(catalogue::gridRows()[1]),
        partRow(catalogue::gridRows()[2]),
        partRow(catalogue::gridRows()[3]),
        partRow(catalogue::gridRows()[4]),
        {print("7. Citez le simulateur que vous trouvez le "), bold("plus"),
         print(" intéressant : "), place(Kind::Text, 2), endLine(2)},
        ask("8. Pourquoi ? ", Kind::Text, 3, {endLine(2)}),
        {print("9. Citez le simulateur que vous trouvez le "), bold("moins"),
         print(" intéressant : "), place(Kind::Text, 4), endLine(2)},
        ask("10. Pourquoi ? ", Kind::Text, 5, {endLine(2)}),
        ask("11. La présence du cours est-elle importante pour vous ? ", Kind::Frame, 13,
            {endLine(), half()}),
        ask("12. Y a-t-il suffisamment d’exercices pour chaque simulateur, selon vous ? ",
            Kind::Frame, 14, {endLine(), half()}),
        ask("13. Y a-t-il suffisamment de vidéos, selon vous ? ", Kind::Frame, 15, {endLine(2)}),
        {subHeading("A propos de la partie enseignants du cédérom Orbitalis :")},
        ask("14. Comment jugez-vous l’intérêt des transparents ? ", Kind::Interest, 5,
            {endLine(), half()}),
        ask("15. Les avez-vous utilisés en classe ? ", Kind::Frame, 4, {endLine(), half()}),
        ask("16. Si non, pourquoi ? ", Kind::Text, 6, {endLine(2)}),
        ask("17. Comment jugez-vous l’intérêt des corrigés et articles pédagogiques ? ",
            Kind::Interest, 6, {endLine(2)}),
        ask("18. Comment jugez-vous l’intérêt des exercices d’évaluation ? ", Kind::Interest, 7,
            {endLine(2)}),
        ask("19. Comment jugez-vous le niveau de difficulté des exercices d’évaluation ? ",
            Kind::Difficulty, 4, {endLine(2)}),
        ask("20. Comment les avez-vous utilisés ? ", Kind::Check, 0,
            {stack(), place(Kind::Check, 1), stack(), place(Kind::Check, 2),
             advance(Kind::Check, 2), place(Kind::Text, 7), endLine(2)}),
        ask("21. Comment jugez-vous l’intérêt de Docentix ? ", Kind::Interest, 8,
            {endLine(), half()}),
        ask("22. Vous êtes-vous approprié cet outil facilement ? ", Kind::Frame, 5,
            {endLine(), half()}),
        ask("23. Si oui, comment l’avez-vous utilisé ? ", Kind::Text, 8, {endLine(2)}),
        {line("24. Avez-vous d’autres remarques à formuler sur le contenu du cédérom ? "),
         centreInner(Kind::Text, 9, 4), below(Kind::Text, 9, 4), endLine(2)},

        {heading("C. Mode d’utilisation du cédérom")},
        ask("25. Utilisez-vous le cédérom :  ", Kind::Check, 21,
            {stack(), place(Kind::Check, 22), half(), endLine()}),
        ask("26. Si vous l'utilisez en TP, est-ce ?   ", Kind::Check, 3,
            {stack(), place(Kind::Check, 4), stack(), place(Kind::Check, 5),
             advance(Kind::Check, 5), place(Kind::Text, 10), endLine(2)}),
        {line("27. Quels sont les simulateurs qui se prêtent le mieux à une utilisation en TP, "
              "selon vous ?"),
         centreOuter(Kind::Text, 11), endLine(2)},
        {line("28. Si vous l’utilisez en classe entière, à l’aide d’un rétroprojecteur, quelles "
              "parties utilisez-vous ?"),
         centreOuter(Kind::Text, 12), endLine(2)},
        ask("29. Demandez-vous à vos élèves de préparer seuls des exercices du cédérom ? ",
            Kind::Frame, 6, {endLine(), half()}),
        ask("30. Conseillez-vous à vos élèves l’utilisation du cédérom en prolongement du cours ? ",
            Kind::Frame, 7, {endLine(3)}),

        {heading(" D. Votre choix")},
        ask("31. Pour l’année 2000/2001, avez-vous choisi le manuel Tarvel pour vos élèves de 2de "
            "? ",
            Kind::Frame, 8, {endLine(), half()}),
        ask("32. Avez-vous commandé une version établissement du cédérom ? ", Kind::Frame, 9,
            {endLine(), half()}),
        ask("33. Si oui, laquelle ?     ", Kind::Check, 6,
            {place(Kind::Check, 7, 150), place(Kind::Check, 8, 300), endLine(), half()}),
        reasons("34. Si non, pourquoi ? ", 9, 13, 2),
        ask("35. Avez-vous conseillé à vos élèves l’achat de la clé de débridage du cédérom du "
            "manuel ?",
            Kind::Frame, 10, {endLine(), half()}),
        reasons("36. Si non, pourquoi ? ", 14, 14, 3),

        // The publisher's site, named in the heading.
        {heading("E. Le site www.tarvel.fr")},
        ask("37. Vous êtes-vous déjà connecté au site ?  ", Kind::Frame, 11, {endLine(), half()}),
        ask("38. Si oui, diriez-vous qu’il est : ", Kind::Site, 0, {endLine(), half()}),
        ask("39. Si oui, êtes-vous utilisateur du site :       ", Kind::Check, 19,
            {advance(Kind::Check, 19), place(Kind::Check, 20), endLine(), half()}),
        ask("40. Renvoyez-vous les élèves au site dans le cadre de recherches documentaires ? ",
            Kind::Frame, 12, {endLine(), half()}),
        {line("41. Quelle(s) rubrique(s) supplémentaire(s) souhaiteriez-vous y trouver ?"),
         centreOuter(Kind::Text, 15), endLine(3)},

        {heading("F. Vos coordonnées (facultatif)")},
        ask("Nom et prénom : ", Kind::Text, 16, {endLine(2)}),
        ask("Nom et adresse de l’établissement où vous enseignez : ", Kind::Text, 17, {endLine(4)}),
        ask("Votre adresse e-mail : ", Kind::Text, 18, {endLine(3)}),
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
