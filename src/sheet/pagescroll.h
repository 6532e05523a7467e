#pragma once

#include <QObject>

class QScrollBar;
class QWheelEvent;
class QWidget;

// Scrolls the page the way people expect, always through the page's scroll
// bar (its value, range and steps): the wheel or the touchpad anywhere over
// the page, controls included, and Page Up, Page Down, Home and End whenever
// the focus is not in a text box.  A list under the wheel that has no focus
// keeps its value: the page scrolls instead.
class PageScroll : public QObject
{
    Q_OBJECT
public:
    // Watches the events of `window`; parented to it.
    PageScroll(QWidget* window, QWidget* page, QScrollBar* bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool wheel(QWidget* receiver, QWheelEvent* event);
    bool key(QEvent* event);

    QWidget* m_window;
    QWidget* m_page;
    QScrollBar* m_bar;
};
