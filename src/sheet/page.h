#pragma once

#include <QImage>
#include <QWidget>

// The questionnaire page P1: a drawing surface that keeps what is drawn on it
// in an image of its own, so that moving it never redraws its content.
class Page : public QWidget
{
    Q_OBJECT
public:
    explicit Page(QWidget* parent = nullptr);

    const QImage& surface() const { return m_surface; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_surface;
};
