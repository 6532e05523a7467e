#include "tallywindows/report.h"

#include "answers/columns.h"
#include "answers/questions.h"
#include "storage/privatefiles.h"
#include "tally/summary.h"
#include "tallywindows/chart.h"

#include <QDateTime>
#include <QFile>
#include <QGraphicsScene>
#include <QHash>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>

namespace report
{
namespace
{

constexpr int Margin = 48; // pixels at the writer's 96 dots an inch
constexpr int Bar = 30;    // a bar of a chart
constexpr int ListedEstablishments = 40;

// Lays the report out down the pages.
class Pages
{
public:
    explicit Pages(QPdfWriter* writer) : m_writer(writer), m_painter(writer)
    {
        m_width = m_painter.viewport().width() - 2 * Margin;
        m_bottom = m_painter.viewport().height() - Margin;
        m_y = Margin;
    }
    bool ok() const { return m_painter.isActive(); }
    int width() const { return m_width; }
    QPainter& painter() { return m_painter; }

    // Room for height more, on a new page when this one is full.
    int take(int height)
    {
        keep(height);
        const int at = m_y;
        m_y += height;
        return at;
    }

    // A new page unless height more fits on this one.
    void keep(int height)
    {
        if (m_y + height > m_bottom && m_y > Margin)
            newPage();
    }

    void newPage()
    {
        m_writer->newPage();
        m_y = Margin;
    }

    int heightOf(const QString& s, const QFont& font)
    {
        m_painter.setFont(font);
        return m_painter.boundingRect(QRect(0, 0, m_width, 100000), Qt::TextWordWrap, s).height();
    }

