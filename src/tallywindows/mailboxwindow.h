#pragma once

#include "imap/mailbox.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QSpinBox;

// « Boîte aux lettres » : where the answers arrive on an IMAP server: the
// server, its port, the user, the folder and how TLS begins.
class MailboxWindow : public QDialog
{
    Q_OBJECT
public:
    explicit MailboxWindow(const imap::Address& last, QWidget* parent = nullptr);
    imap::Address address() const;

private:
    QLineEdit* m_server;
    QSpinBox* m_port;
    QLineEdit* m_user;
    QLineEdit* m_folder;
    QComboBox* m_mode;
};
