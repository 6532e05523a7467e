#pragma once

#include "answers/catalogue.h"
#include "sheet/controlarray.h"

#include <QString>

#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QWidget;

// The controls of the questionnaire page, built from the catalogue: the
// answer arrays by index and the two command buttons.  The page layout, the
// answer text and the tests address them through here.
class AnswerControls
{
public:
    // t1 members are QLineEdit, or QPlainTextEdit for the two several-line
    // boxes (9 and 17): read them through t1Text.
    ControlArray<QWidget> Frame1;
    ControlArray<QRadioButton> Option1;
    ControlArray<QCheckBox> Check1;
    ControlArray<QWidget> t1;
    ControlArray<QComboBox> it;
    ControlArray<QComboBox> diff;
    QComboBox* site = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

    // The control that the catalogue names; a Frame1 member for a yes/no
    // pair.  nullptr when there is none.
    QWidget* control(catalogue::Kind kind, int index) const;

    // The text of t1(index) as typed; line breaks of a several-line box are CR LF.
    QString t1Text(int index) const;

protected:
    // Creates every control on the page, the command buttons first.
    void createControls(QWidget* page);
    // Tab and Shift+Tab go from `first` through the controls in the order the
    // page shows them, question by question (a yes/no pair: « Oui », then
    // « Non »), the command buttons where they stand, to `last`.
    void chainFocus(const std::vector<QWidget*>& first, QWidget* last);
    // Fills the drop-down lists with their scales, nothing selected.
    void loadScales();
};
