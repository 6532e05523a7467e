#include "tallywindows/summarypage.h"

#include "answers/answertext.h"
#include "tallywindows/chart.h"
#include "ui/plaintext.h"

#include <QBarCategoryAxis>
#include <QChartView>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QVBoxLayout>

namespace
{

constexpr int ShownTexts = 300; // listed at once; a search finds the others

} // namespace

SummaryPage::SummaryPage(QWidget* parent)
    : QScrollArea(parent), m_content(new QWidget), m_layout(new QVBoxLayout(m_content))
{
    setWidgetResizable(true);
    setWidget(m_content);
    setAccessibleName(QStringLiteral("Décompte"));
    m_layout->addStretch(1);
}

void SummaryPage::show(const summary::Tally& tally)
{
    const int at = verticalScrollBar()->value();
    for (Card& c : m_cards)
        delete c.box;
    m_cards.clear();
    m_responses = tally.responses();
    const QList<summary::Card> cards = tally.cards();
    for (const summary::Card& data : cards) {
        Card card;
        card.number = data.question->number;
        card.data = data;
        auto* box = new QGroupBox(data.question->asked());
        box->setAccessibleName(data.question->title());
        box->setAccessibleDescription(data.question->asked());
        card.box = box;
        auto* layout = new QVBoxLayout(box);
        QString counted = QStringLiteral("%1 réponse%2 · %3 sans réponse")
                              .arg(data.answered)
                              .arg(data.answered > 1 ? QStringLiteral("s") : QString())
                              .arg(data.unanswered);
        if (data.question->shape == questions::Shape::Checks)
            counted += QStringLiteral(" · plusieurs cases possibles : parts des répondants");
        layout->addWidget(ui::label(counted));
        if (QChart* c = chart::of(data, m_responses)) {
            card.chart = new QChartView(c);
            card.chart->setRenderHint(QPainter::Antialiasing);
            card.chart->setFixedHeight(chart::height(data) + 16);
            card.chart->setAccessibleName(QStringLiteral("Graphique de la question %1").arg(card.number));
            card.chart->setAccessibleDescription(chart::describe(data, m_responses));
            card.chart->setToolTip(ui::plainToolTip(chart::describe(data, m_responses)));
            layout->addWidget(card.chart);
        }
        if (!data.texts.isEmpty()) {
            card.search = new QLineEdit;
            card.search->setPlaceholderText(QStringLiteral("Chercher dans les textes"));
            card.search->setClearButtonEnabled(true);
            card.search->setAccessibleName(QStringLiteral("Chercher dans les textes de la question %1")
                                               .arg(card.number));
            card.texts = new QListWidget;
            card.texts->setAccessibleName(QStringLiteral("Textes de la question %1").arg(card.number));
            card.texts->setWordWrap(true);
            card.texts->setMaximumHeight(160);
            layout->addWidget(card.search);
            layout->addWidget(card.texts);
            const int number = card.number;
            connect(card.search, &QLineEdit::textChanged, this,
                    [this, number](const QString& words) { search(number, words); });
        }
        m_layout->insertWidget(m_layout->count() - 1, box);
        m_cards << card;
        if (m_cards.last().texts)
            fillTexts(m_cards.last(), QString());
    }
    verticalScrollBar()->setValue(at);
}

void SummaryPage::fillTexts(Card& card, const QString& words)
{
    card.texts->clear();
    const QString wanted = answertext::folded(words);
    int shown = 0, found = 0;
    for (const summary::Texts& t : card.data.texts) {
        for (const summary::Bar& b : t.common) {
            if (!wanted.isEmpty() && !answertext::folded(b.label).contains(wanted))
                continue;
            ++found;
            if (shown >= ShownTexts)
                continue;
            ++shown;
            QString line = t.part.isEmpty() ? b.label : t.part + QStringLiteral(" : ") + b.label;
            if (b.count > 1)
                line += QStringLiteral("  (×%1)").arg(b.count);
            card.texts->addItem(line);
        }
    }
    int typed = 0;
    bool complete = true;
    for (const summary::Texts& t : card.data.texts) {
        typed += t.count;
        complete = complete && t.complete;
    }
    if (typed == 0)
        card.texts->addItem(QStringLiteral("(aucun texte)"));
    else if (found == 0)
        card.texts->addItem(QStringLiteral("(aucun texte ne contient « %1 »)").arg(words.trimmed()));
    else if (shown < found || !complete)
        card.texts->addItem(QStringLiteral("… %1 textes en tout : l’export CSV ou XLSX les donne tous.").arg(typed));
}

const SummaryPage::Card* SummaryPage::find(int number) const
{
    for (const Card& c : m_cards)
        if (c.number == number)
            return &c;
    return nullptr;
}

QWidget* SummaryPage::card(int number) const
{
    const Card* c = find(number);
    return c ? c->box : nullptr;
}

QStringList SummaryPage::barLabels(int number) const
{
    const Card* c = find(number);
    if (!c || !c->chart)
        return {};
    const QList<QAbstractAxis*> axes = c->chart->chart()->axes(Qt::Vertical);
    QStringList shown = axes.isEmpty() ? QStringList() : static_cast<QBarCategoryAxis*>(axes.first())->categories();
    std::reverse(shown.begin(), shown.end());
    return shown;
}

QStringList SummaryPage::texts(int number) const
{
    const Card* c = find(number);
    QStringList out;
    if (c && c->texts)
        for (int i = 0; i < c->texts->count(); ++i)
            out << c->texts->item(i)->text();
    return out;
}

void SummaryPage::search(int number, const QString& words)
{
    for (Card& c : m_cards)
        if (c.number == number && c.texts) {
            if (c.search->text() != words)
                c.search->setText(words); // comes back here through textChanged
            else
                fillTexts(c, words);
        }
}
