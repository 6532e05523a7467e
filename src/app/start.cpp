#include "app/start.h"

#include "app/french.h"
#include "app/terminationwatcher.h"
#include "sheet/draftkeeper.h"
#include "sheet/feuillep.h"
#include "storage/places.h"

#include <QApplication>
#include <QTimer>

int runQuestionnaire(QApplication& app)
{
    // Ties the window to its menu entry and icon once installed.
    QGuiApplication::setDesktopFileName(QStringLiteral("fr.tarvel.questionnaire"));
    useFrench(&app);

    // A signal caught during the start waits in the watcher until the loop
    // runs, so that Unload still writes the flag.
    TerminationWatcher watcher;
    feuillep sheet(places::choose(places::forThisProgram()));
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested, &sheet,
                     &feuillep::terminate);
    // Unload has written the flag: end at once, whatever other window is open.
    QObject::connect(&sheet, &feuillep::ended, &app, [] { QCoreApplication::exit(0); });
    DraftKeeper* draft = DraftKeeper::attach(sheet);
    sheet.show();
    // Asked over the shown window, once the loop runs.
    QTimer::singleShot(0, draft, [draft, &sheet] { draft->offer(&sheet); });
    return app.exec();
}
