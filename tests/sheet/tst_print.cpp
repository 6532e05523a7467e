#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"
#include "sheet/sheetanswers.h"
#include "sheet/page.h"
#include "shownsheet.h"
#include "support/helpers.h"
#include "ui/messagebox.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

namespace
{

const QString Head =
    QStringLiteral("Votre avis nous intéresse\r\n"
                   "\r\n"
                   "Merci de nous retourner ce questionnaire à l’adresse suivante :\r\n"
                   "\r\n"
                   "Editions TARVEL\r\n"
                   "Cédérom Orbitalis Seconde\r\n"
                   "5, rue des Ormeaux\r\n"
                   "75000 Paris\r\n"
                   "\r\n"
                   "\r\n");

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The non-empty lines of the PDF's text, spaces squeezed.
// The printout's lines, the labels of its reading codes aside.
QStringList pdfLines(const QString& pdf, const QStringList& pages = {})
{
    const QString text =
        run(QStringLiteral("pdftotext"), pages + QStringList{"-layout", pdf, QStringLiteral("-")});
    QStringList lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.simplified();
        if (!line.isEmpty() && !line.startsWith(QStringLiteral("Code de lecture — partie ")))
            lines << line;
    }
    return lines;
}

int pdfPages(const QString& pdf)
{
    const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)"),
                                   QRegularExpression::MultilineOption);
    const auto m = pages.match(run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

struct Box {
    double left = 0, top = 0, right = 0, bottom = 0;
    double centre() const { return (left + right) / 2; }
    double height() const { return bottom - top; }
};

// The box of the first run of `words` on one line of the PDF, in points.
Box lineBox(const QString& pdf, const QStringList& words, double* pageWidth = nullptr)
{
    const QString html = run(QStringLiteral("pdftotext"), {"-bbox", pdf, QStringLiteral("-")});
    if (pageWidth) {
        const auto m = QRegularExpression(QStringLiteral("<page width=\"([0-9.]+)\"")).match(html);
        *pageWidth = m.captured(1).toDouble();
    }
    const QRegularExpression word(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" "
                                                 "xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)<"));
    QList<QPair<QString, Box>> all;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        all.append({m.captured(5),
                    {m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                     m.captured(4).toDouble()}});
    }
    for (int i = 0; i + words.size() <= all.size(); ++i) {
        bool same = true;
        for (int j = 0; j < words.size() && same; ++j)
            same = all[i + j].first == words[j];
        if (same)
            return {all[i].second.left, all[i].second.top, all[i + words.size() - 1].second.right,
                    all[i].second.bottom};
    }
    return {};
}

QAbstractButton* dialogButton(QWidget* dialog, QDialogButtonBox::StandardButton which)
{
    const auto* box = dialog->findChild<QDialogButtonBox*>();
    return box ? box->button(which) : nullptr;
}

// Clicks the print command and answers the printer dialogue with `answer`
// (« Oui » first, to print a sheet that answers nothing).
void clickPrint(feuillep& w, std::function<void(QPrintDialog*)> answer)
{
    if (!answertext::answersAnything(answertext::fromSheet(w)))
        MessageBox::setNextAnswer(QMessageBox::Yes);
    onNextModal([answer](QWidget* modal) {
        auto* dialog = qobject_cast<QPrintDialog*>(modal);
        QVERIFY(dialog);
        answer(dialog);
    });
    QTest::mouseClick(w.Command1, Qt::LeftButton);
}

void accept(QPrintDialog* dialog)
{
    QAbstractButton* ok = dialogButton(dialog, QDialogButtonBox::Ok);
    QVERIFY(ok);
    QTest::mouseClick(ok, Qt::LeftButton);
}

void printTo(feuillep& w, const QString& pdf)
{
    w.CommonDialog1->setOutputFormat(QPrinter::PdfFormat);
    w.CommonDialog1->setOutputFileName(pdf);
    clickPrint(w, accept);
    QVERIFY(QFile::exists(pdf));
}

} // namespace

class PrintTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void printsHeadThenAnswers();
    void headLayout();
    void fileChosenInTheDialogue();
    void longAnswersContinueOnTheNextPage();
    void printingTwicePrintsTheSame();
    void cancellingPrintsNothing();
};

