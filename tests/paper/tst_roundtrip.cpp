// Paper answers back as data, in one round trip: a sheet filled (a long free
// text among its answers) and printed to PDF through the real print path;
// its pages turned into scans as an office scanner makes them (ImageMagick:
// 150 and 300 dpi, grey, turned a degree or two, noise, a fold across the
// codes, a stain down a column of them, JPEG, one page upside down as TIFF)
// with a blank page; imported by
// « Dépouillement »; every answer compared byte for byte; the same scans
// again add nothing; half a page of codes is set aside with its reason.
#include "answers/answertext.h"
#include "paper/qrcode.h"
#include "paper/scans.h"
#include "sheet/composebuffer.h"
#include "sheet/sheetanswers.h"
#include "sheet/shownsheet.h"
#include "support/process.h"
#include "support/responses.h"
#include "tally/base.h"
#include "ui/messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QStandardPaths>

using answertext::Answers;

class RoundTripTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void printScanImport();
};

namespace
{

// The sheet's controls set to a filling.
void fill(feuillep& w, const Answers& a)
{
    for (const int i : a.options)
        w.Option1(i)->setChecked(true);
    for (const int i : a.checks)
        w.Check1(i)->setChecked(true);
    for (const auto& [box, text] : a.texts) {
        if (auto* line = qobject_cast<QLineEdit*>(w.t1(box)))
            line->setText(text);
        else
            qobject_cast<QPlainTextEdit*>(w.t1(box))->setPlainText(QString(text).replace(QStringLiteral("\r\n"),
                                                                                           QStringLiteral("\n")));
    }
    for (const auto& [list, choice] : a.lists)
        qobject_cast<QComboBox*>(w.control(list.first, list.second))->setCurrentIndex(choice);
}

QString magick(const QStringList& args)
{
    const testing::Run r = testing::runCommand(QStringLiteral("convert"), args);
    return r.code == 0 ? QString() : r.output;
}

testing::Run depouillement(const QStringList& args)
{
    return testing::runCommand(QStringLiteral(DEPOUILLEMENT_EXE), args);
}

} // namespace

