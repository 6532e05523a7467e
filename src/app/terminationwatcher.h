#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface
// thread, so that the program can still write its closing flag.
class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    // Catches the signals from now on, before any watcher exists: called
    // first thing in main, so that a signal during the start is not lost.
    static void catchSignals();

    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

Q_SIGNALS:
    void terminationRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};
