// The answer text and its reader: every filling the questionnaire can make
// reads back to itself; a several-line box holding lines that look like the
// items after it is read every way it can be, never one way silently.
#include "answers/answertext.h"

#include <QRandomGenerator>
#include <QTest>

using namespace answertext;
using catalogue::Kind;

class AnswerTextTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void anUntouchedSheet();
    void everyFillingReadsBack();
    void linesThatLookLikeTheNextItems();
    void notAnAnswerText();
};

namespace
{

// Text a user could type: accents, typographic marks, the item prefixes and
// captions themselves; line breaks only where the box has several lines.
QString randomText(QRandomGenerator& g, bool severalLines)
{
    static const QStringList pieces = {
        QStringLiteral("Oui"), QStringLiteral("Non"), QStringLiteral("élèves "),
        QStringLiteral("l’intérêt "), QStringLiteral("25."), QStringLiteral("21. "),
        QStringLiteral(" / "), QStringLiteral(" : "), QStringLiteral("en TP"),
        QStringLiteral("«x»"), QStringLiteral("100 %"), QStringLiteral("Lycée "),
        QStringLiteral("e-mail : "), QStringLiteral("   "), QStringLiteral("€")};
    QString s;
    const int n = g.bounded(6);
    for (int i = 0; i < n; ++i) {
        s += pieces[g.bounded(int(pieces.size()))];
        if (severalLines && g.bounded(4) == 0)
            s += QStringLiteral("\r\n");
    }
    return s;
}

// A filling the sheet can hold: one answer or none a pair, ticked boxes with
// their companion text only when ticked, lists chosen in their scales.
Answers randomFilling(QRandomGenerator& g)
{
    Answers a;
    for (const catalogue::YesNoPair& p : catalogue::yesNoPairs()) {
        const int pick = g.bounded(3);
        if (pick == 1)
            a.options.insert(p.oui);
        if (pick == 2)
            a.options.insert(p.non);
    }
    for (const Entry& e : entries()) {
        if (e.form == Form::Text && g.bounded(2))
            if (const QString t = randomText(g, e.index == 9 || e.index == 17); !t.isEmpty())
                a.texts[e.index] = t;
        if (e.form == Form::List && g.bounded(2))
            a.lists[{e.kind, e.index}] = 1 + g.bounded(int(scaleOf(e.kind).size()) - 1);
        for (const Box& b : e.boxes) {
            if (!g.bounded(2))
                continue;
            a.checks.insert(b.check);
            if (b.companion != NoCompanion)
                if (const QString t = randomText(g, false); !t.isEmpty())
                    a.texts[b.companion] = t;
        }
    }
    for (const catalogue::GridRow& row : catalogue::gridRows()) {
        if (g.bounded(2))
            a.lists[{Kind::Interest, row.interest}] = 1 + g.bounded(4);
        if (row.difficulty != catalogue::NoDifficulty && g.bounded(2))
            a.lists[{Kind::Difficulty, row.difficulty}] = 1 + g.bounded(5);
    }
    return a;
}

} // namespace

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
          QString(text).remove(QStringLiteral("20.\r\n")), text + QStringLiteral("\r\nP.S.\r\n")})
        QVERIFY2(!read(other).isAnswerText(), qPrintable(other));
    // Line ends a mail reader may have changed, and a mail body's empty lines
    // around the text, are no obstacle.
    QVERIFY(read(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))
                .isAnswerText());
    QCOMPARE(read(QStringLiteral("\r\n") + text + QStringLiteral("\r\n\r\n")).readings,
             read(text).readings);
}

QTEST_GUILESS_MAIN(AnswerTextTest)
#include "tst_answertext.moc"
