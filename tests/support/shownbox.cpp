#include "support/shownbox.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace testing
{

ShownBox::ShownBox(std::function<void(QMessageBox*)> answer) : m_answer(std::move(answer))
{
    qApp->installEventFilter(this);
}

ShownBox::~ShownBox()
{
    qApp->removeEventFilter(this);
}

bool ShownBox::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (m_seen || !box || event->type() != QEvent::Show)
        return false;
    m_seen = true;
    qApp->removeEventFilter(this);
    // The box becomes modal just after its show event; it is answered from
    // inside its own event loop.
    QTimer::singleShot(0, this, [this, guarded = QPointer<QMessageBox>(box)] {
        if (!guarded)
            return;
        m_activeModal = QApplication::activeModalWidget() == guarded.data();
        m_answer(guarded);
        if (guarded && guarded->isVisible())
            guarded->done(-1);
    });
    return false;
}

QString buttonText(const QMessageBox* box, QMessageBox::StandardButton button)
{
    const QAbstractButton* b = box->button(button);
    return b ? b->text().remove(QLatin1Char('&')) : QString();
}

} // namespace testing
