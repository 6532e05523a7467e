#include "settings/param.h"
#include "storage/paranet.h"
#include "support/helpers.h"
#include "support/shownbox.h"
#include "ui/messagebox.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

namespace
{

// Whether this process holds a descriptor open on the file (links followed).
bool heldOpen(const QString& file)
{
    const QString target = QFileInfo(file).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd :
         fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (!target.isEmpty() && QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            return true;
    }
    return false;
}

const QString ReadTitle = QStringLiteral("Lecture impossible sur disque");
const QString ReadText = QStringLiteral("Erreur de lecture sur le disque: disque non valide.");
const QString WriteTitle = QStringLiteral("Ecriture impossible sur disque");
const QString WriteText =
    QStringLiteral("Impossible d'écrire les paramètres: disque non valide pour l'écriture.");

QByteArray eightRecords()
{
    return record("http://www.tarvel.fr/orbitalis/") + record("http://www.tarvel.fr/recherche/") +
           record("Lyc\xe9"
                  "e Jean Moulin") +
           record("prof@lycee-moulin.fr") + record("smtp.lycee-moulin.fr") +
           record("cartes@tarvel.fr") + record("http://www.tarvel.fr/maj/procedures.txt") +
           record("http://www.tarvel.fr/cartes/\x93nouveaut\xe9s\x94");
}

// Text1 as the user reads it, from the five addresses in its order.
QString list(const QString& home, const QString& search, const QString& destination,
             const QString& cards, const QString& update)
{
    return QStringLiteral("Adresse de la page d'accueil:\n") + home +
           QStringLiteral("\n\nAdresse de la page de recherche:\n") + search +
           QStringLiteral("\n\nDestination des cartes des espèces chimiques:\n") + destination +
           QStringLiteral("\n\nAdresse des cartes à télécharger:\n") + cards +
           QStringLiteral("\n\nAdresse du fichier de procédures de mise à jour en ligne:\n") +
           update;
}

QStringList boxes(const param& dlg)
{
    return {dlg.Text3->text(), dlg.Text4->text(), dlg.Text5->text()};
}

// Clicks into the box, selects all and types over it.
void retype(QLineEdit* box, const QString& text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    typeText(box, text);
}

// What a box said, as title|text, or "wrong box" when it is not the error
// box: a critical icon and "OK" alone.
QString said(const MessageBox::Record& r)
{
    if (r.icon != QMessageBox::Critical || r.buttons != QMessageBox::Ok)
        return QStringLiteral("wrong box");
    return r.title + QLatin1Char('|') + r.text;
}

// The error box as the user sees it: read, then closed with its button.
struct SeenError {
    QString said, ok;
    bool fileHeldOpen = true;

    void read(QMessageBox* box, const QString& file)
    {
        MessageBox::Record r;
        r.icon = box->icon();
        r.title = box->windowTitle();
        r.text = box->text();
        r.buttons = box->standardButtons();
        said = ::said(r);
        ok = buttonText(box, QMessageBox::Ok);
        fileHeldOpen = heldOpen(file);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    }
};

} // namespace

class ParamTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showsTheFile_data();
    void showsTheFile();
    void appearance();
    void focusOrder();
    void checkedAsTypedAndSectionFOffered();
    void validateChangesOnlyRecordStarts_data();
    void validateChangesOnlyRecordStarts();
    void validateIntoAnEmptyFile();
    void closingWithoutValidatingWritesNothing_data();
    void closingWithoutValidatingWritesNothing();
    void entriesHoldAtMost100Characters();
    void longerRecordIsKeptWhole();
    void unopenableFile();
    void readFailingHalfway();
    void readOnlyMedium();

    void init() { MessageBox::reset(); }
    void cleanup() { MessageBox::reset(); }
};

