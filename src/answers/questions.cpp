#include "answers/questions.h"

#include "answers/answertext.h"
#include "answers/columns.h"

#include <array>

namespace questions
{
namespace
{

struct Words {
    PageText page;
    const char* label;
};

// The page's words, question by question, and each one's short label.
const std::array<Words, 44>& words()
{
    static const std::array<Words, 44> w = {{
        {{"1. Votre lycée possède-t-il au moins une salle de TP informatisée ?"},
         "Salle de TP informatisée"},
        {{"2. Si oui, de quand date l’équipement ? "}, "Date de l’équipement"},
        {{"3. Vos élèves disposent-ils d’un accès libre à des ordinateurs multimédia au lycée ?"},
         "Accès libre des élèves aux ordinateurs"},
        {{"4.  Si oui, où se trouvent-ils ? "}, "Où se trouvent ces ordinateurs"},
        {{"5. Possédez-vous personnellement ?", nullptr, nullptr,
          {"· un ordinateur multimédia ", "· une connexion internet "}},
         "Équipement personnel"},
        {{"6. Comment jugez-vous l’intérêt et la difficulté des différentes parties du cédérom ? "
          "(cochez les cases correspondantes)"},
         "Intérêt et difficulté des parties"},
        {{"7. Citez le simulateur que vous trouvez le ", "plus", " intéressant : "},
         "Simulateur le plus intéressant"},
        {{"8. Pourquoi ? "}, "Pourquoi le plus intéressant"},
        {{"9. Citez le simulateur que vous trouvez le ", "moins", " intéressant : "},
         "Simulateur le moins intéressant"},
        {{"10. Pourquoi ? "}, "Pourquoi le moins intéressant"},
        {{"11. La présence du cours est-elle importante pour vous ? "}, "Importance du cours"},
        {{"12. Y a-t-il suffisamment d’exercices pour chaque simulateur, selon vous ? "},
         "Assez d’exercices par simulateur"},
        {{"13. Y a-t-il suffisamment de vidéos, selon vous ? "}, "Assez de vidéos"},
        {{"14. Comment jugez-vous l’intérêt des transparents ? "}, "Intérêt des transparents"},
        {{"15. Les avez-vous utilisés en classe ? "}, "Transparents utilisés en classe"},
        {{"16. Si non, pourquoi ? "}, "Pourquoi pas les transparents"},
        {{"17. Comment jugez-vous l’intérêt des corrigés et articles pédagogiques ? "},
         "Intérêt des corrigés et articles"},
        {{"18. Comment jugez-vous l’intérêt des exercices d’évaluation ? "},
         "Intérêt des exercices d’évaluation"},
        {{"19. Comment jugez-vous le niveau de difficulté des exercices d’évaluation ? "},
         "Difficulté des exercices d’évaluation"},
        {{"20. Comment les avez-vous utilisés ? "}, "Usage des exercices d’évaluation"},
        {{"21. Comment jugez-vous l’intérêt de Docentix ? "}, "Intérêt de Docentix"},
        {{"22. Vous êtes-vous approprié cet outil facilement ? "}, "Docentix pris en main facilement"},
        {{"23. Si oui, comment l’avez-vous utilisé ? "}, "Usage de Docentix"},
        {{"24. Avez-vous d’autres remarques à formuler sur le contenu du cédérom ? "},
         "Autres remarques sur le contenu"},
        {{"25. Utilisez-vous le cédérom :  "}, "Usage du cédérom"},
        {{"26. Si vous l'utilisez en TP, est-ce ?   "}, "Usage en TP"},
        {{"27. Quels sont les simulateurs qui se prêtent le mieux à une utilisation en TP, "
          "selon vous ?"},
         "Simulateurs adaptés aux TP"},
        {{"28. Si vous l’utilisez en classe entière, à l’aide d’un rétroprojecteur, quelles "
          "parties utilisez-vous ?"},
         "Parties utilisées en classe entière"},
        {{"29. Demandez-vous à vos élèves de préparer seuls des exercices du cédérom ? "},
         "Exercices préparés seuls par les élèves"},
        {{"30. Conseillez-vous à vos élèves l’utilisation du cédérom en prolongement du cours ? "},
         "Cédérom conseillé en prolongement du cours"},
        {{"31. Pour l’année 2000/2001, avez-vous choisi le manuel Tarvel pour vos élèves de 2de ? "},
         "Manuel Tarvel choisi"},
        {{"32. Avez-vous commandé une version établissement du cédérom ? "},
         "Version établissement commandée"},
        {{"33. Si oui, laquelle ?     "}, "Version commandée"},
        {{"34. Si non, pourquoi ? "}, "Pourquoi pas de version établissement"},
        {{"35. Avez-vous conseillé à vos élèves l’achat de la clé de débridage du cédérom du "
          "manuel ?"},
         "Clé de débridage conseillée"},
        {{"36. Si non, pourquoi ? "}, "Pourquoi pas la clé de débridage"},
        {{"37. Vous êtes-vous déjà connecté au site ?  "}, "Déjà connecté au site"},
        {{"38. Si oui, diriez-vous qu’il est : "}, "Avis sur le site"},
        {{"39. Si oui, êtes-vous utilisateur du site :       "}, "Usage du site"},
        {{"40. Renvoyez-vous les élèves au site dans le cadre de recherches documentaires ? "},
         "Site conseillé pour les recherches"},
        {{"41. Quelle(s) rubrique(s) supplémentaire(s) souhaiteriez-vous y trouver ?"},
         "Rubriques souhaitées sur le site"},
        {{"Nom et prénom : "}, "Nom et prénom"},
        {{"Nom et adresse de l’établissement où vous enseignez : "}, "Établissement (coordonnées)"},
        {{"Votre adresse e-mail : "}, "Adresse e-mail"},
    }};
    return w;
}

// The words of a page text as one line, without its number: « Citez le
// simulateur que vous trouvez le plus intéressant ».
QString wordingOf(const PageText& p)
{
    QString s = QString::fromUtf8(p.text);
    if (p.bold)
        s += QString::fromUtf8(p.bold) + QString::fromUtf8(p.after);
    s = s.simplified();
    const qsizetype dot = s.indexOf(QLatin1String(". "));
    if (dot > 0 && s.left(dot).toInt() > 0)
        s = s.mid(dot + 2);
    while (s.endsWith(QLatin1Char(':')))
        s = s.chopped(1).trimmed();
    return s;
}

Shape shapeOf(const answertext::Entry& e, int number)
{
    using answertext::Form;
    if (number > 41)
        return Shape::Contact;
    switch (e.form) {
    case Form::YesNo:
        return e.pairs.size() > 1 ? Shape::Pairs : Shape::YesNo;
    case Form::List:
        return Shape::Scale;
    case Form::Checks:
        return Shape::Checks;
    case Form::Grid:
        return Shape::Grid;
    case Form::Text:
        break;
    }
    return Shape::Text;
}

QList<Question> build()
{
    QList<Question> out;
    const std::vector<answertext::Entry>& entries = answertext::entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const int number = int(i) + 1;
        Question q;
        q.number = number;
        q.label = QString::fromUtf8(words()[i].label);
        q.wording = wordingOf(words()[i].page);
        q.shape = shapeOf(entries[i], number);
        out << q;
    }
    const QList<QStringList>& choices = columns::choices();
    for (int c = 0; c < columns::names().size(); ++c) {
        Question& q = out[columns::entryOf(c)];
        q.columns << c;
        // A check box question's choices are its boxes; any other's, its cells'.
        if (q.shape == Shape::Checks) {
            if (!choices[c].isEmpty())
                q.choices << columns::partOf(c);
        } else if (q.choices.isEmpty()) {
            q.choices = choices[c];
        }
    }
    return out;
}

} // namespace

const PageText& page(int number)
{
    return words().at(size_t(number) - 1).page;
}

QString Question::title() const
{
    return number > 41 ? label : QStringLiteral("%1. %2").arg(number).arg(label);
}

QString Question::asked() const
{
    return number > 41 ? wording : QStringLiteral("%1. %2").arg(number).arg(wording);
}

const QList<Question>& all()
{
    static const QList<Question> q = build();
    return q;
}

const Question& ofColumn(int column)
{
    return all().at(columns::entryOf(column));
}

QString part(int column)
{
    const Question& q = ofColumn(column);
    return q.columns.size() > 1 ? columns::partOf(column) : QString();
}

QString header(int column)
{
    const QString p = part(column);
    return p.isEmpty() ? ofColumn(column).title() : ofColumn(column).title() + QStringLiteral(" — ") + p;
}

bool isText(int column)
{
    return columns::choices().at(column).isEmpty();
}

} // namespace questions
