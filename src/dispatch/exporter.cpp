#include "dispatch/exporter.h"

#include "dispatch/certificatebox.h"
#include "dispatch/credentials.h"
#include "dispatch/failuretext.h"
#include "smtp/tlsconfig.h"
#include "settings/connectionwindow.h"
#include "settings/param.h"
#include "smtp/mailcheck.h"
#include "storage/paranet.h"
#include "ui/fonts.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"
#include "ui/pictures.h"
#include "ui/toolwindow.h"
#include "ui/twips.h"
#include "ui/plaintext.h"

#include <QAccessible>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <iterator>

namespace
{

// The captions under the picture buttons: where the black shadow goes (in
// pixels, the top-left corner of the text); the white lettering stands two
// pixels up and to the left.
const struct Caption {
    const char* text;
    int x;
    int y;
} captions[] = {
    {"Annuler", 100, 104},
    {"Paramètres", 226, 104},
    {"Expédier", 369, 104},
};

const struct Picture {
    ImageButton* Exporter::*button;
    const char* name;
    pictures::Name image;
    const char* tooltip;
    int left;
} pictureButtons[] = {
    {&Exporter::Image1, "Image1", pictures::Name::Cancel, "Fermer sans expédier", 1560},
    {&Exporter::Image3, "Image3", pictures::Name::Computers, "Paramètres", 3600},
    {&Exporter::Image2, "Image2", pictures::Name::Telephone, "Expédier", 5640},
};

// The status line at each step of a run, in the order of the steps.
const char* const statusTexts[] = {
    "Connexion en cours", "Connecté",   "Expédition du message",
    "Déconnection",       "Déconnecté", "Terminé",
};

static_assert(std::size(statusTexts) == int(SmtpSession::Step::Finished) + 1,
              "one status text for each step");

// A step that takes longer than this is said to wait on the server.
constexpr qint64 SlowStepMs = 3000;

using Setting = SmtpSession::Setting;
using Cause = SmtpSession::Cause;

void colour(QWidget* w, const QColor& text, const QColor& background = QColor())
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, text);
    if (background.isValid()) {
        p.setColor(QPalette::Window, background);
        w->setAutoFillBackground(true);
    }
    w->setPalette(p);
}

} // namespace

Exporter::Exporter(const QString& directory, std::function<QString()> answerText, QWidget* parent,
                   quint16 port)
    : QDialog(parent), m_directory(directory), m_answerText(std::move(answerText)),
      m_credentials(new Credentials(this, this))
{
    setObjectName(QStringLiteral("Exporter"));
    setWindowTitle(QStringLiteral("Expédier le questionnaire par courrier électronique"));
    setFont(dialogFont(8)); // the default dialog font
    colour(this, Qt::black, QColor(58, 140, 201));

    Winsock1 = new SmtpSession(port, this);
    connect(Winsock1, &SmtpSession::progressed, this, &Exporter::Winsock1_Progressed);
    connect(Winsock1, &SmtpSession::succeeded, this, &Exporter::Winsock1_Succeeded);
    connect(Winsock1, &SmtpSession::failed, this, &Exporter::Winsock1_Failed);
    // Queued: the questions do not open inside the socket's signal.
    connect(Winsock1, &SmtpSession::clearTextNeedsConsent, this,
            &Exporter::Winsock1_ClearTextNeedsConsent, Qt::QueuedConnection);
    connect(Winsock1, &SmtpSession::passwordNeeded, this, &Exporter::Winsock1_PasswordNeeded,
            Qt::QueuedConnection);
    connect(Winsock1, &SmtpSession::passwordAccepted, m_credentials, &Credentials::accepted);
    m_waitWatch = new QTimer(this);
    m_waitWatch->setInterval(1000);
    connect(m_waitWatch, &QTimer::timeout, this, &Exporter::sayWhatWaits);

    createControls();
    setUpToolWindow(this, 7890, 2235);

    m_loaded = Form_Load();
}

