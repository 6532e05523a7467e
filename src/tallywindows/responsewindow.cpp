#include "tallywindows/responsewindow.h"

#include "answers/answertext.h"
#include "answers/columns.h"
#include "answers/questions.h"
#include "ui/plaintext.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{

QString frenchDate(const QDateTime& t)
{
    return QLocale(QLocale::French).toString(t.toLocalTime(), QStringLiteral("d MMMM yyyy à HH:mm"));
}

QString other(const Base::Response::Other& o)
{
    return QStringLiteral("n° %1, reçue le %2 de %3").arg(o.id).arg(frenchDate(o.received), o.sender);
}

// The text without the empty lines a mail body puts around it.
QString shownText(const QString& raw)
{
    QString text = QString(raw).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    return text;
}

QPlainTextEdit* rawView(const QString& text, QWidget* parent)
{
    auto* view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    view->setPlainText(shownText(text));
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return view;
}

// A question's answer in words: a whole answer, or its parts one a line.
QString answerOf(const questions::Question& q, const QStringList& cells)
{
    if (q.columns.size() == 1)
        return cells.value(q.columns.first());
    QStringList lines;
    for (const int c : q.columns) {
        const QString cell = cells.value(c);
        if (cell.isEmpty())
            continue;
        // A ticked box is its caption; anything else its part and what it says.
        lines << (q.shape == questions::Shape::Checks && !questions::isText(c)
                      ? columns::partOf(c)
                      : columns::partOf(c) + QStringLiteral(" : ") + cell);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

ResponseWindow::ResponseWindow(const Base::Response& r, QWidget* parent)
    : QDialog(parent), m_heading(ui::label(QString(), this)), m_answers(new QTableWidget(this)),
      m_raw(new QPushButton(QStringLiteral("&Texte brut"), this)), m_text(rawView(r.text, this))
{
    setWindowTitle(QStringLiteral("Réponse de %1").arg(r.sender));
    setModal(false);
    QStringList lines = {
        QStringLiteral("Réponse n° %1, reçue le %2 de %3").arg(r.id).arg(frenchDate(r.received), r.sender),
    };
    if (!r.establishment.isEmpty())
        lines << QStringLiteral("Établissement : %1").arg(r.establishment);
    if (!r.subjectName.isEmpty())
        lines << QStringLiteral("Nom dans l’objet du message : %1").arg(r.subjectName);
    if (r.replacer)
        lines << QStringLiteral("Remplacée par la réponse %1.").arg(other(*r.replacer));
    for (const Base::Response::Other& o : r.replaced)
        lines << QStringLiteral("Remplace la réponse %1.").arg(other(o));
    if (r.readings > 1)
        lines << QStringLiteral("Texte ambigu : il se lit de %1 façons ; les réponses montrées sont celles "
                                "de la première, le texte brut les montre telles qu’elles sont arrivées.")
                     .arg(r.readings);
    m_heading->setText(lines.join(QLatin1Char('\n')));
    m_heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_heading->setWordWrap(true);

    // Question by question, as the first reading of the text has them.
    const answertext::Reading reading = answertext::read(r.text);
    const QStringList cells = reading.isAnswerText() ? columns::cells(reading.readings.first()) : QStringList();
    const QList<questions::Question>& all = questions::all();
    m_answers->setColumnCount(2);
    m_answers->setRowCount(int(all.size()));
    m_answers->setHorizontalHeaderLabels({QStringLiteral("Question"), QStringLiteral("Réponse")});
    m_answers->setAccessibleName(QStringLiteral("Réponses"));
    m_answers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_answers->setWordWrap(true);
    m_answers->verticalHeader()->hide();
    m_answers->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_answers->horizontalHeader()->setStretchLastSection(true);
    m_answers->setColumnWidth(0, 380);
    for (int row = 0; row < all.size(); ++row) {
        const questions::Question& q = all[row];
        auto* asked = new QTableWidgetItem(q.asked());
        asked->setToolTip(ui::plainToolTip(q.asked()));
        const QString given = answerOf(q, cells);
        auto* answer = new QTableWidgetItem(given.isEmpty() ? QStringLiteral("(sans réponse)") : given);
        if (given.isEmpty())
            answer->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        m_answers->setItem(row, 0, asked);
        m_answers->setItem(row, 1, answer);
    }
    m_answers->resizeRowsToContents();

    m_text->setAccessibleName(QStringLiteral("Texte brut"));
    m_text->hide();
    m_raw->setCheckable(true);
    m_raw->setToolTip(QStringLiteral("Le texte du message tel qu’il est arrivé."));
    connect(m_raw, &QPushButton::toggled, this, [this](bool on) {
        m_text->setVisible(on);
        m_answers->setVisible(!on);
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_raw, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_answers, 1);
    layout->addWidget(m_text, 1);
    layout->addWidget(buttons);
    resize(760, 720);
}

QString ResponseWindow::heading() const
{
    return m_heading->text();
}

QString ResponseWindow::text() const
{
    return m_text->toPlainText();
}

QString ResponseWindow::answer(int number) const
{
    const QTableWidgetItem* item = m_answers->item(number - 1, 1);
    return item ? item->text() : QString();
}

SetAsideWindow::SetAsideWindow(const Base::SetAside& m, QWidget* parent)
    : QDialog(parent), m_heading(ui::label(QString(), this)),
      m_text(rawView(m.kept ? m.text : QStringLiteral("(texte non gardé : ce message a été mis de côté par une "
                                                      "version antérieure du programme)"),
                     this))
{
    setWindowTitle(QStringLiteral("Message non reconnu"));
    setModal(false);
    QStringList lines;
    lines << (m.received.isValid()
                  ? QStringLiteral("Reçu le %1 de %2").arg(frenchDate(m.received), m.sender)
                  : QStringLiteral("Reçu de %1 (sans date)").arg(m.sender));
    lines << QStringLiteral("Objet : %1").arg(m.subject);
    lines << QStringLiteral("Mis de côté : %1.").arg(m.reason);
    m_heading->setText(lines.join(QLatin1Char('\n')));
    m_heading->setWordWrap(true);
    m_heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setAccessibleName(QStringLiteral("Texte du message"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_text, 1);
    layout->addWidget(buttons);
    resize(640, 560);
}

QString SetAsideWindow::heading() const
{
    return m_heading->text();
}

QString SetAsideWindow::text() const
{
    return m_text->toPlainText();
}
