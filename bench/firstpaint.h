#pragma once

#include <QObject>
#include <QString>

// Watches every event of the application for the first paint of the widget
// with the given name.  The paint is let through first, so that the moment
// taken is the end of that paint; then the moment goes to standard output,
// in nanoseconds of the monotonic clock, as "first-paint <ns>", and then
// onFirstPaint runs.
class FirstPaint : public QObject
{
public:
    FirstPaint(const QString& widgetName, std::function<void()> onFirstPaint);

    static qint64 now();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_name;
    std::function<void()> m_then;
    bool m_seen = false;
};

// Ends the process at once, as a benchmark that has what it came for.
[[noreturn]] void quitNow();
