// The scanned sheets' benchmark steps, one a process so that each has its
// own peak memory (scripts/bench-paper runs them and prints the ratios):
//
//   bench_paper make <n> <pdf>       a PDF of n scanned pages, as a scanner
//                                    writes one: each page an image at 200 dpi
//                                    in grey, the codes of a random filling
//                                    on it, a little noise
//   bench_paper page <pdf>           one page read (rendered, its codes found
//                                    and framed) on one core, the mean of ten
//   bench_paper import <pdf> <base>  the whole import, as « importer » runs it
//
// Each prints "ms <milliseconds>".
#include "answers/answertext.h"
#include "paper/frame.h"
#include "paper/qrcode.h"
#include "paper/scans.h"
#include "support/responses.h"
#include "tally/importer.h"
#include "tally/papersource.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>

#include <cstdio>

namespace
{

constexpr int Dpi = 200;

// One A4 page at 200 dpi as a scanner gives it: the codes of one sheet.
QImage scannedPage(QRandomGenerator& g, int n)
{
    QImage page(1654, 2339, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    QByteArray id(8, '\0');
    for (char& c : id)
        c = char(g.generate());
    const paperframe::Sheet sheet{QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC).addSecs(n),
                                  answertext::write(testing::randomFilling(g))};
    QPainter p(&page);
    const double module = 0.6 * Dpi / 25.4;
    int i = 0;
    double cell = 0; // the first code is the largest: the grid's cell
    for (const QByteArray& part : paperframe::encode(sheet, id, 300)) {
        const qrcode::Symbol s = qrcode::encode(part);
        const double side = s.size * module;
        cell = qMax(cell, side);
        qrcode::paint(p, s, QRectF(100 + (i % 3) * (cell + 30), 800 + (i / 3) * (cell + 60), side, side));
        ++i;
    }
    p.end();
    // The scanner's noise.
    for (int k = 0; k < 20000; ++k)
        page.setPixel(int(g.bounded(page.width())), int(g.bounded(page.height())), qRgb(128, 128, 128));
    return page;
}

int make(int n, const QString& path)
{
    QPdfWriter pdf(path);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(Dpi);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&pdf);
    QRandomGenerator g(20261209);
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            pdf.newPage();
        p.drawImage(QPointF(0, 0), scannedPage(g, i));
    }
    return p.end() ? 0 : 1;
}

int page(const QString& path)
{
    const ScanFile scan(path);
    QElapsedTimer t;
    t.start();
    int parts = 0;
    const int pages = qMin(10, scan.pageCount());
    for (int i = 0; i < pages; ++i)
        for (const QByteArray& code : qrcode::find(scan.page(i, Dpi)))
            parts += paperframe::parse(code).has_value();
    std::printf("ms %lld\nparts %d\n", static_cast<long long>(t.elapsed() / qMax(1, pages)), parts);
    return parts > 0 ? 0 : 1;
}

int import(const QString& pdf, const QString& path)
{
    QElapsedTimer t;
    t.start();
    Base base;
    if (!base.open(path))
        return 1;
    Importer importer(base);
    PaperSource source({pdf});
    if (importer.run(source) != Importer::Result::Done)
        return 1;
    std::printf("ms %lld\nadded %d\nset-aside %d\n", static_cast<long long>(t.elapsed()), importer.tally().added,
                importer.tally().setAside);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv); // fonts and image readers
    const QStringList a = app.arguments().mid(1);
    if (a.size() == 3 && a[0] == QLatin1String("make"))
        return make(a[1].toInt(), a[2]);
    if (a.size() == 2 && a[0] == QLatin1String("page"))
        return page(a[1]);
    if (a.size() == 3 && a[0] == QLatin1String("import"))
        return import(a[1], a[2]);
    std::fputs("bench_paper make N PDF | page PDF | import PDF BASE\n", stderr);
    return 2;
}
