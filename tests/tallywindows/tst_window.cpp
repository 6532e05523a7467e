// « Dépouillement »'s window driven as the publisher uses it: a mailbox
// imported through the menu, the table sorted and filtered, one response
// opened, the counts charted, the unrecognised messages listed, and what is
// shown exported.
#include "support/responses.h"
#include "tallywindows/countspage.h"
#include "tallywindows/responsewindow.h"
#include "tallywindows/tallywindow.h"
#include "ui/messagebox.h"

#include "support/process.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QElapsedTimer>
#include <QLabel>
#include <QTextDocument>
#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QMenuBar>
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
    void importThroughTheMenu();
    void sortAndFilter();
    void oneResponseAndTheCounts();
    void exportWhatIsShown();
    void anImportElsewhereAndWhatItReplaced();

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

void TallyWindowTest::trigger(const QString& text)
{
    for (QAction* menu : m_window.menuBar()->actions())
        for (QAction* a : menu->menu()->actions())
            if (a->text().remove(QLatin1Char('&')) == text) {
                QVERIFY2(a->isEnabled(), qPrintable(text));
                a->trigger();
                return;
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
    QCOMPARE(m_window.unrecognised()->model()->index(0, 2).data().toString(),
             QStringLiteral("Promotions"));
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
    QCOMPARE(cell(0, QStringLiteral("nom")), QStringLiteral("Anne")); // oldest first
    QCOMPARE(cell(0, QStringLiteral("Date")), QStringLiteral("01/12/2026 %1:00")
                                                  .arg(QDateTime(QDate(2026, 12, 1), QTime(10, 0), Qt::UTC)
                                                           .toLocalTime().toString(QStringLiteral("HH"))));
    // A click on a header sorts on it, a second click the other way.
    const int byName = int(Base::tableHeader().indexOf(QStringLiteral("nom"))) + 1;
    table->horizontalHeader()->setSortIndicator(byName, Qt::DescendingOrder);
    QCOMPARE(cell(0, QStringLiteral("nom")), QStringLiteral("Claire"));
    QCOMPARE(cell(2, QStringLiteral("nom")), QStringLiteral("Anne"));

    Base::Filter f;
    f.establishment = QStringLiteral("Lycée Curie");
    m_window.setFilter(f);
    QCOMPARE(table->model()->rowCount(), 2);
    f.from = QDate(2026, 12, 2);
    m_window.setFilter(f);
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(cell(0, QStringLiteral("nom")), QStringLiteral("Claire"));
    f = Base::Filter();
    f.to = QDate(2026, 12, 4); // the last day counts whole
    m_window.setFilter(f);
    QCOMPARE(table->model()->rowCount(), 2);
    QCOMPARE(m_window.summary(),
             QStringLiteral("2 réponses affichées sur 3 · 1 message non reconnu"));
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
    QVERIFY2(shown->text().startsWith(QStringLiteral("1. Non\n2. \n")), qPrintable(shown->text().left(80)));
    QVERIFY(shown->text().contains(QStringLiteral("Nom et prénom : Bruno\n")));
    shown->close();

    m_window.tabs()->setCurrentWidget(m_window.counts());
    CountsPage* counts = m_window.counts();
    QVERIFY(counts->questionCount() > 30);
    counts->choose(0); // q1
    QCOMPARE(counts->shownLabels(), (QStringList{QStringLiteral("Non : 1 (33 %)"),
                                                 QStringLiteral("Oui : 2 (67 %)")}));
    // The counts follow the filter.
    Base::Filter f;
    f.establishment = QStringLiteral("Lycée Curie");
    m_window.setFilter(f);
    QCOMPARE(counts->shownLabels(), (QStringList{QStringLiteral("Non : 0 (0 %)"),
                                                 QStringLiteral("Oui : 2 (100 %)")}));
    m_window.setFilter(Base::Filter());
    m_window.tabs()->setCurrentIndex(0);
}

void TallyWindowTest::exportWhatIsShown()
{
    Base::Filter f;
    f.establishment = QStringLiteral("Collège Brassens");
    m_window.setFilter(f);
    m_chosen = m_dir.filePath(QStringLiteral("brassens.csv"));
    trigger(QStringLiteral("Exporter en CSV…"));
    QFile csv(m_chosen);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 3); // the header, one response, the last line's end
    QVERIFY(lines[1].contains(";b@brassens.fr;Collège Brassens;Collège Brassens;Non;"));

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
    QCOMPARE(cell(0, QStringLiteral("nom")), QStringLiteral("Anne"));
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
        if (m->headerData(c, Qt::Horizontal).toString() == QStringLiteral("q7")) {
            QTextDocument tip;
            tip.setHtml(m->index(row, c).data(Qt::ToolTipRole).toString());
            QCOMPARE(tip.toPlainText(), marked.texts[2]);
        }
    m_window.setFilter(Base::Filter());
}

QTEST_MAIN(TallyWindowTest)
#include "tst_window.moc"