void ParamTest::showsTheFile_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QStringList>("entries");
    const QString blank = list({}, {}, {}, {}, {});
    QTest::newRow("missing") << false << QByteArray() << blank << QStringList(3, QString());
    QTest::newRow("empty") << true << QByteArray() << blank << QStringList(3, QString());
    const QString home = QStringLiteral("http://www.tarvel.fr/orbitalis/");
    const QString search = QStringLiteral("http://www.tarvel.fr/recherche/");
    const QStringList own = {QStringLiteral("Lycée Jean Moulin"),
                             QStringLiteral("prof@lycee-moulin.fr"),
                             QStringLiteral("smtp.lycee-moulin.fr")};
    QTest::newRow("eight records")
        << true << eightRecords()
        << list(home, search, QStringLiteral("cartes@tarvel.fr"),
                QStringLiteral("http://www.tarvel.fr/cartes/“nouveautés”"),
                QStringLiteral("http://www.tarvel.fr/maj/procedures.txt"))
        << own;
    QTest::newRow("640 bytes") << true << eightRecords().left(640) << list(home, search, {}, {}, {})
                               << own;
    QByteArray zeros = eightRecords();
    zeros[0] = 0; // records 1 and 4: length word 0, text bytes behind it
    zeros[384] = 0;
    QTest::newRow("length words 0")
        << true << zeros
        << list({}, search, QStringLiteral("cartes@tarvel.fr"),
                QStringLiteral("http://www.tarvel.fr/cartes/“nouveautés”"),
                QStringLiteral("http://www.tarvel.fr/maj/procedures.txt"))
        << QStringList{own[0], QString(), own[2]};
}

void ParamTest::showsTheFile()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, file);
    QFETCH(QString, text1);
    QFETCH(QStringList, entries);
    QTemporaryDir dir;
    const QString path = paranet::path(dir.path());
    if (exists)
        writeBytes(path, file);
    MessageBox::setNextAnswer(QMessageBox::Ok); // should a box come
    param dlg(dir.path());
    QCOMPARE(MessageBox::count(), 0);
    QCOMPARE(dlg.Text1->toPlainText(), text1);
    QCOMPARE(boxes(dlg), entries);
    QVERIFY(!heldOpen(path));
    QVERIFY(QFile::exists(path));
    QCOMPARE(readBytes(path), file);
}

void ParamTest::appearance()
{
    QTemporaryDir dir;
    param dlg(dir.path());
    QCOMPARE(dlg.logicalDpiX(), 96); // the sizes below are for 15 twips a pixel
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Paramètres"));
    QCOMPARE(dlg.minimumSize(), QSize(457, 422));
    QCOMPARE(dlg.maximumSize(), QSize(457, 422));
    const Qt::WindowFlags flags = dlg.windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(dlg.palette().color(QPalette::Window), QColor(192, 192, 192));
    QCOMPARE(dlg.Text1->palette().color(QPalette::Base), QColor(224, 224, 224));
    QCOMPARE(dlg.Text1->palette().color(QPalette::Text), QColor(0, 0, 192));
    QVERIFY(dlg.Text1->isReadOnly());
    QCOMPARE(dlg.Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // Captions are a frame's title, a label's or button's text; the boxes are
    // empty.  MS Sans Serif 9.75 pt is marked 1.
    const struct {
        const char* name;
        QRect rect;
        const char* caption;
        bool large;
    } controls[] = {
        {"Frame1", {16, 8, 425, 129}, "Adresses ( pour information )", 1},
        {"Text1", {16, 24, 393, 89}, "", 0},
        {"Frame3", {16, 144, 425, 224}, "Courrier électronique ( à saisir )", 1},
        {"Label3", {16, 24, 289, 17}, "Votre nom / établissement:", 1},
        {"Text3", {16, 40, 393, 23}, "", 1},
        {"Hint3", {16, 63, 393, 16}, "", 0},
        {"Label4", {16, 84, 289, 17}, "Adresse électronique:", 1},
        {"Text4", {16, 100, 393, 23}, "", 1},
        {"Label5", {16, 144, 289, 17}, "Serveur courrier sortant (SMTP):", 1},
        {"Text5", {16, 160, 297, 23}, "", 1},
        {"Rechercher", {321, 160, 88, 23}, "Rechercher", 0},
        {"Command2", {96, 384, 105, 25}, "Annuler", 0},
        {"Command3", {240, 384, 105, 25}, "Valider", 0},
    };
    for (const auto& c : controls) {
        auto* w = dlg.findChild<QWidget*>(QLatin1String(c.name));
        QVERIFY2(w, c.name);
        QCOMPARE(w->geometry(), c.rect);
        QCOMPARE(w->property(qobject_cast<QGroupBox*>(w) ? "title" : "text").toString(),
                 QString::fromUtf8(c.caption));
        if (c.large) {
            // Arial stands in where MS Sans Serif is not installed.
            QVERIFY(QStringList({"MS Sans Serif", "Arial"}).contains(w->font().family()));
            QCOMPARE(w->font().pointSizeF(), 9.75);
        }
    }
    for (QLineEdit* box : {dlg.Text3, dlg.Text4, dlg.Text5})
        QCOMPARE(box->maxLength(), 100);

    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QPoint offset = dlg.frameGeometry().center() - dlg.screen()->geometry().center();
    QVERIFY2(offset.manhattanLength() <= 8,
             qPrintable(QStringLiteral("off centre by %1, %2").arg(offset.x()).arg(offset.y())));
}

void ParamTest::checkedAsTypedAndSectionFOffered()
{
    QTemporaryDir dir;
    param dlg(dir.path());
    dlg.show();
    // Section F's name and address fill the boxes left empty, and say so.
    dlg.offerContact(QStringLiteral("Marie Dupré"), QStringLiteral("marie@lycee.invalid"));
    QCOMPARE(boxes(dlg), (QStringList{QStringLiteral("Marie Dupré"), QStringLiteral("marie@lycee.invalid"), QString()}));
    QVERIFY(dlg.Hint3->text().contains(QStringLiteral("section F")));
    QVERIFY(dlg.Hint5->text().contains(QStringLiteral("« Rechercher »")));
    // The sending checks, as the address and the server are typed.
    retype(dlg.Text4, QStringLiteral("marie@@lycee"));
    QCOMPARE(dlg.Hint4->text(), QStringLiteral("L’adresse n’est pas valide avant l’arobase (@)."));
    QCOMPARE(dlg.Text4->accessibleDescription(), dlg.Hint4->text());
    retype(dlg.Text4, QStringLiteral("marie.dupre@lycee.invalid"));
    QCOMPARE(dlg.Hint4->text(), QString());
    retype(dlg.Text5, QStringLiteral("smtp lycee.invalid"));
    QCOMPARE(dlg.Hint5->text(), QStringLiteral("Le nom du serveur contient une espace."));
    // Names already saved are not replaced.
    param again(dir.path());
    retype(again.Text3, QStringLiteral("Jean Martin"));
    again.offerContact(QStringLiteral("Marie Dupré"), QString());
    QCOMPARE(again.Text3->text(), QStringLiteral("Jean Martin"));
}

void ParamTest::focusOrder()
{
    QTemporaryDir dir;
    param dlg(dir.path());
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(QApplication::focusWidget(), dlg.Command3);
    // Each box says its own name to a screen reader, not the frame's.
    QStringList names;
    for (QLineEdit* box : {dlg.Text3, dlg.Text4, dlg.Text5})
        names << QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name);
    QCOMPARE(names, (QStringList{QStringLiteral("Nom ou établissement"),
                                 QStringLiteral("Adresse électronique"),
                                 QStringLiteral("Serveur de courrier sortant")}));
    QStringList order;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{QStringLiteral("Command2"), QStringLiteral("Text3"),
                                 QStringLiteral("Text4"), QStringLiteral("Text5"),
                                 QStringLiteral("Rechercher"), QStringLiteral("Text1"),
                                 QStringLiteral("Command3")}));
}

