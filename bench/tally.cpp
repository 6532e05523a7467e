// « Dépouillement »'s benchmark steps, one a process so that each has its own
// peak memory (scripts/bench-tally runs them and prints the ratios):
//
//   bench_tally mailbox <n> <file>   an mbox of n responses from random fillings,
//                                    made with the questionnaire's mail text
//   bench_tally maildir <n> <folder> the same responses, one file each in folder
//   bench_tally parse <file>         GMime alone: every message parsed, nothing kept
//   bench_tally import <file> <base> the import, as « importer » runs it
//   bench_tally csv <base> <file>    the CSV export of every response
//   bench_tally window <base>        the window opened on the base, to the first
//                                    paint of its rows
//   bench_tally results <base> <pdf> the results page shown and painted, then again
//                                    after a filter change; the report written
//
// Each prints "ms <milliseconds>" (the window: "start <ns>" and "first-paint <ns>").
#include "firstpaint.h"
#include "support/responses.h"
#include "tally/exports.h"
#include "tally/importer.h"
#include "tallywindows/report.h"
#include "tallywindows/tallywindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>

#include <cstdio>
#include <memory>
#include <fcntl.h>
#include <gmime/gmime.h>

namespace
{

int usage()
{
    std::fputs("bench_tally mailbox N FILE | maildir N FOLDER | parse FILE | import FILE BASE | csv BASE FILE | "
               "window BASE | results BASE PDF\n", stderr);
    return 2;
}

// The i-th response of the benchmark's mailboxes, as the server stores it.
QByteArray response(QRandomGenerator& g, int i)
{
    static const QDateTime start(QDate(2026, 9, 1), QTime(8, 0), Qt::UTC);
    static const QStringList schools = {QStringLiteral("Lycée Curie"), QStringLiteral("Collège Brassens"),
                                        QStringLiteral("Lycée Jean-Moulin"), QStringLiteral("Collège Colette")};
    const QByteArray from = "prof" + QByteArray::number(i) + "@ecole.example";
    return testing::responseMail(from, schools[i % schools.size()], testing::randomFilling(g),
                                 start.addSecs(i * 37));
}

int maildir(int n, const QString& folder)
{
    QRandomGenerator g(20261208);
    for (int i = 0; i < n; ++i) {
        QFile out(QStringLiteral("%1/1796000000.M%2P1.bench").arg(folder).arg(i));
        if (!out.open(QIODevice::WriteOnly) || out.write(response(g, i)) < 0)
            return 1;
    }
    return 0;
}

int mailbox(int n, const QString& path)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return 1;
    QRandomGenerator g(20261208);
    for (int i = 0; i < n; ++i) {
        const QByteArray from = "prof" + QByteArray::number(i) + "@ecole.example";
        QByteArray mail = response(g, i);
        // mboxrd, as Postfix writes it: LF line ends, "From " lines quoted.
        mail.replace("\r\n", "\n").replace("\nFrom ", "\n>From ");
        out.write("From " + from + " Tue Sep  1 08:00:00 2026\n" + mail + "\n");
    }
    return out.flush() ? 0 : 1;
}

int parse(const QString& path)
{
    g_mime_init();
    QElapsedTimer t;
    t.start();
    GMimeStream* stream = g_mime_stream_fs_open(QFile::encodeName(path).constData(), O_RDONLY, 0, nullptr);
    if (!stream)
        return 1;
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    g_mime_parser_set_format(parser, GMIME_FORMAT_MBOX);
    int n = 0;
    while (!g_mime_parser_eos(parser)) {
        GMimeMessage* m = g_mime_parser_construct_message(parser, nullptr);
        if (!m)
            break;
        ++n;
        g_object_unref(m);
    }
    g_object_unref(parser);
    g_object_unref(stream);
    std::printf("ms %lld\nmessages %d\n", static_cast<long long>(t.elapsed()), n);
    return 0;
}

int import(const QString& box, const QString& path)
{
    QElapsedTimer t;
    t.start();
    Base base;
    if (!base.open(path))
        return 1;
    Importer importer(base);
    if (importer.run(box) != Importer::Result::Done)
        return 1;
    std::printf("ms %lld\nadded %d\n", static_cast<long long>(t.elapsed()), importer.tally().added);
    return 0;
}

int csv(const QString& path, const QString& out)
{
    Base base;
    if (!base.open(path))
        return 1;
    QElapsedTimer t;
    t.start();
    if (!exports::csv(base, Base::Filter(), out))
        return 1;
    std::printf("ms %lld\n", static_cast<long long>(t.elapsed()));
    return 0;
}

int window(const QString& path)
{
    std::printf("start %lld\n", static_cast<long long>(FirstPaint::now()));
    TallyWindow w;
    w.table()->viewport()->setObjectName(QStringLiteral("rows"));
    FirstPaint painted(QStringLiteral("rows"), [&w] {
        std::printf("rows %d\n", w.table()->model()->rowCount());
        quitNow();
    });
    if (!w.openBase(path))
        return 1;
    w.show();
    return qApp->exec();
}

int results(const QString& path, const QString& pdf)
{
    TallyWindow w;
    if (!w.openBase(path))
        return 1;
    w.show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    w.tabs()->setCurrentIndex(1); // « Décompte »
    QApplication::processEvents();
    w.repaint();
    const qint64 page = t.restart();
    Base::Filter f;
    f.establishment = QStringLiteral("Lycée Curie");
    w.setFilter(f);
    QApplication::processEvents();
    w.repaint();
    const qint64 filtered = t.restart();
    Base base;
    if (!base.open(path) || !report::write(base, Base::Filter(), pdf))
        return 1;
    std::printf("summary %lld\nfilter %lld\nreport %lld\n", static_cast<long long>(page),
                static_cast<long long>(filtered), static_cast<long long>(t.elapsed()));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Only the window needs a graphical application (and its fonts).
    const bool windowed = argc > 1 && (qstrcmp(argv[1], "window") == 0 || qstrcmp(argv[1], "results") == 0);
    std::unique_ptr<QCoreApplication> app = windowed ? std::make_unique<QApplication>(argc, argv)
                                                     : std::make_unique<QCoreApplication>(argc, argv);
    const QStringList a = app->arguments().mid(1);
    if (a.size() == 3 && a[0] == QLatin1String("maildir"))
        return maildir(a[1].toInt(), a[2]);
    if (a.size() == 3 && a[0] == QLatin1String("mailbox"))
        return mailbox(a[1].toInt(), a[2]);
    if (a.size() == 2 && a[0] == QLatin1String("parse"))
        return parse(a[1]);
    if (a.size() == 3 && a[0] == QLatin1String("import"))
        return import(a[1], a[2]);
    if (a.size() == 3 && a[0] == QLatin1String("csv"))
        return csv(a[1], a[2]);
    if (a.size() == 2 && a[0] == QLatin1String("window"))
        return window(a[1]);
    if (a.size() == 3 && a[0] == QLatin1String("results"))
        return results(a[1], a[2]);
    return usage();
}
