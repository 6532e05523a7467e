#pragma once

#include <QMargins>
#include <QObject>

class QTimer;
class QWidget;

// Keeps the sheet window to the window rule: puts it in shape at load and on
// every resize, and looks again a moment after the window system has
// answered, since a window manager may undo what the rule has just done.  The
// rule is then applied again, but not without end against one that insists.
class WindowRuleKeeper : public QObject
{
    Q_OBJECT
public:
    static constexpr int CheckMs = 200;
    static constexpr int MaxCorrections = 3;

    explicit WindowRuleKeeper(QWidget* window);

    // At load, before any frame is known: the normal window of the rule.
    void place();
    // The rule with the frame of the window manager taken off the client size.
    void apply();
    // Looks again, CheckMs later, whether the window system kept the rule.
    void watch();
    // The frame differs from the one the rule last went by.
    bool frameChanged() const;

Q_SIGNALS:
    // The window system has undone the rule; at most MaxCorrections times
    // until it keeps it once.
    void undone();

private:
    void check();

    QWidget* m_window;
    QTimer* m_check;
    QMargins m_frame;
    int m_corrections = 0;
};
