#include "dispatch/passwordwindow.h"

#include "ui/buttonrow.h"
#include "ui/fonts.h"
#include "ui/plaintext.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PasswordWindow::PasswordWindow(const QString& host, const QString& user, bool keyringAvailable,
                               const QString& noticeText, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PasswordWindow"));
    setWindowTitle(QStringLiteral("Mot de passe"));
    setFont(dialogFont(8));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    notice = ui::label(noticeText, this);
    notice->setObjectName(QStringLiteral("notice"));
    notice->setWordWrap(true);
    notice->setVisible(!noticeText.isEmpty());
    layout->addWidget(notice);

    auto* prompt = ui::label(
        QStringLiteral("Le serveur %1 demande le mot de passe de %2 :").arg(host.trimmed(), user),
        this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);

    entry = new QLineEdit(this);
    entry->setObjectName(QStringLiteral("entry"));
    entry->setEchoMode(QLineEdit::Password);
    // Nothing typed here may leave through the clipboard or an input method.
    entry->setAttribute(Qt::WA_InputMethodEnabled, false);
    layout->addWidget(entry);

    remember = new QCheckBox(QStringLiteral("Mémoriser le mot de passe"), this);
    remember->setObjectName(QStringLiteral("remember"));
    remember->setEnabled(keyringAvailable);
    layout->addWidget(remember);

    noKeyring = ui::label(
        QStringLiteral("Aucun trousseau de clés n’est disponible sur ce bureau : le mot de passe "
                       "ne peut pas être mémorisé et sera demandé à chaque envoi."),
        this);
    noKeyring->setObjectName(QStringLiteral("noKeyring"));
    noKeyring->setWordWrap(true);
    noKeyring->setVisible(!keyringAvailable);
    layout->addWidget(noKeyring);

    const ButtonRow row = cancelValidateRow(this);
    cancel = row.cancel;
    validate = row.validate;
    connect(validate, &QPushButton::clicked, this, &QDialog::accept);
    layout->addLayout(row.layout);
    entry->setFocus();
}

PasswordWindow::~PasswordWindow()
{
    // Leaves no copy of the password in the line edit's undo history.
    entry->clear();
}

QString PasswordWindow::password() const
{
    return entry->text();
}

bool PasswordWindow::rememberPassword() const
{
    return remember->isEnabled() && remember->isChecked();
}
