// « Dépouillement » on mailboxes written by Python's mailbox module, holding
// responses made by the questionnaire's own code, one forwarded as an
// attachment, and a message that is no response: imported once, then again
// adding nothing; the table out as CSV, read back with Python's csv.
#include "answers/answertext.h"
#include "answers/columns.h"
#include "support/process.h"
#include "support/responses.h"
#include "tally/base.h"
#include "tally/importer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using answertext::Answers;

class DepouillementTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void importTwiceAddsNothing();
    void commandLineToCsv();
    void killedHalfWay();
    void schemaVersions();
    void maildirInDeliveryOrder();

private:
    QString mbox() const { return m_dir.filePath(QStringLiteral("boite.mbox")); }
    QString maildir() const { return m_dir.filePath(QStringLiteral("Maildir")); }
    QTemporaryDir m_dir;
};

namespace
{

Answers curie(const QString& name)
{
    Answers a;
    a.options = {0};                             // 1. Oui
    a.texts[0] = QStringLiteral("2019");         // 2.
    a.lists[{catalogue::Kind::Interest, 5}] = 2; // 14. B
    a.checks = {2};                              // 20. autre, with its text
    a.texts[7] = QStringLiteral("en devoir ; à la maison");
    a.texts[16] = name;
    a.texts[17] = QStringLiteral("Lycée Curie");
    a.texts[9] = QStringLiteral("Deux lignes\r\n.avec un point");
    return a;
}

QString cell(const Base& base, int row, const QString& column)
{
    return base.table().value(row).value(Base::tableHeader().indexOf(column));
}

} // namespace

