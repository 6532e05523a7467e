#pragma once

#include <QString>

// Where the program keeps its two files, PARANET.LST and TEMPO.SPC.
//
// Beside the executable whenever that folder (or the file already there) can
// be written: the CD-ROM copy, a portable copy, an install in the user's own
// folder, and the sibling program that shares PARANET.LST all find them there,
// unchanged.  Otherwise, and always for a system-wide install, per user:
// PARANET.LST in $XDG_CONFIG_HOME/questionnaire/, copied on first use from
// the file beside the executable, else from the installed template (the
// publisher's addresses); TEMPO.SPC in $XDG_STATE_HOME/questionnaire/.
//
// The draft of the answers being entered is always the user's own, in
// $XDG_DATA_HOME/questionnaire/.
struct Places {
    QString settingsDirectory; // holds PARANET.LST
    QString flagDirectory;     // holds TEMPO.SPC
    QString draftDirectory;    // holds the draft; empty: no draft is kept

    // Both files in one folder, as on the CD-ROM, and no draft.
    static Places beside(const QString& directory) { return {directory, directory, QString()}; }
};

namespace places
{

// What the choice depends on: forProgram() fills it for a program installed
// in the given folder, for the user who runs it; tests may change it.
struct Context {
    QString programDirectory;
    QString templatePath;          // the installed PARANET.LST template; may be missing
    QString userSettingsDirectory; // $XDG_CONFIG_HOME/questionnaire
    QString userStateDirectory;    // $XDG_STATE_HOME/questionnaire
    QString userDataDirectory;     // $XDG_DATA_HOME/questionnaire
    bool besideAllowed = true;     // false for a system-wide install (under /usr)
};

Context forProgram(const QString& programDirectory);
Context forThisProgram(); // the running program's own folder

// Chooses both folders.  On first use it may make the per-user folders and
// the per-user PARANET.LST (a private copy, writable by its owner), or a
// missing PARANET.LST beside the executable from the template.  When the
// per-user copy cannot be made, the file it would have been copied from is
// read where it lies.
Places choose(const Context& context);

} // namespace places
