#pragma once

class QDialog;
class QHBoxLayout;
class QPushButton;

// The "Annuler" / "Valider" row closing the small windows added to the
// program's own: both at the right, "Valider" the default, "Annuler"
// rejecting the window.  What "Valider" does is the window's to connect.
struct ButtonRow {
    QPushButton* cancel;
    QPushButton* validate;
    QHBoxLayout* layout;
};

ButtonRow cancelValidateRow(QDialog* dialog);
