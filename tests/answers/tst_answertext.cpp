// The answer text and its reader: every filling the questionnaire can make
// reads back to itself; a several-line box holding lines that look like the
// items after it is read every way it can be, never one way silently.
#include "answers/answertext.h"
#include "support/responses.h"

#include <QRandomGenerator>
#include <QTest>

using namespace answertext;
using catalogue::Kind;
using testing::randomFilling;

class AnswerTextTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void anUntouchedSheet();
    void everyFillingReadsBack();
    void linesThatLookLikeTheNextItems();
    void notAnAnswerText();
    void asMailProgramsLeaveIt();
};

void AnswerTextTest::anUntouchedSheet()
{
    Answers a;
    a.texts[0] = QStringLiteral("année");
    const QString text = write(a);
    QVERIFY(text.startsWith(QStringLiteral("1. \r\n2. année\r\n3. \r\n4. \r\n"
                                           "5. Ordinateur :         internet : \r\n"
                                           "6. Simulateurs :  / \r\nExercices :  / \r\n")));
    QVERIFY(text.endsWith(QStringLiteral("41. \r\n\r\nNom et prénom : \r\n\r\nLycée \r\n\r\n"
                                         "e-mail : \r\n\r\n")));
    const Reading r = read(text);
    QCOMPARE(r.readings.size(), 1);
    QVERIFY(r.readings[0] == a);
}

void AnswerTextTest::asMailProgramsLeaveIt()
{
    // The spaces that end each line trimmed, then a signature or a footer:
    // the same answers, unless a typed text itself ended with a space.
    QRandomGenerator g(3676);
    for (int round = 0; round < 1000; ++round) {
        Answers a = randomFilling(g);
        for (auto it = a.texts.begin(); it != a.texts.end();) {
            QStringList typed = it->second.split(QStringLiteral("\r\n"));
            for (QString& line : typed)
                while (line.endsWith(QLatin1Char(' ')))
                    line.chop(1);
            it->second = typed.join(QStringLiteral("\r\n"));
            it = it->second.isEmpty() ? a.texts.erase(it) : std::next(it);
        }
        QStringList lines = write(a).split(QStringLiteral("\r\n"));
        for (QString& line : lines)
            while (line.endsWith(QLatin1Char(' ')))
                line.chop(1);
        const QString trimmed = lines.join(QStringLiteral("\r\n"));
        for (const QString& after : {QString(), QStringLiteral("-- \r\nJean Dupont\r\n"),
                                     QStringLiteral("e-mail : faux\r\n_____\r\nEnvoyé de mon téléphone\r\n")}) {
            const Reading r = read(trimmed + after);
            QVERIFY2(r.readings.contains(a), qPrintable(trimmed + after));
        }
    }
    // An untouched sheet answers nothing, « année » and section F included.
    Answers untouched;
    untouched.texts = {{0, QStringLiteral("année")}, {16, QStringLiteral("Anne")}, {17, QStringLiteral("Curie")}};
    QVERIFY(!answersAnything(untouched));
    QCOMPARE(contactOf(untouched).establishment, QStringLiteral("Curie"));
    untouched.texts[0] = QStringLiteral("2019");
    QVERIFY(answersAnything(untouched));
}

void AnswerTextTest::everyFillingReadsBack()
{
    QRandomGenerator g(20261208);
    for (int round = 0; round < 3000; ++round) {
        const Answers a = randomFilling(g);
        const QString text = write(a);
        const Reading r = read(text);
        QVERIFY2(r.readings.contains(a), qPrintable(text));
        // Every reading writes the very same text: none is made up.
        for (const Answers& other : r.readings)
            QCOMPARE(write(other), text);
    }
}

void AnswerTextTest::linesThatLookLikeTheNextItems()
{
    // Question 24's box holds, after its own line, what reads as questions 25
    // to 41 and the first contact lines: the text then reads two ways, the
    // establishment's box taking what follows.
    Answers inner;
    inner.checks = {21};
    inner.texts[17] = QStringLiteral("y");
    const QString copy = write(inner);
    const qsizetype from = copy.indexOf(QStringLiteral("25.\r\n"));
    const qsizetype to = copy.indexOf(QStringLiteral("Lycée y")) + 7;
    Answers a;
    a.texts[9] = QStringLiteral("x\r\n") + copy.mid(from, to - from);
    a.texts[17] = QStringLiteral("z");
    const QString text = write(a);
    const Reading r = read(text);
    QVERIFY(r.ambiguous());
    QVERIFY(r.readings.contains(a));
    for (const Answers& other : r.readings)
        QCOMPARE(write(other), text);
}

void AnswerTextTest::notAnAnswerText()
{
    const QString text = write(Answers());
    for (const QString& other :
         {QString(), QStringLiteral("Bonjour,\r\nvoici mes réponses.\r\n"),
          QString(text).replace(QStringLiteral("14. \r\n"), QStringLiteral("14. Excellent\r\n")),
          QString(text).remove(QStringLiteral("20.\r\n")),
          QStringLiteral("Avant-propos\r\n") + text})
        QVERIFY2(!read(other).isAnswerText(), qPrintable(other));
    QVERIFY(!read(text).lenient);
    // Line ends a mail reader may have changed, and a mail body's empty lines
    // around the text, are no obstacle.
    QVERIFY(read(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))
                .isAnswerText());
    QCOMPARE(read(QStringLiteral("\r\n") + text + QStringLiteral("\r\n\r\n")).readings,
             read(text).readings);
}

QTEST_GUILESS_MAIN(AnswerTextTest)
#include "tst_answertext.moc"
