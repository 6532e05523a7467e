// « Dépouillement »: the publisher's mailboxes into the base of the
// responses, and the base out as a table; in a window, or on the command
// line.
//
//   depouillement [--base <fichier>]          the window
//   depouillement importer <boîte>… [--empreinte <sha256>] --base <fichier>
//   depouillement exporter --csv <fichier> [--virgule] --base <fichier>
//   depouillement exporter --xlsx <fichier> --base <fichier>
//   depouillement exporter --pdf <fichier> --base <fichier>
//
// Exit status: 0 done (messages that are not responses are set aside and
// counted, not an error); 1 the command is wrong; 2 a mailbox could not be
// read; 3 the base could not be opened or written; 4 the export could not
// be written.
#include "app/french.h"
#include "tally/base.h"
#include "tally/exports.h"
#include "tally/imappassword.h"
#include "tally/importer.h"
#include "tally/tallywindow.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

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
        "  depouillement exporter --csv <fichier> [--virgule] --base <fichier>\n"
        "  depouillement exporter --xlsx <fichier> --base <fichier>\n"
        "  depouillement exporter --pdf <fichier> --base <fichier>\n"
        "Une boîte est un fichier mbox, un dossier Maildir, un message (.eml) ou un dossier\n"
        "IMAP : imaps://utilisateur@serveur/INBOX (imap://… : STARTTLS).\n"));
    return Usage;
}

int baseFailed(const Base& base)
{
    say(QStringLiteral("\nÉcriture impossible dans la base : %1\n").arg(base.error()));
    return BaseFailed;
}

// "AB:CD:…", as the user compares it.
QString fingerprintOf(const QByteArray& der)
{
    const QByteArray hex = QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex(':').toUpper();
    return QString::fromLatin1(hex);
}

// One IMAP folder: what is new since the last import.
int importFolder(Importer& importer, const QString& url, const QString& fingerprint,
                 const std::function<bool(const Importer::Tally&)>& progress)
{
    const std::optional<imap::Address> address = imap::Address::fromUrl(url);
    if (!address)
        return say(QStringLiteral("Adresse IMAP incomprise : %1 (imaps://utilisateur@serveur/dossier)\n")
                       .arg(url)),
               Usage;
    ImapPassword password(*address, &ImapPassword::askTerminal);
    const std::optional<QString> secret = password.get();
    if (!secret)
        return say(QStringLiteral("Pas de mot de passe pour %1.\n").arg(address->user)), MailboxUnreadable;
    imap::Mailbox mailbox(*address, *secret, fingerprint.toLatin1());
    const Importer::Result result = importer.run(mailbox, progress);
    const imap::Failure& f = mailbox.failure();
    if (result != Importer::Result::ServerFailed) {
        password.accepted();
        return result == Importer::Result::BaseFailed ? BaseFailed : Done;
    }
    if (f.kind == imap::Failure::Kind::Login)
        password.refused();
    QString text = QStringLiteral("\nÉchec pendant %1 : %2\n").arg(f.step, f.words);
    if (f.kind == imap::Failure::Kind::Certificate && !f.chain.isEmpty())
        text += QStringLiteral("Empreinte SHA-256 du certificat présenté : %1\n"
                               "Si c’est bien celui du serveur, relancez avec --empreinte %1\n")
                    .arg(fingerprintOf(f.chain.first()));
    say(text);
    return MailboxUnreadable;
}

int import(Base& base, const QStringList& mailboxes, const QString& fingerprint)
{
    // A progress line, rewritten in place, when someone watches.
    const bool watched = isatty(STDERR_FILENO);
    Importer importer(base);
    const auto progress = [watched](const Importer::Tally& t) {
        if (watched && t.read >= Importer::Batch)
            say(QStringLiteral("\r%1 messages lus, %2 réponses ajoutées").arg(t.read).arg(t.added));
        return true;
    };
    for (const QString& box : mailboxes) {
        if (box.startsWith(QLatin1String("imap://")) || box.startsWith(QLatin1String("imaps://"))) {
            const int status = importFolder(importer, box, fingerprint, progress);
            if (status == BaseFailed)
                return baseFailed(base);
            if (status != Done)
                return status;
            continue;
        }
        switch (importer.run(box, progress)) {
        case Importer::Result::Done:
        case Importer::Result::Stopped:
        case Importer::Result::ServerFailed:
            break;
        case Importer::Result::BaseFailed:
            return baseFailed(base);
        case Importer::Result::MailboxUnreadable:
            return say(QStringLiteral("\nBoîte illisible : %1\n").arg(box)), MailboxUnreadable;
        }
    }
    const Importer::Tally& t = importer.tally();
    if (watched && t.read >= Importer::Batch)
        say(QStringLiteral("\n"));
    say(QStringLiteral("%1 réponses ajoutées, %2 déjà dans la base, %3 messages mis de côté "
                       "(non reconnus).\n")
            .arg(t.added)
            .arg(t.already)
            .arg(t.setAside));
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
        QDir().mkpath(data);
        path = data + QStringLiteral("/reponses.sqlite");
    }
    TallyWindow w;
    QObject::connect(&w, &TallyWindow::baseOpened, &w, [&settings](const QString& opened) {
        settings.setValue(QStringLiteral("base"), QFileInfo(opened).absoluteFilePath());
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
            return import(base, args, fingerprint);
    }
    if (command == QLatin1String("exporter")) {
        const bool comma = args.removeAll(QStringLiteral("--virgule")) > 0;
        const QString csvPath = take(QStringLiteral("--csv"));
        const QString xlsxPath = take(QStringLiteral("--xlsx"));
        const QString pdfPath = take(QStringLiteral("--pdf"));
        const int formats = !csvPath.isEmpty() + !xlsxPath.isEmpty() + !pdfPath.isEmpty();
        if (formats == 1 && args.isEmpty() && (!comma || !csvPath.isEmpty())) {
            const Base::Filter all;
            if (!csvPath.isEmpty())
                return exported(exports::csv(base, all, csvPath,
                                             comma ? ',' : ';'),
                                csvPath);
            if (!xlsxPath.isEmpty())
                return exported(exports::xlsx(base, all, xlsxPath), xlsxPath);
            return exported(exports::pdf(base, all, pdfPath), pdfPath);
        }
    }
    return usage();
}
