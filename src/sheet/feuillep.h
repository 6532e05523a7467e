#pragma once

#include "sheet/answercontrols.h"
#include "sheet/printeddocument.h"
#include "storage/places.h"

#include <QCoreApplication>
#include <QWidget>
#include <memory>

class Banner;
class ComposeBuffer;
class DialupLink;
class ImageButton;
class Page;
class QDialog;
class QPrinter;
class QScrollBar;
class QTimer;
class WindowRuleKeeper;

// The sheet window: the questionnaire page P1 under the banner P2, with the
// scroll bar VScroll1 at its right edge.  Its controls are public so that the
// page layout, the answer text and the tests address them by array and index.
// Its handlers are thin: the page is built by PageBuilder, the window rule
// kept by WindowRuleKeeper, the banner paints itself.
class feuillep : public QWidget, public AnswerControls
{
    Q_OBJECT
public:
    // TEMPO.SPC and PARANET.LST lie where places says; the second form keeps
    // both in one folder, as on the CD-ROM.
    explicit feuillep(const Places& places, QWidget* parent = nullptr);
    explicit feuillep(const QString& directory, QWidget* parent = nullptr);
    ~feuillep() override;

    // Controls besides those of the page (AnswerControls).
    Banner* P2 = nullptr;
    ImageButton* Image1 = nullptr;
    QScrollBar* VScroll1 = nullptr;
    Page* P1 = nullptr;
    QTimer* Timer1 = nullptr;
    ComposeBuffer* rtf1 = nullptr; // hidden; owned by the window
    printeddocument::Printer CommonDialog1;

    const Places& places() const { return m_places; }
    QString flagPath() const;

    // Appends the answer text to rtf1, in its current formatting.
    void majtexte();

    // Shows the program's own dialog modally over the sheet; once it has
    // closed, the page is built again, at its top, answers kept.  Returns
    // what exec returned.
    int runOwnModal(QDialog* dialog);

    // Lifecycle.
    // Ends the program without asking anything: a termination signal or the
    // end of the desktop session.  Unload still runs.
    void terminate();
    // The dial-up link asked about at close; the platform's own by default.
    void setDialupLink(std::unique_ptr<DialupLink> link);

Q_SIGNALS:
    // Unload is under way: what must reach the disk goes now.
    void unloading();
    // The answers went by e-mail.
    void answersSent();
    // Unload has run: the program must end now.
    void ended();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void createStaticControls();
    void connectHandlers();
    void writeFlag(const QString& value);

    // Window events.
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    void Form_QueryUnload();
    void Form_Unload();
    // A change of size, state or frame that came from outside.
    void followWindowSystem();

    // The page.
    void lapage();
    void scrollToShow(QWidget* control);

    // Controls.
    void P2_Paint();
    void P2_Resize();
    void P2_Click();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void Timer1_Timer();
    void Image1_Click();
    void Command1_Click();
    void Command2_Click();

    Places m_places;
    WindowRuleKeeper* m_rule = nullptr;
    // Keeps nested resize notifications out of the window rule.
    bool m_inResize = false;
    bool m_shownOnce = false;
    // The client size the page was last built for.
    QSize m_builtFor;
    bool m_unloaded = false;
    bool m_askOnClose = true;
    std::unique_ptr<DialupLink> m_dialup;
};
