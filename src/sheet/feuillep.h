#pragma once

#include "sheet/controlarray.h"

#include <QCoreApplication>
#include <QWidget>

class Banner;
class ComposeBuffer;
class ImageButton;
class Page;
class QCheckBox;
class QComboBox;
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

    // Answer controls.  t1 members are QLineEdit, or QPlainTextEdit for the
    // two several-line boxes (9 and 17): read them through t1Text.
    ControlArray<QWidget> Frame1;
    ControlArray<QRadioButton> Option1;
    ControlArray<QCheckBox> Check1;
    ControlArray<QWidget> t1;
    ControlArray<QComboBox> it;
    ControlArray<QComboBox> diff;
    QComboBox* site = nullptr;

    // The text of t1(index) as typed; line breaks of a several-line box are CR LF.
    QString t1Text(int index) const;

    QString directory() const { return m_directory; }
    QString flagPath() const;

    // Ends the program without asking anything: a termination signal or the
    // end of the desktop session.  Unload still runs.
    void terminate();

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

    void writeFlag(const QString& value);

    QString m_directory;
    bool m_unloaded = false;
    bool m_askOnClose = true;
};
