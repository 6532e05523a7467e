#pragma once

#include "settings/connectionprofile.h"
#include "smtp/serverfinder.h"

#include <QDialog>

#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The settings window: edits the sender's name, address and mail server
// (records 3, 4 and 5 of PARANET.LST) and shows the five other addresses of
// the file for information.  Each box is checked as it is typed, as the
// dispatch window will check it, and a short hint under it says what is
// wrong.  « Rechercher » (or leaving the address with no server) finds the
// server from the address's domain, for the user to accept.  It reads the
// file as it is constructed and writes it only on "Valider", as typed; the
// way to the server found is kept with the connection settings.
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
    QLabel* Hint3 = nullptr; // under each box: what is wrong, or what to do
    QLabel* Hint4 = nullptr;
    QLabel* Hint5 = nullptr;
    QPushButton* Rechercher = nullptr;

    // Where the way to a found server is kept: the user's configuration
    // unless a test says otherwise.
    void setProfiles(const ConnectionProfiles& profiles) { m_profiles = profiles; }
    // The name and address the questionnaire's section F gives, offered in
    // the boxes that are empty.
    void offerContact(const QString& name, const QString& address);
    // Looks for the server of the address's domain.
    void search();
    ServerFinder* finder() const { return m_finder; }

private:
    void createControls();
    void showEntry(QLineEdit* box, const QString& text);
    void check();
    void hint(QLabel* label, QLineEdit* box, const QString& text, bool fault);
    void serverFound(const ServerFinder::Found& found);
    // What the dispatch window will refuse, in words; empty when nothing.
    QString refused() const;

    void Form_Load();
    void Command2_Click();
    void Command3_Click();

    QString m_directory;
    ConnectionProfiles m_profiles;
    ServerFinder* m_finder;
    std::optional<ServerFinder::Found> m_accepted; // the server the user took
    QString m_offeredName; // what section F put in the boxes, while they hold it
    QString m_offeredAddress;
    QString m_searched; // the domain of the last search started by itself
};
