#pragma once

#include <QString>

// PARANET.LST, the mail settings shared with the sibling program of the
// CD-ROM: eight records, of which this program writes only 3, 4 and 5.  Every
// operation opens the file, uses it and closes it again before returning, so
// that a message shown afterwards never finds it held open.
namespace paranet
{

enum Record {
    HomePage = 1,
    SearchPage = 2,
    Sender = 3,
    SenderAddress = 4,
    Server = 5,
    Recipient = 6,
    UpdateProcedures = 7,
    CardsToDownload = 8,
};

// The file in the given directory (the program's own), with no doubled
// separator when the directory is a drive root.
QString path(const QString& directory);

// The mail settings, records 3 to 6: what the dispatch window reads and the
// SMTP session sends with, one value passed whole from the file to the wire.
struct DispatchSettings {
    QString expediteur;   // 3: the sender's name or establishment, in the subject
    QString adresse;      // 4: the sender's address: envelope and FROM: line
    QString serveur;      // 5: the outgoing mail server
    QString destinataire; // 6: the recipient, written by the sibling program
};

// Reads records 3, 4, 5, 6 in that order within one opening; a missing file is
// created empty and reads as four empty texts.  False when the file cannot be
// opened or a read fails; the texts read before the failure are kept.
bool readDispatch(const QString& directory, DispatchSettings* out);

// Writes records 3, 4 and 5 in that order within one opening; no other byte
// changes.  False at the first record that cannot be written; those written
// before it stay written.
bool writeSender(const QString& directory, const QString& name, const QString& address,
                 const QString& server);

} // namespace paranet
