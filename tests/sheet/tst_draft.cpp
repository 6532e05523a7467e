// The answers being entered survive a closed window, a crash or SIGKILL: kept
// in the draft within a second, offered back at the next start; a damaged
// or foreign draft is set aside, saying so, and fills nothing.
#include "app/terminationwatcher.h"
#include "sheet/draftkeeper.h"
#include "sheet/feuillep.h"
#include "storage/draft.h"
#include "support/helpers.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace testing;

class DraftTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void theFileFormat();
    void keptThenOfferedBack();
    void noAnswersNoDraft();
    void damagedDrafts_data();
    void damagedDrafts();
    void survivesKillAndTermination_data();
    void survivesKillAndTermination();
};

namespace
{

Places placesIn(const QTemporaryDir& dir)
{
    return {dir.path(), dir.path(), dir.filePath(QStringLiteral("data"))};
}

QString draftIn(const QTemporaryDir& dir)
{
    return draft::path(dir.filePath(QStringLiteral("data")));
}

const QString Several = QStringLiteral("Deux lignes,\r\n100 % « sûres »");

// Answers of every kind, typed as a user would.
void answer(feuillep& w)
{
    QTest::mouseClick(w.Option1(0), Qt::LeftButton, {}, QPoint(6, 8));
    w.Check1(3)->click();
    typeText(w.t1(16), QStringLiteral("Marie Dupré"));
    qobject_cast<QPlainTextEdit*>(w.t1(9))->setPlainText(Several);
    w.it(2)->setCurrentIndex(3);
    w.site->setCurrentIndex(1);
}

bool answered(const feuillep& w)
{
    return w.Option1(0)->isChecked() && w.Check1(3)->isChecked() &&
           qobject_cast<QLineEdit*>(w.t1(16))->text() == QStringLiteral("Marie Dupré") &&
           w.t1Text(9) == Several && w.it(2)->currentIndex() == 3 &&
           w.site->currentIndex() == 1 && !w.Check1(4)->isChecked();
}

} // namespace

void DraftTest::init()
{
    MessageBox::reset();
    MessageBox::clearNextAnswers();
}

void DraftTest::theFileFormat()
{
    draft::Draft d;
    d.changed = QDateTime(QDate(2026, 12, 8), QTime(17, 56, 8), Qt::UTC);
    d.entries = {{QStringLiteral("t1"), 9, QStringLiteral("a b%c\r\nd é\n")},
                 {QStringLiteral("it"), 2, QStringLiteral("3")}};
    QTemporaryDir dir;
    const QString path = draft::path(dir.filePath(QStringLiteral("sous/dossier")));
    QVERIFY(draft::save(path, d));
    QCOMPARE(QFile::permissions(path) & QFile::Permissions(0x7077),
             QFile::ReadOwner | QFile::WriteOwner);
    draft::Draft back;
    QCOMPARE(draft::load(path, &back), draft::Read::Found);
    QCOMPARE(back.changed, d.changed);
    QCOMPARE(back.entries, d.entries);
    // One answer a line, whatever its text holds.
    QCOMPARE(readBytes(path).count('\n'), 5);

    // Cut short anywhere, or not ours: refused whole.
    const QByteArray whole = readBytes(path);
    const auto with = [&whole](const char* line) { return QByteArray(whole).replace("it 2 3", line); };
    for (int cut = 1; cut < whole.size(); cut += 7)
        QVERIFY(!draft::decode(whole.left(cut), &back));
    for (const QByteArray& foreign :
         {QByteArray("[General]\nx=1\n"), QByteArray(), whole + whole,
          with("it -1 3"), with("it 2"), with("it x 3"), with("it 2 %FF"), with("i\xc3 2 3")})
        QVERIFY2(!draft::decode(foreign, &back), foreign.constData());
}

