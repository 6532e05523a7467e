#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Runs a function when a watched control gets the focus from the keyboard
// (Tab or Shift+Tab), not from a click.
class FocusWatcher : public QObject
{
public:
    FocusWatcher(QObject* parent, std::function<void(QWidget*)> onFocus);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(QWidget*)> m_onFocus;
};
