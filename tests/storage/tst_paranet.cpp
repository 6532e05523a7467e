#include "storage/paranet.h"
#include "support/helpers.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

class ParanetTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pathHasOneSeparator();
    void dispatchReadsRecordsThreeToSix_data();
    void dispatchReadsRecordsThreeToSix();
};

void ParanetTest::pathHasOneSeparator()
{
    QCOMPARE(paranet::path(QStringLiteral("/media/cdrom/")),
             QStringLiteral("/media/cdrom/PARANET.LST"));
    QCOMPARE(paranet::path(QStringLiteral("E:\\")), QStringLiteral("E:\\PARANET.LST"));
    QCOMPARE(paranet::path(QStringLiteral("/opt/orbitalis")),
             QStringLiteral("/opt/orbitalis/PARANET.LST"));
}

void ParanetTest::dispatchReadsRecordsThreeToSix_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");
    const QByteArray eight = record("accueil") + record("recherche") +
                             record("Lyc\xe9"
                                    "e") +
                             record("prof@lycee.fr") + record("smtp.lycee.fr") +
                             record("cartes@tarvel.fr") + record("maj") + record("cartes");
    const QStringList full = {QStringLiteral("Lycée"), QStringLiteral("prof@lycee.fr"),
                              QStringLiteral("smtp.lycee.fr"), QStringLiteral("cartes@tarvel.fr")};
    QTest::newRow("missing") << false << QByteArray() << QStringList(4, QString());
    QTest::newRow("eight records") << true << eight << full;
    QTest::newRow("640 bytes") << true << eight.left(640)
                               << QStringList{full[0], full[1], full[2], QString()};
    QByteArray zero = eight;
    zero[256] = 0; // record 3's length word is 0, its text bytes stay behind it
    QTest::newRow("length word 0")
        << true << zero << QStringList{QString(), full[1], full[2], full[3]};
}

void ParanetTest::dispatchReadsRecordsThreeToSix()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PARANET.LST"));
    if (exists)
        writeBytes(path, file);
    paranet::DispatchSettings s{QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("old"),
                                QStringLiteral("old")};
    QVERIFY(paranet::readDispatch(dir.path() + QLatin1Char('/'), &s));
    QCOMPARE((QStringList{s.expediteur, s.adresse, s.serveur, s.destinataire}), expected);
    QVERIFY(QFile::exists(path)); // a missing file is left behind empty
    QCOMPARE(readBytes(path), file);
}

QTEST_MAIN(ParanetTest)
#include "tst_paranet.moc"
