#include "settings/param.h"

#include "settings/settingwords.h"
#include "smtp/mailcheck.h"
#include "storage/paranet.h"
#include "storage/recordfile.h"
#include "ui/fonts.h"
#include "ui/messagebox.h"
#include "ui/toolwindow.h"
#include "ui/twips.h"
#include "ui/plaintext.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace
{

constexpr int MaxEntry = 100;
const QLatin1String crlf("\r\n");

// The three entries of Frame3, one label above each box (twips), and the
// name a screen reader gives the box.
const struct Entry {
    QLabel* param::*label;
    const char* labelName;
    const char* caption;
    int labelTop;
    QLineEdit* param::*box;
    const char* boxName;
    int boxTop;
    const char* spoken;
    QLabel* param::*hint;
    const char* hintName;
    int boxWidth;
} entries[] = {
    {&param::Label3, "Label3", "Votre nom / établissement:", 360, &param::Text3, "Text3", 600,
     "Nom ou établissement", &param::Hint3, "Hint3", 5895},
    {&param::Label4, "Label4", "Adresse électronique:", 1260, &param::Text4, "Text4", 1500,
     "Adresse électronique", &param::Hint4, "Hint4", 5895},
    {&param::Label5, "Label5", "Serveur courrier sortant (SMTP):", 2160, &param::Text5, "Text5",
     2400, "Serveur de courrier sortant", &param::Hint5, "Hint5", 4455},
};
constexpr int HintGap = 345; // from a box's top to its hint's
constexpr int HintHeight = 240;

const QColor FaultColour(160, 0, 0);
const QColor GuideColour(64, 64, 64);

QString modeWords(smtp::Mode mode)
{
    return mode == smtp::Mode::ImplicitTls ? QStringLiteral("TLS implicite") : QStringLiteral("STARTTLS");
}

// What the window reads, in the order it reads it within one opening.  A
// record without a box is an information block of Text1: its heading goes in
// before the record is read, its separator after.
const struct Step {
    paranet::Record record;
    const char* heading;
    QLineEdit* param::*box;
    const char* separator;
} steps[] = {
    {paranet::HomePage, "Adresse de la page d'accueil:", nullptr, "\r\n\r\n"},
    {paranet::SearchPage, "Adresse de la page de recherche:", nullptr, "\r\n\r\n"},
    {paranet::Sender, nullptr, &param::Text3, ""},
    {paranet::SenderAddress, nullptr, &param::Text4, ""},
    {paranet::Server, nullptr, &param::Text5, ""},
    {paranet::Recipient, "Destination des cartes des espèces chimiques:", nullptr, "\r\n\r\n"},
    {paranet::CardsToDownload, "Adresse des cartes à télécharger:", nullptr, "\r\n\r\n"},
    {paranet::UpdateProcedures,
     "Adresse du fichier de procédures de mise à jour en ligne:", nullptr, ""},
};

} // namespace

