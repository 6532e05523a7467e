#include "support/responses.h"

#include "smtp/mailtext.h"

#include <QFile>

namespace testing
{

using namespace answertext;
using catalogue::Kind;

namespace
{

// Text a user could type: accents, typographic marks, the item prefixes and
// captions themselves; line breaks only where the box has several lines.
QString randomText(QRandomGenerator& g, bool severalLines)
{
    static const QStringList pieces = {
        QStringLiteral("Oui"), QStringLiteral("Non"), QStringLiteral("élèves "),
        QStringLiteral("l’intérêt "), QStringLiteral("25."), QStringLiteral("21. "),
        QStringLiteral(" / "), QStringLiteral(" : "), QStringLiteral("en TP"),
        QStringLiteral("«x»"), QStringLiteral("100 %"), QStringLiteral("Lycée "),
        QStringLiteral("e-mail : "), QStringLiteral("   "), QStringLiteral("€")};
    QString s;
    const int n = g.bounded(6);
    for (int i = 0; i < n; ++i) {
        s += pieces[g.bounded(int(pieces.size()))];
        if (severalLines && g.bounded(4) == 0)
            s += QStringLiteral("\r\n");
    }
    return s;
}

} // namespace

Answers randomFilling(QRandomGenerator& g)
{
    Answers a;
    for (const catalogue::YesNoPair& p : catalogue::yesNoPairs()) {
        const int pick = g.bounded(3);
        if (pick == 1)
            a.options.insert(p.oui);
        if (pick == 2)
            a.options.insert(p.non);
    }
    for (const Entry& e : entries()) {
        if (e.form == Form::Text && g.bounded(2))
            if (const QString t = randomText(g, e.index == 9 || e.index == 17); !t.isEmpty())
                a.texts[e.index] = t;
        if (e.form == Form::List && g.bounded(2))
            a.lists[{e.kind, e.index}] = 1 + g.bounded(int(scaleOf(e.kind).size()) - 1);
        for (const Box& b : e.boxes) {
            if (!g.bounded(2))
                continue;
            a.checks.insert(b.check);
            if (b.companion != NoCompanion)
                if (const QString t = randomText(g, false); !t.isEmpty())
                    a.texts[b.companion] = t;
        }
    }
    for (const catalogue::GridRow& row : catalogue::gridRows()) {
        if (g.bounded(2))
            a.lists[{Kind::Interest, row.interest}] = 1 + g.bounded(4);
        if (row.difficulty != catalogue::NoDifficulty && g.bounded(2))
            a.lists[{Kind::Difficulty, row.difficulty}] = 1 + g.bounded(5);
    }
    return a;
}

QByteArray responseMail(const QByteArray& from, const QString& establishment, const Answers& a,
                        const QDateTime& when)
{
    mailtext::Letter l;
    l.from = from;
    l.to = "avis@tarvel.example";
    l.subject = QStringLiteral("Questionnaire ( %1 )").arg(establishment);
    l.text = write(a);
    l.date = when;
    l.messageId = mailtext::messageId(l.from, when);
    QByteArray data = mailtext::data(l);
    data.chop(3); // the closing "."
    return data.replace("\r\n..", "\r\n.");
}

bool writeMbox(const QString& path, int count, quint32 seed, const QByteArray& prefix)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator g(seed);
    const QDateTime start(QDate(2026, 10, 1), QTime(8, 0), Qt::UTC);
    for (int i = 0; i < count; ++i) {
        const QByteArray from = prefix + QByteArray::number(i) + "@ecole.fr";
        const QByteArray mail =
            responseMail(from, QStringLiteral("Lycée"), randomFilling(g), start.addSecs(i));
        out.write("From " + from + " Thu Oct  1 08:00:00 2026\n" + QByteArray(mail).replace("\r\n", "\n") + "\n");
    }
    return out.flush();
}

} // namespace testing
