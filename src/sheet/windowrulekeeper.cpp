#include "sheet/windowrulekeeper.h"

#include "sheet/windowrule.h"

#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace
{

constexpr Qt::WindowStates SizeStates =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

} // namespace

WindowRuleKeeper::WindowRuleKeeper(QWidget* window)
    : QObject(window), m_window(window), m_check(new QTimer(this))
{
    m_check->setSingleShot(true);
    m_check->setInterval(CheckMs);
    connect(m_check, &QTimer::timeout, this, &WindowRuleKeeper::check);
}

void WindowRuleKeeper::place()
{
    const auto target = ruleTarget(m_window->screen());
    if (!target || target->maximised)
        return;
    m_window->setWindowState(Qt::WindowNoState);
    m_window->resize(target->frame.size());
    m_window->move(target->frame.topLeft());
}

void WindowRuleKeeper::apply()
{
    QWidget& w = *m_window;
    const auto target = ruleTarget(w.screen());
    if (!target)
        return;
    const Qt::WindowStates others = w.windowState() & ~SizeStates;
    // The outer size is the frame's: what the window manager adds around the
    // client area comes off the client size.  (The window's own margins are
    // current; the widget's frame geometry may still hold none.)
    const QMargins frame = w.windowHandle() ? w.windowHandle()->frameMargins() : QMargins();
    m_frame = frame;

    if (target->maximised) {
        if ((w.windowState() & SizeStates) == Qt::WindowMaximized)
            return;
        // Without a window manager nothing would cover the screen.
        if (!(w.windowState() & Qt::WindowMaximized))
            w.setGeometry(w.screen()->availableGeometry().marginsRemoved(frame));
        w.setWindowState(others | Qt::WindowMaximized);
        return;
    }
    if (w.windowState() != others)
        w.setWindowState(others);
    w.resize(target->frame.size().shrunkBy(frame));
    w.move(target->frame.topLeft());
}

void WindowRuleKeeper::watch()
{
    m_check->start();
}

bool WindowRuleKeeper::frameChanged() const
{
    return m_window->windowHandle() && m_window->windowHandle()->frameMargins() != m_frame;
}

void WindowRuleKeeper::check()
{
    QWidget& w = *m_window;
    const auto target = ruleTarget(w.screen());
    if (!target || !w.isVisible() || !w.windowHandle())
        return;
    const Qt::WindowStates states = w.windowState() & SizeStates;
    const bool kept = target->maximised ? states == Qt::WindowMaximized
                                        : states == Qt::WindowNoState &&
                                              w.windowHandle()->frameGeometry() == target->frame;
    if (kept) {
        m_corrections = 0;
        return;
    }
    if (++m_corrections <= MaxCorrections)
        Q_EMIT undone();
}
