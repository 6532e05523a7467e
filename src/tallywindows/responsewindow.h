#pragma once

#include "tally/base.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;

// One response as the teacher answered it: who sent it and when, then the
// answer text exactly as it arrived, each question with its answer.
class ResponseWindow : public QDialog
{
    Q_OBJECT
public:
    ResponseWindow(const Base::Response& response, QWidget* parent = nullptr);

    QString heading() const;
    QString text() const;

private:
    QLabel* m_heading;
    QPlainTextEdit* m_text;
};
