#include "sheet/feuillep.h"
#include "sheet/terminationwatcher.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    // Standard buttons and dialogues in French ("Oui", "Non", "Annuler").
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    feuillep sheet;
    TerminationWatcher watcher;
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested, &sheet,
                     &feuillep::terminate);
    // Unload has written the flag: end at once, whatever other window is open.
    QObject::connect(&sheet, &feuillep::ended, &app, [] { QCoreApplication::exit(0); });
    sheet.show();
    return app.exec();
}