void DepouillementTest::initTestCase()
{
    const QDateTime day(QDate(2026, 12, 8), QTime(9, 0), Qt::OffsetFromUTC, 3600);
    const QList<QByteArray> messages = {
        testing::responseMail("prof@lycee-curie.fr", QStringLiteral("Lycée Curie"), curie(QStringLiteral("Marie Dupré")), day),
        testing::responseMail("cpe@college.fr", QStringLiteral("Collège Brassens"), Answers(), day.addSecs(60)),
        QByteArray("From: pub@example.com\r\nSubject: Promotions\r\nMessage-ID: <pub@example.com>\r\n"
                   "\r\nAchetez !\r\n"),
        testing::responseMail("prof2@lycee-curie.fr", QStringLiteral("Lycée Curie"), curie(QStringLiteral("Jean Martin")),
             day.addSecs(120)),
    };
    QStringList files;
    for (int i = 0; i < messages.size(); ++i) {
        QFile f(m_dir.filePath(QStringLiteral("%1.eml").arg(i)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(messages[i]);
        files << f.fileName();
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral(TESTS_SOURCE_DIR "/tally/make_mailboxes.py"), m_dir.path()} +
                files);
    QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
}

void DepouillementTest::importTwiceAddsNothing()
{
    QTemporaryDir dir;
    Base base;
    QVERIFY(base.open(dir.filePath(QStringLiteral("base.sqlite"))));
    QList<Base::Outcome> outcomes;
    const auto importInto = [&](const QString& box) {
        outcomes.clear();
        return mailreader::read(box, [&](const mailreader::Message& m) {
                   outcomes << base.add(Base::prepare(m));
                   return true;
               }) == mailreader::Result::Read;
    };
    using O = Base::Outcome;
    QVERIFY(importInto(mbox()));
    // The forwarded one is the same response as the fourth: one.
    QCOMPARE(outcomes, (QList<O>{O::Added, O::Added, O::SetAside, O::Added, O::AlreadyThere}));
    QVERIFY(importInto(mbox()));
    QCOMPARE(outcomes.count(O::Added), 0);
    QVERIFY(importInto(maildir()));
    QCOMPARE(outcomes.count(O::Added), 0);
    QCOMPARE(base.responses(), 3);
    QCOMPARE(base.setAside(), 1);

    // What was typed, as it was typed.
    QCOMPARE(cell(base, 0, QStringLiteral("etablissement")), QStringLiteral("Lycée Curie"));
    QCOMPARE(cell(base, 1, QStringLiteral("nom_objet")), QStringLiteral("Collège Brassens"));
    QCOMPARE(cell(base, 0, QStringLiteral("q1")), QStringLiteral("Oui"));
    QCOMPARE(cell(base, 0, QStringLiteral("q3")), QString());
    QCOMPARE(cell(base, 0, QStringLiteral("q14")), QStringLiteral("B"));
    QCOMPARE(cell(base, 0, QStringLiteral("q20_c_precision")),
             QStringLiteral("en devoir ; à la maison"));
    QCOMPARE(cell(base, 0, QStringLiteral("q24")), QStringLiteral("Deux lignes\r\n.avec un point"));
    QCOMPARE(cell(base, 0, QStringLiteral("nom")), QStringLiteral("Marie Dupré"));
    QVERIFY(!importInto(m_dir.filePath(QStringLiteral("absente"))));
}

void DepouillementTest::commandLineToCsv()
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("base.sqlite"));
    const QString table = dir.filePath(QStringLiteral("reponses.csv"));
    QProcess p;
    p.start(QStringLiteral(DEPOUILLEMENT_EXE),
            {QStringLiteral("importer"), mbox(), maildir(), QStringLiteral("--base"), base});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY2(p.readAllStandardError().contains("3 réponses ajoutées"), "the summary");
    p.start(QStringLiteral(DEPOUILLEMENT_EXE),
            {QStringLiteral("exporter"), QStringLiteral("--csv"), table, QStringLiteral("--base"), base});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);

    QFile f(table);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // Headers in words, with their accents; --codes keeps the codes for scripts.
    QVERIFY2(bytes.startsWith("\xEF\xBB\xBF" "Date;Expéditeur;Établissement;Nom (objet);1. Salle de TP informatisée;"
                              "2. Date de l’équipement;"),
             bytes.left(200).constData());
    QVERIFY(bytes.contains(";6. Intérêt et difficulté des parties — Simulateurs, intérêt;"));
    QVERIFY(bytes.contains("\r\n"));
    p.start(QStringLiteral(DEPOUILLEMENT_EXE), {QStringLiteral("exporter"), QStringLiteral("--csv"), table,
                                                QStringLiteral("--codes"), QStringLiteral("--base"), base});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    // Python's csv, as a spreadsheet reads it: the columns by name.
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import csv,sys\n"
                            "rows = list(csv.DictReader(open(sys.argv[1], encoding='utf-8-sig', "
                            "newline=''), delimiter=';'))\n"
                            "print(len(rows), rows[0]['q1'], rows[0]['q20_c_precision'], "
                            "repr(rows[0]['q24']), rows[2]['nom'], sep='|')"),
             table});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
             QStringLiteral("3|Oui|en devoir ; à la maison|'Deux lignes\\r\\n.avec un point'|Jean Martin"));

    // The spreadsheet, read back with openpyxl: dates as dates, the header
    // frozen and filtered, line breaks, the counts as percentages, the questions.
    const QString book = dir.filePath(QStringLiteral("reponses.xlsx"));
    p.start(QStringLiteral(DEPOUILLEMENT_EXE), {QStringLiteral("exporter"), QStringLiteral("--xlsx"),
                                                book, QStringLiteral("--base"), base});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import openpyxl,sys,datetime\n"
                            "b = openpyxl.load_workbook(sys.argv[1])\n"
                            "t, c, q = b['Réponses'], b['Décompte'], b['Questions']\n"
                            "head = [x.value for x in t[1]]\n"
                            "col = lambda name: [r[head.index(name)].value for r in t.iter_rows(min_row=2)]\n"
                            "d = t['A2']\n"
                            "n = {(r[0].value, r[2].value): (r[3].value, r[4].value, r[4].number_format) "
                            "for r in c.iter_rows(min_row=2)}\n"
                            "codes = {r[0].value: (r[1].value, r[3].value) for r in q.iter_rows(min_row=2)}\n"
                            "print(b.sheetnames, col('1. Salle de TP informatisée'), "
                            "isinstance(d.value, datetime.datetime), d.number_format, t.freeze_panes, "
                            "t.auto_filter.ref, repr(col('24. Autres remarques sur le contenu')[0]), "
                            "n[('1. Salle de TP informatisée', 'Oui')], n[('1. Salle de TP informatisée', 'sans réponse')][0], "
                            "n[('14. Intérêt des transparents', 'B')], codes['q14'], sep='|')"),
             book});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
             QStringLiteral("['Réponses', 'Décompte', 'Questions']|['Oui', None, 'Oui']|True|dd/mm/yyyy hh:mm|A2|"
                            "A1:BY4|'Deux lignes\\n.avec un point'|(2, 1, '0%')|1|(2, 1, '0%')|"
                            "(14, '14. Comment jugez-vous l’intérêt des transparents ?')"));

    // The report, read back with pdftotext: the counts, the free texts, no
    // name nor address unless asked for, the 41 questions within ten pages.
    const QString pdf = dir.filePath(QStringLiteral("rapport.pdf"));
    for (const bool contacts : {false, true}) {
        QStringList args = {QStringLiteral("exporter"), QStringLiteral("--pdf"), pdf, QStringLiteral("--base"), base};
        if (contacts)
            args << QStringLiteral("--avec-coordonnees");
        p.start(QStringLiteral(DEPOUILLEMENT_EXE), args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        // pdftotext gives a no-break space as a space.
        const QString shown = QString::fromUtf8(p.readAllStandardOutput()).replace(QChar(0xA0), QLatin1Char(' '));
        const QStringList pages = shown.split(QLatin1Char('\f'));
        for (const QString& expected :
             {QStringLiteral("3 réponses"), QStringLiteral("Lycée Curie : 2"), QStringLiteral("Oui — 2 (100 %)"),
              QStringLiteral("B — 2 (100 %)"), QStringLiteral("sans réponse — 1"),
              QStringLiteral("1. Votre lycée possède-t-il au moins une salle de TP informatisée ?"),
              QStringLiteral("– autre, précision : en devoir ; à la maison (×2)")})
            QVERIFY2(shown.contains(expected), qPrintable(expected + QStringLiteral("\n") + shown.left(1500)));
        QCOMPARE(shown.contains(QStringLiteral("Marie Dupré")), contacts);
        QCOMPARE(shown.contains(QStringLiteral("prof@lycee-curie.fr")), false); // a sender is no contact field
        qsizetype last = 0;
        while (last < pages.size() && !pages[last].contains(QStringLiteral("41. Quelle(s) rubrique(s)")))
            ++last;
        QVERIFY2(last >= 1 && last <= 10, qPrintable(QString::number(last)));
    }

    p.start(QStringLiteral(DEPOUILLEMENT_EXE), {QStringLiteral("importer")});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 1);
}

