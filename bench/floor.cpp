// The floor of any Qt program here: an empty window painting one line of
// text, quitting after its first paint.
#include "firstpaint.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

namespace
{

class OneLine : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawText(QPoint(30, 30), QStringLiteral("Votre avis nous intéresse"));
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    FirstPaint watch(QStringLiteral("P1"), [] { quitNow(); });
    OneLine window;
    window.setObjectName(QStringLiteral("P1"));
    window.setWindowTitle(QStringLiteral("Votre avis nous intéresse"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
