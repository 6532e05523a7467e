// The answer text: every answer control read in question order and appended
// to rtf1 in the formatting the caller has set.  rtf1 is never emptied here.
#include "sheet/answertext.h"
#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

namespace
{

const QString CrLf = QStringLiteral("\r\n");

bool chosen(const QRadioButton* option)
{
    return option && option->isChecked();
}

QString shown(const QComboBox* list)
{
    return list ? list->currentText() : QString();
}

} // namespace

void feuillep::majtexte()
{
    using namespace answertext;
    auto add = [this](const QString& piece) { rtf1->insert(piece); };
    auto utf8 = [](const char* s) { return QString::fromUtf8(s); };

    for (const Entry& e : entries()) {
        switch (e.kind) {
        case Kind::YesNo:
            for (const Pair& p : e.pairs) {
                add(utf8(p.label));
                if (chosen(Option1(p.oui)))
                    add(QStringLiteral("Oui"));
                if (chosen(Option1(p.non)))
                    add(QStringLiteral("Non"));
            }
            add(CrLf);
            break;
        case Kind::Text:
            add(utf8(e.prefix) + t1Text(e.control));
            add(CrLf);
            break;
        case Kind::List: {
            const QComboBox* box = e.scale == Scale::Site         ? site
                                   : e.scale == Scale::Difficulty ? diff(e.control)
                                                                  : it(e.control);
            add(utf8(e.prefix) + shown(box));
            add(CrLf);
            break;
        }
        case Kind::Checks:
            add(utf8(e.prefix) + CrLf);
            for (const Box& b : e.boxes) {
                const QCheckBox* box = Check1(b.check);
                // Greyed counts as unchecked; an unchecked box hides its text.
                if (!box || box->checkState() != Qt::Checked)
                    continue;
                QString line = box->text();
                if (b.companion != NoCompanion)
                    line += QLatin1Char(' ') + t1Text(b.companion);
                add(line + CrLf);
            }
            break;
        case Kind::Grid:
            add(utf8(e.prefix));
            for (const GridRow& row : gridRows()) {
                QString line = utf8(row.label) + shown(it(row.interest)) + QStringLiteral(" / ");
                if (row.difficulty >= 0)
                    line += shown(diff(row.difficulty));
                add(line + CrLf);
            }
            break;
        }
        if (e.blankLine)
            add(CrLf);
    }
}
