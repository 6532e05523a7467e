#include "storage/cp1252.h"
#include "storage/recordfile.h"
#include "support/helpers.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

class RecordFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void codePageBothWays();
    void readingRecords();
    void damagedLengthsStayInsideTheRecord();
    void writingChangesOnlyItsRecord();
    void writingRefusesLongTexts();
    void openingCreatesAnEmptyFile();
    void readOnlyMedium();
    void separatorIsNotDoubled();

private:
    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
};

void RecordFileTest::codePageBothWays()
{
    // Every byte survives decode then encode, 0x80 to 0x9F included.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QCOMPARE(cp1252::encode(cp1252::decode(all)), all);

    QCOMPARE(cp1252::decode("\x92\x80\x9c\xe9"), QStringLiteral("’€œé"));
    QCOMPARE(cp1252::encode(QStringLiteral("l’été coûte 5 €")),
             QByteArray("l\x92\xe9t\xe9 co\xfbte 5 \x80"));
    // Not Latin-1: U+0092 is not the apostrophe's byte twice over.
    QCOMPARE(cp1252::decode("\x92").at(0).unicode(), 0x2019);
    QCOMPARE(cp1252::encode(QStringLiteral("Ω😀")), QByteArray("??"));
    // A surrogate half standing alone is one unmappable character like any other.
    const QChar high(0xD83D), low(0xDE00);
    QCOMPARE(cp1252::encode(QString(high) + QStringLiteral("a")), QByteArray("?a"));
    QCOMPARE(cp1252::encode(QStringLiteral("a") + high), QByteArray("a?"));
    QCOMPARE(cp1252::encode(QString(low) + high + QStringLiteral("é")), QByteArray("??\xe9"));
    QCOMPARE(cp1252::encode(QString(high) + high + low), QByteArray("??"));
}

void RecordFileTest::readingRecords()
{
    // Record 1 "abc", record 2 with length 0 but text bytes, record 3 "é’".
    QByteArray bytes = record("abc");
    QByteArray zero = record("junk");
    zero[0] = 0;
    bytes += zero + record("\xe9\x92");
    bytes += QByteArray("\x05\x00", 2); // record 4 begins but its text is cut short
    writeBytes(path("read.lst"), bytes);

    RecordFile f(path("read.lst"));
    QVERIFY(f.open());
    QString text = QStringLiteral("stale");
    QVERIFY(f.read(1, &text));
    QCOMPARE(text, QStringLiteral("abc"));
    QVERIFY(f.read(2, &text));
    QCOMPARE(text, QString());
    QVERIFY(f.read(3, &text));
    QCOMPARE(text, QStringLiteral("é’"));
    QVERIFY(f.read(4, &text));
    QCOMPARE(text, QString());
    QVERIFY(f.read(8, &text)); // past the end
    QCOMPARE(text, QString());
    f.close();
    QCOMPARE(readBytes(path("read.lst")), bytes); // reading changes nothing
}

void RecordFileTest::damagedLengthsStayInsideTheRecord()
{
    // A length word of 300 in record 1: only the 126 bytes of the record are
    // read, never record 2's.
    QByteArray first(128, 'x');
    first[0] = char(300 & 0xFF);
    first[1] = char(300 >> 8);
    writeBytes(path("damaged.lst"), first + record("second"));
    RecordFile f(path("damaged.lst"));
    QVERIFY(f.open());
    QString text;
    QVERIFY(f.read(1, &text));
    QCOMPARE(text, QString(126, QLatin1Char('x')));
    QVERIFY(f.read(2, &text));
    QCOMPARE(text, QStringLiteral("second"));

    // A text cut short by the end of the file reads as the bytes present.
    writeBytes(path("short.lst"), QByteArray("\x0a\x00"
                                             "abc",
                                             5));
    RecordFile g(path("short.lst"));
    QVERIFY(g.open());
    QVERIFY(g.read(1, &text));
    QCOMPARE(text, QStringLiteral("abc"));
}

