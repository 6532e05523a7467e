#include "smtp/mailtext.h"
#include "smtp/smtpreply.h"

#include <QTest>
#include <QTimeZone>

class MailTextTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void replies();
    void dates();
    void subjects();
    void quotedPrintableLines();
    void dotStuffing();
    void lineEnds();
    void wholeMessage();
    void longLineSwitchesToQuotedPrintable();
};

namespace
{
QList<int> codes(SmtpReplyReader& reader)
{
    QList<int> out;
    SmtpReplyReader::Reply r;
    while (reader.next(&r))
        out << r.code;
    return out;
}
} // namespace

void MailTextTest::replies()
{
    SmtpReplyReader reader;
    // Two replies in one arrival, the first of three lines: the code is the
    // last line's.  A bare code is a whole reply, a bare LF a line end, and a
    // line without three digits gives no code a step could await.
    reader.append("250-mail.test greets you\r\n250-SIZE 1000\r\n250 8BITMIME\r\n354 go ahead\r\n");
    SmtpReplyReader::Reply r;
    QVERIFY(reader.next(&r));
    QCOMPARE(r.lines,
             QList<QByteArray>({"250-mail.test greets you", "250-SIZE 1000", "250 8BITMIME"}));
    reader.append("220-first\r\n221 last\r\n250\r\nhello\r\n25\n550 no");
    QCOMPARE(codes(reader), QList<int>({354, 221, 250, 0, 0}));
    // Not complete before the line end of its last line.
    reader.append("\r");
    QVERIFY(codes(reader).isEmpty());
    reader.append("\n");
    QCOMPARE(codes(reader), QList<int>({550}));

    // A server that never ends its line is not one.
    reader.append(QByteArray(60 * 1024, 'x'));
    QVERIFY(!reader.overflowed());
    reader.append(QByteArray(5 * 1024, 'x'));
    QVERIFY(reader.overflowed());
    reader.clear();
    QVERIFY(!reader.overflowed());

    // Nor does one whose over-long line ends in the same arrival, whether
    // that line stands alone or closes a reply of several.
    for (const QByteArray& before : {QByteArray(), QByteArray("250-a\r\n250-b\r\n")}) {
        reader.append("220 hi\r\n" + before + "250 " + QByteArray(64 * 1024 - 4, 'x') +
                      "\r\n250 ok\r\n");
        QCOMPARE(codes(reader), QList<int>({220}));
        QVERIFY(reader.overflowed());
        reader.clear();
    }
    // A line whose bytes and CR make just the cap is taken.
    reader.append("250 " + QByteArray(64 * 1024 - 5, 'x') + "\r\n");
    QCOMPARE(codes(reader), QList<int>({250}));
    QVERIFY(!reader.overflowed());
}

void MailTextTest::dates()
{
    // 1 July 2025 was a Tuesday, 31 December 2023 a Sunday.
    const QDateTime summer(QDate(2025, 7, 1), QTime(14, 5, 9), QTimeZone(2 * 3600));
    QCOMPARE(mailtext::rfc5322Date(summer), QByteArray("Tue, 01 Jul 2025 14:05:09 +0200"));
    const QDateTime west(QDate(2023, 12, 31), QTime(23, 59, 59), QTimeZone(-(3 * 3600 + 1800)));
    QCOMPARE(mailtext::rfc5322Date(west), QByteArray("Sun, 31 Dec 2023 23:59:59 -0330"));

    // Every date gives a date line a reader can parse: what cannot be
    // written as it stands is written in UTC, or as the epoch.
    const QByteArray epoch("Thu, 01 Jan 1970 00:00:00 +0000");
    QCOMPARE(mailtext::rfc5322Date(QDateTime()), epoch);
    QCOMPARE(mailtext::rfc5322Date(QDateTime(QDate(2025, 2, 30), QTime(1, 2))), epoch);
    QCOMPARE(mailtext::rfc5322Date(QDateTime(QDate(-44, 3, 15), QTime(12, 0), Qt::UTC)), epoch);
    QCOMPARE(mailtext::rfc5322Date(QDateTime(QDate(12025, 1, 1), QTime(0, 0), Qt::UTC)), epoch);
    // Local mean time of Paris: an offset of seconds.
    const QDateTime lmt(QDate(2025, 7, 1), QTime(14, 9, 30), QTimeZone(561));
    QCOMPARE(mailtext::rfc5322Date(lmt), QByteArray("Tue, 01 Jul 2025 14:00:09 +0000"));
}

