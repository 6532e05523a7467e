#include "sheet/draftkeeper.h"

#include "sheet/answercontrols.h"
#include "sheet/feuillep.h"
#include "ui/messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

namespace
{

// A change is on disk within this, so that a crash loses at most a second.
constexpr int WriteDelayMs = 500;
// The longest text a several-line box is given back.
constexpr int MaxText = 32767;

const QString Check1 = QStringLiteral("Check1");
const QString Option1 = QStringLiteral("Option1");
const QString T1 = QStringLiteral("t1");
const QString It = QStringLiteral("it");
const QString Diff = QStringLiteral("diff");
const QString Site = QStringLiteral("site");

QString textOf(QWidget* box)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return line->text();
    if (auto* lines = qobject_cast<QPlainTextEdit*>(box))
        return lines->toPlainText();
    return QString();
}

bool holds(QWidget* box, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return text.size() <= line->maxLength() && !text.contains(QLatin1Char('\n')) &&
               !text.contains(QLatin1Char('\r'));
    return qobject_cast<QPlainTextEdit*>(box) && text.size() <= MaxText;
}

void setText(QWidget* box, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->setText(text);
    else if (auto* lines = qobject_cast<QPlainTextEdit*>(box))
        lines->setPlainText(text);
}

// A list's choice, from its number: 1 to the last entry (0 is no answer).
int choice(const QComboBox* list, const QString& value)
{
    bool number = false;
    const int n = value.toInt(&number);
    return number && n >= 1 && n < list->count() ? n : -1;
}

} // namespace

DraftKeeper::DraftKeeper(AnswerControls& controls, const QString& path, QObject* parent)
    : QObject(parent), m_controls(controls), m_path(path), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(WriteDelayMs);
    connect(m_timer, &QTimer::timeout, this, &DraftKeeper::write);
    for (int i : controls.t1.indices())
        m_initialTexts[i] = textOf(controls.t1(i));
    if (m_path.isEmpty())
        return;
    const auto watch = [this] { changed(); };
    for (int i : controls.Check1.indices())
        connect(controls.Check1(i), &QCheckBox::toggled, this, watch);
    for (int i : controls.Option1.indices())
        connect(controls.Option1(i), &QRadioButton::toggled, this, watch);
    for (int i : controls.t1.indices()) {
        if (auto* line = qobject_cast<QLineEdit*>(controls.t1(i)))
            connect(line, &QLineEdit::textChanged, this, watch);
        else if (auto* lines = qobject_cast<QPlainTextEdit*>(controls.t1(i)))
            connect(lines, &QPlainTextEdit::textChanged, this, watch);
    }
    for (const ControlArray<QComboBox>* lists : {&controls.it, &controls.diff})
        for (int i : lists->indices())
            connect((*lists)(i), &QComboBox::currentIndexChanged, this, watch);
    connect(controls.site, &QComboBox::currentIndexChanged, this, watch);
}

DraftKeeper* DraftKeeper::attach(feuillep& sheet)
{
    const QString folder = sheet.places().draftDirectory;
    auto* keeper = new DraftKeeper(sheet, folder.isEmpty() ? QString() : draft::path(folder), &sheet);
    // Whatever was typed last is on disk before the program ends.
    connect(&sheet, &feuillep::unloading, keeper, &DraftKeeper::flush);
    connect(&sheet, &feuillep::answersSent, keeper, &DraftKeeper::discard);
    return keeper;
}

draft::Draft DraftKeeper::snapshot() const
{
    draft::Draft d;
    const AnswerControls& c = m_controls;
    for (int i : c.Check1.indices())
        if (c.Check1(i)->isChecked())
            d.entries << draft::Entry{Check1, i, QStringLiteral("1")};
    for (int i : c.Option1.indices())
        if (c.Option1(i)->isChecked())
            d.entries << draft::Entry{Option1, i, QStringLiteral("1")};
    for (int i : c.t1.indices()) {
        // Only what differs from the box as the program fills it.
        const QString text = textOf(c.t1(i));
        if (text != m_initialTexts.value(i))
            d.entries << draft::Entry{T1, i, text};
    }
    const std::pair<const QString*, const ControlArray<QComboBox>*> lists[] = {{&It, &c.it},
                                                                             {&Diff, &c.diff}};
    for (const auto& [name, array] : lists)
        for (int i : array->indices())
            if ((*array)(i)->currentIndex() > 0)
                d.entries << draft::Entry{*name, i, QString::number((*array)(i)->currentIndex())};
    if (c.site && c.site->currentIndex() > 0)
        d.entries << draft::Entry{Site, 0, QString::number(c.site->currentIndex())};
    return d;
}