void ParamTest::validateChangesOnlyRecordStarts_data()
{
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("click on Valider") << false;
    QTest::newRow("Enter in a box") << true;
}

void ParamTest::validateChangesOnlyRecordStarts()
{
    QFETCH(bool, byEnter);
    QTemporaryDir dir;
    const QString path = paranet::path(dir.path());
    QByteArray before(1024, '\0');
    for (int i = 0; i < before.size(); ++i)
        before[i] = char(i * 13 + 5);
    writeBytes(path, before);

    param dlg(dir.path());
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    retype(dlg.Text3, QStringLiteral("Lycée Pasteur"));
    retype(dlg.Text4, QStringLiteral("moi@pasteur.fr"));
    retype(dlg.Text5, QStringLiteral("smtp.pasteur.fr "));
    if (byEnter) {
        QCOMPARE(QApplication::focusWidget(), dlg.Text5);
        QTest::keyClick(dlg.Text5, Qt::Key_Return);
    } else
        QTest::mouseClick(dlg.Command3, Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dlg.isVisible());

    QByteArray expected = before;
    expected.replace(256, 15,
                     QByteArray("\x0d\x00Lyc\xe9"
                                "e Pasteur",
                                15));
    expected.replace(384, 16, QByteArray("\x0e\x00moi@pasteur.fr", 16));
    expected.replace(512, 18, QByteArray("\x10\x00smtp.pasteur.fr ", 18)); // not trimmed
    QCOMPARE(readBytes(path), expected);
}

