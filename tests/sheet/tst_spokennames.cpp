// What a screen reader says for each of the 89 answer controls, read through
// QAccessible: its question's number and text from the page script, checked
// against the question-to-control table of the questionnaire's design.
#include "answers/catalogue.h"
#include "sheet/feuillep.h"
#include "sheet/page.h"
#include "sheet/pagescript.h"
#include "shownsheet.h"
#include "support/helpers.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;
using catalogue::Kind;

class SpokenNamesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyAnswerControlNamesItsQuestion();
    void pageReadsInPageOrder();
};

namespace
{

// The questions, by control, written out from the design (0 for a contact field).
const int frameQuestion[] = {1, 3, 5, 5, 15, 22, 29, 30, 31, 32, 35, 37, 40, 11, 12, 13};
const int checkQuestion[] = {20, 20, 20, 26, 26, 26, 33, 33, 33, 34, 34, 34,
                             34, 34, 36, 36, 36, 36, 36, 39, 39, 25, 25};
const int textQuestion[] = {2, 4, 7, 8, 9, 10, 16, 20, 23, 24, 26, 27, 28, 34, 36, 41, 0, 0, 0};
const int interestQuestion[] = {6, 6, 6, 6, 6, 14, 17, 18, 21};
const int difficultyQuestion[] = {6, 6, 6, 6, 19};
const int siteQuestion = 38;

// The printed text of question n, as one line without its number.
QString questionText(int n)
{
    const QString prefix = QString::number(n) + QLatin1Char('.');
    for (const pagescript::Row& row : pagescript::rows()) {
        QString whole;
        for (const pagescript::Step& s : row) {
            if (s.text && s.op != pagescript::Op::Heading && s.op != pagescript::Op::SubHeading &&
                s.op != pagescript::Op::Centre)
                whole += QString::fromUtf8(s.text);
        }
        if (whole.startsWith(prefix + QLatin1Char(' ')))
            return whole.mid(prefix.size()).simplified();
    }
    return QString();
}

QString spoken(QWidget* w, QAccessible::Text t = QAccessible::Name)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(t) : QString();
}

} // namespace

void SpokenNamesTest::everyAnswerControlNamesItsQuestion()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    int checked = 0;
    auto expectQuestion = [&](QWidget* control, int n, const char* what, int index) {
        const QString name = spoken(control);
        const QString where =
            QStringLiteral("%1(%2): %3").arg(QLatin1String(what)).arg(index).arg(name);
        const QString text = questionText(n);
        QVERIFY2(!text.isEmpty(), qPrintable(where));
        QVERIFY2(name.startsWith(QStringLiteral("Question %1 : %2").arg(n).arg(text)),
                 qPrintable(where));
        // The section heading as its description.
        QVERIFY2(!spoken(control, QAccessible::Description).isEmpty(), qPrintable(where));
        ++checked;
    };

    for (const catalogue::YesNoPair& pair : catalogue::yesNoPairs()) {
        const int n = frameQuestion[pair.frame];
        for (const auto& [index, answer] :
             {std::pair{pair.oui, "Oui"}, std::pair{pair.non, "Non"}}) {
            QRadioButton* b = w.Option1(index);
            expectQuestion(b, n, "Option1", index);
            QVERIFY(spoken(b).endsWith(QStringLiteral(" — ") + QLatin1String(answer)));
        }
    }
    QCOMPARE(spoken(w.Option1(0)),
             QStringLiteral("Question 1 : Votre lycée possède-t-il au moins une salle de TP "
                            "informatisée ? — Oui"));
    QCOMPARE(spoken(w.Option1(7)), QStringLiteral("Question 5 : Possédez-vous personnellement ? "
                                                  "— une connexion internet — Non"));

    for (const catalogue::CheckBox& c : catalogue::checkBoxes()) {
        expectQuestion(w.Check1(c.index), checkQuestion[c.index], "Check1", c.index);
        QVERIFY(spoken(w.Check1(c.index))
                    .endsWith(QStringLiteral(" — ") + QString::fromUtf8(c.caption)));
    }

    const QStringList contacts = {"Nom et prénom",
                                  "Nom et adresse de l’établissement où vous enseignez",
                                  "Votre adresse e-mail"};
    for (int i = 0; i < 19; ++i) {
        if (textQuestion[i] == 0) {
            QCOMPARE(spoken(w.t1(i)), contacts[i - 16]);
            ++checked;
            continue;
        }
        expectQuestion(w.t1(i), textQuestion[i], "t1", i);
    }
    // The boxes that hold the detail of "autre", and only those, say so.
    for (int i = 0; i < 16; ++i) {
        const bool detail = i == 7 || i == 10 || i == 13 || i == 14;
        QCOMPARE(spoken(w.t1(i)).endsWith(QStringLiteral(" — précision de « autre »")), detail);
    }

    const char* parts[] = {"Simulateurs", "Exercices", "Vidéos", "Cours", "Tests"};
    for (int i = 0; i < 9; ++i) {
        expectQuestion(w.it(i), interestQuestion[i], "it", i);
        if (i < 5)
            QVERIFY(spoken(w.it(i)).endsWith(
                QStringLiteral(" — %1 — Intérêt").arg(QString::fromUtf8(parts[i]))));
    }
    const char* difficultyParts[] = {"Simulateurs", "Exercices", "Cours", "Tests"};
    for (int i = 0; i < 5; ++i) {
        expectQuestion(w.diff(i), difficultyQuestion[i], "diff", i);
        if (i < 4)
            QVERIFY(spoken(w.diff(i)).endsWith(QStringLiteral(" — %1 — Niveau de difficulté")
                                                   .arg(QString::fromUtf8(difficultyParts[i]))));
    }
    expectQuestion(w.site, siteQuestion, "site", 0);
    QCOMPARE(spoken(w.site, QAccessible::Description), QStringLiteral("E. Le site www.tarvel.fr"));
    QCOMPARE(spoken(w.t1(16), QAccessible::Description),
             QStringLiteral("F. Vos coordonnées (facultatif)"));

    QCOMPARE(checked, 89);
    // The command buttons keep their captions.
    QCOMPARE(spoken(w.Command1), QStringLiteral("Imprimer (pour expédition)"));
}

