#include "sheet/feuillep.h"
#include "app/french.h"
#include "app/terminationwatcher.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    useFrench(&app);

    feuillep sheet;
    TerminationWatcher watcher;
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested, &sheet,
                     &feuillep::terminate);
    // Unload has written the flag: end at once, whatever other window is open.
    QObject::connect(&sheet, &feuillep::ended, &app, [] { QCoreApplication::exit(0); });
    sheet.show();
    return app.exec();
}
