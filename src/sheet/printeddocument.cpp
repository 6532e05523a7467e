#include "sheet/printeddocument.h"

#include "sheet/composebuffer.h"
#include "sheet/sheetfont.h"

#include <QPrinter>

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

} // namespace printeddocument