bool DraftKeeper::restore(const draft::Draft& d)
{
    const AnswerControls& c = m_controls;
    const auto listOf = [&c](const draft::Entry& e) -> QComboBox* {
        if (e.array == It)
            return c.it(e.index);
        if (e.array == Diff)
            return c.diff(e.index);
        return e.array == Site && e.index == 0 ? c.site : nullptr;
    };
    // Everything is checked before anything is changed.
    for (const draft::Entry& e : d.entries) {
        bool fits = false;
        if (e.array == Check1)
            fits = c.Check1(e.index) && e.value == QLatin1String("1");
        else if (e.array == Option1)
            fits = c.Option1(e.index) && e.value == QLatin1String("1");
        else if (e.array == T1)
            fits = c.t1(e.index) && holds(c.t1(e.index), e.value);
        else if (QComboBox* list = listOf(e))
            fits = choice(list, e.value) > 0;
        if (!fits)
            return false;
    }
    for (const draft::Entry& e : d.entries) {
        if (e.array == Check1)
            c.Check1(e.index)->setChecked(true);
        else if (e.array == Option1)
            c.Option1(e.index)->setChecked(true);
        else if (e.array == T1)
            setText(c.t1(e.index), e.value);
        else
            listOf(e)->setCurrentIndex(choice(listOf(e), e.value));
    }
    return true;
}

void DraftKeeper::offer(QWidget* parent)
{
    if (m_path.isEmpty())
        return;
    draft::Draft d;
    const draft::Read read = draft::load(m_path, &d);
    if (read == draft::Read::Missing)
        return;
    if (read == draft::Read::Found && d.entries.isEmpty()) {
        draft::remove(m_path);
        return;
    }
    if (read == draft::Read::Found) {
        const QDateTime when = d.changed.toLocalTime();
        const QLocale french(QLocale::French);
        MessageBox::Record ask;
        ask.icon = QMessageBox::Question;
        ask.title = QStringLiteral("Reprendre les réponses");
        ask.text = QStringLiteral("Des réponses saisies le %1 à %2 n’ont pas été envoyées.\r\n"
                                  "Voulez-vous les reprendre ?")
                       .arg(french.toString(when.date(), QStringLiteral("d MMMM yyyy")),
                            when.time().toString(QStringLiteral("HH:mm")));
        ask.informative = QStringLiteral("« Supprimer le brouillon » efface ces réponses : le questionnaire "
                                         "commence vide.");
        ask.buttons = QMessageBox::Yes | QMessageBox::No;
        ask.defaultButton = QMessageBox::Yes;
        ask.buttonTexts = {{QMessageBox::Yes, QStringLiteral("&Reprendre")},
                           {QMessageBox::No, QStringLiteral("&Supprimer le brouillon")}};
        if (MessageBox::show(parent, ask) != QMessageBox::Yes) {
            draft::remove(m_path);
            return;
        }
        if (restore(d))
            return;
    }
    const QString aside = draft::setAside(m_path);
    MessageBox::warning(
        parent, QStringLiteral("Réponses illisibles"),
        QStringLiteral("Les réponses gardées lors d’une séance précédente n’ont pas pu être "
                       "relues : le questionnaire commence vide.") +
            (aside.isEmpty() ? QString()
                             : QStringLiteral("\r\nLe fichier a été mis de côté : ") + aside));
}

void DraftKeeper::changed()
{
    // Not restarted by further changes: typing without a pause is saved too.
    if (!m_timer->isActive())
        m_timer->start();
}

void DraftKeeper::flush()
{
    if (m_timer->isActive())
        write();
}

void DraftKeeper::write()
{
    m_timer->stop();
    if (m_path.isEmpty())
        return;
    draft::Draft d = snapshot();
    if (d.entries.isEmpty()) {
        draft::remove(m_path);
        return;
    }
    d.changed = QDateTime::currentDateTimeUtc();
    draft::save(m_path, d);
}

void DraftKeeper::discard()
{
    m_timer->stop();
    if (!m_path.isEmpty())
        draft::remove(m_path);
}
