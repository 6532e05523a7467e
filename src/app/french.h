#pragma once

class QCoreApplication;

// Sets the French locale and loads Qt's own French translations, so that the
// standard buttons and dialogues read "Oui", "Non", "Annuler".  False when the
// translations are not installed (the program then runs with English buttons).
bool useFrench(QCoreApplication* app);
