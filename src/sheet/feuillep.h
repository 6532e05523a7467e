#pragma once

#include "sheet/catalogue.h"
#include "sheet/controlarray.h"

#include <QCoreApplication>
#include <QWidget>
#include <memory>

class Banner;
class ComposeBuffer;
class DialupLink;
class ImageButton;
class Page;
class QCheckBox;
class QComboBox;
class QDialog;
class QPainter;
class QPrinter;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

// The sheet window: the questionnaire page P1 under the banner P2, with the
// scroll bar VScroll1 at its right edge.  Its controls are public so that the
// page layout, the answer text and the tests address them by array and index.
class feuillep : public QWidget
{
    Q_OBJECT
public:
    // The flag file TEMPO.SPC lies in appDirectory.
    explicit feuillep(const QString& appDirectory = QCoreApplication::applicationDirPath(),
                      QWidget* parent = nullptr);
    ~feuillep() override;

    // Static controls.
    Banner* P2 = nullptr;
    ImageButton* Image1 = nullptr;
    QScrollBar* VScroll1 = nullptr;
    Page* P1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QTimer* Timer1 = nullptr;
    ComposeBuffer* rtf1 = nullptr; // hidden; owned by the window
    // The printer of the print command, kept so that the one chosen stays chosen.
    std::unique_ptr<QPrinter> CommonDialog1;

    // Answer controls.  t1 members are QLineEdit, or QPlainTextEdit for the
    // two several-line boxes (9 and 17): read them through t1Text.
    ControlArray<QWidget> Frame1;
    ControlArray<QRadioButton> Option1;
    ControlArray<QCheckBox> Check1;
    ControlArray<QWidget> t1;
    ControlArray<QComboBox> it;
    ControlArray<QComboBox> diff;
    QComboBox* site = nullptr;

    // The answer control, or command button, that the catalogue names; a
    // Frame1 member for a yes/no pair.  nullptr when there is none.
    QWidget* control(catalogue::Kind kind, int index) const;

    // The text of t1(index) as typed; line breaks of a several-line box are CR LF.
    QString t1Text(int index) const;

    QString directory() const { return m_directory; }
    QString flagPath() const;

    // Ends the program without asking anything: a termination signal or the
    // end of the desktop session.  Unload still runs.
    void terminate();

    // Appends the answer text to rtf1, in its current formatting.
    void majtexte();

    // The dial-up link asked about at close; the platform's own by default.
    void setDialupLink(std::unique_ptr<DialupLink> link);

    // Page layout, banner and scrolling (feuillep_layout.cpp).
public:
    // Shows the program's own dialog modally over the sheet; once it has
    // closed, the page is built again, at its top, answers kept.  Returns
    // what exec returned.
    int runOwnModal(QDialog* dialog);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void connectLayout();
    void followWindowSystem();
    void Form_Resize();
    void Form_Activate();
    void lapage();
    void applyWindowRule();
    void checkWindowRule();
    void P2_Paint(QPainter* painter);
    void P2_Resize();
    void P2_Click();
    void VScroll1_Change();
    void VScroll1_Scroll();
    void Timer1_Timer();
    void scrollToShow(QWidget* control);

    // Keeps nested resize notifications out of the window rule.
    bool m_inResize = false;
    bool m_shownOnce = false;
    // The client size the page was last built for.
    QSize m_builtFor;
    // The frame margins the window rule last went by.
    QMargins m_ruleFrame;
    // Looks again once the window system has answered the rule.
    QTimer* m_ruleCheck = nullptr;
    int m_ruleCorrections = 0;

Q_SIGNALS:
    // Unload has run: the program must end now.
    void ended();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createStaticControls();
    void createAnswerControls();
    void setFocusOrder();
    void loadScales();

    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();
    void Image1_Click();
    void Command1_Click();
    void Command2_Click();

    void writeFlag(const QString& value);

    QString m_directory;
    bool m_unloaded = false;
    bool m_askOnClose = true;
    std::unique_ptr<DialupLink> m_dialup;
};