void SpokenNamesTest::pageReadsInPageOrder()
{
    ShownSheet s;
    feuillep& w = s.w;
    QAccessibleInterface* page = QAccessible::queryAccessibleInterface(w.P1);
    QVERIFY(page);
    // What a reader meets going down the page: texts by their words, controls
    // by their object names.
    QStringList seen;
    QStringList headings;
    for (int i = 0; i < page->childCount(); ++i) {
        QAccessibleInterface* c = page->child(i);
        QVERIFY(c && c->isValid());
        QCOMPARE(page->indexOfChild(c), i);
        QCOMPARE(c->parent(), page);
        if (c->object()) {
            seen << c->object()->objectName();
            continue;
        }
        seen << c->text(QAccessible::Name);
        QVERIFY(!seen.last().isEmpty());
        if (c->role() == QAccessible::Heading)
            headings << seen.last();
        else
            QCOMPARE(c->role(), QAccessible::StaticText);
    }
    QCOMPARE(headings,
             QStringList({"A. Equipement informatique", "B. Le contenu du cédérom Orbitalis",
                          "A propos de la partie enseignants du cédérom Orbitalis :",
                          "C. Mode d’utilisation du cédérom", "D. Votre choix",
                          "E. Le site www.tarvel.fr", "F. Vos coordonnées (facultatif)"}));
    // The introduction first, the notice last.
    QVERIFY(seen.first().startsWith(QStringLiteral("Vous avez reçu le cédérom Orbitalis")));
    QCOMPARE(seen.mid(3, 4), QStringList({"Editions TARVEL", "Cédérom Orbitalis Seconde",
                                          "5, rue des Ormeaux", "75000 Paris"}));
    QCOMPARE(seen.last(),
             QStringLiteral("sociétés extérieures ses nom et adresse. Le questionnaire a un "
                            "caractère facultatif."));
    // Each question before its controls and after those of the question before.
    const QStringList order = {
        "1. Votre lycée possède-t-il au moins une salle de TP informatisée ?",
        "Frame1_0",
        "2. Si oui, de quand date l’équipement ?",
        "t1_0",
        "Simulateurs",
        "Intérêt :",
        "it_0",
        "Niveau de difficulté :",
        "diff_0",
        "Vidéos",
        "Intérêt :",
        "it_2",
        "Cours",
        "7. Citez le simulateur que vous trouvez le plus intéressant :",
        "t1_2",
        "20. Comment les avez-vous utilisés ?",
        "Check1_0",
        "Check1_1",
        "Check1_2",
        "t1_7",
        "24. Avez-vous d’autres remarques à formuler sur le contenu du cédérom ?",
        "t1_9",
        "34. Si non, pourquoi ?",
        "Check1_9",
        "Check1_10",
        "Check1_11",
        "Check1_12",
        "Check1_13",
        "t1_13",
        "Nom et prénom :",
        "t1_16",
        "Votre adresse e-mail :",
        "t1_18",
        "Command1",
        "Command2"};
    int last = -1;
    for (const QString& item : order) {
        // Repeated labels of question 6: the next one after the last found.
        const int i = seen.indexOf(item, last + 1);
        QVERIFY2(i > last, qPrintable(item));
        last = i;
    }
    QVERIFY(seen.contains(QStringLiteral("Frame1_15")));
    // A line scrolled under the banner is off screen.
    QVERIFY(!page->child(0)->state().offscreen);
    QVERIFY(page->child(page->childCount() - 1)->state().offscreen);
}

QTEST_MAIN(SpokenNamesTest)
#include "tst_spokennames.moc"
