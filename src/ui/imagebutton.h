#pragma once

#include <QLabel>

// A picture that acts on a click, with its own tooltip and mouse cursor.
// Tab reaches it and Space or Enter acts on it; the focus is drawn whenever
// it has it, so that a key never acts on a picture not shown as focused.
// Disabled, it is drawn greyed.
// Assistive tools see a button named by its accessible name, else its tooltip.
class ImageButton : public QLabel
{
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    // Acts as a click does.
    void click() { Q_EMIT clicked(); }

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
