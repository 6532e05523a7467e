#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks the password of the mail server, and whether to keep it in the
// desktop's keyring.  Without a keyring the box cannot be ticked and the
// window says why.
class PasswordWindow : public QDialog
{
    Q_OBJECT
public:
    // notice, when not empty, says why the password is asked again.
    PasswordWindow(const QString& host, const QString& user, bool keyringAvailable,
                   const QString& notice = QString(), QWidget* parent = nullptr);
    ~PasswordWindow() override;

    QString password() const;
    bool rememberPassword() const;

    QLabel* notice = nullptr;
    QLineEdit* entry = nullptr;
    QCheckBox* remember = nullptr;
    QLabel* noKeyring = nullptr; // shown only without a keyring
    QPushButton* cancel = nullptr;
    QPushButton* validate = nullptr;
};
