#include "tally/xlsx.h"

#include "answers/columns.h"
#include "answers/questions.h"
#include "storage/privatefiles.h"
#include "tally/summary.h"

#include <QDateTime>
#include <QFile>

#include <cstdio>
#include <vector>
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

lxw_datetime dateOf(QByteArrayView iso, bool* ok)
{
    const QDateTime t = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toLocalTime();
    *ok = t.isValid();
    const QDate d = t.date();
    const QTime h = t.time();
    return {d.year(), d.month(), d.day(), h.hour(), h.minute(), double(h.second())};
}

// How wide a column is drawn, in characters.
double widthOf(int column, const Layout& layout)
{
    if (column == layout.dateColumn)
        return 17;
    if (column < layout.answersFrom)
        return 28;
    const int answer = column - layout.answersFrom;
    if (answer >= columns::names().size())
        return 12; // the numbers of --toutes
    return questions::isText(answer) ? 40 : 18;
}

class Book
{
public:
    explicit Book(const QByteArray& file)
    {
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        m_book = workbook_new_opt(file.constData(), &options);
        if (!m_book)
            return;
        header = workbook_add_format(m_book);
        format_set_bold(header);
        format_set_text_wrap(header);
        format_set_align(header, LXW_ALIGN_VERTICAL_TOP);
        format_set_bg_color(header, 0xDDE4EE);
        date = workbook_add_format(m_book);
        format_set_num_format(date, "dd/mm/yyyy hh:mm");
        format_set_align(date, LXW_ALIGN_VERTICAL_TOP);
        wrapped = workbook_add_format(m_book);
        format_set_text_wrap(wrapped);
        format_set_align(wrapped, LXW_ALIGN_VERTICAL_TOP);
        top = workbook_add_format(m_book);
        format_set_align(top, LXW_ALIGN_VERTICAL_TOP);
        percent = workbook_add_format(m_book);
        format_set_num_format(percent, "0%");
    }
    lxw_workbook* get() const { return m_book; }

    lxw_format* header = nullptr;
    lxw_format* date = nullptr;
    lxw_format* wrapped = nullptr;
    lxw_format* top = nullptr;
    lxw_format* percent = nullptr;

private:
    lxw_workbook* m_book = nullptr;
};

bool text(lxw_worksheet* sheet, lxw_row_t r, int c, const QString& s, lxw_format* f = nullptr)
{
    return worksheet_write_string(sheet, r, lxw_col_t(c), s.toUtf8().constData(), f) == LXW_NO_ERROR;
}

// Each question's answers with their count and share.
void writeTally(Book& book, const summary::Tally& counted)
{
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "D\xc3\xa9" "compte");
    const QStringList titles = {QStringLiteral("Question"), QStringLiteral("Partie"), QStringLiteral("Réponse"),
                                QStringLiteral("Nombre"), QStringLiteral("Part des répondants")};
    const double widths[] = {44, 30, 26, 10, 12};
    for (int c = 0; c < titles.size(); ++c) {
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths[c], nullptr);
        text(sheet, 0, c, titles[c], book.header);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    lxw_row_t r = 1;
    const auto line = [&](const summary::Card& card, const QString& part, const QString& answer, int count,
                          int of) {
        text(sheet, r, 0, card.question->title());
        if (!part.isEmpty())
            text(sheet, r, 1, part);
        text(sheet, r, 2, answer);
        worksheet_write_number(sheet, r, 3, count, nullptr);
        if (of > 0)
            worksheet_write_number(sheet, r, 4, double(count) / of, book.percent);
        ++r;
    };
    for (const summary::Card& card : counted.cards()) {
        for (const summary::Group& g : card.groups) {
            for (const summary::Bar& b : g.bars)
                line(card, g.part, b.label, b.count, g.answered);
            if (!g.part.isEmpty())
                line(card, g.part, QStringLiteral("sans réponse"), counted.responses() - g.answered, 0);
        }
        for (const summary::Texts& t : card.texts)
            line(card, t.part, QStringLiteral("texte écrit"), t.count, 0);
        line(card, QString(), QStringLiteral("sans réponse"), card.unanswered, 0);
    }
    worksheet_autofilter(sheet, 0, 0, r - 1, lxw_col_t(titles.size() - 1));
}

