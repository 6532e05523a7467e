#include "tallywindows/responsewindow.h"
#include "ui/plaintext.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace
{

QString frenchDate(const QDateTime& t)
{
    return QLocale(QLocale::French).toString(t.toLocalTime(), QStringLiteral("d MMMM yyyy à HH:mm"));
}

QString other(const Base::Response::Other& o)
{
    return QStringLiteral("n° %1, reçue le %2 de %3").arg(o.id).arg(frenchDate(o.received), o.sender);
}

} // namespace

ResponseWindow::ResponseWindow(const Base::Response& r, QWidget* parent)
    : QDialog(parent), m_heading(ui::label(QString(), this)), m_text(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("Réponse de %1").arg(r.sender));
    setModal(false);
    QStringList lines = {
        QStringLiteral("Réponse n° %1, reçue le %2 de %3").arg(r.id).arg(frenchDate(r.received), r.sender),
    };
    if (!r.establishment.isEmpty())
        lines << QStringLiteral("Établissement : %1").arg(r.establishment);
    if (!r.subjectName.isEmpty())
        lines << QStringLiteral("Nom dans l’objet du message : %1").arg(r.subjectName);
    if (r.replacer)
        lines << QStringLiteral("Remplacée par la réponse %1.").arg(other(*r.replacer));
    for (const Base::Response::Other& o : r.replaced)
        lines << QStringLiteral("Remplace la réponse %1.").arg(other(o));
    if (r.readings > 1)
        lines << QStringLiteral("Texte ambigu : il se lit de %1 façons ; le tableau montre la "
                                "première.")
                     .arg(r.readings);
    m_heading->setText(lines.join(QLatin1Char('\n')));
    m_heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_heading->setWordWrap(true);

    m_text->setReadOnly(true);
    // The text without the empty lines a mail body puts around it.
    QString text = QString(r.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    m_text->setPlainText(text);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setAccessibleName(QStringLiteral("Réponses"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_text, 1);
    layout->addWidget(buttons);
    resize(640, 720);
}

QString ResponseWindow::heading() const
{
    return m_heading->text();
}

QString ResponseWindow::text() const
{
    return m_text->toPlainText();
}
