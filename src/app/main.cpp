#include "app/start.h"
#include "app/terminationwatcher.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    TerminationWatcher::catchSignals();
    QApplication app(argc, argv);
    return runQuestionnaire(app);
}
