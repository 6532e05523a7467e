#include "sheet/pagescroll.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QWheelEvent>

PageScroll::PageScroll(QWidget* window, QWidget* page, QScrollBar* bar)
    : QObject(window), m_window(window), m_page(page), m_bar(bar)
{
    // The lists take the focus from a click or the keyboard, not from the
    // wheel passing over them.
    for (QComboBox* list : page->findChildren<QComboBox*>())
        list->setFocusPolicy(Qt::StrongFocus);
    // The wheel goes to the control under the pointer and a key to the one
    // with the focus: only the application sees both before they do.
    qApp->installEventFilter(this);
}

bool PageScroll::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel && event->type() != QEvent::KeyPress)
        return false;
    auto* receiver = qobject_cast<QWidget*>(watched);
    if (!receiver || receiver->window() != m_window || !m_bar->isEnabled())
        return false;
    if (event->type() == QEvent::Wheel)
        return wheel(receiver, static_cast<QWheelEvent*>(event));
    return key(event);
}

bool PageScroll::wheel(QWidget* receiver, QWheelEvent* event)
{
    if (receiver != m_page && !m_page->isAncestorOf(receiver))
        return false;
    // Only two controls keep the wheel: a list that has the focus (it is the
    // user's to change), and a text box that can still scroll its own text
    // that way.  Everything else, and the page itself, moves the page.
    const int towardsTop = event->inverted() ? -event->angleDelta().y() : event->angleDelta().y();
    for (QWidget* w = receiver; w != m_page; w = w->parentWidget()) {
        if (auto* list = qobject_cast<QComboBox*>(w)) {
            if (list->hasFocus())
                return false;
            break;
        }
        if (auto* box = qobject_cast<QAbstractScrollArea*>(w)) {
            const QScrollBar* own = box->verticalScrollBar();
            if ((towardsTop > 0 && own->value() > own->minimum()) ||
                (towardsTop < 0 && own->value() < own->maximum()))
                return false;
            break;
        }
    }
    QWheelEvent forwarded(m_bar->mapFromGlobal(event->globalPosition()), event->globalPosition(),
                          event->pixelDelta(), event->angleDelta(), event->buttons(),
                          event->modifiers(), event->phase(), event->inverted(), event->source());
    QCoreApplication::sendEvent(m_bar, &forwarded);
    return true;
}

bool PageScroll::key(QEvent* event)
{
    const auto* k = static_cast<QKeyEvent*>(event);
    if ((k->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    QAbstractSlider::SliderAction action;
    switch (k->key()) {
    case Qt::Key_PageUp:
        action = QAbstractSlider::SliderPageStepSub;
        break;
    case Qt::Key_PageDown:
        action = QAbstractSlider::SliderPageStepAdd;
        break;
    case Qt::Key_Home:
        action = QAbstractSlider::SliderToMinimum;
        break;
    case Qt::Key_End:
        action = QAbstractSlider::SliderToMaximum;
        break;
    default:
        return false;
    }
    // Text boxes keep these keys for their text, also when they pass them on.
    const QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QPlainTextEdit*>(focus) ||
        qobject_cast<const QTextEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus))
        return false;
    m_bar->triggerAction(action);
    return true;
}
