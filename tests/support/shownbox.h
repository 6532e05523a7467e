#pragma once

#include <QMessageBox>
#include <QObject>
#include <functional>

namespace testing
{

// Catches the next message box shown on screen while it lives (a box asked
// for through MessageBox with no answer set) and, once the box is the active
// modal widget, hands it to `answer`, which closes it with a click or a key.
// Should `answer` leave it open, the box is closed so that the test goes on.
class ShownBox : public QObject
{
public:
    explicit ShownBox(std::function<void(QMessageBox*)> answer);
    ~ShownBox() override;

    // Whether a box was shown, and was the active modal widget when answered.
    bool seen() const { return m_seen; }
    bool wasActiveModal() const { return m_activeModal; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(QMessageBox*)> m_answer;
    bool m_seen = false;
    bool m_activeModal = false;
};

// A button's text as the user reads it, without its mnemonic marker.
QString buttonText(const QMessageBox* box, QMessageBox::StandardButton button);

} // namespace testing