void DepouillementTest::killedHalfWay()
{
    // A mailbox long enough to be caught half-way, as Postfix writes one.
    constexpr int Total = 60000;
    QTemporaryDir dir;
    const QString box = dir.filePath(QStringLiteral("grande.mbox"));
    const QString path = dir.filePath(QStringLiteral("base.sqlite"));
    QVERIFY(testing::writeMbox(box, Total, 6000));

    const QStringList import = {QStringLiteral("importer"), box, QStringLiteral("--base"), path};
    QProcess p;
    p.start(QStringLiteral(DEPOUILLEMENT_EXE), import);
    QVERIFY(p.waitForStarted());
    Base watch;
    int seen = 0;
    QVERIFY(QTest::qWaitFor([&] {
        if (!watch.path().isEmpty() || (QFile::exists(path) && watch.open(path)))
            seen = watch.responses();
        return seen > 0 || p.state() == QProcess::NotRunning;
    }, 60000));
    p.kill();
    QVERIFY(p.waitForFinished(10000));
    QVERIFY2(p.exitStatus() == QProcess::CrashExit, "the import ended before it was killed");

    // Whole batches only, then a second import completes it: nothing lost,
    // nothing twice.
    const int kept = watch.responses();
    QVERIFY2(kept > 0 && kept < Total && kept % Importer::Batch == 0, qPrintable(QString::number(kept)));
    p.start(QStringLiteral(DEPOUILLEMENT_EXE), import);
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY2(p.readAllStandardError().contains(
                 QStringLiteral("%1 réponses ajoutées, %2 déjà dans la base").arg(Total - kept).arg(kept).toUtf8()),
             "the summary");
    QCOMPARE(watch.responses(), Total);
}