void DraftTest::keptThenOfferedBack()
{
    QTemporaryDir dir;
    {
        feuillep w(placesIn(dir));
        DraftKeeper::attach(w);
        answer(w);
        // On disk within a second, before anything closes.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(draftIn(dir)), 1000);
        w.close();
    }
    feuillep again(placesIn(dir));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    DraftKeeper::attach(again)->offer(&again);
    QCOMPARE(MessageBox::count(), 1);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Reprendre les réponses"));
    QVERIFY2(MessageBox::last().text.contains(
                 QLocale(QLocale::French).toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"))),
             qPrintable(MessageBox::last().text));
    QVERIFY(answered(again));

    // « Non »: the answers are not taken, and the draft is gone.
    again.close();
    feuillep third(placesIn(dir));
    MessageBox::setNextAnswer(QMessageBox::No);
    DraftKeeper::attach(third)->offer(&third);
    QCOMPARE(MessageBox::last().buttonTexts.value(QMessageBox::No), QStringLiteral("&Supprimer le brouillon"));
    QVERIFY(MessageBox::last().informative.contains(QStringLiteral("efface ces réponses")));
    QVERIFY(!third.Option1(0)->isChecked());
    QVERIFY(!QFile::exists(draftIn(dir)));
}

void DraftTest::noAnswersNoDraft()
{
    QTemporaryDir dir;
    feuillep w(placesIn(dir));
    DraftKeeper* draft = DraftKeeper::attach(w);
    w.Check1(3)->click();
    draft->flush();
    QVERIFY(QFile::exists(draftIn(dir)));
    w.Check1(3)->click(); // taken back: nothing is answered
    draft->flush();
    QVERIFY(!QFile::exists(draftIn(dir)));
}

void DraftTest::damagedDrafts_data()
{
    QTest::addColumn<QByteArray>("entries");
    QTest::newRow("nonsense") << QByteArray("\x00\xff garbage", 10);
    QTest::newRow("no such check box") << QByteArray("Check1 99 1\n");
    QTest::newRow("list choice out of range") << QByteArray("it 2 9\n");
    QTest::newRow("line break in a one-line box") << QByteArray("t1 16 a%0Ab\n");
    QTest::newRow("unknown array") << QByteArray("Combo1 0 1\n");
}

void DraftTest::damagedDrafts()
{
    QFETCH(QByteArray, entries);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("data")));
    // A good answer first: nothing of it may be applied either.
    writeBytes(draftIn(dir), QByteArray("Votre avis nous int\xc3\xa9resse, brouillon 1\n"
                                        "2026-12-08T10:00:00Z\nCheck1 3 1\n") +
                                 entries + "fin 2\n");
    feuillep w(placesIn(dir));
    MessageBox::setNextAnswer(QMessageBox::Yes); // if asked
    MessageBox::setNextAnswer(QMessageBox::Ok);
    DraftKeeper::attach(w)->offer(&w);
    QCOMPARE(MessageBox::last().icon, QMessageBox::Warning);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Réponses illisibles"));
    QVERIFY(!w.Check1(3)->isChecked());
    QVERIFY(!QFile::exists(draftIn(dir)));
    const QStringList aside =
        QDir(dir.filePath(QStringLiteral("data"))).entryList({QStringLiteral("brouillon.txt.*")});
    QCOMPARE(aside.size(), 1);
}

// The child: a sheet keeping its draft in the folder given; "type" answers
// and waits to be killed, "check" takes the draft back and says whether the
// answers are all there.
static int child(const QString& mode, const QString& folder)
{
    const Places places{folder, folder, folder + QStringLiteral("/data")};
    feuillep w(places);
    DraftKeeper* draft = DraftKeeper::attach(w);
    TerminationWatcher watcher;
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested, &w, &feuillep::terminate);
    QObject::connect(&w, &feuillep::ended, qApp, [] { QCoreApplication::exit(2); });
    w.show();
    if (mode == QLatin1String("type")) {
        answer(w);
        std::printf("TYPED\n");
        std::fflush(stdout);
        QTimer::singleShot(60000, qApp, [] { QCoreApplication::exit(3); });
        return QCoreApplication::exec();
    }
    MessageBox::setNextAnswer(QMessageBox::Yes);
    draft->offer(&w);
    return answered(w) ? 0 : 1;
}

void DraftTest::survivesKillAndTermination_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("afterMs");
    QTest::newRow("SIGKILL a second after typing") << int(SIGKILL) << 1000;
    // Before the draft's own write: the signal's handling writes it.
    QTest::newRow("SIGTERM at once") << int(SIGTERM) << 0;
}

void DraftTest::survivesKillAndTermination()
{
    QFETCH(int, signal);
    QFETCH(int, afterMs);
    QTemporaryDir dir;
    QProcess typing;
    typing.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--child"), QStringLiteral("type"), dir.path()});
    QVERIFY(typing.waitForReadyRead(20000));
    QVERIFY(typing.readAll().contains("TYPED"));
    QTest::qWait(afterMs);
    ::kill(typing.processId(), signal);
    QVERIFY(typing.waitForFinished(5000));

    QProcess checking;
    checking.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--child"), QStringLiteral("check"), dir.path()});
    QVERIFY(checking.waitForFinished(20000));
    QCOMPARE(checking.exitCode(), 0);
}

int main(int argc, char** argv)
{
    TerminationWatcher::catchSignals();
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--child")
        return child(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    DraftTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_draft.moc"
