#pragma once

#include <QWidget>

// The banner P2 across the top of the sheet window: it holds the close image.
class Banner : public QWidget
{
    Q_OBJECT
public:
    explicit Banner(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
