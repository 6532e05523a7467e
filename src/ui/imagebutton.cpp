#include "ui/imagebutton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace
{

class ImageButtonAccessible : public QAccessibleWidget
{
public:
    explicit ImageButtonAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t); // the description falls back on the tooltip
        const auto* b = static_cast<const ImageButton*>(widget());
        if (!b->accessibleName().isEmpty())
            return b->accessibleName();
        return b->toolTip().isEmpty() ? b->text() : b->toolTip();
    }

    QStringList actionNames() const override
    {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction())
            static_cast<ImageButton*>(widget())->click();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* accessibleFor(const QString& key, QObject* object)
{
    if (key == QLatin1String("ImageButton") && object && object->isWidgetType())
        return new ImageButtonAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

ImageButton::ImageButton(QWidget* parent) : QLabel(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(factoryInstalled)
    // Tab only: a click acts without moving the focus, as before.
    setFocusPolicy(Qt::TabFocus);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void ImageButton::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int k = event->key();
    if (plain && (k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter)) {
        // A focus that the window gave on opening is not shown yet: the first
        // press shows it rather than acting on a button the user cannot see.
        if (!m_keyboardInUse) {
            m_keyboardInUse = true;
            update();
        } else if (!event->isAutoRepeat()) {
            click();
        }
        return;
    }
    QLabel::keyPressEvent(event);
}

void ImageButton::focusInEvent(QFocusEvent* event)
{
    const Qt::FocusReason r = event->reason();
    if (r == Qt::TabFocusReason || r == Qt::BacktabFocusReason || r == Qt::ShortcutFocusReason)
        m_keyboardInUse = true;
    QLabel::focusInEvent(event);
    update();
}

void ImageButton::focusOutEvent(QFocusEvent* event)
{
    QLabel::focusOutEvent(event);
    update();
}

void ImageButton::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus() || !m_keyboardInUse)
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
