// « Dépouillement »'s window driven as the publisher uses it: a mailbox
// imported through the menu, the table sorted and filtered, one response
// opened question by question, the results page, the unrecognised messages
// listed and opened, and what is shown exported.
#include "support/responses.h"
#include "tallywindows/datefield.h"
#include "tallywindows/filterbar.h"
#include "tallywindows/responsewindow.h"
#include "tallywindows/summarypage.h"
#include "tallywindows/tallywindow.h"
#include "ui/messagebox.h"

#include "support/process.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QTextDocument>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QFile>
#include <QHeaderView>
#include <QMenuBar>
#include <QCalendarWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using answertext::Answers;

class TallyWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void anEmptyBaseSaysWhatToDo();
    void importThroughTheMenu();
    void sortAndFilter();
    void oneResponseAndTheCounts();
    void exportWhatIsShown();
    void anImportElsewhereAndWhatItReplaced();
    void scannedSheetsThroughTheMenu();

private:
    void trigger(const QString& text);
    QString cell(int row, const QString& header) const;

    QTemporaryDir m_dir;
    TallyWindow m_window;
    QString m_chosen; // what the file dialogs answer
};

namespace
{

Answers answered(bool yes, const QString& name, const QString& school)
{
    Answers a;
    a.options = {yes ? 0 : 1}; // 1. Oui or Non
    a.texts[16] = name;
    a.texts[17] = school;
    return a;
}

} // namespace

void TallyWindowTest::initTestCase()
{
    const QDateTime day(QDate(2026, 12, 1), QTime(10, 0), Qt::UTC);
    QFile box(m_dir.filePath(QStringLiteral("boite.mbox")));
    QVERIFY(box.open(QIODevice::WriteOnly));
    const QList<QByteArray> mails = {
        testing::responseMail("a@curie.fr", QStringLiteral("Lycée Curie"),
                              answered(true, QStringLiteral("Anne"), QStringLiteral("Lycée Curie")), day),
        testing::responseMail("b@brassens.fr", QStringLiteral("Collège Brassens"),
                              answered(false, QStringLiteral("Bruno"), QStringLiteral("Collège Brassens")), day.addDays(3)),
        "From: pub@example.com\r\nSubject: Promotions\r\n\r\nAchetez !\r\n",
        testing::responseMail("c@curie.fr", QStringLiteral("Lycée Curie"),
                              answered(true, QStringLiteral("Claire"), QStringLiteral("Lycée Curie")), day.addDays(6)),
    };
    for (const QByteArray& mail : mails)
        box.write("From someone Tue Dec  1 10:00:00 2026\n" + QByteArray(mail).replace("\r\n", "\n") +
                  "\n");
    box.close();
    m_window.setChooser([this](QWidget*, TallyWindow::Choice) { return m_chosen; });
    QVERIFY(m_window.openBase(m_dir.filePath(QStringLiteral("base.sqlite"))));
    m_window.show();
}

void TallyWindowTest::anEmptyBaseSaysWhatToDo()
{
    QVERIFY(m_window.emptyHint()->isVisible());
    QVERIFY(!m_window.table()->isVisible());
    QStringList buttons;
    for (QPushButton* b : m_window.emptyHint()->findChildren<QPushButton*>())
        buttons << b->text().remove(QLatin1Char('&'));
    QCOMPARE(buttons, (QStringList{QStringLiteral("Importer une boîte…"), QStringLiteral("Boîte aux lettres…")}));
}

void TallyWindowTest::trigger(const QString& text)
{
    QList<QMenu*> menus;
    for (QAction* menu : m_window.menuBar()->actions())
        menus << menu->menu();
    while (!menus.isEmpty())
        for (QAction* a : menus.takeFirst()->actions()) {
            if (a->menu())
                menus << a->menu();
            if (a->text().remove(QLatin1Char('&')) == text) {
                QVERIFY2(a->isEnabled(), qPrintable(text));
                a->trigger();
                return;
            }
        }
    QFAIL(qPrintable(QStringLiteral("no action ") + text));
}

QString TallyWindowTest::cell(int row, const QString& header) const
{
    const QAbstractItemModel* m = m_window.table()->model();
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal).toString() == header)
            return m->index(row, c).data().toString();
    return QStringLiteral("(no column %1)").arg(header);
}

