// Writes the PARANET.LST template installed with the program: the records the
// sibling program of the CD-ROM would have written (the publisher's web
// addresses and the questionnaire's recipient), the sender's three left empty
// for « Paramètres ».  Run by the build.
#include "storage/paranet.h"
#include "storage/recordfile.h"

#include <QFile>
#include <cstdio>

int main(int argc, char* argv[])
{
    const paranet::Record records[] = {paranet::HomePage, paranet::SearchPage,
                                       paranet::Recipient, paranet::UpdateProcedures,
                                       paranet::CardsToDownload};
    constexpr int count = sizeof records / sizeof records[0];
    if (argc != 2 + count) {
        std::fprintf(stderr, "usage: %s FILE HOME SEARCH RECIPIENT UPDATES CARDS\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QFile::remove(path);
    RecordFile file(path);
    bool written = file.open();
    for (int i = 0; written && i < count; ++i)
        written = file.write(records[i], QString::fromUtf8(argv[2 + i]));
    if (!written) {
        std::fprintf(stderr, "%s: cannot write %s (a value over 126 bytes?)\n", argv[0], argv[1]);
        QFile::remove(path);
        return 1;
    }
    return 0;
}
