#include "dialup/hangupquestion.h"

#include "dialup/dialuplink.h"

#include <QMessageBox>

void askHangUp(DialupLink& link, QWidget* parent)
{
    if (!link.connexionactive())
        return;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Sortie du questionnaire"),
                    QStringLiteral("Voulez-vous fermer la connexion ?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() == QMessageBox::Yes)
        link.hangUp();
}