void TallyWindowTest::importThroughTheMenu()
{
    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    m_chosen = m_dir.filePath(QStringLiteral("boite.mbox"));
    trigger(QStringLiteral("Importer une boîte aux lettres…"));
    QCOMPARE(MessageBox::last().text,
             QStringLiteral("3 réponses ajoutées, 0 déjà dans la base, 1 message mis de côté "
                            "(non reconnu)."));
    QCOMPARE(m_window.table()->model()->rowCount(), 3);
    QCOMPARE(m_window.unrecognised()->model()->rowCount(), 1);
    QCOMPARE(m_window.unrecognised()->model()->index(0, 3).data().toString(),
             QStringLiteral("Promotions"));
    QVERIFY(m_window.table()->isVisible());
    // A message set aside opens to its text and the reason.
    m_window.showSetAside(0);
    auto* aside = m_window.findChild<SetAsideWindow*>();
    QVERIFY(aside);
    QVERIFY2(aside->heading().contains(QStringLiteral("Mis de côté : le texte n’est pas celui d’un questionnaire.")),
             qPrintable(aside->heading()));
    QCOMPARE(aside->text().trimmed(), QStringLiteral("Achetez !"));
    delete aside;
    QCOMPARE(m_window.summary(),
             QStringLiteral("3 réponses affichées sur 3 · 1 message non reconnu"));

    // A folder that is no mailbox is told, and changes nothing.
    MessageBox::setNextAnswer(QMessageBox::Ok);
    m_chosen = m_dir.filePath(QStringLiteral("absente"));
    trigger(QStringLiteral("Importer un dossier Maildir…"));
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QCOMPARE(m_window.table()->model()->rowCount(), 3);
}

void TallyWindowTest::sortAndFilter()
{
    QTableView* table = m_window.table();
    QCOMPARE(cell(0, QStringLiteral("Nom et prénom")), QStringLiteral("Anne")); // oldest first
    QCOMPARE(cell(0, QStringLiteral("Date")), QStringLiteral("01/12/2026 %1:00")
                                                  .arg(QDateTime(QDate(2026, 12, 1), QTime(10, 0), Qt::UTC)
                                                           .toLocalTime().toString(QStringLiteral("HH"))));
    // A click on a header sorts on it, a second click the other way.
    const int byName = int(Base::tableHeader().indexOf(QStringLiteral("nom"))) + 1;
    table->horizontalHeader()->setSortIndicator(byName, Qt::DescendingOrder);
    QCOMPARE(cell(0, QStringLiteral("Nom et prénom")), QStringLiteral("Claire"));
    QCOMPARE(cell(2, QStringLiteral("Nom et prénom")), QStringLiteral("Anne"));

    Base::Filter f;
    f.establishment = QStringLiteral("Lycée Curie");
    m_window.setFilter(f);
    QCOMPARE(table->model()->rowCount(), 2);
    f.from = QDate(2026, 12, 2);
    m_window.setFilter(f);
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(cell(0, QStringLiteral("Nom et prénom")), QStringLiteral("Claire"));
    f = Base::Filter();
    f.to = QDate(2026, 12, 4); // the last day counts whole
    m_window.setFilter(f);
    QCOMPARE(table->model()->rowCount(), 2);
    QCOMPARE(m_window.summary(),
             QStringLiteral("2 réponses affichées sur 3 · 1 message non reconnu"));

    // Typed as a French reader types it; a date not understood is said, and filters nothing.
    FilterBar* bar = m_window.filters();
    bar->clearButton()->click();
    QCOMPARE(table->model()->rowCount(), 3);
    QVERIFY(!bar->clearButton()->isEnabled());
    QLineEdit* from = bar->from()->edit();
    from->setFocus();
    QTest::keyClicks(from, QStringLiteral("4.12.26"));
    QTest::keyClick(from, Qt::Key_Return);
    QCOMPARE(bar->filter().from, QDate(2026, 12, 4));
    QCOMPARE(from->text(), QStringLiteral("04/12/2026"));
    QCOMPARE(table->model()->rowCount(), 2);
    from->clear();
    QCOMPARE(table->model()->rowCount(), 3);
    QTest::keyClicks(from, QStringLiteral("31/02/2026"));
    QTest::keyClick(from, Qt::Key_Return);
    QVERIFY(!bar->filter().from.isValid());
    QVERIFY2(m_window.statusBar()->currentMessage().contains(QStringLiteral("Date incomprise")),
             qPrintable(m_window.statusBar()->currentMessage()));
    QCOMPARE(DateField::read(QStringLiteral("8 décembre 2026")), QDate(2026, 12, 8));
    // The calendar opens on the responses' months, not on a year 2000.
    from->clear();
    bar->from()->calendarButton()->menu()->popup(QPoint());
    auto* calendar = bar->from()->calendarButton()->menu()->findChild<QCalendarWidget*>();
    QCOMPARE(std::make_pair(calendar->yearShown(), calendar->monthShown()), std::make_pair(2026, 12));
    bar->from()->calendarButton()->menu()->close();

    // Any answer: question 1 = Non.
    bar->question()->setCurrentIndex(bar->question()->findText(QStringLiteral("1. Salle de TP informatisée")));
    bar->answer()->setCurrentIndex(bar->answer()->findText(QStringLiteral("Non")));
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(cell(0, QStringLiteral("Nom et prénom")), QStringLiteral("Bruno"));
    bar->answer()->setCurrentIndex(bar->answer()->findText(QStringLiteral("sans réponse")));
    QCOMPARE(table->model()->rowCount(), 0);
    bar->clearButton()->click();
    QCOMPARE(table->model()->rowCount(), 3);
    // Each header tells its question whole.
    const int q1 = int(Base::tableHeader().indexOf(QStringLiteral("q1"))) + 1;
    QCOMPARE(table->model()->headerData(q1, Qt::Horizontal).toString(), QStringLiteral("1. Salle de TP informatisée"));
    QCOMPARE(table->model()->headerData(q1, Qt::Horizontal, Qt::AccessibleDescriptionRole).toString(),
             QStringLiteral("1. Votre lycée possède-t-il au moins une salle de TP informatisée ?"));
    m_window.setFilter(Base::Filter());
    table->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder);
}

