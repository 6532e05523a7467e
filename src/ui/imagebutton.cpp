#include "ui/imagebutton.h"
#include "ui/plaintext.h"

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
    // Its caption may be the user's own name and address.
    ui::makePlain(this);
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
        // The focus is drawn whenever the button has it: a key acts only on
        // what the user sees as focused.
        if (!event->isAutoRepeat())
            click();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ImageButton::focusInEvent(QFocusEvent* event)
{
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
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    // Drawn from the first moment, not only once Tab has been used.
    option.state |= QStyle::State_KeyboardFocusChange;
    option.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
