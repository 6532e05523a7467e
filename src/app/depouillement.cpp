// « Dépouillement »: the publisher's mailboxes into the base of the
// responses, and the base out as a table; in a window, or on the command
// line.
//
//   depouillement [--base <fichier>]          the window
//   depouillement importer <boîte ou feuilles>… [--empreinte <sha256>] --base <fichier>
//   depouillement exporter --csv <fichier> [--virgule] [--toutes] [--codes] --base <fichier>
//   depouillement exporter --xlsx <fichier> [--toutes] [--codes] --base <fichier>
//   depouillement exporter --pdf <fichier> [--avec-coordonnees] --base <fichier>
//
// Exit status: 0 done (messages that are not responses are set aside and
// counted, not an error); 1 the command is wrong, or a file given is no
// mailbox; 2 a mailbox could not be read; 3 the base could not be opened or
// written; 4 the export could not be written.
#include "app/french.h"
#include "smtp/printable.h"
#include "smtp/tlsconfig.h"
#include "storage/privatefiles.h"
#include "tally/base.h"
#include "tally/exports.h"
#include "tally/imappassword.h"
#include "tally/imapsource.h"
#include "tally/importer.h"
#include "tally/papersource.h"
#include "paper/scans.h"
#include "tally/xlsx.h"
#include "tallywindows/report.h"
#include "tallywindows/tallywindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSslCertificate>
#include <QStandardPaths>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace
{

enum Status { Done = 0, Usage = 1, MailboxUnreadable = 2, BaseFailed = 3, ExportFailed = 4 };

void say(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
}

int usage()
{
    say(QStringLiteral(
        "Usage :\n"
        "  depouillement [--base <fichier>]   (la fenêtre)\n"
        "  depouillement importer <boîte>… [--empreinte <sha256>] --base <fichier>\n"
        "  depouillement exporter --csv <fichier> [--virgule] [--toutes] [--codes] --base <fichier>\n"
        "  depouillement exporter --xlsx <fichier> [--toutes] [--codes] --base <fichier>\n"
        "  depouillement exporter --pdf <fichier> [--avec-coordonnees] --base <fichier>\n"
        "Une boîte est un fichier mbox, un dossier Maildir, un message (.eml) ou un dossier\n"
        "IMAP : imaps://utilisateur@serveur/INBOX (imap://… : STARTTLS).\n"
        "Des feuilles numérisées : des fichiers PDF, PNG, JPEG ou TIFF, ou un dossier qui en contient.\n"
        "--toutes : les réponses remplacées aussi, avec le numéro de celle qui les remplace.\n"
        "--codes : les colonnes nommées par leur code (q1, q6_simulateurs_interet…) plutôt que par\n"
        "  leur question, pour les scripts.\n"
        "--avec-coordonnees : le rapport donne aussi les noms, établissements et adresses e-mail.\n"));
    return Usage;
}

bool isFolderAddress(const QString& box)
{
    return box.startsWith(QLatin1String("imap://")) || box.startsWith(QLatin1String("imaps://"));
}

// An address as it may be shown: never with the password someone put in it.
QString shownAddress(const QString& box)
{
    QUrl url(box);
    url.setPassword(QString());
    return smtp::printable(url.toString(QUrl::RemovePassword));
}

// The IMAP folder of an address; none, said why, when it is refused.
std::optional<imap::Address> folderOf(const QString& box)
{
    if (!QUrl(box).password().isEmpty()) {
        say(QStringLiteral("Adresse IMAP refusée : %1\nLe mot de passe ne se met pas dans l’adresse : "
                           "il est demandé à part, puis gardé dans le trousseau du bureau.\n")
                .arg(shownAddress(box)));
        return std::nullopt;
    }
    const std::optional<imap::Address> address = imap::Address::fromUrl(box);
    if (!address)
        say(QStringLiteral("Adresse IMAP incomprise : %1 (imaps://utilisateur@serveur/dossier)\n")
                .arg(shownAddress(box)));
    return address;
}

QString summaryOf(const Importer::Tally& t)
{
    return QStringLiteral("%1 réponses ajoutées, %2 déjà dans la base, %3 messages mis de côté "
                          "(non reconnus).\n")
        .arg(t.added)
        .arg(t.already)
        .arg(t.setAside);
}

int import(const QString& basePath, const QStringList& mailboxes, const QString& fingerprint)
{
    // Every mailbox is looked at before any is read: a file that is no
    // mailbox stops the command with nothing added.
    struct Folder {
        int at; // its place among the mailboxes
        std::unique_ptr<ImapPassword> password;
        std::unique_ptr<imap::Mailbox> mailbox;
    };
    std::vector<Folder> folders;
    std::vector<std::unique_ptr<Importer::Source>> sources;
    QList<Importer::Source*> run;
    // Scanned sheets, all in one source: a sheet's codes may be on pages of several files.
    QStringList paper;
    for (const QString& box : mailboxes)
        if (scans::isScan(box) || (QFileInfo(box).isDir() && mailreader::probe(box) != mailreader::Result::Read &&
                                   !scans::files({box}, nullptr).isEmpty()))
            paper << box;
    for (const QString& box : mailboxes) {
        if (paper.contains(box))
            continue;
        if (isFolderAddress(box)) {
            const std::optional<imap::Address> address = folderOf(box);
            if (!address)
                return Usage;
            auto password = std::make_unique<ImapPassword>(*address, &ImapPassword::askTerminal);
            const std::optional<QString> secret = password->get();
            if (!secret)
                return say(QStringLiteral("Pas de mot de passe pour %1.\n").arg(address->user)), MailboxUnreadable;
            folders.push_back({int(run.size()), std::move(password),
                               std::make_unique<imap::Mailbox>(*address, *secret, fingerprint.toLatin1())});
            sources.push_back(std::make_unique<ImapSource>(*folders.back().mailbox));
        } else {
            switch (mailreader::probe(box)) {
            case mailreader::Result::Read:
                break;
            case mailreader::Result::NotMailbox:
                return say(QStringLiteral("« %1 » n’est pas une boîte aux lettres (ni mbox, ni Maildir, ni "
                                          "message) : rien n’a été importé.\n")
                               .arg(smtp::printable(box))),
                       Usage;
            case mailreader::Result::Unreadable:
                return say(QStringLiteral("Boîte illisible : %1\n").arg(smtp::printable(box))), MailboxUnreadable;
            }
            sources.push_back(std::make_unique<FileSource>(box));
        }
        run << sources.back().get();
    }
    for (const QString& scan : paper)
        if (!QFileInfo(scan).isReadable())
            return say(QStringLiteral("Feuilles illisibles : %1\n").arg(smtp::printable(scan))), MailboxUnreadable;
    if (!paper.isEmpty()) {
        sources.push_back(std::make_unique<PaperSource>(paper));
        run << sources.back().get();
    }

    // A progress line, rewritten in place, when someone watches.
    const bool watched = isatty(STDERR_FILENO);
    ImportRun::Watch watch;
    watch.waiting = [] {
        say(QStringLiteral("Une autre importation écrit dans cette base : attente de sa fin…\n"));
    };
    watch.progress = [watched](const Importer::Tally& t) {
        if (watched && t.read >= Importer::Batch)
            say(QStringLiteral("\r%1 messages lus, %2 réponses ajoutées").arg(t.read).arg(t.added));
    };
    const ImportRun::Outcome o = ImportRun(basePath).run(run, watch);
    if (watched && o.tally.read >= Importer::Batch)
        say(QStringLiteral("\n"));
    switch (o.result) {
    case Importer::Result::Done:
    case Importer::Result::Stopped:
        break;
    case Importer::Result::BaseFailed:
        say(summaryOf(o.tally));
        return say(QStringLiteral("Écriture impossible dans la base : %1\n").arg(o.error)), BaseFailed;
    case Importer::Result::NotMailbox:
    case Importer::Result::MailboxUnreadable:
        say(summaryOf(o.tally));
        return say(QStringLiteral("Boîte illisible : %1\n").arg(smtp::printable(mailboxes.value(o.failedSource)))),
               MailboxUnreadable;
    case Importer::Result::ServerFailed:
        break;
    }
    // Each folder's password is kept once its server took it, forgotten when refused.
    for (const Folder& f : folders) {
        if (o.failedSource >= 0 && f.at > o.failedSource)
            break; // never reached
        if (o.result != Importer::Result::ServerFailed || f.at != o.failedSource) {
            f.password->accepted();
            continue;
        }
        const imap::Failure& failure = f.mailbox->failure();
        if (failure.kind == imap::Failure::Kind::Login)
            f.password->refused();
        QString text = QStringLiteral("Échec pendant %1 : %2\n").arg(failure.step, failure.words);
        if (failure.kind == imap::Failure::Kind::Certificate && !failure.chain.isEmpty())
            text += QStringLiteral("Empreinte SHA-256 du certificat présenté : %1\n"
                                   "Si c’est bien celui du serveur, relancez avec --empreinte %1\n")
                        .arg(tlsconfig::fingerprint(QSslCertificate(failure.chain.first(), QSsl::Der)));
        say(summaryOf(o.tally));
        say(text);
        return MailboxUnreadable;
    }
    say(summaryOf(o.tally));
    return Done;
}

int exported(bool written, const QString& path)
{
    if (!written)
        return say(QStringLiteral("Écriture impossible : %1\n").arg(path)), ExportFailed;
    return Done;
}

// The window, on the base given, else on the last one opened, else on a
// base of the user's own.
int window(QApplication& app, const QString& given)
{
    useFrench(&app);
    QSettings settings(QStringLiteral("questionnaire"), QStringLiteral("depouillement"));
    QString path = given.isEmpty() ? settings.value(QStringLiteral("base")).toString() : given;
    if (path.isEmpty()) {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                             QStringLiteral("/depouillement");
        privatefiles::makeFolder(data);
        path = data + QStringLiteral("/reponses.sqlite");
    }
    TallyWindow w;
    QObject::connect(&w, &TallyWindow::baseOpened, &w, [&settings](const QString& opened) {
        // Which base was opened last is the user's own business.
        privatefiles::makeFile(settings.fileName());
        settings.setValue(QStringLiteral("base"), QFileInfo(opened).absoluteFilePath());
        settings.sync();
    });
    w.openBase(path);
    w.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // The window, and the report's charts, need a graphical application;
    // the report needs no screen.
    bool pdf = false;
    for (int i = 1; i < argc; ++i)
        pdf = pdf || qstrcmp(argv[i], "--pdf") == 0;
    const bool windowed = argc == 1 || (argc == 3 && qstrcmp(argv[1], "--base") == 0);
    if (pdf && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (windowed) {
        QApplication app(argc, argv);
        return window(app, argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString());
    }
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
    if (command == QLatin1String("importer")) {
        const QString fingerprint = take(QStringLiteral("--empreinte"));
        if (!fingerprint.isEmpty() && imap::Mailbox::normalisedFingerprint(fingerprint).isEmpty())
            return say(QStringLiteral("Empreinte incomprise : 64 chiffres hexadécimaux attendus.\n")), Usage;
        if (!args.isEmpty())
            return import(basePath, args, fingerprint);
    }
    if (command == QLatin1String("exporter")) {
        Base::Filter all;
        const bool comma = args.removeAll(QStringLiteral("--virgule")) > 0;
        all.withReplaced = args.removeAll(QStringLiteral("--toutes")) > 0;
        const exports::Header header =
            args.removeAll(QStringLiteral("--codes")) > 0 ? exports::Header::Codes : exports::Header::Words;
        report::Options options;
        options.withContacts = args.removeAll(QStringLiteral("--avec-coordonnees")) > 0;
        const QString csvPath = take(QStringLiteral("--csv"));
        const QString xlsxPath = take(QStringLiteral("--xlsx"));
        const QString pdfPath = take(QStringLiteral("--pdf"));
        const int formats = !csvPath.isEmpty() + !xlsxPath.isEmpty() + !pdfPath.isEmpty();
        // The report counts the standing responses only.
        const bool forTable = header == exports::Header::Codes || all.withReplaced;
        if (formats == 1 && args.isEmpty() && (!comma || !csvPath.isEmpty()) &&
            (!forTable || pdfPath.isEmpty()) && (!options.withContacts || !pdfPath.isEmpty())) {
            if (!csvPath.isEmpty())
                return exported(exports::csv(base, all, csvPath, comma ? ',' : ';', header), csvPath);
            if (!pdfPath.isEmpty())
                return exported(report::write(base, all, pdfPath, options), pdfPath);
            int cut = 0;
            const int status = exported(exports::xlsx(base, all, xlsxPath, &cut, header), xlsxPath);
            if (status == Done && cut > 0)
                say(QStringLiteral("Attention : %1 trop long pour une cellule (%2 caractères au plus), "
                                   "coupé et marqué à sa fin ; l’export CSV le garde entier.\n")
                        .arg(cut > 1 ? QStringLiteral("%1 textes").arg(cut) : QStringLiteral("un texte"))
                        .arg(xlsx::CellLimit));
            return status;
        }
    }
    return usage();
}