void TallyWindowTest::oneResponseAndTheCounts()
{
    m_window.showResponse(1);
    auto* shown = m_window.findChild<ResponseWindow*>();
    QVERIFY(shown && shown->isVisible());
    QVERIFY2(shown->heading().contains(QStringLiteral("b@brassens.fr")), qPrintable(shown->heading()));
    QVERIFY2(shown->heading().contains(QStringLiteral("Collège Brassens")), qPrintable(shown->heading()));
    // Question by question, the raw text behind its button.
    QCOMPARE(shown->answer(1), QStringLiteral("Non"));
    QCOMPARE(shown->answer(2), QStringLiteral("(sans réponse)"));
    QCOMPARE(shown->answer(questions::Name), QStringLiteral("Bruno"));
    QCOMPARE(shown->answers()->item(0, 0)->text(),
             QStringLiteral("1. Votre lycée possède-t-il au moins une salle de TP informatisée ?"));
    QVERIFY(!shown->findChild<QPlainTextEdit*>()->isVisible());
    shown->rawButton()->click();
    QVERIFY(shown->findChild<QPlainTextEdit*>()->isVisible());
    QVERIFY2(shown->text().startsWith(QStringLiteral("1. Non\n2. \n")), qPrintable(shown->text().left(80)));
    shown->close();

    m_window.tabs()->setCurrentIndex(1);
    SummaryPage* page = m_window.summaryPage();
    QCOMPARE(page->cardCount(), 41);
    QCOMPARE(page->barLabels(1), (QStringList{QStringLiteral("Oui — 2 (67\u00a0%)"), QStringLiteral("Non — 1 (33\u00a0%)"),
                                              QStringLiteral("sans réponse — 0")}));
    QVERIFY(page->card(1)->accessibleName() == QStringLiteral("1. Salle de TP informatisée"));
    // The counts follow the filter.
    Base::Filter f;
    f.establishment = QStringLiteral("Lycée Curie");
    m_window.setFilter(f);
    QCOMPARE(page->barLabels(1), (QStringList{QStringLiteral("Oui — 2 (100\u00a0%)"), QStringLiteral("Non — 0 (0\u00a0%)"),
                                              QStringLiteral("sans réponse — 0")}));
    m_window.setFilter(Base::Filter());
    m_window.tabs()->setCurrentIndex(0);
}

void TallyWindowTest::exportWhatIsShown()
{
    Base::Filter f;
    f.establishment = QStringLiteral("Collège Brassens");
    m_window.setFilter(f);
    m_chosen = m_dir.filePath(QStringLiteral("brassens.csv"));
    trigger(QStringLiteral("Séparateur « , »…"));
    QFile csv(m_chosen);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 3); // the header, one response, the last line's end
    QVERIFY(lines[0].startsWith("\xEF\xBB\xBF" "Date,Expéditeur,Établissement,Nom (objet),1. Salle de TP informatisée,"));
    QVERIFY(lines[1].contains(",b@brassens.fr,Collège Brassens,Collège Brassens,Non,"));

    m_chosen = m_dir.filePath(QStringLiteral("rapport.pdf"));
    trigger(QStringLiteral("Rapport PDF…"));
    QVERIFY(QFile(m_chosen).size() > 1000);

    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    m_chosen = m_dir.filePath(QStringLiteral("absent/classeur.xlsx"));
    trigger(QStringLiteral("Exporter en XLSX…"));
    QCOMPARE(MessageBox::last().icon, QMessageBox::Critical);
    QVERIFY(!QFile::exists(m_chosen));
    m_window.setFilter(Base::Filter());
}

