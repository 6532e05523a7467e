#include "tallywindows/filterbar.h"

#include "answers/columns.h"
#include "answers/questions.h"
#include "tallywindows/datefield.h"
#include "ui/plaintext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{

const QString NoAnswer = QStringLiteral("sans réponse");

} // namespace

FilterBar::FilterBar(QWidget* parent)
    : QWidget(parent), m_establishment(new QComboBox), m_from(new DateField(QStringLiteral("Du"))),
      m_to(new DateField(QStringLiteral("Au"))), m_question(new QComboBox), m_answer(new QComboBox),
      m_replaced(new QCheckBox(QStringLiteral("Réponses &remplacées aussi"))),
      m_clear(new QPushButton(QStringLiteral("&Effacer les filtres")))
{
    auto* establishment = ui::label(QStringLiteral("&Établissement :"));
    establishment->setBuddy(m_establishment);
    m_establishment->setMinimumContentsLength(24);
    m_establishment->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_establishment->setAccessibleName(QStringLiteral("Établissement"));
    auto* from = ui::label(QStringLiteral("&Du :"));
    from->setBuddy(m_from->edit());
    auto* to = ui::label(QStringLiteral("&au :"));
    to->setBuddy(m_to->edit());
    auto* question = ui::label(QStringLiteral("Ré&ponse à :"));
    question->setBuddy(m_question);
    m_question->setAccessibleName(QStringLiteral("Question du filtre"));
    m_question->setMinimumContentsLength(36);
    m_question->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_question->addItem(QStringLiteral("(toutes les réponses)"), -1);
    for (int c = 0; c < columns::names().size(); ++c)
        if (!questions::isText(c)) {
            m_question->addItem(questions::header(c), c);
            m_question->setItemData(m_question->count() - 1, ui::plainToolTip(questions::ofColumn(c).asked()),
                                    Qt::ToolTipRole);
        }
    auto* equals = ui::label(QStringLiteral("="));
    equals->setBuddy(m_answer);
    m_answer->setAccessibleName(QStringLiteral("Réponse du filtre"));
    m_answer->setMinimumContentsLength(14);
    m_answer->setEnabled(false);
    m_replaced->setToolTip(QStringLiteral("Montre aussi, en gris, les réponses qu’une réponse plus "
                                          "récente du même enseignant a remplacées."));
    m_clear->setToolTip(QStringLiteral("Montre de nouveau toutes les réponses."));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* first = new QHBoxLayout;
    first->addWidget(establishment);
    first->addWidget(m_establishment);
    first->addSpacing(12);
    first->addWidget(from);
    first->addWidget(m_from);
    first->addWidget(to);
    first->addWidget(m_to);
    first->addSpacing(12);
    first->addWidget(m_replaced);
    first->addStretch(1);
    auto* second = new QHBoxLayout;
    second->addWidget(question);
    second->addWidget(m_question, 1);
    second->addWidget(equals);
    second->addWidget(m_answer);
    second->addSpacing(12);
    second->addWidget(m_clear);
    second->addStretch(0);
    grid->addLayout(first, 0, 0);
    grid->addLayout(second, 1, 0);

    connect(m_establishment, &QComboBox::currentIndexChanged, this, &FilterBar::edited);
    connect(m_from, &DateField::dateChanged, this, &FilterBar::edited);
    connect(m_to, &DateField::dateChanged, this, &FilterBar::edited);
    connect(m_from, &DateField::misread, this, &FilterBar::misread);
    connect(m_to, &DateField::misread, this, &FilterBar::misread);
    connect(m_question, &QComboBox::currentIndexChanged, this, [this] {
        fillAnswers();
        edited();
    });
    connect(m_answer, &QComboBox::currentIndexChanged, this, &FilterBar::edited);
    connect(m_replaced, &QCheckBox::toggled, this, &FilterBar::edited);
    connect(m_clear, &QPushButton::clicked, this, &FilterBar::clear);
    edited();
}

void FilterBar::fillAnswers()
{
    const bool quiet = m_quiet;
    m_quiet = true;
    m_answer->clear();
    const int column = m_question->currentData().toInt();
    if (column >= 0) {
        for (const QString& choice : columns::choices().value(column))
            m_answer->addItem(choice, choice);
        m_answer->addItem(NoAnswer, QString());
    }
    m_answer->setEnabled(column >= 0);
    m_quiet = quiet;
}

void FilterBar::edited()
{
    const Base::Filter f = filter();
    m_clear->setEnabled(!(f == Base::Filter()));
    if (!m_quiet)
        Q_EMIT changed();
}

Base::Filter FilterBar::filter() const
{
    Base::Filter f;
    if (m_establishment->currentIndex() > 0)
        f.establishment = m_establishment->currentText();
    f.from = m_from->date();
    f.to = m_to->date();
    f.withReplaced = m_replaced->isChecked();
    f.answerColumn = m_question->currentData().toInt();
    if (f.answerColumn >= 0)
        f.answerValue = m_answer->currentData().toString();
    return f;
}

void FilterBar::setFilter(const Base::Filter& f)
{
    m_quiet = true;
    m_replaced->setChecked(f.withReplaced);
    const int at = m_establishment->findText(f.establishment);
    m_establishment->setCurrentIndex(f.establishment.isEmpty() || at < 0 ? 0 : at);
    m_from->setDate(f.from);
    m_to->setDate(f.to);
    m_question->setCurrentIndex(qMax(0, m_question->findData(f.answerColumn)));
    fillAnswers();
    if (f.answerColumn >= 0)
        m_answer->setCurrentIndex(qMax(0, m_answer->findData(f.answerValue)));
    m_quiet = false;
    edited();
}

void FilterBar::clear()
{
    setFilter(Base::Filter());
}

void FilterBar::setEstablishments(const QStringList& names)
{
    const QString kept = m_establishment->currentIndex() > 0 ? m_establishment->currentText() : QString();
    const bool quiet = m_quiet;
    m_quiet = true;
    m_establishment->clear();
    m_establishment->addItem(QStringLiteral("Tous"));
    m_establishment->addItems(names);
    m_establishment->setCurrentIndex(qMax(0, m_establishment->findText(kept)));
    m_quiet = quiet;
}

void FilterBar::setPeriod(const QDate& first, const QDate& last)
{
    m_from->setMonthShown(first);
    m_to->setMonthShown(last.isValid() ? last : first);
}
