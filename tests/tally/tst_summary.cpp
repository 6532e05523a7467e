// The results page's numbers for a small known base: each question's
// answered and « sans réponse », a check-box question's bars as shares of
// those who ticked, question 6 part by part, the texts grouped, and a filter
// on one answer, through the base as the window and the report use it.
#include "answers/columns.h"
#include "support/responses.h"
#include "tally/base.h"
#include "tally/importer.h"
#include "tally/summary.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using answertext::Answers;
using catalogue::Kind;

class SummaryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aKnownBase();
};

namespace
{

summary::Tally tallied(const Base& base, const Base::Filter& filter)
{
    summary::Tally t;
    base.forEach(filter, [&t](const Cells& row) { t.add(row.mid(Base::AnswersFrom)); });
    return t;
}

const summary::Card& card(const QList<summary::Card>& cards, int number)
{
    return cards[number - 1];
}

QList<int> counts(const summary::Group& g)
{
    QList<int> out;
    for (const summary::Bar& b : g.bars)
        out << b.count;
    return out;
}

} // namespace

void SummaryTest::aKnownBase()
{
    // Four teachers: three answer, one sends an untouched sheet (« année » alone).
    QList<Answers> sheets(4);
    sheets[0].options = {0};                            // 1. Oui
    sheets[0].checks = {0, 2};                          // 20. a and c, with its text
    sheets[0].texts[7] = QStringLiteral("à la maison");
    sheets[0].lists[{Kind::Interest, 0}] = 1;           // 6. Simulateurs TB
    sheets[0].texts[0] = QStringLiteral("2019");        // 2.
    sheets[1].options = {1};                            // 1. Non
    sheets[1].checks = {2};
    sheets[1].texts[7] = QStringLiteral("à la maison");
    sheets[1].lists[{Kind::Interest, 0}] = 1;
    sheets[1].lists[{Kind::Difficulty, 0}] = 5;         // 6. Simulateurs Très difficile
    sheets[2].options = {0};
    sheets[3].texts[0] = QStringLiteral("année");
    QTemporaryDir dir;
    QFile box(dir.filePath(QStringLiteral("boite.mbox")));
    QVERIFY(box.open(QIODevice::WriteOnly));
    for (int i = 0; i < sheets.size(); ++i) {
        sheets[i].texts[16] = QStringLiteral("Prof %1").arg(i);
        box.write("From x@y Tue Dec  1 10:00:00 2026\n" +
                  testing::responseMail("p" + QByteArray::number(i) + "@x.fr", QStringLiteral("Lycée"), sheets[i],
                                        QDateTime(QDate(2026, 12, 1), QTime(9, i), Qt::UTC))
                      .replace("\r\n", "\n") +
                  "\n");
    }
    box.close();
    Base base;
    QVERIFY(base.open(dir.filePath(QStringLiteral("base.sqlite"))));
    Importer importer(base);
    QCOMPARE(importer.run(box.fileName()), Importer::Result::Done);

    const summary::Tally all = tallied(base, Base::Filter());
    QCOMPARE(all.responses(), 4);
    const QList<summary::Card> cards = all.cards();
    QCOMPARE(cards.size(), 41);
    QCOMPARE(counts(card(cards, 1).groups[0]), (QList<int>{2, 1}));
    QCOMPARE(card(cards, 1).unanswered, 1);
    // The preset « année » is no answer.
    QCOMPARE(card(cards, 2).answered, 1);
    QCOMPARE(card(cards, 2).texts[0].common.size(), 1);
    // Boxes: shares of the two who ticked any.
    const summary::Card& q20 = card(cards, 20);
    QCOMPARE(q20.answered, 2);
    QCOMPARE(q20.groups[0].answered, 2);
    QCOMPARE(counts(q20.groups[0]), (QList<int>{1, 0, 2}));
    QCOMPARE(summary::share(q20.groups[0].bars[2].count, q20.groups[0].answered), QStringLiteral("100\u00a0%"));
    QCOMPARE(q20.texts[0].count, 2);
    QCOMPARE(q20.texts[0].common.size(), 1); // the same text twice, listed once
    QCOMPARE(q20.texts[0].common[0].count, 2);
    // Question 6 part by part: Simulateurs' interest and difficulty answered apart.
    const summary::Card& q6 = card(cards, 6);
    QCOMPARE(q6.groups.size(), 9);
    QCOMPARE(q6.groups[0].part, QStringLiteral("Simulateurs, intérêt"));
    QCOMPARE(q6.groups[0].answered, 2);
    QCOMPARE(q6.groups[1].answered, 1);
    QCOMPARE(counts(q6.groups[1]), (QList<int>{0, 0, 0, 0, 1}));
    QCOMPARE(q6.answered, 2);
    QCOMPARE(all.cards(true).size(), 44); // the contact fields on request only

    // A filter on one answer: « 20. autre » ticked; then unanswered question 1.
    Base::Filter f;
    f.answerColumn = int(columns::names().indexOf(QStringLiteral("q20_c")));
    f.answerValue = QStringLiteral("Oui");
    QCOMPARE(base.count(f), 2);
    QCOMPARE(counts(card(tallied(base, f).cards(), 1).groups[0]), (QList<int>{1, 1}));
    f.answerColumn = int(columns::names().indexOf(QStringLiteral("q1")));
    f.answerValue = QString();
    QCOMPARE(base.count(f), 1);
    // A column out of range selects as no filter would, never as SQL text.
    f.answerColumn = 100000;
    QCOMPARE(base.count(f), 4);
}

QTEST_GUILESS_MAIN(SummaryTest)
#include "tst_summary.moc"