param::param(const QString& directory, QWidget* parent)
    : QDialog(parent), m_directory(directory), m_finder(new ServerFinder(this))
{
    setObjectName(QStringLiteral("param"));
    setWindowTitle(QStringLiteral("Paramètres"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(p);
    setFont(dialogFont(8)); // the default dialog font, for the buttons and Text1

    createControls();
    setUpToolWindow(this, 6855, 6330);

    Form_Load();
    connect(m_finder, &ServerFinder::found, this, &param::serverFound);
    connect(m_finder, &ServerFinder::nothingFound, this, [this](const QString& domain) {
        Rechercher->setEnabled(true);
        hint(Hint5, Text5,
             domain.isEmpty() ? QStringLiteral("Indiquez d’abord votre adresse électronique : le serveur se "
                                               "cherche d’après elle.")
                              : QStringLiteral("Aucun serveur trouvé pour %1 : demandez son nom à votre "
                                               "fournisseur de messagerie.")
                                    .arg(domain),
             true);
    });
    for (QLineEdit* box : {Text3, Text4, Text5})
        connect(box, &QLineEdit::textChanged, this, &param::check);
    // The address given and no server yet: look for it at once.
    connect(Text4, &QLineEdit::editingFinished, this, [this] {
        const QString domain = ServerFinder::domainOf(Text4->text());
        if (Text5->text().trimmed().isEmpty() && mailcheck::address(Text4->text().trimmed()) == mailcheck::Fault::None &&
            domain != m_searched && !m_finder->isRunning()) {
            m_searched = domain;
            search();
        }
    });
    check();
}

void param::createControls()
{
    Frame1 = new QGroupBox(QStringLiteral("Adresses ( pour information )"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFont(dialogFont(9.75));
    Frame1->setGeometry(twips::toPixels(240, 120, 6375, 1935, this));

    Text1 = new QPlainTextEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twips::toPixels(240, 360, 5895, 1335, this));
    Text1->setFont(dialogFont(8));
    Text1->setReadOnly(true);
    // Still reachable from the keyboard, to scroll and copy the addresses.
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1->setFocusPolicy(Qt::StrongFocus);
    Text1->setTabChangesFocus(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette p = Text1->palette();
    p.setColor(QPalette::Base, QColor(224, 224, 224));
    p.setColor(QPalette::Text, QColor(0, 0, 192));
    Text1->setPalette(p);

    Frame3 = new QGroupBox(QStringLiteral("Courrier électronique ( à saisir )"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setFont(dialogFont(9.75));
    Frame3->setGeometry(twips::toPixels(240, 2160, 6375, 3360, this));

    for (const Entry& e : entries) {
        QLabel* label = ui::label(QString::fromUtf8(e.caption), Frame3);
        label->setObjectName(QLatin1String(e.labelName));
        label->setGeometry(twips::toPixels(240, e.labelTop, 4335, 255, this));
        this->*e.label = label;

        QLineEdit* box = new QLineEdit(Frame3);
        box->setObjectName(QLatin1String(e.boxName));
        box->setGeometry(twips::toPixels(240, e.boxTop, e.boxWidth, 345, this));
        box->setFont(dialogFont(9.75));
        box->setMaxLength(MaxEntry);
        // Its own name, not the frame's title that a reader would say for all three.
        box->setAccessibleName(QString::fromUtf8(e.spoken));
        label->setBuddy(box);
        this->*e.box = box;

        QLabel* hint = ui::label(QString(), Frame3);
        hint->setObjectName(QLatin1String(e.hintName));
        hint->setGeometry(twips::toPixels(240, e.boxTop + HintGap, 5895, HintHeight, this));
        hint->setFont(dialogFont(8));
        this->*e.hint = hint;
    }
    // The server's hint may take two lines: what was found, and how.
    Hint5->setGeometry(twips::toPixels(240, 2400 + HintGap, 5895, 2 * HintHeight, this));
    Hint5->setWordWrap(true);
    Text4->setText(QStringLiteral("@"));

    Rechercher = new QPushButton(QStringLiteral("Rechercher"), Frame3);
    Rechercher->setObjectName(QStringLiteral("Rechercher"));
    Rechercher->setGeometry(twips::toPixels(4815, 2400, 1320, 345, this));
    Rechercher->setFont(dialogFont(8));
    Rechercher->setToolTip(QStringLiteral("Trouve le serveur de courrier sortant d’après votre adresse électronique"));
    Rechercher->setAutoDefault(false);
    connect(Rechercher, &QPushButton::clicked, this, &param::search);

    Command2 = new QPushButton(QStringLiteral("Annuler"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twips::toPixels(1440, 5760, 1575, 375, this));
    connect(Command2, &QPushButton::clicked, this, &param::Command2_Click);

    Command3 = new QPushButton(QStringLiteral("Valider"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twips::toPixels(3600, 5760, 1575, 375, this));
    connect(Command3, &QPushButton::clicked, this, &param::Command3_Click);
    // Enter in a box validates, as in any settings dialogue; Escape cancels.
    Command3->setDefault(true);

    setTabOrder(Command3, Command2);
    setTabOrder(Command2, Text3);
    setTabOrder(Text3, Text4);
    setTabOrder(Text4, Text5);
    setTabOrder(Text5, Rechercher);
    setTabOrder(Rechercher, Text1);
    Command3->setFocus();
}

void param::showEntry(QLineEdit* box, const QString& text)
{
    // A longer record written by the sibling program is shown whole, so that
    // validating without touching it does not cut it; typing still cannot
    // lengthen it.
    box->setMaxLength(qMax(MaxEntry, int(text.size())));
    box->setText(text);
}

void param::Form_Load()
{
    RecordFile file(paranet::path(m_directory));
    bool ok = file.open();
    QString list;
    for (const Step& s : steps) {
        if (!ok)
            break;
        if (s.heading)
            list += QString::fromUtf8(s.heading) + crlf;
        QString text;
        ok = file.read(s.record, &text);
        if (!ok)
            break;
        if (s.box)
            showEntry(this->*s.box, text);
        else
            list += text + QLatin1String(s.separator);
    }
    file.close();

    // The list is built with CR LF line ends; the box is given one LF for each
    // pair, so that every pair shows as exactly one line break.
    list.replace(crlf, QLatin1String("\n"));
    Text1->setPlainText(list);

    if (!ok)
        MessageBox::critical(this, QStringLiteral("Lecture impossible sur disque"),
                             QStringLiteral("Erreur de lecture sur le disque: disque non valide."));
}

void param::offerContact(const QString& name, const QString& address)
{
    if (Text3->text().trimmed().isEmpty() && !name.trimmed().isEmpty()) {
        m_offeredName = name.trimmed();
        Text3->setText(m_offeredName);
    }
    const QString typed = Text4->text().trimmed();
    if ((typed.isEmpty() || typed == QLatin1String("@")) && !address.trimmed().isEmpty()) {
        m_offeredAddress = address.trimmed();
        Text4->setText(m_offeredAddress);
    }
    check();
}

void param::hint(QLabel* label, QLineEdit* box, const QString& text, bool fault)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, fault ? FaultColour : GuideColour);
    label->setPalette(p);
    label->setText(text);
    // A screen reader says it with the box.
    box->setAccessibleDescription(text);
}

void param::check()
{
    using mailcheck::Fault;
    const bool nameFault = mailcheck::name(Text3->text()) != Fault::None;
    hint(Hint3, Text3,
         nameFault        ? QStringLiteral("Le nom contient un caractère de contrôle.")
         : !m_offeredName.isEmpty() && Text3->text() == m_offeredName ? QStringLiteral("Repris de vos coordonnées (section F du questionnaire).")
                          : QString(),
         nameFault);

    const QString address = Text4->text().trimmed();
    const Fault addressFault = mailcheck::address(address);
    if (address.isEmpty() || address == QLatin1String("@"))
        hint(Hint4, Text4, QStringLiteral("Votre adresse, par exemple prenom.nom@exemple.fr"), false);
    else if (addressFault != Fault::None)
        hint(Hint4, Text4, QStringLiteral("L’adresse ") + settingwords::addressFault(addressFault), true);
    else
        hint(Hint4, Text4,
             !m_offeredAddress.isEmpty() && address == m_offeredAddress ? QStringLiteral("Reprise de vos coordonnées (section F du questionnaire).")
                              : QString(),
             false);

    if (m_finder->isRunning())
        return; // the search says where it is
    QString host;
    const Fault serverFault = mailcheck::server(Text5->text(), &host);
    if (Text5->text().trimmed().isEmpty())
        hint(Hint5, Text5, QStringLiteral("« Rechercher » le trouve d’après votre adresse électronique."), false);
    else if (serverFault != Fault::None)
        hint(Hint5, Text5, QStringLiteral("Le nom du serveur ") + settingwords::serverFault(serverFault), true);
    else if (m_accepted && host.compare(m_accepted->host, Qt::CaseInsensitive) == 0)
        hint(Hint5, Text5,
             QStringLiteral("Port %1, %2 : trouvé par %3.").arg(m_accepted->port).arg(modeWords(m_accepted->mode), m_accepted->how),
             false);
    else
        hint(Hint5, Text5, QString(), false);
}

void param::search()
{
    const QString address = Text4->text().trimmed();
    if (mailcheck::address(address) != mailcheck::Fault::None) {
        hint(Hint5, Text5, QStringLiteral("Indiquez d’abord une adresse électronique valide : le serveur se "
                                          "cherche d’après elle."),
             true);
        return;
    }
    Rechercher->setEnabled(false);
    hint(Hint5, Text5, QStringLiteral("Recherche du serveur de %1…").arg(ServerFinder::domainOf(address)), false);
    m_finder->find(address);
}

void param::serverFound(const ServerFinder::Found& found)
{
    Rechercher->setEnabled(true);
    const QString domain = ServerFinder::domainOf(Text4->text().trimmed());
    MessageBox::Record ask;
    ask.title = QStringLiteral("Serveur trouvé");
    ask.buttons = QMessageBox::Yes | QMessageBox::No;
    if (found.inDomain) {
        ask.icon = QMessageBox::Question;
        ask.text = QStringLiteral("Serveur de courrier sortant trouvé pour %1 : %2, port %3 (%4).\r\nL’utiliser ?")
                       .arg(domain, found.host)
                       .arg(found.port)
                       .arg(modeWords(found.mode));
        ask.defaultButton = QMessageBox::Yes;
    } else {
        // Another domain's server: the DNS could be lying, the user decides.
        ask.icon = QMessageBox::Warning;
        ask.text = QStringLiteral("Le domaine %1 annonce pour l’envoi le serveur %2, port %3 (%4), qui n’est pas "
                                  "dans ce domaine.\r\nNe l’utilisez que si votre fournisseur de messagerie vous "
                                  "l’a indiqué. L’utiliser ?")
                       .arg(domain, found.host)
                       .arg(found.port)
                       .arg(modeWords(found.mode));
        ask.defaultButton = QMessageBox::No;
    }
    if (MessageBox::show(this, ask) == QMessageBox::Yes) {
        m_accepted = found;
        Text5->setText(found.host);
    }
    check();
}

QString param::refused() const
{
    using mailcheck::Fault;
    QStringList said;
    const Fault address = mailcheck::address(Text4->text().trimmed());
    if (address != Fault::None)
        said << QStringLiteral("l’adresse électronique ") + settingwords::addressFault(address);
    QString host;
    const Fault server = mailcheck::server(Text5->text(), &host);
    if (server != Fault::None && server != Fault::Empty)
        said << QStringLiteral("le nom du serveur ") + settingwords::serverFault(server);
    else if (server == Fault::Empty)
        said << QStringLiteral("le serveur de courrier sortant n’est pas indiqué.");
    return said.join(QLatin1Char('\n'));
}

void param::Command3_Click()
{
    if (paranet::writeSender(m_directory, Text3->text(), Text4->text(), Text5->text())) {
        // The way to a server found is kept with its connection settings.
        QString host;
        if (m_accepted && mailcheck::server(Text5->text(), &host) == mailcheck::Fault::None &&
            host.compare(m_accepted->host, Qt::CaseInsensitive) == 0) {
            ConnectionProfile p = m_profiles.load(host);
            p.mode = m_accepted->mode;
            p.port = m_accepted->port;
            m_profiles.save(host, p);
        }
        // Written as typed; what the dispatch window will refuse is said now.
        const QString refusal = refused();
        if (!refusal.isEmpty())
            MessageBox::warning(this, QStringLiteral("Paramètres enregistrés"),
                                QStringLiteral("Les paramètres sont enregistrés, mais l’envoi sera refusé :\n") +
                                    refusal);
        accept();
    }
    else
        // The entries stay for another try.
        MessageBox::critical(
            this, QStringLiteral("Ecriture impossible sur disque"),
            QStringLiteral(
                "Impossible d'écrire les paramètres: disque non valide pour l'écriture."));
}

void param::Command2_Click()
{
    reject();
}
