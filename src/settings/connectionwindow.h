#pragma once

#include "settings/connectionprofile.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The connection settings of one mail server: how to reach it (automatic,
// plain, STARTTLS, implicit TLS), the port and the user name.  It reads the
// profile as it is constructed and writes it only on "Valider".
class ConnectionWindow : public QDialog
{
    Q_OBJECT
public:
    // host is the server of PARANET.LST; sender the address the user name
    // defaults to.
    ConnectionWindow(const ConnectionProfiles& profiles, const QString& host, const QString& sender,
                     QWidget* parent = nullptr);

    QComboBox* mode = nullptr;
    QSpinBox* port = nullptr;
    QLineEdit* user = nullptr;
    QLabel* certificates = nullptr;
    QLabel* clearText = nullptr; // said beside a choice without encryption
    QPushButton* forget = nullptr; // forgets the certificates accepted by hand
    QPushButton* cancel = nullptr;
    QPushButton* validate = nullptr;

private:
    void save();

    ConnectionProfiles m_profiles;
    QString m_host;
    ConnectionProfile m_profile;
};
