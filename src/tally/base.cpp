#include "tally/base.h"

#include "answers/answertext.h"
#include "answers/columns.h"

#include <QAtomicInt>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace
{

constexpr int SchemaVersion = 1;

QString quoted(const QString& column)
{
    return QLatin1Char('"') + column + QLatin1Char('"');
}

// "Questionnaire ( Lycée Curie )": the establishment between the brackets.
QString establishmentOf(const QString& subject)
{
    static const QRegularExpression form(QStringLiteral("^\\s*Questionnaire \\( (.*) \\)\\s*$"));
    const QRegularExpressionMatch m = form.match(subject);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

Base::Base()
{
    static QAtomicInt count;
    m_connection = QStringLiteral("tally-%1").arg(count.fetchAndAddRelaxed(1));
}

Base::~Base()
{
    if (QSqlDatabase::contains(m_connection)) {
        db().close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QSqlDatabase Base::db() const
{
    return QSqlDatabase::database(m_connection, false);
}

bool Base::open(const QString& path)
{
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    d.setDatabaseName(path);
    if (!d.open()) {
        m_error = d.lastError().text();
        return false;
    }
    QSqlQuery(d).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    return migrate();
}

bool Base::migrate()
{
    QSqlDatabase d = db();
    QSqlQuery q(d);
    q.exec(QStringLiteral("PRAGMA user_version"));
    const int version = q.next() ? q.value(0).toInt() : 0;
    if (version > SchemaVersion) {
        m_error = QStringLiteral("base d’une version plus récente du programme");
        return false;
    }
    if (version == SchemaVersion)
        return true;
    // From nothing to version 1; later versions add their steps here.
    QStringList answerColumns;
    for (const QString& c : columns::names())
        answerColumns << quoted(c) + QStringLiteral(" TEXT");
    const QStringList steps = {
        QStringLiteral("CREATE TABLE responses (id INTEGER PRIMARY KEY, message_id TEXT, "
                       "received TEXT NOT NULL, sender TEXT NOT NULL, establishment TEXT, "
                       "text TEXT NOT NULL, readings INTEGER NOT NULL, superseded_by INTEGER, ") +
            answerColumns.join(QStringLiteral(", ")) + QLatin1Char(')'),
        QStringLiteral("CREATE UNIQUE INDEX responses_message ON responses(message_id) "
                       "WHERE message_id <> ''"),
        QStringLiteral("CREATE INDEX responses_sender ON responses(sender)"),
        QStringLiteral("CREATE TABLE set_aside (id INTEGER PRIMARY KEY, message_id TEXT, "
                       "received TEXT, sender TEXT, subject TEXT, reason TEXT NOT NULL)"),
        QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion),
    };
    d.transaction();
    for (const QString& step : steps) {
        if (!q.exec(step)) {
            m_error = q.lastError().text();
            d.rollback();
            return false;
        }
    }
    return d.commit();
}

bool Base::begin()
{
    return db().transaction();
}

bool Base::commit()
{
    return db().commit();
}

Base::Outcome Base::add(const mailreader::Message& m)
{
    QSqlDatabase d = db();
    const QString sender = m.sender.trimmed().toLower();
    const QString received =
        (m.date.isValid() ? m.date : QDateTime::currentDateTimeUtc()).toUTC().toString(Qt::ISODate);

    const answertext::Reading reading = answertext::read(m.text);
    const QString& text = m.text;
    // A response forwarded as an attachment is the original's, with its own
    // sender and Message-ID: the same response twice is one.
    if (!reading.isAnswerText() && m.forwarded &&
        answertext::read(m.forwarded->text).isAnswerText())
        return add(*m.forwarded);

    QSqlQuery q(d);
    if (!reading.isAnswerText()) {
        q.prepare(QStringLiteral("SELECT 1 FROM set_aside WHERE message_id = ? AND message_id <> ''"));
        q.addBindValue(m.messageId);
        if (q.exec() && q.next())
            return Outcome::AlreadyThere;
        q.prepare(QStringLiteral("INSERT INTO set_aside (message_id, received, sender, subject, "
                                 "reason) VALUES (?, ?, ?, ?, ?)"));
        for (const QString& v : {m.messageId, received, sender, m.subject,
                                 m.text.isEmpty() ? QStringLiteral("aucun texte lisible")
                                                  : QStringLiteral("le texte n’est pas celui "
                                                                   "d’un questionnaire")})
            q.addBindValue(v);
        q.exec();
        return Outcome::SetAside;
    }

    q.prepare(QStringLiteral("SELECT 1 FROM responses WHERE (message_id = ? AND message_id <> '') "
                             "OR (sender = ? AND text = ?)"));
    q.addBindValue(m.messageId);
    q.addBindValue(sender);
    q.addBindValue(text);
    if (q.exec() && q.next())
        return Outcome::AlreadyThere;

    const QStringList cells = columns::cells(reading.readings.first());
    QStringList names = {QStringLiteral("message_id"), QStringLiteral("received"),
                         QStringLiteral("sender"),     QStringLiteral("establishment"),
                         QStringLiteral("text"),       QStringLiteral("readings")};
    for (const QString& c : columns::names())
        names << quoted(c);
    q.prepare(QStringLiteral("INSERT INTO responses (%1) VALUES (%2)")
                  .arg(names.join(QLatin1Char(',')),
                       QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    for (const QVariant& v :
         {QVariant(m.messageId), QVariant(received), QVariant(sender),
          QVariant(establishmentOf(m.subject)), QVariant(text), QVariant(int(reading.readings.size()))})
        q.addBindValue(v);
    for (const QString& cell : cells)
        q.addBindValue(cell);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return Outcome::SetAside;
    }
    const qlonglong id = q.lastInsertId().toLongLong();

    // The latest response of a sender stands; the others are kept, marked.
    q.prepare(QStringLiteral("SELECT id, received FROM responses WHERE sender = ? AND id <> ? "
                             "AND superseded_by IS NULL"));
    q.addBindValue(sender);
    q.addBindValue(id);
    if (q.exec() && q.next()) {
        const qlonglong other = q.value(0).toLongLong();
        const bool newer = received >= q.value(1).toString();
        QSqlQuery mark(d);
        mark.prepare(QStringLiteral("UPDATE responses SET superseded_by = ? WHERE id = ?"));
        mark.addBindValue(newer ? id : other);
        mark.addBindValue(newer ? other : id);
        mark.exec();
    }
    return Outcome::Added;
}

int Base::responses() const
{
    QSqlQuery q(QStringLiteral("SELECT COUNT(*) FROM responses"), db());
    return q.next() ? q.value(0).toInt() : 0;
}

int Base::setAside() const
{
    QSqlQuery q(QStringLiteral("SELECT COUNT(*) FROM set_aside"), db());
    return q.next() ? q.value(0).toInt() : 0;
}

QStringList Base::tableHeader()
{
    return QStringList{QStringLiteral("date"), QStringLiteral("expediteur"),
                       QStringLiteral("etablissement")} +
           columns::names();
}

QList<QStringList> Base::table(bool withSuperseded) const
{
    QStringList select = {QStringLiteral("received"), QStringLiteral("sender"),
                          QStringLiteral("establishment")};
    for (const QString& c : columns::names())
        select << quoted(c);
    QSqlQuery q(db());
    q.setForwardOnly(true);
    q.exec(QStringLiteral("SELECT %1 FROM responses %2 ORDER BY received, id")
               .arg(select.join(QLatin1Char(',')),
                    withSuperseded ? QString() : QStringLiteral("WHERE superseded_by IS NULL")));
    QList<QStringList> rows;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < select.size(); ++i)
            row << q.value(i).toString();
        rows << row;
    }
    return rows;
}
