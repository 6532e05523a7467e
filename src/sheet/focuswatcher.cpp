#include "sheet/focuswatcher.h"

#include <QFocusEvent>
#include <QWidget>

FocusWatcher::FocusWatcher(QObject* parent, std::function<void(QWidget*)> onFocus)
    : QObject(parent), m_onFocus(std::move(onFocus))
{
}

bool FocusWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            m_onFocus(static_cast<QWidget*>(watched));
    }
    return false;
}
