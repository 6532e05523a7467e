#include "tally/xlsx.h"

#include "storage/privatefiles.h"
#include "tally/counts.h"

#include <QFile>

#include <cstdio>
#include <xlsxwriter.h>

namespace xlsx
{
namespace
{

// A text over the cell's limit, cut where a character ends, with a mark
// that says so in the cell itself.
QByteArray fitted(QByteArrayView utf8, int* cut)
{
    if (utf8.size() <= CellLimit) // bytes: never fewer than characters
        return utf8.toByteArray();
    const QString text = QString::fromUtf8(utf8);
    if (text.size() <= CellLimit)
        return utf8.toByteArray();
    ++*cut;
    const QString mark = QStringLiteral(" […] (texte coupé : %1 caractères en tout, entier dans "
                                        "l’export CSV)").arg(text.size());
    qsizetype keep = CellLimit - mark.size();
    if (text[keep - 1].isHighSurrogate())
        --keep;
    return (text.left(keep) + mark).toUtf8();
}

} // namespace

bool write(const QString& path, const QStringList& header, const Rows& rows, int answersFrom,
           int replacedColumn, int* cut)
{
    int cutHere = 0;
    const bool existed = QFile::exists(path);
    // Written aside, then put in place: a failure leaves no half of a book.
    const QString aside = path + QStringLiteral(".partiel");
    const QByteArray file = QFile::encodeName(aside);
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(file.constData(), &options);
    if (!book)
        return false;
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);

    bool ok = true;
    lxw_worksheet* table = workbook_add_worksheet(book, "R\xc3\xa9ponses");
    for (int c = 0; c < header.size(); ++c)
        ok = ok && worksheet_write_string(table, 0, lxw_col_t(c), header[c].toUtf8().constData(), bold) ==
                       LXW_NO_ERROR;
    counts::Tally counted;
    lxw_row_t r = 1;
    QByteArray cell;
    rows([&](const Cells& row) {
        for (int c = 0; c < row.size(); ++c) {
            if (row[c].isEmpty())
                continue; // an unanswered item is an empty cell
            cell = fitted(row[c], &cutHere); // the library wants it ended by a zero
            ok = ok && worksheet_write_string(table, r, lxw_col_t(c), cell.constData(), nullptr) ==
                           LXW_NO_ERROR;
        }
        // The counts are those of the standing responses.
        if (replacedColumn < 0 || row.value(replacedColumn).isEmpty())
            counted.add(row.mid(answersFrom));
        ++r;
    });

    lxw_worksheet* tally = workbook_add_worksheet(book, "D\xc3\xa9" "compte");
    const char* titles[] = {"Question", "R\xc3\xa9ponse", "Nombre", "Pourcentage"};
    for (int c = 0; c < 4; ++c)
        worksheet_write_string(tally, 0, lxw_col_t(c), titles[c], bold);
    r = 1;
    for (const counts::Question& q : counted.result()) {
        for (const counts::Value& v : q.values) {
            worksheet_write_string(tally, r, 0, q.column.toUtf8().constData(), nullptr);
            worksheet_write_string(tally, r, 1, v.label.toUtf8().constData(), nullptr);
            worksheet_write_number(tally, r, 2, v.count, nullptr);
            worksheet_write_number(tally, r, 3, v.percent, nullptr);
            ++r;
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR || !ok) {
        QFile::remove(aside);
        return false;
    }
    privatefiles::protect(aside, existed);
    if (existed)
        QFile::setPermissions(aside, QFile::permissions(path));
    if (::rename(file.constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(aside);
        return false;
    }
    if (cut)
        *cut = cutHere;
    return true;
}

} // namespace xlsx
