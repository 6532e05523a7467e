#include "sheet/printeddocument.h"

#include "sheet/composebuffer.h"
#include "sheet/sheetfont.h"

#include "paper/frame.h"
#include "paper/qrcode.h"

#include <QDateTime>
#include <QPainter>
#include <QPrinter>
#include <QRandomGenerator>

namespace printeddocument
{

namespace
{

using Align = ComposeBuffer::Alignment;

struct Piece {
    const char* text; // UTF-8
    double points;
    Align alignment;
};

const Piece Head[] = {
    {"Votre avis nous intéresse\r\n", 18, Align::Centre},
    {"\r\n", 10, Align::Centre},
    {"Merci de nous retourner ce questionnaire à l’adresse suivante :\r\n\r\n", 10, Align::Left},
    {"Editions TARVEL\r\n", 10, Align::Centre},
    {"Cédérom Orbitalis Seconde\r\n", 10, Align::Centre},
    {"5, rue des Ormeaux\r\n", 10, Align::Centre},
    {"75000 Paris\r\n\r\n\r\n", 10, Align::Centre},
};

} // namespace

Printer::Printer() = default;
Printer::~Printer() = default;

QPrinter* Printer::get()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    }
    return m_printer.get();
}

void composeHead(ComposeBuffer& buffer)
{
    buffer.setFontName(QLatin1String(sheetfont::Family));
    buffer.setIndents(Indent, Indent);
    for (const Piece& p : Head) {
        buffer.setFontSize(p.points);
        buffer.setAlignment(p.alignment);
        buffer.insert(QString::fromUtf8(p.text));
    }
    buffer.setAlignment(Align::Left);
}

void print(const ComposeBuffer& buffer, QPrinter* printer, const answertext::Answers& answers)
{
    QByteArray sheetId(8, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(sheetId.data()), 2);
    const paperframe::Sheet sheet{QDateTime::currentDateTimeUtc(), answertext::write(answers)};
    QList<qrcode::Symbol> symbols;
    for (const QByteArray& part : paperframe::encode(sheet, sheetId, PartSize))
        symbols << qrcode::encode(part);
    buffer.print(printer, [&](QPainter& painter, double textEnd) {
        if (symbols.isEmpty())
            return;
        const QRectF area = printer->pageRect(QPrinter::DevicePixel);
        const double module = ModuleMm * printer->resolution() / 25.4;
        int side = 0;
        for (const qrcode::Symbol& s : symbols)
            side = qMax(side, s.size);
        const double cell = side * module;
        QFont font{QString::fromLatin1(sheetfont::Family)};
        font.setPointSizeF(8);
        painter.setFont(font);
        const double label = painter.fontMetrics().height() * 1.5;
        const double gap = 4 * module;
        const int across = qMax(1, int((area.width() + gap) / (cell + gap)));
        double y = textEnd + 2 * label;
        for (int i = 0; i < symbols.size(); ++i) {
            const int column = i % across;
            if (column == 0 && i > 0)
                y += cell + label + gap;
            if (column == 0 && y + cell + label > area.height()) {
                printer->newPage();
                y = 0;
            }
            const QRectF where(column * (cell + gap), y, cell, cell);
            qrcode::paint(painter, symbols[i], QRectF(where.topLeft(), QSizeF(symbols[i].size * module, symbols[i].size * module)));
            painter.setPen(Qt::black);
            painter.drawText(QRectF(where.left(), where.bottom(), cell, label), Qt::AlignHCenter | Qt::AlignTop,
                             QStringLiteral("Code de lecture — partie %1 sur %2").arg(i + 1).arg(symbols.size()));
        }
    });
}

} // namespace printeddocument