void RecordFileTest::writingChangesOnlyItsRecord()
{
    QByteArray before(1024, '\0');
    for (char& c : before)
        c = char(QRandomGenerator::global()->bounded(256));
    writeBytes(path("write.lst"), before);

    RecordFile f(path("write.lst"));
    QVERIFY(f.open());
    QVERIFY(f.write(3, QStringLiteral("Lycée d’Orbitalis")));
    f.close();
    const QByteArray after = readBytes(path("write.lst"));
    QCOMPARE(after.size(), before.size());
    const QByteArray expected = QByteArray("\x11\x00", 2) + "Lyc\xe9"
                                                            "e d\x92Orbitalis";
    QCOMPARE(after.mid(256, expected.size()), expected);
    QCOMPARE(after.left(256), before.left(256));
    QCOMPARE(after.mid(256 + expected.size()), before.mid(256 + expected.size()));

    // Writing extends a short file; the records before it read as empty.
    writeBytes(path("empty.lst"), QByteArray());
    RecordFile g(path("empty.lst"));
    QVERIFY(g.open());
    QVERIFY(g.write(3, QStringLiteral("nom")));
    QString text = QStringLiteral("stale");
    QVERIFY(g.read(1, &text));
    QCOMPARE(text, QString());
    QVERIFY(g.read(2, &text));
    QCOMPARE(text, QString());
    QVERIFY(g.read(3, &text));
    QCOMPARE(text, QStringLiteral("nom"));
    g.close();
    QCOMPARE(readBytes(path("empty.lst")).size(), 256 + 5);
}

void RecordFileTest::writingRefusesLongTexts()
{
    writeBytes(path("long.lst"), record("keep") + record("keep too"));
    const QByteArray before = readBytes(path("long.lst"));
    RecordFile f(path("long.lst"));
    QVERIFY(f.open());
    QVERIFY(!f.write(2, QString(127, QLatin1Char('a'))));
    QCOMPARE(readBytes(path("long.lst")), before);
    // 126 bytes fit exactly, even as accented letters (one byte each).
    QVERIFY(f.write(2, QString(126, QChar(0xE9))));
    QString text;
    QVERIFY(f.read(2, &text));
    QCOMPARE(text, QString(126, QChar(0xE9)));
    QVERIFY(f.read(1, &text));
    QCOMPARE(text, QStringLiteral("keep"));
}

void RecordFileTest::openingCreatesAnEmptyFile()
{
    RecordFile f(path("new.lst"));
    QVERIFY(f.open());
    QVERIFY(f.isWritable());
    f.close();
    QVERIFY(QFile::exists(path("new.lst")));
    QCOMPARE(QFileInfo(path("new.lst")).size(), 0);

    RecordFile missing(path("no/such/dir/x.lst"));
    QVERIFY(!missing.open());
    QString text;
    QVERIFY(!missing.read(1, &text));
    QVERIFY(!missing.write(1, QStringLiteral("x")));
}

void RecordFileTest::readOnlyMedium()
{
    QTemporaryDir medium;
    writeBytes(medium.filePath(QStringLiteral("ro.lst")), record("lu"));
    makeReadOnly(medium.path());
    const int code = runUnprivileged(QCoreApplication::applicationFilePath(),
                                     {QStringLiteral("--read-only-child"), medium.path()});
    QCOMPARE(code, 0);
    QCOMPARE(readBytes(medium.filePath(QStringLiteral("ro.lst"))), record("lu"));
}

void RecordFileTest::separatorIsNotDoubled()
{
    QCOMPARE(fileInDirectory(QStringLiteral("/media/cdrom/"), QStringLiteral("PARANET.LST")),
             QStringLiteral("/media/cdrom/PARANET.LST"));
    QCOMPARE(fileInDirectory(QStringLiteral("D:\\"), QStringLiteral("TEMPO.SPC")),
             QStringLiteral("D:\\TEMPO.SPC"));
    QCOMPARE(fileInDirectory(QStringLiteral("/opt/orbitalis"), QStringLiteral("TEMPO.SPC")),
             QStringLiteral("/opt/orbitalis/TEMPO.SPC"));
}

// Run without write rights on the medium: reading works, writing fails, and a
// missing file can be neither opened nor created.
static int readOnlyChild(const QString& dir)
{
    RecordFile f(dir + QStringLiteral("/ro.lst"));
    if (!f.open() || f.isWritable())
        return 1;
    QString text;
    if (!f.read(1, &text) || text != QStringLiteral("lu"))
        return 2;
    if (f.write(1, QStringLiteral("non")))
        return 3;
    RecordFile absent(dir + QStringLiteral("/absent.lst"));
    if (absent.open())
        return 4;
    return 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--read-only-child")
        return readOnlyChild(QString::fromLocal8Bit(argv[2]));
    RecordFileTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recordfile.moc"