void ParamTest::validateIntoAnEmptyFile()
{
    // Typographic characters go out as Windows-1252 and come back.
    QTemporaryDir dir;
    const QString path = paranet::path(dir.path());
    const QString name = QStringLiteral("Mél’s œuvre à 5 €");
    writeBytes(path, QByteArray());
    {
        param dlg(dir.path());
        dlg.show();
        typeText(dlg.Text3, name);
        // Written as typed all the same, and said to be refused at sending.
        MessageBox::reset();
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QTest::mouseClick(dlg.Command3, Qt::LeftButton);
        QCOMPARE(MessageBox::last().title, QStringLiteral("Paramètres enregistrés"));
        QVERIFY2(MessageBox::last().text.contains(QStringLiteral("l’adresse électronique n’est pas indiquée.")) &&
                     MessageBox::last().text.contains(QStringLiteral("le serveur de courrier sortant n’est pas indiqué.")),
                 qPrintable(MessageBox::last().text));
    }
    const QByteArray after = readBytes(path);
    QCOMPARE(after.size(), 514); // records 4 and 5 are empty: length words 0
    QCOMPARE(after.mid(256, 19), QByteArray("\x11\x00M\xe9l\x92s \x9cuvre \xe0 5 \x80", 19));
    QCOMPARE(after.mid(384, 2), QByteArray(2, '\0'));
    QCOMPARE(after.mid(512, 2), QByteArray(2, '\0'));
    param again(dir.path());
    QCOMPARE(again.Text1->toPlainText(), list({}, {}, {}, {}, {}));
    QCOMPARE(boxes(again), (QStringList{name, QString(), QString()}));
}

void ParamTest::closingWithoutValidatingWritesNothing_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Annuler") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("Escape") << 2;
}

void ParamTest::closingWithoutValidatingWritesNothing()
{
    QFETCH(int, how);
    QTemporaryDir dir;
    const QString path = paranet::path(dir.path());
    writeBytes(path, eightRecords());
    param dlg(dir.path());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    retype(dlg.Text3, QStringLiteral("autre"));
    retype(dlg.Text5, QString());
    if (how == 0)
        QTest::mouseClick(dlg.Command2, Qt::LeftButton);
    else if (how == 1)
        dlg.close();
    else
        QTest::keyClick(dlg.Text3, Qt::Key_Escape);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(readBytes(path), eightRecords());
}

void ParamTest::entriesHoldAtMost100Characters()
{
    QTemporaryDir dir;
    QString typed;
    for (int i = 0; i < 101; ++i)
        typed += QChar(u'a' + i % 26);
    param dlg(dir.path());
    dlg.show();
    for (QLineEdit* box : {dlg.Text3, dlg.Text4, dlg.Text5}) {
        retype(box, typed);
        QCOMPARE(box->text(), typed.left(100));
    }
    MessageBox::setNextAnswer(QMessageBox::Ok); // no address: said
    QTest::mouseClick(dlg.Command3, Qt::LeftButton);
    const QByteArray after = readBytes(paranet::path(dir.path()));
    for (int start : {256, 384, 512})
        QCOMPARE(after.mid(start, 102), QByteArray("\x64\x00", 2) + typed.left(100).toLatin1());
}

void ParamTest::longerRecordIsKeptWhole()
{
    // The sibling program may leave a longer sender name: validating without
    // touching it must not cut it to 100 characters.
    QTemporaryDir dir;
    const QString path = paranet::path(dir.path());
    QByteArray file = eightRecords();
    file.replace(256, 128, record(QByteArray(120, 'n')));
    writeBytes(path, file);
    param dlg(dir.path());
    dlg.show();
    QCOMPARE(dlg.Text3->text(), QString(120, QLatin1Char('n')));
    QTest::keyClick(dlg.Text3, Qt::Key_End);
    typeText(dlg.Text3, QStringLiteral("x"));
    QCOMPARE(dlg.Text3->text(), QString(120, QLatin1Char('n')));
    QTest::mouseClick(dlg.Command3, Qt::LeftButton);
    QCOMPARE(readBytes(path), file);
}

void ParamTest::unopenableFile()
{
    // A directory in the file's place: reading and writing both fail, and the
    // window opens all the same with its boxes as they are by design.  The
    // write error is shown as the user sees it.
    QTemporaryDir dir;
    const QString path = paranet::path(dir.path());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("PARANET.LST")));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    param dlg(dir.path());
    QCOMPARE(MessageBox::count(), 1);
    QCOMPARE(said(MessageBox::last()), ReadTitle + QLatin1Char('|') + ReadText);
    QCOMPARE(dlg.Text1->toPlainText(), QString());
    QCOMPARE(boxes(dlg), (QStringList{QString(), QStringLiteral("@"), QString()}));

    dlg.show();
    typeText(dlg.Text3, QStringLiteral("nom"));
    SeenError seen;
    ShownBox shown([&](QMessageBox* box) { seen.read(box, path); });
    QTest::mouseClick(dlg.Command3, Qt::LeftButton);
    QVERIFY(shown.seen());
    QVERIFY(shown.wasActiveModal());
    QCOMPARE(seen.said, WriteTitle + QLatin1Char('|') + WriteText);
    QCOMPARE(seen.ok, QStringLiteral("OK"));
    QVERIFY(!seen.fileHeldOpen);
    QCOMPARE(MessageBox::count(), 2);
    QVERIFY(dlg.isVisible());
}

