#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"
#include "shownsheet.h"
#include "support/helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

namespace
{

// The answer text of a sheet nobody has touched.
const QString Untouched = QStringLiteral("1. \r\n"
                                         "2. année\r\n"
                                         "3. \r\n"
                                         "4. \r\n"
                                         "5. Ordinateur :         internet : \r\n"
                                         "6. Simulateurs :  / \r\n"
                                         "Exercices :  / \r\n"
                                         "Vidéos :  / \r\n"
                                         "Cours :  / \r\n"
                                         "Tests :  / \r\n"
                                         "7. \r\n"
                                         "8. \r\n"
                                         "9. \r\n"
                                         "10. \r\n"
                                         "11. \r\n"
                                         "12. \r\n"
                                         "13. \r\n"
                                         "14. \r\n"
                                         "15. \r\n"
                                         "16. \r\n"
                                         "17. \r\n"
                                         "18. \r\n"
                                         "19. \r\n"
                                         "20.\r\n"
                                         "21. \r\n"
                                         "22. \r\n"
                                         "23. \r\n"
                                         "24. \r\n"
                                         "25.\r\n"
                                         "26.\r\n"
                                         "27. \r\n"
                                         "28. \r\n"
                                         "29. \r\n"
                                         "30. \r\n"
                                         "31. \r\n"
                                         "32. \r\n"
                                         "33.\r\n"
                                         "34.\r\n"
                                         "35. \r\n"
                                         "36.\r\n"
                                         "37. \r\n"
                                         "38. \r\n"
                                         "39.\r\n"
                                         "40. \r\n"
                                         "41. \r\n"
                                         "\r\n"
                                         "Nom et prénom : \r\n"
                                         "\r\n"
                                         "Lycée \r\n"
                                         "\r\n"
                                         "e-mail : \r\n"
                                         "\r\n");

// The sheet answered by answerEverything() below.
const QString Answered = QStringLiteral("1. Oui\r\n"
                                        "2. 1998\r\n"
                                        "3. Non\r\n"
                                        "4. au CDI\r\n"
                                        "5. Ordinateur : Non        internet : Oui\r\n"
                                        "6. Simulateurs : TB / Normal\r\n"
                                        "Exercices :  / \r\n"
                                        "Vidéos : AB / \r\n"
                                        "Cours :  / \r\n"
                                        "Tests :  / Très difficile\r\n"
                                        "7. l’oscilloscope\r\n"
                                        "8. \r\n"
                                        "9. \r\n"
                                        "10. \r\n"
                                        "11. Non\r\n"
                                        "12. Oui\r\n"
                                        "13. Oui\r\n"
                                        "14. Médiocre\r\n"
                                        "15. \r\n"
                                        "16. \r\n"
                                        "17. \r\n"
                                        "18. \r\n"
                                        "19. Facile\r\n"
                                        "20.\r\n"
                                        "en classe, avec les élèves\r\n"
                                        "autre. Préciser : en TP d’électricité\r\n"
                                        "21. \r\n"
                                        "22. Oui\r\n"
                                        "23. \r\n"
                                        "24. Très bien\r\n"
                                        "merci\r\n"
                                        "25.\r\n"
                                        "26.\r\n"
                                        "pour compléter un TP\r\n"
                                        "27. \r\n"
                                        "28. \r\n"
                                        "29. \r\n"
                                        "30. \r\n"
                                        "31. Non\r\n"
                                        "32. Oui\r\n"
                                        "33.\r\n"
                                        "version 5 postes\r\n"
                                        "version 15 postes\r\n"
                                        "version réseau\r\n"
                                        "34.\r\n"
                                        "manque de matériel informatique\r\n"
                                        "d’un accès trop difficile\r\n"
                                        "autre. Préciser : trop cher\r\n"
                                        "35. Oui\r\n"
                                        "36.\r\n"
                                        "autre. Préciser : \r\n"
                                        "37. \r\n"
                                        "38. très intéressant\r\n"
                                        "39.\r\n"
                                        "40. \r\n"
                                        "41. des annales\r\n"
                                        "\r\n"
                                        "Nom et prénom : Marie Dupont\r\n"
                                        "\r\n"
                                        "Lycée Lycée Pasteur\r\n"
                                        "12, rue de la Paix\r\n"
                                        "75002 Paris\r\n"
                                        "\r\n"
                                        "e-mail : m.dupont@example.fr\r\n"
                                        "\r\n");

void click(QWidget* w)
{
    QVERIFY(w);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(8, w->height() / 2));
}

// Picks entry `index` with the arrow key; from nothing chosen, the first
// press reaches the empty entry 0.
void pick(QComboBox* list, int index)
{
    QVERIFY(list);
    for (int i = 0; i <= index; ++i)
        QTest::keyClick(list, Qt::Key_Down);
}

void type(feuillep& w, int box, const QString& text)
{
    QVERIFY(w.t1(box));
    typeText(w.t1(box), text);
}

