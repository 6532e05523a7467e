#pragma once

#include "tally/summary.h"

#include <QScrollArea>

class QChartView;
class QLabel;
class QLineEdit;
class QListWidget;
class QVBoxLayout;

// « Décompte »: one scrolling page, a card a question as survey tools show
// results: its words, how many answered and how many did not, its chart,
// and the texts typed, searchable.
class SummaryPage : public QScrollArea
{
    Q_OBJECT
public:
    explicit SummaryPage(QWidget* parent = nullptr);

    void show(const summary::Tally& tally);

    int cardCount() const { return int(m_cards.size()); }
    // The card of a question (1 to 41), as a test or a reader finds it.
    QWidget* card(int number) const;
    // The bar labels of a question's chart, top first; its texts as listed.
    QStringList barLabels(int number) const;
    QStringList texts(int number) const;
    // Shows only the texts of a question that hold `words`.
    void search(int number, const QString& words);

private:
    struct Card {
        int number = 0;
        QWidget* box = nullptr;
        QChartView* chart = nullptr;
        QLineEdit* search = nullptr;
        QListWidget* texts = nullptr;
        summary::Card data;
    };
    void fillTexts(Card& card, const QString& words);
    const Card* find(int number) const;

    QWidget* m_content;
    QVBoxLayout* m_layout;
    QList<Card> m_cards;
    int m_responses = 0;
};
