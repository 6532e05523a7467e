#include "tallywindows/mailboxwindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

MailboxWindow::MailboxWindow(const imap::Address& last, QWidget* parent)
    : QDialog(parent),
      m_server(new QLineEdit(last.host)),
      m_port(new QSpinBox),
      m_user(new QLineEdit(last.user)),
      m_folder(new QLineEdit(last.folder)),
      m_mode(new QComboBox)
{
    setWindowTitle(QStringLiteral("Boîte aux lettres"));
    m_port->setRange(1, 65535);
    m_port->setValue(last.port);
    m_mode->addItem(QStringLiteral("TLS dès la connexion (IMAPS, 993)"));
    m_mode->addItem(QStringLiteral("STARTTLS (IMAP, 143)"));
    m_mode->setCurrentIndex(last.implicitTls ? 0 : 1);
    // The usual port follows the mode, unless another was typed.
    connect(m_mode, &QComboBox::currentIndexChanged, this, [this](int mode) {
        if (m_port->value() == 993 || m_port->value() == 143)
            m_port->setValue(mode == 0 ? 993 : 143);
    });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Serveur :"), m_server);
    form->addRow(QStringLiteral("&Chiffrement :"), m_mode);
    form->addRow(QStringLiteral("&Port :"), m_port);
    form->addRow(QStringLiteral("&Utilisateur :"), m_user);
    form->addRow(QStringLiteral("&Dossier :"), m_folder);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Importer"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto complete = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)
            ->setEnabled(!m_server->text().trimmed().isEmpty() && !m_user->text().trimmed().isEmpty() &&
                         !m_folder->text().trimmed().isEmpty());
    };
    for (QLineEdit* e : {m_server, m_user, m_folder})
        connect(e, &QLineEdit::textChanged, this, complete);
    complete();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

imap::Address MailboxWindow::address() const
{
    imap::Address a;
    a.implicitTls = m_mode->currentIndex() == 0;
    a.host = m_server->text().trimmed();
    a.port = quint16(m_port->value());
    a.user = m_user->text().trimmed();
    a.folder = m_folder->text().trimmed();
    return a;
}
