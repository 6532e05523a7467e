#include "sheet/feuillep.h"

#include "dialup/dialuplink.h"
#include "dialup/hangupquestion.h"
#include "storage/runningflag.h"
#include "sheet/banner.h"
#include "sheet/composebuffer.h"
#include "ui/fonts.h"
#include "ui/imagebutton.h"
#include "sheet/page.h"
#include "sheet/printeddocument.h"
#include "ui/twips.h"
#include "sheet/windowrule.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

feuillep::feuillep(const QString& appDirectory, QWidget* parent)
    : QWidget(parent), m_directory(appDirectory)
{
    setObjectName(QStringLiteral("feuillep"));
    setWindowTitle(QStringLiteral("Votre avis nous intéresse"));
    setWindowIcon(QIcon(QStringLiteral(":/sheet.xpm")));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);

    createStaticControls();
    createAnswerControls();
    setFocusOrder();
    connectLayout();

    // The end of the desktop session closes the questionnaire without asking.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { terminate(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { terminate(); });

    Form_Load();
}

feuillep::~feuillep()
{
    delete rtf1;
}

void feuillep::createStaticControls()
{
    P1 = new Page(this);
    P1->setObjectName(QStringLiteral("P1"));
    P1->setGeometry(twips::toPixels(480, 600, 10575, 7455, this));

    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setGeometry(twips::toPixels(6120, 360, 255, 1215, this));
    VScroll1->setFocusPolicy(Qt::StrongFocus);

    P2 = new Banner(this);
    P2->setObjectName(QStringLiteral("P2"));
    P2->setGeometry(twips::toPixels(8040, 1200, 3975, 855, this));

    Image1 = new ImageButton(P2);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twips::toPixels(600, 240, 480, 480, this));
    Image1->setPixmap(QPixmap(QStringLiteral(":/close.xpm")));
    Image1->setToolTip(QStringLiteral("Fermer"));
    Image1->setCursor(QCursor(QPixmap(QStringLiteral(":/hand.xpm")), 12, 1));
    connect(Image1, &ImageButton::clicked, this, &feuillep::Image1_Click);

    auto button = [this](const char* name, const QString& caption, int top) {
        auto* b = new QPushButton(caption, P1);
        b->setObjectName(QLatin1String(name));
        b->setFont(dialogFont());
        b->setGeometry(twips::toPixels(2400, top, 2295, 375, this));
        return b;
    };
    Command1 = button("Command1", QStringLiteral("Imprimer (pour expédition)"), 840);
    Command2 = button("Command2", QStringLiteral("Envoyer par e-mail"), 1320);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10);

    rtf1 = new ComposeBuffer;
    CommonDialog1 = printeddocument::printer();
    connect(Command1, &QPushButton::clicked, this, &feuillep::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &feuillep::Command2_Click);
}

QString feuillep::t1Text(int index) const
{
    const QWidget* box = t1(index);
    if (const auto* line = qobject_cast<const QLineEdit*>(box))
        return line->text();
    if (const auto* edit = qobject_cast<const QPlainTextEdit*>(box)) {
        QString text = edit->toPlainText();
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        return text;
    }
    return QString();
}

QString feuillep::flagPath() const
{
    return runningflag::path(m_directory);
}

void feuillep::writeFlag(const QString& value)
{
    // A flag that cannot be written is simply not written: nothing is shown.
    runningflag::write(m_directory, value);
}

void feuillep::Form_Load()
{
    writeFlag(QStringLiteral("OUI"));

    if (const QScreen* s = screen()) {
        const double tppX = 1440.0 / s->logicalDotsPerInchX();
        const double tppY = 1440.0 / s->logicalDotsPerInchY();
        const QRect g = s->geometry();
        const WindowRule rule = windowRule(g.width() * tppX, g.height() * tppY, tppX, tppY);
        if (!rule.maximised) {
            setWindowState(Qt::WindowNoState);
            resize(qRound(rule.width / tppX), qRound(rule.height / tppY));
            move(g.left() + qRound(rule.left / tppX), g.top() + qRound(rule.top / tppY));
        }
    }

    loadScales();
}

void feuillep::Image1_Click()
{
    close();
}

void feuillep::setDialupLink(std::unique_ptr<DialupLink> link)
{
    m_dialup = std::move(link);
}

void feuillep::Form_QueryUnload()
{
    // Made only now: the probe has no business before the window closes.
    if (!m_dialup)
        m_dialup = makePlatformDialupLink();
    askHangUp(*m_dialup, this);
}

void feuillep::Form_Unload()
{
    m_unloaded = true;
    writeFlag(QStringLiteral("NON"));
    Q_EMIT ended();
}

void feuillep::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded && m_askOnClose)
        Form_QueryUnload();
    // A termination signal may have unloaded the window while the question was up.
    if (!m_unloaded)
        Form_Unload();
    event->accept();
}

void feuillep::terminate()
{
    m_askOnClose = false;
    if (!m_unloaded)
        Form_Unload();
}
