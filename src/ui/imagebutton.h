#pragma once

#include <QLabel>

// A picture that acts on a click, with its own tooltip and mouse cursor.
class ImageButton : public QLabel
{
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr) : QLabel(parent) {}

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