// What each answer column is.
void writeQuestions(Book& book)
{
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "Questions");
    const QStringList titles = {QStringLiteral("Code"), QStringLiteral("N°"), QStringLiteral("Colonne"),
                                QStringLiteral("Question"), QStringLiteral("Choix")};
    const double widths[] = {24, 6, 50, 70, 50};
    for (int c = 0; c < titles.size(); ++c) {
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), widths[c], c >= 2 ? book.wrapped : nullptr);
        text(sheet, 0, c, titles[c], book.header);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    const QStringList& names = columns::names();
    for (int c = 0; c < names.size(); ++c) {
        const questions::Question& q = questions::ofColumn(c);
        const lxw_row_t r = lxw_row_t(c + 1);
        text(sheet, r, 0, names[c]);
        if (q.number <= 41)
            worksheet_write_number(sheet, r, 1, q.number, nullptr);
        text(sheet, r, 2, questions::header(c), book.wrapped);
        text(sheet, r, 3, q.asked(), book.wrapped);
        const QStringList& choices = columns::choices()[c];
        text(sheet, r, 4, choices.isEmpty() ? QStringLiteral("(texte libre)") : choices.join(QStringLiteral(" / ")),
             book.wrapped);
    }
    worksheet_autofilter(sheet, 0, 0, lxw_row_t(names.size()), lxw_col_t(titles.size() - 1));
}

} // namespace

bool write(const QString& path, const Layout& layout, const Rows& rows, int* cut)
{
    int cutHere = 0;
    const bool existed = QFile::exists(path);
    // Written aside, then put in place: a failure leaves no half of a book.
    const QString aside = path + QStringLiteral(".partiel");
    const QByteArray file = QFile::encodeName(aside);
    Book book(file);
    if (!book.get())
        return false;

    bool ok = true;
    lxw_worksheet* table = workbook_add_worksheet(book.get(), "R\xc3\xa9ponses");
    const int width = int(layout.header.size());
    // Each cell gets its column's format: a typed text wraps on its line breaks.
    std::vector<lxw_format*> formats;
    for (int c = 0; c < width; ++c) {
        const bool isText = c >= layout.answersFrom && c - layout.answersFrom < columns::names().size() &&
                            questions::isText(c - layout.answersFrom);
        formats.push_back(isText ? book.wrapped : book.top);
        worksheet_set_column(table, lxw_col_t(c), lxw_col_t(c), widthOf(c, layout), formats.back());
    }
    // Room for a question's words over three lines.
    worksheet_set_row(table, 0, 45, nullptr);
    for (int c = 0; c < width; ++c)
        ok = ok && text(table, 0, c, layout.header[c], book.header);
    worksheet_freeze_panes(table, 1, 0);

    summary::Tally counted;
    lxw_row_t r = 1;
    QByteArray cell;
    rows([&](const Cells& row) {
        for (int c = 0; c < row.size(); ++c) {
            if (row[c].isEmpty())
                continue; // an unanswered item is an empty cell
            if (c == layout.dateColumn) {
                bool valid = false;
                lxw_datetime when = dateOf(row[c], &valid);
                if (valid) {
                    ok = ok && worksheet_write_datetime(table, r, lxw_col_t(c), &when, book.date) == LXW_NO_ERROR;
                    continue;
                }
            }
            // The library wants a text ended by a zero; a line break is one LF in a cell.
            cell = fitted(row[c], &cutHere);
            cell.replace("\r\n", "\n");
            ok = ok && worksheet_write_string(table, r, lxw_col_t(c), cell.constData(),
                                              formats[size_t(qMin(c, width - 1))]) == LXW_NO_ERROR;
        }
        // The counts are those of the standing responses.
        if (layout.replacedColumn < 0 || row.value(layout.replacedColumn).isEmpty())
            counted.add(row.mid(layout.answersFrom));
        ++r;
    });
    worksheet_autofilter(table, 0, 0, r - 1, lxw_col_t(width - 1));

    writeTally(book, counted);
    writeQuestions(book);
    if (workbook_close(book.get()) != LXW_NO_ERROR || !ok) {
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
