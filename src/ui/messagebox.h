#pragma once

#include <QMap>
#include <QMessageBox>
#include <QString>

// Every modal box of the program goes through here, so that one place decides
// how a box looks and tests can answer a box without a window on screen.
// Its words are always shown as plain text, never as markup.
class MessageBox
{
public:
    // What the last box said, shown or answered in advance.
    struct Record {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QString informative; // below the text, empty when it has none
        QString details;     // behind « Montrer les détails », empty when it has none
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        // Words of a button in place of its standard ones (« Reprendre »
        // for Yes...), where the standard ones would not say what it does.
        QMap<QMessageBox::StandardButton, QString> buttonTexts;
    };

    static QMessageBox::StandardButton show(QWidget* parent, const Record& record);
    static QMessageBox::StandardButton
    show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
         QMessageBox::StandardButtons buttons = QMessageBox::Ok,
         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
         const QString& details = QString());

    static void critical(QWidget* parent, const QString& title, const QString& text,
                         const QString& details = QString());
    static void warning(QWidget* parent, const QString& title, const QString& text);
    static void information(QWidget* parent, const QString& title, const QString& text);
    // Yes and No, Yes the default; true on Yes.
    static bool question(QWidget* parent, const QString& title, const QString& text);

    // For tests: the next boxes are not shown but answered at once, in turn,
    // with these buttons.  Once they are used up, boxes show again.
    static void setNextAnswer(QMessageBox::StandardButton button);
    static void clearNextAnswers();

    // For tests: the boxes asked for since the last reset, oldest first.
    static int count();
    static Record last();
    static void reset();

    // The box exactly as show() builds it, for a caller that needs the real
    // widget (tests that check the French buttons).
    static QMessageBox* build(QWidget* parent, const Record& record);
};
