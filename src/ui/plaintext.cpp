#include "ui/plaintext.h"

#include <QLabel>

namespace ui
{

QLabel* label(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(parent);
    makePlain(l);
    l->setText(text);
    return l;
}

void makePlain(QLabel* label)
{
    // Plain text has no link to follow; the label's focus stays as it was.
    label->setTextFormat(Qt::PlainText);
}

QString plainToolTip(const QString& text)
{
    // A tooltip has no format of its own: markup whose every character is
    // escaped shows the text exactly, lines kept.
    if (text.isEmpty())
        return text;
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

} // namespace ui