void PrintTest::printsHeadThenAnswers()
{
    ShownSheet s;
    feuillep& w = s.w;
    // The page stays where the user had scrolled it: printing does not
    // rebuild it.
    w.VScroll1->setValue(w.VScroll1->maximum() / 2);
    const int scrolled = w.VScroll1->value();
    QVERIFY(scrolled > 0);
    const QPoint page = w.P1->pos();
    const QString pdf = s.dir.filePath(QStringLiteral("feuille.pdf"));
    printTo(w, pdf);
    settle();
    QCOMPARE(w.VScroll1->value(), scrolled);
    QCOMPARE(w.P1->pos(), page);

    // rtf1 holds the printed document: the head, then the answers once.
    const QString text = w.rtf1->plainText();
    QVERIFY(text.startsWith(Head));
    const QString answers = text.mid(Head.size());
    QVERIFY(answers.startsWith(QStringLiteral("1. \r\n2. année\r\n3. \r\n")));
    QVERIFY(answers.endsWith(QStringLiteral("41. \r\n\r\nNom et prénom : \r\n\r\nLycée \r\n\r\n"
                                            "e-mail : \r\n\r\n")));
    QCOMPARE(answers.size(), 386);

    // The answers fill the first page; the reading code follows on the next.
    QCOMPARE(pdfPages(pdf), 2);
    QVERIFY(run(QStringLiteral("pdftotext"), {"-f", "2", "-l", "2", pdf, QStringLiteral("-")})
                .contains(QStringLiteral("Code de lecture — partie 1 sur 1")));
    const QStringList lines = pdfLines(pdf, {"-f", "1", "-l", "1"});
    const QStringList expected = {
        "Votre avis nous intéresse",
        "Merci de nous retourner ce questionnaire à l’adresse suivante :",
        "Editions TARVEL",
        "Cédérom Orbitalis Seconde",
        "5, rue des Ormeaux",
        "75000 Paris",
        "1.",
        "2. année",
        "3.",
        "4.",
        "5. Ordinateur : internet :",
        "6. Simulateurs : /",
        "Exercices : /",
        "Vidéos : /",
        "Cours : /",
        "Tests : /",
        "7.",
    };
    QCOMPARE(lines.mid(0, expected.size()), expected);
    QCOMPARE(lines.mid(lines.size() - 4),
             (QStringList{"41.", "Nom et prénom :", "Lycée", "e-mail :"}));
    // The six lines of the head, then the 52 answer lines but their four
    // blank ones.
    QCOMPARE(lines.size(), 6 + 48);
}

void PrintTest::headLayout()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    const QString pdf = dir.filePath(QStringLiteral("feuille.pdf"));
    printTo(w, pdf);

    double width = 0;
    const Box heading = lineBox(pdf, {"Votre", "avis", "nous", "intéresse"}, &width);
    const Box request = lineBox(pdf, {"Merci", "de", "nous"});
    const Box publisher = lineBox(pdf, {"Editions", "TARVEL"});
    const Box city = lineBox(pdf, {"75000", "Paris"});
    const Box first = lineBox(pdf, {"1."});
    const Box email = lineBox(pdf, {"e-mail", ":"});
    QVERIFY(width > 500);
    // Centred lines sit on the middle of the page (margins and indents are
    // the same on both sides); the others start at the same left edge.
    QVERIFY2(qAbs(heading.centre() - width / 2) < 2, qPrintable(QString::number(heading.centre())));
    QVERIFY(qAbs(publisher.centre() - width / 2) < 2);
    QVERIFY(qAbs(city.centre() - width / 2) < 2);
    QVERIFY(request.left < publisher.left - 50);
    QVERIFY(qAbs(first.left - request.left) < 1);
    QVERIFY(qAbs(email.left - request.left) < 1);
    // The left edge: a 15 mm page margin (42.5 points) and a 50-pixel indent
    // (37.5 points).
    QVERIFY2(qAbs(request.left - 80) < 1.5, qPrintable(QString::number(request.left)));
    // 18 points against 10.
    const double ratio = heading.height() / request.height();
    QVERIFY2(ratio > 1.7 && ratio < 1.9, qPrintable(QString::number(ratio)));
    QVERIFY(qAbs(publisher.height() - request.height()) < 0.5);
    QVERIFY(qAbs(first.height() - request.height()) < 0.5);
    QVERIFY(heading.top < request.top && request.top < publisher.top && city.top < first.top);

    const QString fonts = run(QStringLiteral("pdffonts"), {pdf});
    QVERIFY2(fonts.contains(QRegularExpression(QStringLiteral("Arial|LiberationSans"))),
             qPrintable(fonts));
}

