// The question table against the questionnaire's own catalogue: every
// answer column belongs to one question, in order; each question answered
// as its controls allow; the names a reader sees are distinct.
#include "answers/catalogue.h"
#include "answers/columns.h"
#include "answers/questions.h"

#include <QSet>
#include <QTest>

class QuestionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theTableMatchesTheCatalogue();
};

void QuestionsTest::theTableMatchesTheCatalogue()
{
    using questions::Shape;
    const QList<questions::Question>& all = questions::all();
    QCOMPARE(all.size(), 44);
    int next = 0; // every column once, in order
    QMap<Shape, int> shapes;
    QSet<QString> labels;
    for (int i = 0; i < all.size(); ++i) {
        const questions::Question& q = all[i];
        QCOMPARE(q.number, i + 1);
        QVERIFY2(!q.columns.isEmpty(), qPrintable(q.title()));
        for (const int c : q.columns)
            QCOMPARE(c, next++);
        ++shapes[q.shape];
        QVERIFY2(!labels.contains(q.label), qPrintable(q.label));
        labels.insert(q.label);
        if (q.number <= 41) {
            // The page prints the number the table gives.
            QVERIFY(QString::fromUtf8(questions::page(q.number).text).startsWith(QString::number(q.number) + QLatin1Char('.')));
            QVERIFY2(!q.wording.isEmpty() && !q.wording.endsWith(QLatin1Char(' ')), qPrintable(q.wording));
        }
    }
    QCOMPARE(next, int(columns::names().size()));
    // Sixteen yes/no pairs, two of them in question 5; six lists and a grid; seven box questions.
    QCOMPARE(shapes[Shape::YesNo] + 2 * shapes[Shape::Pairs], int(catalogue::yesNoPairs().size()));
    QCOMPARE(shapes[Shape::Scale], 6);
    QCOMPARE(shapes[Shape::Grid], 1);
    QCOMPARE(shapes[Shape::Checks], 7);
    QCOMPARE(shapes[Shape::Contact], 3);
    QCOMPARE(all[6].wording, QStringLiteral("Citez le simulateur que vous trouvez le plus intéressant"));

    // A box question's choices are its boxes' captions, « autre » without its prompt.
    QCOMPARE(all[33].choices, (QStringList{QStringLiteral("manque de matériel informatique"),
                                           QStringLiteral("manque d’intérêt"),
                                           QStringLiteral("d’un accès trop difficile"),
                                           QStringLiteral("budget insuffisant"), QStringLiteral("autre")}));
    int boxes = 0;
    for (const questions::Question& q : all)
        if (q.shape == Shape::Checks)
            boxes += int(q.choices.size());
    QCOMPARE(boxes, int(catalogue::checkBoxes().size()));

    // Headers are distinct: a spreadsheet's columns are found by them.
    QSet<QString> headers;
    for (int c = 0; c < columns::names().size(); ++c) {
        QVERIFY2(!headers.contains(questions::header(c)), qPrintable(questions::header(c)));
        headers.insert(questions::header(c));
    }
    const int grid = int(columns::names().indexOf(QStringLiteral("q6_videos_interet")));
    QCOMPARE(questions::header(grid), QStringLiteral("6. Intérêt et difficulté des parties — Vidéos, intérêt"));
    const int other = int(columns::names().indexOf(QStringLiteral("q20_c_precision")));
    QCOMPARE(questions::header(other), QStringLiteral("20. Usage des exercices d’évaluation — autre, précision"));
    QVERIFY(questions::isText(other));
    QCOMPARE(columns::presetOf(int(columns::names().indexOf(QStringLiteral("q2")))), QStringLiteral("année"));
}

QTEST_APPLESS_MAIN(QuestionsTest)
#include "tst_questions.moc"