void RoundTripTest::printScanImport()
{
    if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
        QSKIP("ImageMagick is not installed (scripts/setup test)");
    testing::ShownSheet s;
    QRandomGenerator g(20261209);
    Answers a = testing::randomFilling(g);
    QString longText; // several codes' worth, typographic marks and line breaks included
    while (longText.size() < 5000)
        longText += QStringLiteral("L’élève « %1 » a noté : œuvre à 5 € — ligne %2\r\n").arg(g.generate() % 100000).arg(longText.size());
    a.texts[9] = longText;
    fill(s.w, a);
    const QString expected = answertext::write(answertext::fromSheet(s.w));
    QVERIFY(expected.contains(QStringLiteral("œuvre à 5 €")));

    // Printed to PDF through the print command and its dialogue.
    const QString pdf = s.dir.filePath(QStringLiteral("feuille.pdf"));
    s.w.CommonDialog1->setOutputFormat(QPrinter::PdfFormat);
    s.w.CommonDialog1->setOutputFileName(pdf);
    testing::onNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QPrintDialog*>(modal);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QTest::mouseClick(s.w.Command1, Qt::LeftButton);
    const testing::Run text = testing::runCommand(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QVERIFY2(text.output.contains(QStringLiteral("Code de lecture — partie 1 sur ")), qPrintable(text.output.right(400)));
    QVERIFY2(text.output.contains(QStringLiteral("Votre avis nous intéresse")), "the printout as before");
    const int pages = ScanFile(pdf).pageCount();
    QVERIFY2(pages >= 2, "the codes go on to another page");

    // Scans as an office scanner makes them: the page seen at 150 dpi (300
    // for the last, put in upside down) in grey, then turned, noisy, folded.
    QStringList scanned;
    for (int p = 0; p < pages; ++p) {
        const bool upsideDown = p == pages - 1;
        const QString seen = s.dir.filePath(QStringLiteral("vue%1").arg(p));
        QCOMPARE(testing::runCommand(QStringLiteral("pdftoppm"),
                                     {QStringLiteral("-r"), upsideDown ? QStringLiteral("300") : QStringLiteral("150"),
                                      QStringLiteral("-gray"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                      QStringLiteral("-f"), QString::number(p + 1), QStringLiteral("-l"),
                                      QString::number(p + 1), pdf, seen})
                     .code,
                 0);
        const QString out = s.dir.filePath(upsideDown ? QStringLiteral("page%1.tif").arg(p) : QStringLiteral("page%1.jpg").arg(p));
        QCOMPARE(magick({seen + QStringLiteral(".png"), QStringLiteral("-background"), QStringLiteral("white"),
                         QStringLiteral("-rotate"), upsideDown ? QStringLiteral("181") : QStringLiteral("1.5"),
                         QStringLiteral("+repage"), QStringLiteral("-attenuate"), QStringLiteral("0.4"), QStringLiteral("+noise"),
                         QStringLiteral("Gaussian"), QStringLiteral("-stroke"), QStringLiteral("gray40"),
                         QStringLiteral("-strokewidth"), QStringLiteral("2"), QStringLiteral("-draw"),
                         QStringLiteral("line 0,%1 3000,%2").arg(900 + 37 * p).arg(1000),
                         // A stain down the first column of codes.
                         QStringLiteral("-strokewidth"), upsideDown ? QStringLiteral("10") : QStringLiteral("5"),
                         QStringLiteral("-draw"), QStringLiteral("line %1,0 %1,4000").arg(upsideDown ? 500 : 250),
                         QStringLiteral("-quality"),
                         QStringLiteral("80"), out}),
                 QString());
        scanned << out;
    }
    const QString blank = s.dir.filePath(QStringLiteral("blanche.png"));
    QCOMPARE(magick({QStringLiteral("-size"), QStringLiteral("1240x1754"), QStringLiteral("xc:white"), blank}), QString());

    // Imported: the sheet whole, byte for byte, the blank page set aside.
    const QString basePath = s.dir.filePath(QStringLiteral("base.sqlite"));
    testing::Run r = depouillement(QStringList{QStringLiteral("importer")} + scanned +
                                   QStringList{blank, QStringLiteral("--base"), basePath});
    QVERIFY2(r.code == 0 && r.output.contains(QStringLiteral("1 réponses ajoutées")), qPrintable(r.output));
    {
        Base base;
        QVERIFY(base.open(basePath));
        QCOMPARE(base.responses(), 1);
        const Base::Response got = base.response(base.ids(Base::Filter()).front());
        QCOMPARE(got.text, expected);
        QCOMPARE(got.readings, 1);
        QVERIFY2(got.sender.startsWith(QStringLiteral("page")), qPrintable(got.sender));
        sqlite::Statement aside = base.selectSetAside();
        QVERIFY(aside.next());
        QCOMPARE(aside.text(4), QStringLiteral("aucun code lisible"));
    }
    // The same scans again: nothing more.
    r = depouillement(QStringList{QStringLiteral("importer")} + scanned +
                      QStringList{blank, QStringLiteral("--base"), basePath});
    QVERIFY2(r.code == 0 && r.output.contains(QStringLiteral("0 réponses ajoutées")), qPrintable(r.output));

    // A page of codes cut in half: its sheet cannot be put together, and says why.
    QString withCodes;
    for (const QString& page : scanned)
        if (withCodes.isEmpty() && !qrcode::find(QImage(page)).isEmpty())
            withCodes = page;
    QVERIFY(!withCodes.isEmpty());
    const QString half = s.dir.filePath(QStringLiteral("moitie.png"));
    QCOMPARE(magick({withCodes, QStringLiteral("-gravity"), QStringLiteral("West"), QStringLiteral("-crop"),
                     QStringLiteral("45%x100%+0+0"), half}),
             QString());
    r = depouillement({QStringLiteral("importer"), half, QStringLiteral("--base"), s.dir.filePath(QStringLiteral("autre.sqlite"))});
    QVERIFY2(r.output.contains(QStringLiteral("0 réponses ajoutées")), qPrintable(r.output));
    Base other;
    QVERIFY(other.open(s.dir.filePath(QStringLiteral("autre.sqlite"))));
    sqlite::Statement aside = other.selectSetAside();
    QVERIFY(aside.next());
    QVERIFY2(aside.text(4).contains(QStringLiteral("manquante")), qPrintable(aside.text(4)));
}

QTEST_MAIN(RoundTripTest)
#include "tst_roundtrip.moc"
