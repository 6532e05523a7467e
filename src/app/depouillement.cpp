// « Dépouillement » on the command line: the publisher's mailboxes into the
// base of the responses, and the base out as a table.
//
//   depouillement importer <boîte>… --base <fichier>
//   depouillement exporter --csv <fichier> [--virgule] --base <fichier>
//   depouillement exporter --xlsx <fichier> --base <fichier>
//   depouillement exporter --pdf <fichier> --base <fichier>
//
// Exit status: 0 done (messages that are not responses are set aside and
// counted, not an error); 1 the command is wrong; 2 a mailbox could not be
// read; 3 the base could not be opened or written; 4 the export could not
// be written.
#include "tally/base.h"
#include "tally/csv.h"
#include "tally/mailreader.h"
#include "tally/report.h"
#include "tally/xlsx.h"

#include <QApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace
{

enum Status { Done = 0, Usage = 1, MailboxUnreadable = 2, BaseFailed = 3, ExportFailed = 4 };

// Messages in one transaction: a kill loses at most the batch under way.
constexpr int Batch = 500;

void say(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
}

int usage()
{
    say(QStringLiteral(
        "Usage :\n"
        "  depouillement importer <boîte>… --base <fichier>\n"
        "  depouillement exporter --csv <fichier> [--virgule] --base <fichier>\n"
        "  depouillement exporter --xlsx <fichier> --base <fichier>\n"
        "  depouillement exporter --pdf <fichier> --base <fichier>\n"
        "Une boîte est un fichier mbox, un dossier Maildir ou un message (.eml).\n"));
    return Usage;
}

int import(Base& base, const QStringList& mailboxes)
{
    const bool progress = isatty(STDERR_FILENO);
    int read = 0, added = 0, already = 0, aside = 0;
    for (const QString& box : mailboxes) {
        base.begin();
        int inBatch = 0;
        const mailreader::Result r = mailreader::read(box, [&](const mailreader::Message& m) {
            switch (base.add(m)) {
            case Base::Outcome::Added:
                ++added;
                break;
            case Base::Outcome::AlreadyThere:
                ++already;
                break;
            case Base::Outcome::SetAside:
                ++aside;
                break;
            }
            if (++inBatch == Batch) {
                base.commit();
                base.begin();
                inBatch = 0;
            }
            if (progress && ++read % 1000 == 0)
                say(QStringLiteral("\r%1 messages lus").arg(read));
            return true;
        });
        if (!base.commit())
            return say(QStringLiteral("Écriture impossible dans la base : %1\n").arg(base.error())),
                   BaseFailed;
        if (r == mailreader::Result::Unreadable)
            return say(QStringLiteral("Boîte illisible : %1\n").arg(box)), MailboxUnreadable;
    }
    if (progress && read >= 1000)
        say(QStringLiteral("\n"));
    say(QStringLiteral("%1 réponses ajoutées, %2 déjà dans la base, %3 messages mis de côté "
                       "(non reconnus).\n")
            .arg(added)
            .arg(already)
            .arg(aside));
    return Done;
}

int exportXlsx(const Base& base, const QString& path)
{
    if (!xlsx::write(path, Base::tableHeader(), base.table(), Base::AnswersFrom))
        return say(QStringLiteral("Écriture impossible : %1\n").arg(path)), ExportFailed;
    return Done;
}

int exportPdf(const Base& base, const QString& path)
{
    QList<QStringList> answers;
    for (const QStringList& row : base.table())
        answers << row.mid(Base::AnswersFrom);
    if (!report::write(path, answers))
        return say(QStringLiteral("Écriture impossible : %1\n").arg(path)), ExportFailed;
    return Done;
}

int exportCsv(const Base& base, const QString& path, QChar separator)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        !csv::write(&out, Base::tableHeader(), base.table(), separator) || !out.commit())
        return say(QStringLiteral("Écriture impossible : %1\n").arg(path)), ExportFailed;
    return Done;
}

} // namespace

int main(int argc, char* argv[])
{
    // The report's charts need a graphical application, a screen or none.
    bool pdf = false;
    for (int i = 1; i < argc; ++i)
        pdf = pdf || qstrcmp(argv[i], "--pdf") == 0;
    if (pdf && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = pdf ? std::make_unique<QApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const auto take = [&args](const QString& option) {
        const qsizetype at = args.indexOf(option);
        if (at < 0 || at + 1 >= args.size())
            return QString();
        const QString value = args[at + 1];
        args.remove(at, 2);
        return value;
    };
    const QString basePath = take(QStringLiteral("--base"));
    if (args.isEmpty() || basePath.isEmpty())
        return usage();
    const QString command = args.takeFirst();

    Base base;
    if (!base.open(basePath))
        return say(QStringLiteral("Base inutilisable : %1 (%2)\n").arg(basePath, base.error())),
               BaseFailed;
    if (command == QLatin1String("importer") && !args.isEmpty())
        return import(base, args);
    if (command == QLatin1String("exporter")) {
        const bool comma = args.removeAll(QStringLiteral("--virgule")) > 0;
        const QString csvPath = take(QStringLiteral("--csv"));
        const QString xlsxPath = take(QStringLiteral("--xlsx"));
        const QString pdfPath = take(QStringLiteral("--pdf"));
        const int formats = !csvPath.isEmpty() + !xlsxPath.isEmpty() + !pdfPath.isEmpty();
        if (formats == 1 && args.isEmpty() && (!comma || !csvPath.isEmpty())) {
            if (!csvPath.isEmpty())
                return exportCsv(base, csvPath, comma ? QLatin1Char(',') : QLatin1Char(';'));
            if (!xlsxPath.isEmpty())
                return exportXlsx(base, xlsxPath);
            return exportPdf(base, pdfPath);
        }
    }
    return usage();
}
