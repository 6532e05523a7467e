#pragma once

class QApplication;

// Opens the questionnaire and runs it until its window has unloaded; returns
// the program's exit code.  Everything main does after making the
// application object, so that the start benchmark runs the very same start.
int runQuestionnaire(QApplication& app);
