#include "dispatch/exporter.h"

#include "settings/param.h"
#include "storage/paranet.h"
#include "ui/fonts.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"
#include "ui/pictures.h"
#include "ui/toolwindow.h"
#include "ui/twips.h"

#include <QLabel>
#include <QPainter>
#include <QScreen>
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
    {"Annuler", 100, 84},
    {"Paramètres", 226, 84},
    {"Expédier", 369, 84},
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

using Fault = mailcheck::Fault;
using Setting = SmtpSession::Setting;
using Cause = SmtpSession::Cause;
using State = SmtpSession::State;

// What is wrong with an address, following "L'adresse ...".
const struct {
    Fault fault;
    const char* text;
} addressFaults[] = {
    {Fault::Empty, "n'est pas indiquée."},
    {Fault::LineBreak, "contient un retour à la ligne."},
    {Fault::Control, "contient un caractère de contrôle."},
    {Fault::Space, "contient une espace."},
    {Fault::Bracket, "contient un chevron (« < » ou « > »)."},
    {Fault::Comma, "contient une virgule : une seule adresse est permise."},
    {Fault::NoAt, "n'a pas la forme nom@domaine."},
    {Fault::LocalPart, "n'est pas valide avant l'arobase (@)."},
    {Fault::Domain, "n'a pas un nom de domaine valide après l'arobase (@)."},
    {Fault::TooLong, "est trop longue."},
};

// What is wrong with the server name, following "Le nom du serveur ...".
const struct {
    Fault fault;
    const char* text;
} serverFaults[] = {
    {Fault::LineBreak, "contient un retour à la ligne."},
    {Fault::Control, "contient un caractère de contrôle."},
    {Fault::Space, "contient une espace."},
    {Fault::NotHost, "n'est ni un nom d'hôte ni une adresse IP valide."},
    {Fault::TooLong, "est trop long."},
};

template <typename Table> QString faultText(const Table& table, Fault fault)
{
    for (const auto& row : table) {
        if (row.fault == fault)
            return QString::fromUtf8(row.text);
    }
    return QStringLiteral("n'est pas valide.");
}

// Why a run failed, as the details of the "Erreur transmission" box say it.
const struct {
    Cause cause;
    State state; // Idle: in any state
    const char* text;
} failureReasons[] = {
    {Cause::HostNotFound, State::Idle, "Le serveur de courrier sortant est introuvable."},
    {Cause::ConnectionRefused, State::Idle,
     "Le serveur a refusé la connexion : aucun serveur de courrier n'y répond."},
    {Cause::Network, State::Idle, "La connexion au serveur a échoué (erreur du réseau)."},
    {Cause::Closed, State::Idle, "Le serveur a fermé la connexion."},
    {Cause::TimedOut, State::Connecting,
     "La connexion au serveur n'a pas abouti dans le délai imparti."},
    {Cause::TimedOut, State::Idle, "Le serveur n'a pas répondu dans le délai imparti."},
    {Cause::Refused, State::Greeting, "Le serveur a refusé la connexion."},
    {Cause::Refused, State::Ehlo, "Le serveur a refusé la présentation du poste (EHLO)."},
    {Cause::Refused, State::Helo, "Le serveur a refusé la présentation du poste (HELO)."},
    {Cause::Refused, State::MailFrom, "Le serveur a refusé l'adresse de l'expéditeur."},
    {Cause::Refused, State::RcptTo, "Le serveur a refusé l'adresse du destinataire."},
    {Cause::Refused, State::Data, "Le serveur a refusé de recevoir le message."},
    {Cause::Refused, State::DataEnd, "Le serveur n'a pas accepté le message."},
    {Cause::Malformed, State::Idle, "Le serveur a envoyé une réponse illisible."},
    {Cause::OutOfTurn, State::Idle,
     "Le serveur a envoyé une réponse qu'aucune commande n'attendait."},
    {Cause::Overlong, State::Idle, "Le serveur a envoyé une réponse trop longue."},
    {Cause::SendFailed, State::Idle, "L'envoi d'une commande au serveur a échoué."},
    {Cause::SenderNeedsSmtpUtf8, State::Idle,
     "L'adresse de l'expéditeur contient des caractères non ASCII, que ce serveur n'accepte "
     "pas (il n'annonce pas l'extension SMTPUTF8)."},
    {Cause::RecipientNeedsSmtpUtf8, State::Idle,
     "L'adresse du destinataire contient des caractères non ASCII, que ce serveur n'accepte "
     "pas (il n'annonce pas l'extension SMTPUTF8)."},
};

QString failureReason(const SmtpSession::Failure& f)
{
    for (const auto& row : failureReasons) {
        if (row.cause == f.cause && (row.state == State::Idle || row.state == f.state))
            return QString::fromUtf8(row.text);
    }
    return QStringLiteral("Le serveur a répondu autrement qu'attendu.");
}

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
    : QDialog(parent), m_directory(directory), m_answerText(std::move(answerText))
{
    setObjectName(QStringLiteral("Exporter"));
    setWindowTitle(QStringLiteral("Expédier le questionnaire par courrier électronique"));
    setFont(dialogFont(8)); // the default dialog font
    colour(this, Qt::black, QColor(58, 140, 201));

    Winsock1 = new SmtpSession(port, this);
    connect(Winsock1, &SmtpSession::progressed, this, &Exporter::Winsock1_Progressed);
    connect(Winsock1, &SmtpSession::succeeded, this, &Exporter::Winsock1_Succeeded);
    connect(Winsock1, &SmtpSession::failed, this, &Exporter::Winsock1_Failed);

    createControls();
    setUpToolWindow(this, 7890, 1935);

    m_loaded = Form_Load();
}

