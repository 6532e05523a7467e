// The sheet window's layout handlers: resizing, the page build lapage, the
// banner and scrolling.
#include "sheet/banner.h"
#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"
#include "sheet/focuswatcher.h"
#include "sheet/page.h"
#include "sheet/pagebuilder.h"
#include "sheet/pagescript.h"
#include "sheet/windowrulekeeper.h"
#include "ui/imagebutton.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include <cmath>

namespace
{

constexpr int PageMargin = 30;  // left of the page, and between page and scroll bar
constexpr int ArrowStep = 10;   // pixels
constexpr int PageStep = 100;   // pixels
constexpr int FocusMargin = 10; // kept around a control scrolled into view

} // namespace

void feuillep::connectHandlers()
{
    VScroll1->setSingleStep(ArrowStep);
    VScroll1->setPageStep(PageStep);
    P2_Paint();

    connect(Image1, &ImageButton::clicked, this, &feuillep::Image1_Click);
    connect(Command1, &QPushButton::clicked, this, &feuillep::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &feuillep::Command2_Click);
    connect(P2, &Banner::painted, this, &feuillep::P2_Paint);
    connect(P2, &Banner::resized, this, &feuillep::P2_Resize);
    connect(P2, &Banner::clicked, this, &feuillep::P2_Click);
    P2_Resize();

    // Change: any new value but those of a drag in progress, and the drag's
    // end.  Scroll: the drag itself.
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] {
        if (!VScroll1->isSliderDown())
            VScroll1_Change();
    });
    connect(VScroll1, &QScrollBar::sliderReleased, this, &feuillep::VScroll1_Change);
    connect(VScroll1, &QScrollBar::sliderMoved, this, &feuillep::VScroll1_Scroll);
    connect(Timer1, &QTimer::timeout, this, &feuillep::Timer1_Timer);
    connect(m_rule, &WindowRuleKeeper::undone, this, &feuillep::followWindowSystem);

    // A keyboard user must see the control the Tab key has moved to.
    auto* watcher = new FocusWatcher(this, [this](QWidget* c) { scrollToShow(c); });
    for (QWidget* c : P1->findChildren<QWidget*>())
        c->installEventFilter(watcher);
}

void feuillep::followWindowSystem()
{
    if (m_inResize)
        return;
    Form_Resize();
    // A window system that settles the size later (a window manager
    // maximising, frame margins arriving) leaves the page drawn, and its
    // scroll range set, for another size: build it again for this one.
    if (m_builtFor.isValid() && size() != m_builtFor)
        lapage();
    if (isVisible())
        m_rule->watch();
}

void feuillep::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    followWindowSystem();
}

void feuillep::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Minimising, maximising and restoring end in the window rule too.
    if (event->type() == QEvent::WindowStateChange && isVisible())
        followWindowSystem();
}

void feuillep::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The window manager framing the window moves it without resizing it;
    // the frame must then come off the client size.  Moving it by hand
    // leaves it where the user put it.
    if (isVisible() && m_rule->frameChanged())
        followWindowSystem();
}

void feuillep::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The page is built when the window is first shown; after that only when
    // the program's own modal window closes over it (runOwnModal), not each
    // time the window becomes active again.
    if (!m_shownOnce) {
        m_shownOnce = true;
        Form_Activate();
    }
}

void feuillep::Form_Activate()
{
    lapage();
}

void feuillep::Form_Resize()
{
    if (m_inResize)
        return;
    m_inResize = true;
    m_rule->apply();

    const int bannerHeight = P2->height();
    P2->move(0, 0);
    P2->resize(width(), bannerHeight);
    const int barLeft = width() - VScroll1->width();
    VScroll1->move(barLeft, bannerHeight);
    // A client area lower than the banner leaves the bar's height as it was.
    if (height() - bannerHeight >= 0)
        VScroll1->resize(VScroll1->width(), height() - bannerHeight);
    P1->move(PageMargin, bannerHeight);
    if (const auto minimum = pagescript::toInt16(-bannerHeight))
        VScroll1->setMinimum(*minimum);
    VScroll1->setValue(VScroll1->minimum());
    if (barLeft - 2 * PageMargin >= 0)
        P1->resize(barLeft - 2 * PageMargin, P1->height());
    P2_Paint();
    m_inResize = false;
}

void feuillep::lapage()
{
    Form_Resize();
    PageBuilder(*P1, [this](catalogue::Kind kind, int index) {
        return control(kind, index);
    }).build(pagescript::rows());
    m_builtFor = size();

    // A page shorter than the window has nothing to scroll: the maximum is
    // then the minimum, never below it (which would push the page down).
    if (const auto maximum = pagescript::toInt16(P1->height() - height()))
        VScroll1->setMaximum(qMax(*maximum, VScroll1->minimum()));
}

void feuillep::P2_Paint()
{
    // The page scrolls under the banner, never over it: it is cut off where
    // the banner ends rather than lying beneath it, so that, on top and
    // uncovered, it scrolls by moving what it shows, and only the strip it
    // uncovers is drawn.
    P1->raise();
    P1->setCoveredAbove(P2->geometry().bottom() + 1);
}

void feuillep::P2_Resize()
{
    // One image width before the right edge, centred in height (halves up).
    Image1->move(P2->innerWidth() - 2 * Image1->width(),
                 int(std::floor((P2->innerHeight() - Image1->height()) / 2.0 + 0.5)));
}

void feuillep::P2_Click()
{
    rtf1->setVisible(false);
}

void feuillep::VScroll1_Change()
{
    P1->move(P1->x(), -VScroll1->value());
}

void feuillep::VScroll1_Scroll()
{
    // Further notifications leave the pending tick as it is.
    if (!Timer1->isActive())
        Timer1->start();
}

void feuillep::Timer1_Timer()
{
    P1->move(P1->x(), -VScroll1->value());
    Timer1->stop();
}

void feuillep::scrollToShow(QWidget* c)
{
    // The page's visible band, in page coordinates, once the banner is off.
    const int value = VScroll1->value();
    const int top = c->mapTo(P1, QPoint(0, 0)).y();
    const int bottom = top + c->height();
    if (top - FocusMargin < P2->height() + value)
        VScroll1->setValue(top - FocusMargin - P2->height());
    else if (bottom + FocusMargin > height() + value)
        VScroll1->setValue(bottom + FocusMargin - height());
}
