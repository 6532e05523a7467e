#include "dialup/hangupquestion.h"

#include "dialup/dialuplink.h"

#include "ui/messagebox.h"

void askHangUp(DialupLink& link, QWidget* parent)
{
    if (!link.connexionactive())
        return;
    if (MessageBox::question(parent, QStringLiteral("Sortie du questionnaire"),
                             QStringLiteral("Voulez-vous fermer la connexion ?")))
        link.hangUp();
}
