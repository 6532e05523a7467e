#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The settings window: edits the sender's name, address and mail server
// (records 3, 4 and 5 of PARANET.LST) and shows the five other addresses of
// the file for information.  It reads the file as it is constructed and
// writes it only on "Valider"; the file is its only result.
class param : public QDialog
{
    Q_OBJECT
public:
    // PARANET.LST lies in directory.  A read failure is told here, before the
    // window is shown.
    explicit param(const QString& directory, QWidget* parent = nullptr);

    QGroupBox* Frame1 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Text5 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;

private:
    void createControls();
    void showEntry(QLineEdit* box, const QString& text);

    void Form_Load();
    void Command2_Click();
    void Command3_Click();

    QString m_directory;
};
