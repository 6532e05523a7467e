#include "sheet/spokennames.h"

#include "sheet/answercontrols.h"
#include "sheet/pagescript.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QRegularExpression>

namespace spokennames
{

namespace
{

using catalogue::Kind;
using pagescript::Op;

const QString Dash = QStringLiteral(" — ");

// A printed text as it is said: spaces simplified, no trailing colon for a
// label ("Intérêt : " is said "Intérêt").
QString said(const QString& text, bool dropColon = false)
{
    QString s = text.simplified();
    if (dropColon && s.endsWith(QLatin1Char(':')))
        s = s.chopped(1).trimmed();
    return s;
}

QString caption(int check)
{
    for (const catalogue::CheckBox& c : catalogue::checkBoxes()) {
        if (c.index == check)
            return QString::fromUtf8(c.caption);
    }
    return QString();
}

} // namespace

static bool printsText(Op op)
{
    return op == Op::Print || op == Op::PrintBold || op == Op::PrintLine;
}

std::vector<Spoken> all()
{
    static const QRegularExpression numbered(QStringLiteral("^(\\d+)\\.\\s*(.*)$"));
    static const QRegularExpression bullet(QStringLiteral("^·\\s*"));
    std::vector<Spoken> spoken;
    QString section;
    QString question; // "Question n : text"; empty in the contact block
    for (const pagescript::Row& row : pagescript::rows()) {
        // A row whose text begins with a number starts a question, its text
        // perhaps in pieces (one of them bold).
        QString whole;
        for (const pagescript::Step& step : row) {
            if (step.op == Op::Heading) {
                section = said(QString::fromUtf8(step.text));
                question.clear();
            } else if (printsText(step.op)) {
                whole += QString::fromUtf8(step.text);
            }
        }
        const QRegularExpressionMatch m = numbered.match(said(whole));
        if (m.hasMatch())
            question = QStringLiteral("Question %1 : %2").arg(m.captured(1), m.captured(2));

        QString item;  // the first text of a row that is not a question's
        QString part;  // a part name of question 6, in bold
        QString label; // the last text printed before a control
        int lastCheck = -1;
        for (const pagescript::Step& step : row) {
            if (printsText(step.op)) {
                if (m.hasMatch())
                    continue;
                const QString text = QString::fromUtf8(step.text);
                if (item.isNull())
                    item = said(text).remove(bullet);
                if (step.op == Op::PrintBold)
                    part = said(text);
                label = said(text, true);
                continue;
            }
            const bool places = step.op == Op::Place || step.op == Op::PlaceAt ||
                                step.op == Op::CentreInner || step.op == Op::CentreOuter ||
                                step.op == Op::PlaceRight;
            if (!places || step.kind == Kind::Command)
                continue;
            QStringList parts;
            if (question.isEmpty()) {
                parts << label; // a contact field: its prompt
            } else {
                parts << question;
                if (!part.isEmpty())
                    parts << part << label; // question 6: the part and the scale
                else if (!item.isEmpty())
                    parts << item; // an item of question 5
                if (step.kind == Kind::Check) {
                    parts << caption(step.index);
                    lastCheck = step.index;
                } else if (step.kind == Kind::Text && lastCheck >= 0) {
                    // The box after an "autre. Préciser :" check box.
                    parts << QStringLiteral("précision de « %1 »")
                                 .arg(caption(lastCheck).section(QLatin1Char('.'), 0, 0));
                }
            }
            spoken.push_back({step.kind, step.index, parts.join(Dash), section});
        }
    }
    return spoken;
}

void apply(AnswerControls& controls)
{
    for (const Spoken& s : all()) {
        QWidget* control = controls.control(s.kind, s.index);
        if (!control)
            continue;
        control->setAccessibleName(s.name);
        control->setAccessibleDescription(s.description);
        if (s.kind != Kind::Frame)
            continue;
        const catalogue::YesNoPair& pair = catalogue::yesNoPair(s.index);
        for (const auto& [option, answer] :
             {std::pair{pair.oui, catalogue::Oui}, std::pair{pair.non, catalogue::Non}}) {
            if (QRadioButton* b = controls.Option1(option)) {
                b->setAccessibleName(s.name + Dash + QString::fromUtf8(answer));
                b->setAccessibleDescription(s.description);
            }
        }
    }
}

} // namespace spokennames
