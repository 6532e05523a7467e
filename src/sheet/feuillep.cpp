// The sheet window's controls and lifecycle: Load, the close question, Unload.
#include "sheet/feuillep.h"

#include "dialup/dialuplink.h"
#include "dialup/hangupquestion.h"
#include "sheet/banner.h"
#include "sheet/composebuffer.h"
#include "sheet/page.h"
#include "sheet/pagescroll.h"
#include "sheet/spokennames.h"
#include "sheet/windowrulekeeper.h"
#include "storage/runningflag.h"
#include "ui/imagebutton.h"
#include "ui/pictures.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTimer>

feuillep::feuillep(const QString& directory, QWidget* parent)
    : feuillep(Places::beside(directory), parent)
{
}

feuillep::feuillep(const Places& places, QWidget* parent) : QWidget(parent), m_places(places)
{
    setObjectName(QStringLiteral("feuillep"));
    setWindowTitle(QStringLiteral("Votre avis nous intéresse"));
    setWindowIcon(pictures::icon(pictures::Name::Sheet));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);

    createStaticControls();
    createControls(P1);
    spokennames::apply(*this);
    // The close image last: Tab from the scroll bar must not land on it.
    chainFocus({P1, VScroll1, P2}, Image1);
    m_rule = new WindowRuleKeeper(this);
    connectHandlers();
    new PageScroll(this, P1, VScroll1);

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
    Image1->setPixmap(pictures::pixmap(pictures::Name::Close, devicePixelRatioF()));
    Image1->setToolTip(QStringLiteral("Fermer"));
    Image1->setCursor(pictures::hand(devicePixelRatioF()));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10);

    rtf1 = new ComposeBuffer;
}

QString feuillep::flagPath() const
{
    return runningflag::path(m_places.flagDirectory);
}

void feuillep::writeFlag(const QString& value)
{
    // A flag that cannot be written is simply not written: nothing is shown.
    runningflag::write(m_places.flagDirectory, value);
}

void feuillep::Form_Load()
{
    writeFlag(QStringLiteral("OUI"));
    m_rule->place();
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
    Q_EMIT unloading();
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

int feuillep::runOwnModal(QDialog* dialog)
{
    const int result = dialog->exec();
    if (!m_unloaded)
        Form_Activate();
    return result;
}
