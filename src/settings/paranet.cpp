#include "settings/paranet.h"

#include "settings/recordfile.h"

#include <QMessageBox>

namespace paranet
{

QString path(const QString& directory)
{
    return fileInDirectory(directory, QStringLiteral("PARANET.LST"));
}

bool readDispatch(const QString& directory, DispatchSettings* out)
{
    const struct {
        Record record;
        QString DispatchSettings::*field;
    } fields[] = {
        {Sender, &DispatchSettings::expediteur},
        {SenderAddress, &DispatchSettings::adresse},
        {Server, &DispatchSettings::serveur},
        {Recipient, &DispatchSettings::destinataire},
    };
    RecordFile file(path(directory));
    if (!file.open())
        return false;
    for (const auto& f : fields) {
        if (!file.read(f.record, &(out->*f.field)))
            return false; // the file closes as it goes out of scope
    }
    return true;
}

bool writeSender(const QString& directory, const QString& name, const QString& address,
                 const QString& server)
{
    RecordFile file(path(directory));
    return file.open() && file.write(Sender, name) && file.write(SenderAddress, address) &&
           file.write(Server, server);
}

void showDispatchReadFailure(QWidget* parent)
{
    QMessageBox::critical(parent, QStringLiteral("Lecture impossible"),
                          QStringLiteral("Lecture imposible sur le disque."), QMessageBox::Ok);
}

void showSettingsReadFailure(QWidget* parent)
{
    QMessageBox::critical(parent, QStringLiteral("Lecture impossible sur disque"),
                          QStringLiteral("Erreur de lecture sur le disque: disque non valide."),
                          QMessageBox::Ok);
}

void showSettingsWriteFailure(QWidget* parent)
{
    QMessageBox::critical(
        parent, QStringLiteral("Ecriture impossible sur disque"),
        QStringLiteral("Impossible d'écrire les paramètres: disque non valide pour l'écriture."),
        QMessageBox::Ok);
}

} // namespace paranet