void MailTextTest::subjects()
{
    // No control character reaches the header, encoded or not.
    QCOMPARE(mailtext::headerSubject(QStringLiteral("Q ( a\tb )")), QByteArray("Q ( a?b )"));
    QCOMPARE(mailtext::headerSubject(QString::fromUtf8("Q ( \xc3\xa9\0x )", 10)),
             QByteArray("=?windows-1252?Q?Q_=28_=E9=3Fx_=29?="));
    QCOMPARE(mailtext::headerSubject(QStringLiteral("Questionnaire ( Lycee Victor Hugo )")),
             QByteArray("Questionnaire ( Lycee Victor Hugo )"));
    QCOMPARE(mailtext::headerSubject(QStringLiteral("Questionnaire ( Lycée )")),
             QByteArray("=?windows-1252?Q?Questionnaire_=28_Lyc=E9e_=29?="));
    // Plain ASCII that looks like an encoded word is encoded, so it reads back as typed.
    QCOMPARE(mailtext::headerSubject(QStringLiteral("Q ( =?x?Q?y?= )")),
             QByteArray("=?windows-1252?Q?Q_=28_=3D=3Fx=3FQ=3Fy=3F=3D_=29?="));

    // A long subject is folded into several encoded words, each line within
    // 78 characters once "SUBJECT: " stands before the first.  (A real mail
    // reader decodes it in tst_smtpdelivery.)
    const QByteArray folded = mailtext::headerSubject(
        QStringLiteral("Questionnaire ( Lycée polyvalent régional Éléonore d’Aquitaine, "
                       "section européenne, établissement pilote )"));
    const QList<QByteArray> lines = ("SUBJECT: " + folded).split('\n');
    QVERIFY(lines.size() >= 3);
    for (const QByteArray& line : lines) {
        QVERIFY(line.size() <= 79); // with its CR
        QVERIFY(line.startsWith("SUBJECT: =?windows-1252?Q?") ||
                line.startsWith(" =?windows-1252?Q?"));
    }
}

void MailTextTest::quotedPrintableLines()
{
    QCOMPARE(mailtext::quotedPrintable("caf\xe9 = ok \r\n\tx\t\r\n"),
             QByteArray("caf=E9 =3D ok=20\r\n\tx=09\r\n"));
    // 200 letters: 75 and a soft break, 75 and a soft break, then 50.
    const QByteArray a75(75, 'a');
    QCOMPARE(mailtext::quotedPrintable(QByteArray(200, 'a')),
             a75 + "=\r\n" + a75 + "=\r\n" + QByteArray(50, 'a'));
    // An escape is never cut: 74 letters and "é" end the line in 77 characters.
    QCOMPARE(mailtext::quotedPrintable(QByteArray(74, 'a') + '\xe9'),
             QByteArray(74, 'a') + "=\r\n=E9");
    // The last character may take the 76th column.
    QCOMPARE(mailtext::quotedPrintable(a75 + 'b'), a75 + 'b');
}

void MailTextTest::dotStuffing()
{
    QCOMPARE(mailtext::dotStuffed(".\r\n..x\r\na.b\r\n.\r\n"),
             QByteArray("..\r\n...x\r\na.b\r\n..\r\n"));
    QCOMPARE(mailtext::dotStuffed("no dot\r\n"), QByteArray("no dot\r\n"));
}