void Exporter::createControls()
{
    // Label4 shows the subject word; it goes first, so that the sender row
    // covers the one pixel row by which it overlaps it.
    Label4 = new QLabel(QStringLiteral("Questionnaire"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(twips::toPixels(360, 0, 6735, 255, this));
    colour(Label4, Qt::black, Qt::white);

    Label3 = new QLabel(QStringLiteral("Auteur:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(twips::toPixels(0, 240, 1215, 255, this));
    Label3->setFont(dialogFont(9.75, true));
    colour(Label3, QColor(247, 247, 225));

    Label5 = new ImageButton(this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(twips::toPixels(1320, 240, 6375, 255, this));
    colour(Label5, Qt::black, Qt::white);
    connect(Label5, &ImageButton::clicked, this, &Exporter::Image3_Click);

    const QCursor hand = pictures::hand(devicePixelRatioF());
    for (const Picture& p : pictureButtons) {
        auto* b = new ImageButton(this);
        b->setObjectName(QLatin1String(p.name));
        b->setGeometry(twips::toPixels(p.left, 720, 480, 480, this));
        b->setPixmap(pictures::pixmap(p.image, devicePixelRatioF()));
        b->setToolTip(QString::fromUtf8(p.tooltip));
        b->setCursor(hand);
        this->*p.button = b;
    }
    connect(Image1, &ImageButton::clicked, this, &Exporter::Image1_Click);
    connect(Image3, &ImageButton::clicked, this, &Exporter::Image3_Click);
    connect(Image2, &ImageButton::clicked, this, &Exporter::Image2_Click);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips::toPixels(0, 1680, 7890, 255, this));
    colour(Label1, QColor(0, 0, 128), QColor(192, 192, 192));
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
    QDialog::done(result);
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
    window.exec();
    if (!Form_Load())
        reject();
}

void Exporter::Image2_Click()
{
    const QString text = m_answerText ? m_answerText() : QString();
    const SmtpSession::Start verdict = Winsock1->start(settings, Label4->text(), text);
    if (verdict.started())
        codesmtp = QStringLiteral("0");
    else if (verdict.setting != Setting::Busy) // a second click during a run does nothing
        refuse(verdict);
}

void Exporter::refuse(const SmtpSession::Start& verdict)
{
    const QString toCorrect = QStringLiteral("\r\nCliquer sur « paramètres » pour la corriger.");
    QString text;
    if (verdict.setting == Setting::Server && verdict.fault == Fault::Empty)
        text =
            QStringLiteral("Il faut indiquer le serveur de courrier sortant (SMTP) pour envoyer "
                           "une carte.\r\nCliquer sur « paramètres » pour le saisir et consulter "
                           "l'aide si nécessaire.");
    else if (verdict.setting == Setting::Text)
        text = QStringLiteral("Le nom ou l'adresse de l'expéditeur, ou l'adresse du destinataire, "
                              "contient un retour à la ligne.\r\nLe questionnaire ne peut pas être "
                              "envoyé avec ces paramètres.");
    else if (verdict.setting == Setting::Server)
        text = QStringLiteral("Le nom du serveur de courrier sortant (SMTP) ") +
               faultText(serverFaults, verdict.fault) +
               QStringLiteral("\r\nCliquer sur « paramètres » pour le corriger.");
    else if (verdict.setting == Setting::Sender)
        text = QStringLiteral("L'adresse électronique de l'expéditeur ") +
               faultText(addressFaults, verdict.fault) + toCorrect;
    else if (verdict.setting == Setting::Recipient)
        // Record 6 comes with the installation: the user cannot change it here.
        text = QStringLiteral("L'adresse du destinataire ") +
               faultText(addressFaults, verdict.fault) +
               QStringLiteral("\r\nLe questionnaire ne peut pas être envoyé avec ces paramètres.");
    else
        text = QStringLiteral("Le nom de l'expéditeur contient un caractère de contrôle.") +
               QStringLiteral("\r\nCliquer sur « paramètres » pour le corriger.");
    MessageBox::warning(this, QStringLiteral("Paramètre incorrect"), text);
}

void Exporter::Winsock1_Progressed(SmtpSession::Step step)
{
    Label1->setText(QString::fromUtf8(statusTexts[int(step)]));
}

void Exporter::Winsock1_Succeeded()
{
    MessageBox::information(this, QStringLiteral("Transmission OK"),
                            QStringLiteral("Merci pour votre contribution."));
    accept();
}

void Exporter::Winsock1_Failed(const SmtpSession::Failure& failure)
{
    codesmtp = QString::number(failure.reply.code);
    QString details = failureReason(failure);
    if (failure.cause == Cause::Network)
        details += QStringLiteral(" (code %1)").arg(int(failure.socketError));
    if (!failure.reply.lines.isEmpty()) {
        details += QStringLiteral("\nDernière réponse du serveur (code ") + codesmtp +
                   QStringLiteral(") :");
        for (const QByteArray& line : failure.reply.lines)
            details += QLatin1Char('\n') + QString::fromLatin1(line);
    }
    MessageBox::critical(
        this, QStringLiteral("Erreur transmission"),
        QStringLiteral("Erreur lors de la transmission.\r\nVérifier les paramètres de connexion."),
        details);
}