void TallyWindowTest::anImportElsewhereAndWhatItReplaced()
{
    // Another program imports Anne's second response, and one whose sender
    // and free text hold markup.
    const QDateTime later(QDate(2026, 12, 20), QTime(10, 0), Qt::UTC);
    Answers marked = answered(true, QStringLiteral("<b>Zoé</b>"), QStringLiteral("Lycée Curie"));
    marked.texts[2] = QStringLiteral("<h1>Cliquez</h1><a href=\"http://evil.example\">ici</a>");
    QFile box(m_dir.filePath(QStringLiteral("ailleurs.mbox")));
    QVERIFY(box.open(QIODevice::WriteOnly));
    for (const QByteArray& mail :
         {testing::responseMail("a@curie.fr", QStringLiteral("Lycée Curie"),
                                answered(false, QStringLiteral("Anne"), QStringLiteral("Lycée Curie")), later),
          testing::responseMail("\"<b>gros</b><a href=x>\"@evil.example", QStringLiteral("<i>Nom</i>"), marked,
                                later.addSecs(60))})
        box.write("From x@y Tue Dec 20 10:00:00 2026\n" + QByteArray(mail).replace("\r\n", "\n") + "\n");
    box.close();
    QElapsedTimer seen;
    QCOMPARE(testing::runCommand(QStringLiteral(DEPOUILLEMENT_EXE),
                                 {QStringLiteral("importer"), box.fileName(), QStringLiteral("--base"),
                                  m_dir.filePath(QStringLiteral("base.sqlite"))}).code,
             0);
    seen.start();
    QVERIFY(QTest::qWaitFor([this] { return m_window.table()->model()->rowCount() == 4; }, 2500));
    QVERIFY2(seen.elapsed() <= 2500, "the window saw the import late");

    // The replaced response, shown on request, tells what replaced it.
    Base::Filter all;
    all.withReplaced = true;
    m_window.setFilter(all);
    QCOMPARE(m_window.table()->model()->rowCount(), 5);
    QCOMPARE(cell(0, QStringLiteral("Nom et prénom")), QStringLiteral("Anne"));
    m_window.showResponse(0);
    auto* first = m_window.findChild<ResponseWindow*>();
    QVERIFY(first);
    QVERIFY2(first->heading().contains(QStringLiteral("Remplacée par la réponse n° ")), qPrintable(first->heading()));
    first->close();
    delete first;

    // Words from a mail are read as they are written.
    const int row = 4;
    QCOMPARE(cell(row, QStringLiteral("Expéditeur")), QStringLiteral("\"<b>gros</b><a href=x>\"@evil.example"));
    m_window.showResponse(row);
    auto* shown = m_window.findChild<ResponseWindow*>();
    QVERIFY(shown);
    QStringList read;
    for (QLabel* label : shown->findChildren<QLabel*>())
        read << QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
    QVERIFY2(read.join(QLatin1Char('\n')).contains(QStringLiteral("de \"<b>gros</b><a href=x>\"@evil.example")),
             qPrintable(read.join(QLatin1Char('\n'))));
    QVERIFY(read.join(QLatin1Char('\n')).contains(QStringLiteral("<i>Nom</i>")));
    delete shown;
    const QAbstractItemModel* m = m_window.table()->model();
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal).toString() == QStringLiteral("7. Simulateur le plus intéressant")) {
            QTextDocument tip;
            tip.setHtml(m->index(row, c).data(Qt::ToolTipRole).toString());
            QCOMPARE(tip.toPlainText(), marked.texts[2]);
        }
    m_window.setFilter(Base::Filter());
}

void TallyWindowTest::scannedSheetsThroughTheMenu()
{
    // A page without a code: set aside with its reason, never read.
    QImage blank(800, 1100, QImage::Format_Grayscale8);
    blank.fill(Qt::white);
    m_chosen = m_dir.filePath(QStringLiteral("blanche.png"));
    QVERIFY(blank.save(m_chosen));
    const int before = m_window.unrecognised()->model()->rowCount();
    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    trigger(QStringLiteral("Importer des feuilles numérisées…"));
    QVERIFY2(MessageBox::last().text.contains(QStringLiteral("1 message mis de côté")), qPrintable(MessageBox::last().text));
    QCOMPARE(m_window.unrecognised()->model()->rowCount(), before + 1);
    const QAbstractItemModel* m = m_window.unrecognised()->model();
    QCOMPARE(m->index(before, 4).data().toString(), QStringLiteral("aucun code lisible"));
    QCOMPARE(m->index(before, 2).data().toString(), QStringLiteral("blanche.png, page 1"));
}

QTEST_MAIN(TallyWindowTest)
#include "tst_window.moc"