void MailTextTest::lineEnds()
{
    QCOMPARE(mailtext::crlfLines("a\nb\rc\r\nd\r\r\n"), QByteArray("a\r\nb\r\nc\r\nd\r\n\r\n"));
}

void MailTextTest::wholeMessage()
{
    mailtext::Letter letter;
    letter.from = "prof@lycee.fr";
    letter.subject = QStringLiteral("Questionnaire ( Lycée )");
    letter.text = QStringLiteral("1. Oui\r\n.\r\n2. année\r\n");
    letter.date = QDateTime(QDate(2025, 7, 1), QTime(14, 5, 9), QTimeZone(2 * 3600));
    QCOMPARE(mailtext::data(letter),
             QByteArray("FROM: prof@lycee.fr\r\n"
                        "SUBJECT: =?windows-1252?Q?Questionnaire_=28_Lyc=E9e_=29?=\r\n"
                        "Date: Tue, 01 Jul 2025 14:05:09 +0200\r\n"
                        "MIME-Version: 1.0\r\n"
                        "Content-Type: text/plain; charset=windows-1252\r\n"
                        "Content-Transfer-Encoding: 8bit\r\n"
                        "\r\n"
                        "\r\n"
                        "1. Oui\r\n"
                        "..\r\n"
                        "2. ann\xe9"
                        "e\r\n"
                        "\r\n"
                        ".\r\n"));

    // An empty text: the header lines, three empty lines, the "." line.
    letter.text.clear();
    QVERIFY(mailtext::data(letter).endsWith("8bit\r\n\r\n\r\n\r\n.\r\n"));
}

void MailTextTest::longLineSwitchesToQuotedPrintable()
{
    mailtext::Letter letter;
    letter.from = "a@b.fr";
    letter.subject = QStringLiteral("Questionnaire ( E )");
    letter.date = QDateTime(QDate(2025, 7, 1), QTime(14, 5, 9), QTimeZone(2 * 3600));

    letter.text = QString(998, QLatin1Char('x')) + QStringLiteral("\r\n");
    QByteArray data = mailtext::data(letter);
    QVERIFY(data.contains("Content-Transfer-Encoding: 8bit\r\n"));
    QVERIFY(data.contains("\r\n" + QByteArray(998, 'x') + "\r\n"));

    // The dot doubled before a line that begins with one counts, so that no
    // server that counts it finds a line too long.
    letter.text = QStringLiteral(".") + QString(997, QLatin1Char('x'));
    data = mailtext::data(letter);
    QVERIFY(data.contains("Content-Transfer-Encoding: quoted-printable\r\n"));
    letter.text.chop(1);
    data = mailtext::data(letter);
    QVERIFY(data.contains("Content-Transfer-Encoding: 8bit\r\n"));
    QVERIFY(data.contains("\r\n.." + QByteArray(996, 'x') + "\r\n"));

    letter.text = QStringLiteral(".début\r\n") + QString(999, QLatin1Char('x')) +
                  QStringLiteral("\r\nfin = é\r\n");
    data = mailtext::data(letter);
    QVERIFY(data.contains("Content-Transfer-Encoding: quoted-printable\r\n"));
    const QByteArray x75(75, 'x');
    QVERIFY(data.endsWith("\r\n\r\n\r\n"
                          "..d=E9but\r\n" +
                          x75 + "=\r\n" + x75 + "=\r\n" + x75 + "=\r\n" + x75 + "=\r\n" + x75 +
                          "=\r\n" + x75 + "=\r\n" + x75 + "=\r\n" + x75 + "=\r\n" + x75 + "=\r\n" +
                          x75 + "=\r\n" + x75 + "=\r\n" + x75 + "=\r\n" + x75 + "=\r\n" +
                          QByteArray(24, 'x') +
                          "\r\n"
                          "fin =3D =E9\r\n"
                          "\r\n"
                          ".\r\n"));
}

QTEST_GUILESS_MAIN(MailTextTest)
#include "tst_mailtext.moc"
