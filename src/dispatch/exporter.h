#pragma once

#include "answers/answertext.h"
#include "smtp/smtpsession.h"
#include "settings/connectionprofile.h"
#include "storage/paranet.h"

#include <QDialog>
#include <QElapsedTimer>
#include <functional>

class Credentials;
class ImageButton;
class QLabel;
class QPushButton;
class QTimer;

// The dispatch window: who sends the questionnaire, three picture buttons
// (close, settings, send) and the status line of the SMTP exchange.  It reads
// the mail settings from PARANET.LST as it is constructed and again after the
// settings window has closed.
class Exporter : public QDialog
{
    Q_OBJECT
public:
    // PARANET.LST lies in directory.  answerText gives the text to send at the
    // moment "Expédier" is clicked.  Without TLS the mail server is reached on
    // port 25; only tests choose another.
    Exporter(const QString& directory, std::function<QString()> answerText,
             QWidget* parent = nullptr, quint16 port = 25);

    // False when the settings could not be read: the message has been shown
    // and the window must not be shown.
    bool loaded() const { return m_loaded; }

    QLabel* Label4 = nullptr; // the subject word
    QLabel* Label3 = nullptr;
    ImageButton* Label5 = nullptr;    // the sender line; a click opens the settings
    ImageButton* Image1 = nullptr;    // close without sending
    ImageButton* Image3 = nullptr;    // settings
    ImageButton* Image2 = nullptr;    // send
    QLabel* Label1 = nullptr;         // status line
    QPushButton* Connexion = nullptr; // the connection settings of the server
    SmtpSession* Winsock1 = nullptr;  // the exchange over the window's socket
    QLabel* Label6 = nullptr;         // section F names someone else than the author
    QPushButton* Utiliser = nullptr;  // ... and takes section F's name and address

    // Section F of the sheet: offered in « Paramètres » where it is empty,
    // and shown under the author's line when it names someone else.
    void setContact(const answertext::Contact& contact);

    // Where the connection settings of each server are kept: the user's
    // configuration unless a test says otherwise.
    void setProfiles(const ConnectionProfiles& profiles) { m_profiles = profiles; }
    // The TLS ports automatic mode tries besides the plain one (465, 587):
    // tests choose theirs.
    void setAutomaticPorts(quint16 implicit, quint16 submission);
    // Asks whether the answers may go without encryption, when automatic
    // mode found no other way: true to send, this time only.  Tests answer
    // it here; by default a box asks, « Non » the default.
    using ClearTextQuestion = std::function<bool(QWidget* parent)>;
    void setClearTextQuestion(ClearTextQuestion ask) { m_askClearText = std::move(ask); }
    static bool askClearText(QWidget* parent);

    // Every way of closing ends here: a run in progress stops, quietly.
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();

    bool Form_Load();
    void Image1_Click();
    void Image3_Click();
    void Image2_Click();
    void Connexion_Click();
    void Winsock1_ClearTextNeedsConsent();
    void Winsock1_PasswordNeeded(const QString& user, bool refused);
    void Winsock1_Progressed(SmtpSession::Step step);
    void Winsock1_Succeeded();
    void Winsock1_Failed(const SmtpSession::Failure& failure);
    void refuse(const SmtpSession::Start& verdict);
    bool contactDiffers() const;
    void showContact();
    void useContact();
    void setBusy(bool busy);
    void sayWhatWaits();
    void setStatus(const QString& text);

    QString m_directory;
    std::function<QString()> m_answerText;
    ClearTextQuestion m_askClearText = &Exporter::askClearText;
    bool m_loaded = false;
    ConnectionProfiles m_profiles;
    Credentials* m_credentials;
    answertext::Contact m_contact;

    // expediteur, adresse, serveur and destinataire: records 3, 4, 5 and 6
    // of PARANET.LST, handed whole to the session.
    paranet::DispatchSettings settings;
    // The reply-code slot: the code of the server's last reply in the last
    // run, "0" while it has said nothing; the failure details quote it.
    QString codesmtp = QStringLiteral("0");

    QString m_step; // the status of the last step reported
    QTimer* m_waitWatch = nullptr;
    QElapsedTimer m_waitClock; // since the exchange last moved
    std::pair<SmtpSession::State, SmtpConnector::Stage> m_waiting;
};
