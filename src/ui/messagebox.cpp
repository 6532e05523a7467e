#include "ui/messagebox.h"

#include "ui/plaintext.h"

#include <QAbstractButton>
#include <QLabel>
#include <QList>

namespace
{

struct Seam {
    QList<QMessageBox::StandardButton> answers;
    QList<MessageBox::Record> asked;
};

Seam& seam()
{
    static Seam s;
    return s;
}

} // namespace

QMessageBox* MessageBox::build(QWidget* parent, const Record& r)
{
    auto* box = new QMessageBox(r.icon, r.title, QString(), r.buttons, parent);
    // What a box says often holds words from outside (a server's refusal, a
    // certificate's names, a file name): never read as markup.
    box->setTextFormat(Qt::PlainText);
    box->setText(r.text);
    if (r.defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(r.defaultButton);
    for (auto it = r.buttonTexts.cbegin(); it != r.buttonTexts.cend(); ++it)
        if (QAbstractButton* b = box->button(it.key()))
            b->setText(it.value());
    if (!r.informative.isEmpty()) {
        box->setInformativeText(r.informative);
        for (QLabel* label : box->findChildren<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            ui::makePlain(label);
    }
    if (!r.details.isEmpty())
        box->setDetailedText(r.details);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    return box;
}

QMessageBox::StandardButton MessageBox::show(QWidget* parent, QMessageBox::Icon icon,
                                             const QString& title, const QString& text,
                                             QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton,
                                             const QString& details)
{
    Record r;
    r.icon = icon;
    r.title = title;
    r.text = text;
    r.details = details;
    r.buttons = buttons;
    r.defaultButton = defaultButton;
    return show(parent, r);
}

QMessageBox::StandardButton MessageBox::show(QWidget* parent, const Record& r)
{
    // Only the last few matter to anyone reading the record.
    if (seam().asked.size() >= 16)
        seam().asked.removeFirst();
    seam().asked.append(r);
    if (!seam().answers.isEmpty())
        return seam().answers.takeFirst();

    QScopedPointer<QMessageBox> box(build(parent, r));
    return QMessageBox::StandardButton(box->exec());
}

void MessageBox::critical(QWidget* parent, const QString& title, const QString& text,
                          const QString& details)
{
    show(parent, QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::NoButton,
         details);
}

void MessageBox::warning(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, QMessageBox::Warning, title, text);
}

void MessageBox::information(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, QMessageBox::Information, title, text);
}

bool MessageBox::question(QWidget* parent, const QString& title, const QString& text)
{
    return show(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                QMessageBox::Yes) == QMessageBox::Yes;
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton button)
{
    seam().answers.append(button);
}

void MessageBox::clearNextAnswers()
{
    seam().answers.clear();
}

int MessageBox::count()
{
    return int(seam().asked.size());
}

MessageBox::Record MessageBox::last()
{
    return seam().asked.isEmpty() ? Record() : seam().asked.last();
}

void MessageBox::reset()
{
    seam().asked.clear();
    seam().answers.clear();
}
