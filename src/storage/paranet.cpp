#include "storage/paranet.h"

#include "storage/recordfile.h"

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

} // namespace paranet