    void text(const QString& s, const QFont& font, int gapAfter = 4)
    {
        const int height = heightOf(s, font);
        const int y = take(height + gapAfter);
        m_painter.setFont(font);
        m_painter.drawText(QRect(Margin, y, m_width, height), Qt::TextWordWrap, s);
    }

private:
    QPdfWriter* m_writer;
    QPainter m_painter;
    int m_width = 0;
    int m_bottom = 0;
    int m_y = 0;
};

struct Fonts {
    QFont title{QStringLiteral("Liberation Sans"), 16, QFont::Bold};
    QFont heading{QStringLiteral("Liberation Sans"), 12, QFont::Bold};
    QFont question{QStringLiteral("Liberation Sans"), 9, QFont::Bold};
    QFont body{QStringLiteral("Liberation Sans"), 9};
    QFont small{QStringLiteral("Liberation Sans"), 8};
};

void drawChart(Pages& pages, const summary::Card& card, int responses)
{
    QChart* chart = chart::of(card, responses, 7);
    if (!chart)
        return;
    const QSizeF size(pages.width(), chart::height(card, Bar));
    chart->resize(size);
    QGraphicsScene scene; // owns the chart
    scene.addItem(chart);
    const int y = pages.take(int(size.height()) + 6);
    scene.render(&pages.painter(), QRectF(QPointF(Margin, y), size), QRectF(QPointF(0, 0), size));
}

QString frenchDay(const QDate& d)
{
    return QLocale(QLocale::French).toString(d, QStringLiteral("d MMMM yyyy"));
}

QString plural(int n, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(QLocale(QLocale::French).toString(n), n > 1 ? many : one);
}

// What a filter kept, said on the first page.
QStringList filterWords(const Base::Filter& f)
{
    QStringList out;
    if (!f.establishment.isEmpty())
        out << QStringLiteral("établissement : %1").arg(f.establishment);
    if (f.from.isValid())
        out << QStringLiteral("à partir du %1").arg(frenchDay(f.from));
    if (f.to.isValid())
        out << QStringLiteral("jusqu’au %1").arg(frenchDay(f.to));
    if (f.answerColumn >= 0)
        out << QStringLiteral("« %1 » = %2")
                   .arg(questions::header(f.answerColumn),
                        f.answerValue.isEmpty() ? QStringLiteral("sans réponse") : f.answerValue);
    return out;
}

struct Gathered {
    summary::Tally tally;
    QDateTime first, last;
    QHash<QString, int> establishments;
    QStringList contacts;
};

} // namespace

bool write(const Base& base, const Base::Filter& filter, const QString& path, const Options& options)
{
    Base::Filter standing = filter;
    standing.withReplaced = false; // the report counts the responses that stand
    const int name = Base::AnswersFrom + int(columns::names().indexOf(QStringLiteral("nom")));
    const int school = Base::AnswersFrom + int(columns::names().indexOf(QStringLiteral("lycee")));
    const int email = Base::AnswersFrom + int(columns::names().indexOf(QStringLiteral("email")));
    Gathered g;
    base.forEach(standing, [&](const Cells& row) {
        g.tally.add(row.mid(Base::AnswersFrom));
        const QDateTime at = QDateTime::fromString(QString::fromLatin1(row.value(0)), Qt::ISODate);
        if (at.isValid()) {
            if (!g.first.isValid() || at < g.first)
                g.first = at;
            if (!g.last.isValid() || at > g.last)
                g.last = at;
        }
        const QString where = QString::fromUtf8(row.value(2)).trimmed();
        ++g.establishments[where.isEmpty() ? QStringLiteral("(non indiqué)") : where];
        if (options.withContacts) {
            QStringList who;
            for (const int c : {name, school, email})
                who << QString::fromUtf8(row.value(c)).simplified();
            if (!who.join(QString()).isEmpty())
                g.contacts << who.join(QStringLiteral(" — "));
        }
    });

    // Written aside and put in place whole: never half a report.
    QSaveFile file(path);
    const bool existed = QFile::exists(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    privatefiles::protect(file, existed);
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(96);
    writer.setTitle(QStringLiteral("Dépouillement du questionnaire"));
    writer.setCreator(QStringLiteral("Dépouillement"));
    Pages pages(&writer);
    if (!pages.ok())
        return false;
    const Fonts fonts;
    const int responses = g.tally.responses();

    // The first page: how many, when, where.
    pages.text(QStringLiteral("Dépouillement du questionnaire « Votre avis nous intéresse »"), fonts.title, 10);
    pages.text(plural(responses, QStringLiteral("réponse"), QStringLiteral("réponses")), fonts.heading, 4);
    if (g.first.isValid())
        pages.text(QStringLiteral("Reçues du %1 au %2")
                       .arg(frenchDay(g.first.toLocalTime().date()), frenchDay(g.last.toLocalTime().date())),
                   fonts.body, 4);
    const QStringList kept = filterWords(filter);
    if (!kept.isEmpty())
        pages.text(QStringLiteral("Réponses retenues : %1.").arg(kept.join(QStringLiteral(" ; "))), fonts.body, 4);
    pages.text(QStringLiteral("Rapport établi le %1.").arg(frenchDay(QDate::currentDate())), fonts.small, 14);
    QList<std::pair<QString, int>> schools;
    for (auto it = g.establishments.cbegin(); it != g.establishments.cend(); ++it)
        schools.append({it.key(), it.value()});
    std::sort(schools.begin(), schools.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    pages.text(QStringLiteral("Établissements (%1)").arg(schools.size()), fonts.heading, 4);
    for (int i = 0; i < schools.size() && i < ListedEstablishments; ++i)
        pages.text(QStringLiteral("%1 : %2").arg(schools[i].first).arg(schools[i].second), fonts.body, 1);
    if (schools.size() > ListedEstablishments)
        pages.text(QStringLiteral("… et %1 autres.").arg(schools.size() - ListedEstablishments), fonts.body, 1);

    // Every question with its chart, a question never cut by a page's end.
    pages.newPage();
    const QList<summary::Card> cards = g.tally.cards();
    for (const summary::Card& card : cards) {
        const QString asked = card.question->asked();
        QString counted = QStringLiteral("%1 · %2 sans réponse")
                              .arg(plural(card.answered, QStringLiteral("réponse"), QStringLiteral("réponses")))
                              .arg(card.unanswered);
        if (card.groups.isEmpty())
            counted += QStringLiteral(" · les textes sont donnés plus loin");
        else if (card.question->shape == questions::Shape::Checks)
            counted += QStringLiteral(" · plusieurs cases possibles : parts des répondants");
        pages.keep(pages.heightOf(asked, fonts.question) + pages.heightOf(counted, fonts.small) +
                   chart::height(card, Bar) + 12);
        pages.text(asked, fonts.question, 1);
        pages.text(counted, fonts.small, 2);
        drawChart(pages, card, responses);
        pages.take(4);
    }

    // The free texts, question by question, the most frequent first.
    bool titled = false;
    for (const summary::Card& card : cards) {
        int typed = 0;
        for (const summary::Texts& t : card.texts)
            typed += t.count;
        if (typed == 0)
            continue;
        if (!titled) {
            pages.newPage();
            pages.text(QStringLiteral("Textes libres"), fonts.heading, 8);
            titled = true;
        }
        pages.keep(60);
        pages.text(card.question->asked(), fonts.question, 3);
        int listed = 0, left = 0;
        for (const summary::Texts& t : card.texts)
            for (const summary::Bar& b : t.common) {
                if (listed >= ListedTexts) {
                    left += b.count;
                    continue;
                }
                ++listed;
                QString line = QStringLiteral("– ") + (t.part.isEmpty() ? QString() : t.part + QStringLiteral(" : ")) +
                               b.label;
                if (b.count > 1)
                    line += QStringLiteral(" (×%1)").arg(b.count);
                pages.text(line, fonts.body, 1);
            }
        int kept = 0;
        for (const summary::Texts& t : card.texts)
            for (const summary::Bar& b : t.common)
                kept += b.count;
        left += typed - kept;
        if (left > 0)
            pages.text(QStringLiteral("… et %1 : l’export CSV ou XLSX les donne tous.")
                           .arg(plural(left, QStringLiteral("autre texte"), QStringLiteral("autres textes"))),
                       fonts.small, 1);
        pages.take(8);
    }

    if (options.withContacts && !g.contacts.isEmpty()) {
        pages.newPage();
        pages.text(QStringLiteral("Coordonnées (nom — établissement — adresse e-mail)"), fonts.heading, 8);
        for (const QString& who : g.contacts)
            pages.text(who, fonts.body, 1);
    }
    return pages.painter().end() && file.commit();
}

} // namespace report
