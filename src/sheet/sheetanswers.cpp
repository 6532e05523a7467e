#include "sheet/sheetanswers.h"

#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

namespace answertext
{

Answers fromSheet(const feuillep& sheet)
{
    Answers a;
    for (int i : sheet.Option1.indices())
        if (sheet.Option1(i)->isChecked())
            a.options.insert(i);
    for (int i : sheet.Check1.indices())
        if (sheet.Check1(i)->checkState() == Qt::Checked)
            a.checks.insert(i);
    for (int i : sheet.t1.indices())
        if (const QString text = sheet.t1Text(i); !text.isEmpty())
            a.texts[i] = text;
    const std::pair<catalogue::Kind, const ControlArray<QComboBox>*> arrays[] = {
        {catalogue::Kind::Interest, &sheet.it}, {catalogue::Kind::Difficulty, &sheet.diff}};
    for (const auto& [kind, array] : arrays)
        for (int i : array->indices())
            if ((*array)(i)->currentIndex() > 0)
                a.lists[{kind, i}] = (*array)(i)->currentIndex();
    if (sheet.site && sheet.site->currentIndex() > 0)
        a.lists[{catalogue::Kind::Site, 0}] = sheet.site->currentIndex();
    return a;
}

void compose(const feuillep& sheet, ComposeBuffer& buffer)
{
    buffer.insert(write(fromSheet(sheet)));
}

} // namespace answertext
