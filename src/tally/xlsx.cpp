#include "tally/xlsx.h"

#include "tally/counts.h"

#include <QFile>

#include <xlsxwriter.h>

namespace xlsx
{

bool write(const QString& path, const QStringList& header, const Rows& rows, int answersFrom)
{
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(file.constData(), &options);
    if (!book)
        return false;
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);

    lxw_worksheet* table = workbook_add_worksheet(book, "R\xc3\xa9ponses");
    for (int c = 0; c < header.size(); ++c)
        worksheet_write_string(table, 0, lxw_col_t(c), header[c].toUtf8().constData(), bold);
    counts::Tally counted;
    lxw_row_t r = 1;
    QByteArray cell;
    rows([&](const Cells& row) {
        for (int c = 0; c < row.size(); ++c) {
            if (row[c].isEmpty())
                continue; // an unanswered item is an empty cell
            cell = row[c].toByteArray(); // the library wants it ended by a zero
            worksheet_write_string(table, r, lxw_col_t(c), cell.constData(), nullptr);
        }
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
    if (workbook_close(book) != LXW_NO_ERROR) {
        QFile::remove(path);
        return false;
    }
    return true;
}

} // namespace xlsx