void ParamTest::readFailingHalfway()
{
    // A system file claims 4096 bytes but yields a few: record 1 reads, record
    // 2 fails.  The boxes filled so far keep their contents, and the read
    // error is shown as the user sees it, the file already closed.
    const QString source = QStringLiteral("/sys/devices/system/cpu/online");
    QVERIFY2(QFile::exists(source), "this test needs Linux's /sys");
    QTemporaryDir dir;
    const QString path = paranet::path(dir.path());
    QVERIFY(QFile::link(source, path));
    SeenError seen;
    ShownBox shown([&](QMessageBox* box) { seen.read(box, path); });
    param dlg(dir.path());
    QVERIFY(shown.seen());
    QVERIFY(shown.wasActiveModal());
    QCOMPARE(seen.said, ReadTitle + QLatin1Char('|') + ReadText);
    QCOMPARE(seen.ok, QStringLiteral("OK"));
    QVERIFY(!seen.fileHeldOpen);
    QCOMPARE(MessageBox::count(), 1);
    // The search page's heading is in, its address and what follows are not.
    const QString text1 = dlg.Text1->toPlainText();
    QVERIFY2(text1.startsWith(QStringLiteral("Adresse de la page d'accueil:\n")),
             qPrintable(text1));
    QVERIFY2(text1.endsWith(QStringLiteral("\n\nAdresse de la page de recherche:\n")),
             qPrintable(text1));
    QCOMPARE(boxes(dlg), (QStringList{QString(), QStringLiteral("@"), QString()}));
}

void ParamTest::readOnlyMedium()
{
    QTemporaryDir medium;
    writeBytes(paranet::path(medium.path()), eightRecords());
    QTemporaryDir bare;
    makeReadOnly(medium.path());
    makeReadOnly(bare.path());
    QCOMPARE(runUnprivileged(QCoreApplication::applicationFilePath(),
                             {QStringLiteral("--read-only-child"), medium.path(), bare.path()},
                             {QStringLiteral("QT_QPA_PLATFORM=offscreen")}),
             0);
    QCOMPARE(readBytes(paranet::path(medium.path())), eightRecords());
    QVERIFY(!QFile::exists(paranet::path(bare.path())));
}

static int readOnlyExisting(const QString& medium)
{
    const QString path = paranet::path(medium);
    MessageBox::setNextAnswer(QMessageBox::Ok); // should a box come
    param dlg(medium);
    if (MessageBox::count() != 0 || heldOpen(path))
        return 1;
    if (boxes(dlg) != QStringList{QStringLiteral("Lycée Jean Moulin"),
                                  QStringLiteral("prof@lycee-moulin.fr"),
                                  QStringLiteral("smtp.lycee-moulin.fr")})
        return 2;
    dlg.show();
    retype(dlg.Text3, QStringLiteral("Collège"));
    QTest::mouseClick(dlg.Command3, Qt::LeftButton);
    if (MessageBox::count() != 1 ||
        said(MessageBox::last()) != WriteTitle + QLatin1Char('|') + WriteText || heldOpen(path))
        return 3;
    if (!dlg.isVisible() || dlg.Text3->text() != QStringLiteral("Collège"))
        return 4;
    paranet::DispatchSettings s;
    if (!paranet::readDispatch(medium, &s) || s.destinataire != QStringLiteral("cartes@tarvel.fr"))
        return 5;
    return 0;
}

// Without write rights: the settings window and the dispatch read both read
// the existing file; "Valider" fails and keeps the window open.  A missing
// file cannot be created, which is a read failure.
static int readOnlyChild(const QString& medium, const QString& bare)
{
    if (int failed = readOnlyExisting(medium))
        return failed;
    MessageBox::reset();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    param empty(bare);
    if (MessageBox::count() != 1 ||
        said(MessageBox::last()) != ReadTitle + QLatin1Char('|') + ReadText)
        return 6;
    paranet::DispatchSettings s;
    return paranet::readDispatch(bare, &s) ? 7 : 0;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--read-only-child")
        return readOnlyChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    ParamTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_param.moc"