void answerEverything(feuillep& w)
{
    click(w.Option1(0)); // 1 Oui
    QTest::keyClick(w.t1(0), Qt::Key_A, Qt::ControlModifier);
    type(w, 0, QStringLiteral("1998"));
    click(w.Option1(2)); // 3: the lower index is "Non"
    type(w, 1, QStringLiteral("au CDI"));
    click(w.Option1(5)); // 5 ordinateur Non
    click(w.Option1(6)); // 5 internet Oui
    pick(w.it(0), 1);    // TB
    pick(w.diff(0), 3);  // Normal
    pick(w.it(2), 3);    // AB
    pick(w.diff(3), 5);  // Très difficile
    type(w, 2, QStringLiteral("l’oscilloscope"));
    click(w.Option1(48)); // 11 Non
    click(w.Option1(51)); // 12 Oui
    click(w.Option1(53)); // 13 Oui
    pick(w.it(5), 4);     // Médiocre
    pick(w.diff(4), 2);   // Facile
    click(w.Check1(2));
    type(w, 7, QStringLiteral("en TP d’électricité"));
    click(w.Check1(0));
    click(w.Option1(11)); // 22 Oui, the higher index
    type(w, 9, QStringLiteral("Très bien\nmerci"));
    type(w, 10, QStringLiteral("ignoré")); // its box stays unchecked
    click(w.Check1(4));
    click(w.Option1(16)); // 31 Non
    click(w.Option1(19)); // 32 Oui
    click(w.Check1(8));
    click(w.Check1(6));
    click(w.Check1(7));
    click(w.Check1(13));
    type(w, 13, QStringLiteral("trop cher"));
    click(w.Check1(11));
    click(w.Check1(9));
    click(w.Option1(21)); // 35 Oui
    click(w.Check1(18));  // its text box left empty
    w.Check1(17)->setTristate(true);
    w.Check1(17)->setCheckState(Qt::PartiallyChecked); // greyed: not written
    pick(w.site, 1);                                   // très intéressant
    type(w, 15, QStringLiteral("des annales"));
    type(w, 16, QStringLiteral("Marie Dupont"));
    type(w, 17, QStringLiteral("Lycée Pasteur\n12, rue de la Paix\n75002 Paris"));
    type(w, 18, QStringLiteral("m.dupont@example.fr"));
}

QString compose(feuillep& w)
{
    w.rtf1->clear();
    w.majtexte();
    return w.rtf1->plainText();
}

} // namespace

class AnswerTextTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void untouchedSheet();
    void everyKindOfAnswer();
    void composingTwiceDoublesTheText();
    void appendsInTheCurrentFormatting();
    void withdrawnAnswersVanish();
};

void AnswerTextTest::untouchedSheet()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    const QString text = compose(w);
    QCOMPARE(text, Untouched);
    QCOMPARE(text.size(), 386);
    QCOMPARE(text.count(QLatin1String("\r\n")), 52);
    QVERIFY(!text.contains(QRegularExpression(QStringLiteral("[^\r]\n|\r[^\n]"))));
}

void AnswerTextTest::everyKindOfAnswer()
{
    ShownSheet s;
    feuillep& w = s.w;
    answerEverything(w);
    const QString text = compose(w);
    // Compare line by line first: a difference is then easy to read.
    QCOMPARE(text.split(QLatin1String("\r\n")), Answered.split(QLatin1String("\r\n")));
    QCOMPARE(text, Answered);
}

void AnswerTextTest::composingTwiceDoublesTheText()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.rtf1->clear();
    w.majtexte();
    w.majtexte();
    QCOMPARE(w.rtf1->plainText(), Untouched + Untouched);
}

void AnswerTextTest::appendsInTheCurrentFormatting()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    w.rtf1->clear();
    w.rtf1->setFontName(QStringLiteral("Courier"));
    w.rtf1->setFontSize(14);
    w.rtf1->setAlignment(ComposeBuffer::Alignment::Centre);
    w.rtf1->insert(QStringLiteral("avant\r\n"));
    w.majtexte();
    QCOMPARE(w.rtf1->plainText(), QStringLiteral("avant\r\n") + Untouched);
    for (const ComposeBuffer::Run& run : w.rtf1->runs()) {
        QCOMPARE(run.format.fontName, QStringLiteral("Courier"));
        QCOMPARE(run.format.points, 14.0);
        QCOMPARE(run.format.alignment, ComposeBuffer::Alignment::Centre);
    }
}

void AnswerTextTest::withdrawnAnswersVanish()
{
    ShownSheet s;
    feuillep& w = s.w;
    pick(w.it(5), 1);
    click(w.Check1(21));
    click(w.Check1(22));
    QVERIFY(compose(w).contains(QStringLiteral("14. TB\r\n")));
    QVERIFY(compose(w).contains(QStringLiteral("25.\r\nen TP\r\nen classe entière\r\n26.")));
    // Back to the empty entry, and the boxes unchecked again.
    QTest::keyClick(w.it(5), Qt::Key_Up);
    QTest::keyClick(w.it(5), Qt::Key_Up);
    click(w.Check1(21));
    click(w.Check1(22));
    QCOMPARE(compose(w), Untouched);
}

QTEST_MAIN(AnswerTextTest)
#include "tst_answertext.moc"
