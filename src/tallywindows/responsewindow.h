#pragma once

#include "tally/base.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// One response as the teacher answered it: who sent it and when, what it
// replaced and what replaced it, then each question with its answer; the
// answer text exactly as it arrived behind « Texte brut ».
class ResponseWindow : public QDialog
{
    Q_OBJECT
public:
    ResponseWindow(const Base::Response& response, QWidget* parent = nullptr);

    QString heading() const;
    QString text() const;
    // The answer shown for a question (1 to 41, or a contact field).
    QString answer(int number) const;
    QTableWidget* answers() const { return m_answers; }
    QPushButton* rawButton() const { return m_raw; }

private:
    QLabel* m_heading;
    QTableWidget* m_answers;
    QPushButton* m_raw;
    QPlainTextEdit* m_text;
};

// A message set aside: when and from whom it came, why it is no response,
// and its text.
class SetAsideWindow : public QDialog
{
    Q_OBJECT
public:
    SetAsideWindow(const Base::SetAside& message, QWidget* parent = nullptr);
    QString heading() const;
    QString text() const;

private:
    QLabel* m_heading;
    QPlainTextEdit* m_text;
};
