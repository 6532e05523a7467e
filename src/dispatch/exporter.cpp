#include "dispatch/exporter.h"

#include "dispatch/smtpsession.h"
#include "settings/param.h"
#include "storage/paranet.h"
#include "ui/fonts.h"
#include "ui/imagebutton.h"
#include "ui/messagebox.h"
#include "ui/toolwindow.h"
#include "ui/twips.h"

#include <QLabel>
#include <QPainter>
#include <QScreen>

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
    const char* image;
    const char* tooltip;
    int left;
} pictures[] = {
    {&Exporter::Image1, "Image1", ":/cancel.xpm", "Fermer sans expédier", 1560},
    {&Exporter::Image3, "Image3", ":/computers.xpm", "Paramètres", 3600},
    {&Exporter::Image2, "Image2", ":/telephone.xpm", "Expédier", 5640},
};

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
    connect(Winsock1, &SmtpSession::statusChanged, this,
            [this](const QString& text) { Label1->setText(text); });
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

    const QCursor hand(QPixmap(QStringLiteral(":/hand.xpm")), 12, 1);
    for (const Picture& p : pictures) {
        auto* b = new ImageButton(this);
        b->setObjectName(QLatin1String(p.name));
        b->setGeometry(twips::toPixels(p.left, 720, 480, 480, this));
        b->setPixmap(QPixmap(QLatin1String(p.image)));
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
    expediteur = s.expediteur;
    adresse = s.adresse;
    serveur = s.serveur;
    destinataire = s.destinataire;
    Label5->setText(expediteur + QStringLiteral(" ( ") + adresse + QStringLiteral(" )"));
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
    param settings(m_directory, this);
    settings.exec();
    if (!Form_Load())
        reject();
}

void Exporter::Image2_Click()
{
    SmtpSession::Mail mail;
    mail.expediteur = expediteur;
    mail.adresse = adresse;
    mail.serveur = serveur;
    mail.destinataire = destinataire;
    mail.subjectWord = Label4->text();
    mail.text = m_answerText ? m_answerText() : QString();

    switch (Winsock1->start(mail)) {
    case SmtpSession::Start::Started:
    case SmtpSession::Start::Busy: // a second click during a run
        return;
    case SmtpSession::Start::NoServer:
        MessageBox::warning(
            this, QStringLiteral("Paramètre incorrect"),
            QStringLiteral("Il faut indiquer le serveur de courrier sortant (SMTP) pour envoyer "
                           "une carte.\r\nCliquer sur « paramètres » pour le saisir et consulter "
                           "l'aide si nécessaire."));
        return;
    case SmtpSession::Start::LineBreak:
        MessageBox::warning(
            this, QStringLiteral("Paramètre incorrect"),
            QStringLiteral("Le nom ou l'adresse de l'expéditeur, ou l'adresse du destinataire, "
                           "contient un retour à la ligne.\r\nLe questionnaire ne peut pas être "
                           "envoyé avec ces paramètres."));
        return;
    }
}

void Exporter::Winsock1_Succeeded()
{
    MessageBox::information(this, QStringLiteral("Transmission OK"),
                             QStringLiteral("Merci pour votre contribution."));
    accept();
}

void Exporter::Winsock1_Failed()
{
    MessageBox::critical(
        this, QStringLiteral("Erreur transmission"),
        QStringLiteral("Erreur lors de la transmission.\r\nVérifier les paramètres de connexion."));
}
