#include "settings/param.h"

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
} entries[] = {
    {&param::Label3, "Label3", "Votre nom / établissement:", 360, &param::Text3, "Text3", 600,
     "Nom ou établissement"},
    {&param::Label4, "Label4", "Adresse électronique:", 1080, &param::Text4, "Text4", 1320,
     "Adresse électronique"},
    {&param::Label5, "Label5", "Serveur courrier sortant (SMTP):", 1800, &param::Text5, "Text5",
     2040, "Serveur de courrier sortant"},
};

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

param::param(const QString& directory, QWidget* parent) : QDialog(parent), m_directory(directory)
{
    setObjectName(QStringLiteral("param"));
    setWindowTitle(QStringLiteral("Paramètres"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(p);
    setFont(dialogFont(8)); // the default dialog font, for the buttons and Text1

    createControls();
    setUpToolWindow(this, 6855, 5610);

    Form_Load();
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
    Frame3->setGeometry(twips::toPixels(240, 2160, 6375, 2655, this));

    for (const Entry& e : entries) {
        QLabel* label = ui::label(QString::fromUtf8(e.caption), Frame3);
        label->setObjectName(QLatin1String(e.labelName));
        label->setGeometry(twips::toPixels(240, e.labelTop, 4335, 255, this));
        this->*e.label = label;

        QLineEdit* box = new QLineEdit(Frame3);
        box->setObjectName(QLatin1String(e.boxName));
        box->setGeometry(twips::toPixels(240, e.boxTop, 5895, 345, this));
        box->setFont(dialogFont(9.75));
        box->setMaxLength(MaxEntry);
        // Its own name, not the frame's title that a reader would say for all three.
        box->setAccessibleName(QString::fromUtf8(e.spoken));
        label->setBuddy(box);
        this->*e.box = box;
    }
    Text4->setText(QStringLiteral("@"));

    Command2 = new QPushButton(QStringLiteral("Annuler"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twips::toPixels(1440, 5040, 1575, 375, this));
    connect(Command2, &QPushButton::clicked, this, &param::Command2_Click);

    Command3 = new QPushButton(QStringLiteral("Valider"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twips::toPixels(3600, 5040, 1575, 375, this));
    connect(Command3, &QPushButton::clicked, this, &param::Command3_Click);
    // Enter in a box validates, as in any settings dialogue; Escape cancels.
    Command3->setDefault(true);

    setTabOrder(Command3, Command2);
    setTabOrder(Command2, Text3);
    setTabOrder(Text3, Text4);
    setTabOrder(Text4, Text5);
    setTabOrder(Text5, Text1);
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

void param::Command3_Click()
{
    if (paranet::writeSender(m_directory, Text3->text(), Text4->text(), Text5->text()))
        accept();
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
