#include "ui/toolwindow.h"

#include "ui/twips.h"

#include <QScreen>
#include <QWidget>

void setUpToolWindow(QWidget* window, int widthTwips, int heightTwips)
{
    window->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(twips::toPixelsX(widthTwips, window),
                         twips::toPixelsY(heightTwips, window));
    const QWidget* parent = window->parentWidget();
    if (const QScreen* s = parent ? parent->screen() : window->screen())
        window->move(s->geometry().center() - window->rect().center());
}