void Exporter::createControls()
{
    // Label4 shows the subject word; it goes first, so that the sender row
    // covers the one pixel row by which it overlaps it.
    Label4 = ui::label(QStringLiteral("Questionnaire"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(twips::toPixels(360, 0, 6735, 255, this));
    colour(Label4, Qt::black, Qt::white);

    Label3 = ui::label(QStringLiteral("Auteur:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(twips::toPixels(0, 240, 1215, 255, this));
    Label3->setFont(dialogFont(9.75, true));
    colour(Label3, QColor(247, 247, 225));

    Label5 = new ImageButton(this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(twips::toPixels(1320, 240, 6375, 255, this));
    colour(Label5, Qt::black, Qt::white);
    connect(Label5, &ImageButton::clicked, this, &Exporter::Image3_Click);
    Label5->setFocusPolicy(Qt::NoFocus); // the keyboard has "Paramètres"

    const QCursor hand = pictures::hand(devicePixelRatioF());
    for (size_t i = 0; i < std::size(pictureButtons); ++i) {
        const Picture& p = pictureButtons[i];
        auto* b = new ImageButton(this);
        b->setAccessibleName(QString::fromUtf8(captions[i].text)); // painted under it
        b->setObjectName(QLatin1String(p.name));
        b->setGeometry(twips::toPixels(p.left, 1020, 480, 480, this));
        b->setPixmap(pictures::pixmap(p.image, devicePixelRatioF()));
        b->setToolTip(QString::fromUtf8(p.tooltip));
        b->setCursor(hand);
        this->*p.button = b;
    }
    connect(Image1, &ImageButton::clicked, this, &Exporter::Image1_Click);
    connect(Image3, &ImageButton::clicked, this, &Exporter::Image3_Click);
    connect(Image2, &ImageButton::clicked, this, &Exporter::Image2_Click);

    // Right of the send button, clear of its caption and of the status line.
    Connexion = new QPushButton(QStringLiteral("Connexion…"), this);
    Connexion->setObjectName(QStringLiteral("Connexion"));
    Connexion->setGeometry(twips::toPixels(6600, 1050, 1170, 390, this));
    Connexion->setToolTip(QStringLiteral("Mode de connexion, port et identifiant du serveur"));
    connect(Connexion, &QPushButton::clicked, this, &Exporter::Connexion_Click);

    Label1 = ui::label(QString(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips::toPixels(0, 1980, 7890, 255, this));
    colour(Label1, QColor(0, 0, 128), QColor(192, 192, 192));

    // Under the « Auteur » line: section F names someone else.
    Label6 = ui::label(QString(), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setGeometry(twips::toPixels(1320, 540, 4800, 300, this));
    colour(Label6, Qt::black, QColor(255, 240, 190));
    Label6->hide();
    Utiliser = new QPushButton(QStringLiteral("Utiliser ces coordonnées"), this);
    Utiliser->setObjectName(QStringLiteral("Utiliser"));
    Utiliser->setGeometry(twips::toPixels(6180, 525, 1590, 330, this));
    Utiliser->setToolTip(QStringLiteral("Enregistre le nom et l’adresse de la section F dans « Paramètres »"));
    Utiliser->hide();
    connect(Utiliser, &QPushButton::clicked, this, &Exporter::useContact);
}

namespace
{

// A name's letters and digits alone, folded: « Dupré-Martin » is « dupremartin ».
QString letters(const QString& s)
{
    QString out;
    for (const QChar c : answertext::folded(s))
        if (c.isLetterOrNumber())
            out += c;
    return out;
}

// Whether one of two names holds the other: « Mme Marie Dupré » and « Marie Dupré ».
bool sameName(const QString& a, const QString& b)
{
    const QString x = letters(a), y = letters(b);
    return !x.isEmpty() && !y.isEmpty() && (x.contains(y) || y.contains(x));
}

} // namespace

void Exporter::setContact(const answertext::Contact& contact)
{
    m_contact = contact;
    showContact();
}

bool Exporter::contactDiffers() const
{
    const QString email = m_contact.email.trimmed();
    const bool otherAddress = mailcheck::address(email) == mailcheck::Fault::None &&
                              email.compare(settings.adresse.trimmed(), Qt::CaseInsensitive) != 0;
    // The saved name may be the establishment's: that is no one else.
    const bool otherName = !m_contact.name.trimmed().isEmpty() && !sameName(settings.expediteur, m_contact.name) &&
                           !sameName(settings.expediteur, m_contact.establishment);
    return otherName || otherAddress;
}

void Exporter::showContact()
{
    const bool differs = contactDiffers();
    if (differs) {
        QStringList who;
        if (!m_contact.name.trimmed().isEmpty())
            who << m_contact.name.trimmed();
        if (!m_contact.email.trimmed().isEmpty())
            who << m_contact.email.trimmed();
        Label6->setText(QStringLiteral("Vos coordonnées (section F) : %1").arg(who.join(QStringLiteral(", "))));
    }
    Label6->setVisible(differs);
    Utiliser->setVisible(differs);
}

void Exporter::useContact()
{
    if (Winsock1->isRunning())
        return;
    const QString name = m_contact.name.trimmed().isEmpty() ? settings.expediteur : m_contact.name.trimmed();
    const QString email = mailcheck::address(m_contact.email.trimmed()) == mailcheck::Fault::None
                              ? m_contact.email.trimmed()
                              : settings.adresse;
    if (!paranet::writeSender(m_directory, name, email, settings.serveur))
        MessageBox::critical(this, QStringLiteral("Ecriture impossible sur disque"),
                             QStringLiteral("Impossible d'écrire les paramètres: disque non valide pour l'écriture."));
    if (!Form_Load())
        reject();
}

bool Exporter::Form_Load()
{
    paranet::DispatchSettings s;
    if (!paranet::readDispatch(m_directory, &s)) {
        MessageBox::critical(isVisible() ? this : parentWidget(),
                             QStringLiteral("Lecture impossible"),
                             QStringLiteral("Lecture imposible sur le disque."));
        return false;
    }
    settings = s;
    Label5->setText(settings.expediteur + QStringLiteral(" ( ") + settings.adresse +
                    QStringLiteral(" )"));
    showContact();
    return true;
}

void Exporter::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const int ascent = QFontMetrics(bold).ascent();
    painter.setPen(Qt::black);
    for (const Caption& c : captions)
        painter.drawText(c.x, c.y + ascent, QString::fromUtf8(c.text));
    painter.setPen(QColor(255, 255, 255));
    for (const Caption& c : captions)
        painter.drawText(c.x - 2, c.y - 2 + ascent, QString::fromUtf8(c.text));
}

void Exporter::done(int result)
{
    Winsock1->abort();
    setBusy(false);
    QDialog::done(result);
}

// While a run is under way: the busy cursor, and the commands that would do
// nothing shown as such; « Annuler » stays, and stops the run at once.
void Exporter::setBusy(bool busy)
{
    for (QWidget* w : std::initializer_list<QWidget*>{Image2, Image3, Label5, Connexion, Utiliser})
        w->setEnabled(!busy);
    if (busy) {
        setCursor(Qt::BusyCursor);
        m_waiting = {};
        m_waitClock.start();
        m_waitWatch->start();
    } else {
        unsetCursor();
        m_waitWatch->stop();
    }
}

// A wait of more than a few seconds on the server: the status line says for
// which step.
void Exporter::sayWhatWaits()
{
    const auto now = std::make_pair(Winsock1->state(), Winsock1->stage());
    if (now != m_waiting) {
        m_waiting = now;
        m_waitClock.restart();
    }
    if (!Winsock1->isRunning() || m_waitClock.elapsed() < SlowStepMs)
        return;
    setStatus(m_step + QStringLiteral(" — en attente du serveur : ") +
              failuretext::waiting(now.first, now.second));
}

void Exporter::setStatus(const QString& text)
{
    if (Label1->text() == text)
        return;
    Label1->setText(text);
    // Its text is its name: a screen reader hears each change as it comes.
    QAccessibleEvent changed(Label1, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void Exporter::Image1_Click()
{
    reject();
}

void Exporter::Image3_Click()
{
    // The settings of a run under way stay as they are until it ends.
    if (Winsock1->isRunning())
        return;
    param window(m_directory, this);
    window.setProfiles(m_profiles);
    window.offerContact(m_contact.name, m_contact.email);
    window.exec();
    if (!Form_Load())
        reject();
}

void Exporter::setAutomaticPorts(quint16 implicit, quint16 submission)
{
    SmtpSession::Connection c = Winsock1->connection();
    c.implicitPort = implicit;
    c.startTlsPort = submission;
    Winsock1->setConnection(c);
}

void Exporter::Connexion_Click()
{
    if (Winsock1->isRunning())
        return;
    ConnectionWindow window(m_profiles, settings.serveur, settings.adresse, this);
    window.exec();
}

void Exporter::Winsock1_PasswordNeeded(const QString& user, bool refused)
{
    if (!Winsock1->isRunning())
        return;
    m_credentials->ask(settings.serveur, user, refused,
                       [this](bool given, const QString& password) {
                           if (given)
                               Winsock1->providePassword(password);
                           else
                               Winsock1->refusePassword();
                       });
}

bool Exporter::askClearText(QWidget* parent)
{
    MessageBox::Record ask;
    ask.icon = QMessageBox::Warning;
    ask.title = QStringLiteral("Connexion non chiffrée");
    ask.text = QStringLiteral("La connexion au serveur n’est pas chiffrée : vos réponses pourraient être "
                              "lues en chemin. Envoyer quand même ?");
    ask.buttons = QMessageBox::Yes | QMessageBox::No;
    ask.defaultButton = QMessageBox::No;
    return MessageBox::show(parent, ask) == QMessageBox::Yes;
}

void Exporter::Winsock1_ClearTextNeedsConsent()
{
    // A yes holds for this send only: the next one asks again.
    if (Winsock1->isRunning())
        Winsock1->consentToClearText(m_askClearText(this));
}

void Exporter::Image2_Click()
{
    if (Winsock1->isRunning())
        return;
    const ConnectionProfile p = m_profiles.load(settings.serveur);
    SmtpSession::Connection c = Winsock1->connection(); // its ports
    c.mode = p.mode;
    // A mode chosen by hand: its port, the window's for plain unless the
    // user said otherwise.  Automatic: what worked last time.
    c.port = p.port ? p.port
             : p.mode == ConnectionProfile::Mode::Plain ? c.plainPort
                                                         : ConnectionProfile::defaultPort(p.mode);
    c.remembered = {p.found, p.foundPort};
    c.user = p.user;
    c.trusted = p.trusted;
    c.reachedWithTls = p.reachedWithTls;
    Winsock1->setConnection(c);
    m_credentials->reset();

    const QString text = m_answerText ? m_answerText() : QString();
    const SmtpSession::Start verdict = Winsock1->start(settings, Label4->text(), text);
    if (verdict.started()) {
        codesmtp = QStringLiteral("0");
        setBusy(true);
    }
    else if (verdict.setting != Setting::Busy) // a second click during a run does nothing
        refuse(verdict);
}

void Exporter::refuse(const SmtpSession::Start& verdict)
{
    MessageBox::warning(this, QStringLiteral("Paramètre incorrect"), failuretext::refusal(verdict));
}

void Exporter::Winsock1_Progressed(SmtpSession::Step step)
{
    m_step = QString::fromUtf8(statusTexts[int(step)]);
    m_waitClock.restart();
    setStatus(m_step);
}

void Exporter::Winsock1_Succeeded()
{
    setBusy(false);
    // How the server was reached is remembered for the next time.
    ConnectionProfile p = m_profiles.load(settings.serveur);
    if (p.mode == ConnectionProfile::Mode::Automatic) {
        p.found = Winsock1->usedMode();
        p.foundPort = Winsock1->usedPort();
    }
    p.reachedWithTls = p.reachedWithTls || Winsock1->usedTls();
    m_profiles.save(settings.serveur, p);

    // The outcome once the keyring has said whether it kept the password.
    m_credentials->whenKept([this](const QString& problem) {
        MessageBox::Record r;
        r.icon = QMessageBox::Information;
        r.title = QStringLiteral("Transmission OK");
        r.text = QStringLiteral("Merci pour votre contribution.");
        r.buttons = QMessageBox::Ok;
        if (!problem.isEmpty())
            r.informative = QStringLiteral("Le mot de passe n’a pas pu être mémorisé dans le "
                                           "trousseau (%1) : il sera demandé au prochain envoi.")
                                .arg(problem);
        MessageBox::show(this, r);
        accept();
    });
}

void Exporter::Winsock1_Failed(const SmtpSession::Failure& failure)
{
    setBusy(false);
    // A certificate that could not be verified: the user may trust that one
    // for this server, and the questionnaire goes at once.
    if (failure.cause == Cause::Certificate && !failure.certificate.isNull() &&
        certificatebox::askTrust(this, settings.serveur, failure.certificate, failure.sslErrors)) {
        ConnectionProfile p = m_profiles.load(settings.serveur);
        p.trusted << tlsconfig::fingerprint(failure.certificate);
        // A fresh attempt, from the event loop: the failed one is still
        // being torn down under this call.
        if (m_profiles.save(settings.serveur, p))
            return void(QTimer::singleShot(0, this, &Exporter::Image2_Click));
    }
    codesmtp = QString::number(failure.reply.code);
    const quint16 submission = Winsock1->connection().startTlsPort;
    MessageBox::Record r;
    r.icon = QMessageBox::Critical;
    r.title = QStringLiteral("Erreur transmission");
    r.text = QStringLiteral("Erreur lors de la transmission.\r\nVérifier les paramètres de connexion.");
    // What happened and what to try, without opening the details.
    r.informative = failuretext::informative(failure, submission, m_profiles.load(settings.serveur).mode);
    r.details = failuretext::details(failure, settings.serveur, submission);
    r.buttons = QMessageBox::Ok;
    MessageBox::show(this, r);
}