void DepouillementTest::schemaVersions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("base.sqlite"));
    const auto sql = [&path](const QString& statement) {
        return testing::runCommand(QStringLiteral("sqlite3"), {path, statement}).output.trimmed();
    };
    {
        // Two teachers who share one address, each of them standing.
        Base base;
        QVERIFY(base.open(path));
        for (const char* name : {"Anne", "Bruno"}) {
            mailreader::Message m;
            m.messageId = QString::fromLatin1(name);
            m.sender = QStringLiteral("cdi@lycee.fr");
            m.subject = QStringLiteral("Questionnaire ( CDI )");
            m.date = QDateTime(QDate(2026, 12, name[0] == 'A' ? 1 : 2), QTime(9, 0), Qt::UTC);
            m.text = answertext::write(curie(QString::fromLatin1(name)));
            QCOMPARE(base.add(Base::prepare(m)), Base::Outcome::Added);
        }
    }
    const QString latest = sql(QStringLiteral("PRAGMA user_version"));
    // A base of the first version, as the first release left it, where the
    // later response of an address replaced the earlier one: brought up to
    // date, its responses kept, each teacher's own standing.
    sql(QStringLiteral(
        "DROP INDEX responses_standing; DROP INDEX responses_replaced; DROP INDEX set_aside_digest; "
        "ALTER TABLE responses DROP COLUMN teacher; ALTER TABLE responses DROP COLUMN answered; "
        "ALTER TABLE responses DROP COLUMN establishment; ALTER TABLE set_aside DROP COLUMN digest; "
        "ALTER TABLE responses RENAME COLUMN subject_name TO establishment; ALTER TABLE set_aside DROP COLUMN text; "
        "UPDATE responses SET superseded_by = (SELECT max(id) FROM responses) WHERE id = (SELECT min(id) FROM responses); "
        "DROP INDEX responses_received; DROP INDEX set_aside_message; DROP TABLE mailboxes; "
        "PRAGMA user_version = 1"));
    {
        Base base;
        QVERIFY(base.open(path));
        QCOMPARE(base.responses(), 2);
        const QList<QStringList> standing = base.table();
        QCOMPARE(standing.size(), 2);
        const QStringList header = Base::tableHeader();
        QCOMPARE(standing[1][header.indexOf(QStringLiteral("etablissement"))], QStringLiteral("Lycée Curie"));
        QCOMPARE(standing[1][header.indexOf(QStringLiteral("nom_objet"))], QStringLiteral("CDI"));
    }
    QCOMPARE(sql(QStringLiteral("PRAGMA user_version")), latest);
    QCOMPARE(sql(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'responses_received'")),
             QStringLiteral("1"));
    // One from a later program is not touched.
    sql(QStringLiteral("PRAGMA user_version = 99"));
    Base base;
    QVERIFY(!base.open(path));
    QVERIFY2(base.error().contains(QStringLiteral("plus récente")), qPrintable(base.error()));
}

void DepouillementTest::maildirInDeliveryOrder()
{
    // Two responses of one teacher in one second: the one delivered last
    // stands, though its name sorts first as text.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Maildir/new")));
    const QDateTime when(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC);
    const QList<QPair<QString, QString>> deliveries = {{QStringLiteral("1796760781.M99P1.mail"), QStringLiteral("Premier")},
                                                       {QStringLiteral("1796760781.M100P1.mail"), QStringLiteral("Second")}};
    for (const auto& [name, typed] : deliveries) {
        QFile f(dir.filePath(QStringLiteral("Maildir/new/") + name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        Answers a = curie(QStringLiteral("Marie Dupré"));
        a.texts[2] = typed; // 7.
        QByteArray mail = testing::responseMail("prof@lycee.fr", QStringLiteral("Lycée"), a, when);
        f.write(mail.replace("Message-ID: <", "Message-ID: <" + typed.toLatin1()));
    }
    Base base;
    QVERIFY(base.open(dir.filePath(QStringLiteral("base.sqlite"))));
    QCOMPARE(Importer(base).run(dir.filePath(QStringLiteral("Maildir"))), Importer::Result::Done);
    QCOMPARE(base.table(true).size(), 2);
    QCOMPARE(cell(base, 0, QStringLiteral("q7")), QStringLiteral("Second"));
}

QTEST_GUILESS_MAIN(DepouillementTest)
#include "tst_depouillement.moc"