void PrintTest::fileChosenInTheDialogue()
{
    ShownSheet s;
    feuillep& w = s.w;
    const QString pdf = s.dir.filePath(QStringLiteral("choisi.pdf"));
    QString shownTheSecondTime;
    clickPrint(w, [pdf](QPrintDialog* dialog) {
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
        QVERIFY(file);
        file->selectAll();
        QTest::keyClick(file, Qt::Key_Delete);
        QTest::keyClicks(file, pdf);
        accept(dialog);
    });
    QCOMPARE(pdfPages(pdf), 2);
    QCOMPARE(pdfLines(pdf).value(0), QStringLiteral("Votre avis nous intéresse"));

    // The printer chosen stays chosen: the next dialogue offers the same file.
    QFile::remove(pdf);
    clickPrint(w, [&shownTheSecondTime](QPrintDialog* dialog) {
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
        QVERIFY(file);
        shownTheSecondTime = file->text();
        accept(dialog);
    });
    QCOMPARE(shownTheSecondTime, pdf);
    QVERIFY(QFile::exists(pdf));
}

void PrintTest::longAnswersContinueOnTheNextPage()
{
    ShownSheet s;
    feuillep& w = s.w;
    QString remarks;
    for (int i = 1; i <= 60; ++i)
        remarks += QStringLiteral("remarque %1\n").arg(i);
    remarks += QStringLiteral("fin des remarques");
    typeText(w.t1(9), remarks);
    const QString pdf = s.dir.filePath(QStringLiteral("long.pdf"));
    printTo(w, pdf);

    // Two pages of answers; the reading codes after them, on a third.
    QCOMPARE(pdfPages(pdf), 3);
    const QStringList one = pdfLines(pdf, {"-f", "1", "-l", "1"});
    const QStringList two = pdfLines(pdf, {"-f", "2", "-l", "2"});
    QCOMPARE(one.first(), QStringLiteral("Votre avis nous intéresse"));
    QVERIFY(one.contains(QStringLiteral("24. remarque 1")));
    QVERIFY(two.contains(QStringLiteral("fin des remarques")));
    QCOMPARE(two.last(), QStringLiteral("e-mail :"));
    // Every line of the answer is there once, and nothing has been added:
    // no page numbers, no running heads.
    QCOMPARE(pdfLines(pdf, {"-f", "3", "-l", "3"}), QStringList());
    const QStringList all = one + two;
    for (int i = 1; i <= 60; ++i)
        QCOMPARE(all.count(QStringLiteral("remarque %1").arg(i)) +
                     all.count(QStringLiteral("24. remarque %1").arg(i)),
                 1);
    QCOMPARE(all, pdfLines(pdf));
    for (const QString& line : all)
        QVERIFY2(!QRegularExpression(QStringLiteral("^\\d+$")).match(line).hasMatch(),
                 qPrintable(line));
    QCOMPARE(all.size(), 6 + 48 + 60);
}

void PrintTest::printingTwicePrintsTheSame()
{
    QTemporaryDir dir;
    feuillep w(dir.path());
    typeText(w.t1(16), QStringLiteral("Marie Dupont"));
    const QString a = dir.filePath(QStringLiteral("a.pdf"));
    const QString b = dir.filePath(QStringLiteral("b.pdf"));
    printTo(w, a);
    const QString composed = w.rtf1->plainText();
    printTo(w, b);
    QCOMPARE(w.rtf1->plainText(), composed);
    QCOMPARE(composed.count(QStringLiteral("Votre avis")), 1);
    QCOMPARE(pdfPages(b), pdfPages(a));
    QCOMPARE(pdfLines(b), pdfLines(a));
    QVERIFY(pdfLines(a).contains(QStringLiteral("Nom et prénom : Marie Dupont")));
}

void PrintTest::cancellingPrintsNothing()
{
    MessageBox::reset();
    ShownSheet s;
    feuillep& w = s.w;
    w.Check1(21)->click(); // an answer: no question before the printer's
    w.rtf1->setFontSize(14);
    w.rtf1->insert(QStringLiteral("déjà là\r\n"));
    const QString pdf = s.dir.filePath(QStringLiteral("rien.pdf"));
    w.CommonDialog1->setOutputFormat(QPrinter::PdfFormat);
    w.CommonDialog1->setOutputFileName(pdf);

    clickPrint(w, [](QPrintDialog* dialog) {
        QAbstractButton* cancel = dialogButton(dialog, QDialogButtonBox::Cancel);
        QVERIFY(cancel);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    settle(200);
    // No message either.
    QCOMPARE(MessageBox::count(), 0);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(w.rtf1->plainText(), QStringLiteral("déjà là\r\n"));
    QCOMPARE(w.rtf1->runs().size(), size_t(1));
    QCOMPARE(w.rtf1->runs()[0].format.points, 14.0);

    // Closing the dialogue with Escape is a cancel too.
    clickPrint(w, [](QPrintDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(w.rtf1->plainText(), QStringLiteral("déjà là\r\n"));
}

QTEST_MAIN(PrintTest)
#include "tst_print.moc"
