#pragma once

#include "storage/draft.h"

#include <QMap>
#include <QObject>
#include <QString>

class AnswerControls;
class feuillep;
class QTimer;
class QWidget;

// Keeps the answers being entered in the user's draft file: written within
// half a second of a change (so that a crash loses at most the last second),
// at once when asked (a termination signal, the window closing), removed
// once they have gone or when nothing is answered.  At start it offers the
// answers of the last draft back.
class DraftKeeper : public QObject
{
    Q_OBJECT
public:
    // path: the draft file; empty keeps nothing.
    DraftKeeper(AnswerControls& controls, const QString& path, QObject* parent = nullptr);

    // The keeper of a sheet window, in the window's draft folder (none: the
    // answers are not kept) and owned by it: written before the window ends,
    // removed once its answers have gone.
    static DraftKeeper* attach(feuillep& sheet);

    // What the controls hold now, as a draft; entries only for answers given.
    draft::Draft snapshot() const;
    // Fills the controls from a draft, all or nothing: false, with nothing
    // changed, when an entry names no control or holds what its control
    // cannot (an index out of range, a text too long for its box...).
    bool restore(const draft::Draft& draft);

    // At start: a draft left by an earlier run is offered back (« Reprendre »,
    // or « Supprimer le brouillon », which the question says deletes it); a
    // damaged one is set aside, saying so.
    void offer(QWidget* parent);

    // Writes now what is pending.
    void flush();
    // The answers have gone: the draft goes too.
    void discard();

private:
    void changed();
    void write();

    AnswerControls& m_controls;
    QString m_path;
    QTimer* m_timer;
    QMap<int, QString> m_initialTexts; // the text boxes as the program fills them
};
