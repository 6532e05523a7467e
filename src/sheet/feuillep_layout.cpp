// The sheet window's layout: the window rule and placing on every resize, the
// banner, scrolling, and the page build lapage.
#include "sheet/banner.h"
#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"
#include "ui/imagebutton.h"
#include "sheet/page.h"
#include "sheet/pagescript.h"
#include "sheet/windowrule.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFocusEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <functional>
#include <optional>

namespace
{

using catalogue::Kind;
using pagescript::Op;

constexpr int PageMargin = 30;  // left of the page, and between page and scroll bar
constexpr int ArrowStep = 10;   // pixels
constexpr int PageStep = 100;   // pixels
constexpr int FocusMargin = 10; // kept around a control scrolled into view
// A window manager answers a change of state or size some time later, and
// may undo what the rule has just done; the rule is then applied again, but
// not without end against one that insists.
constexpr int RuleCheckMs = 200;
constexpr int MaxRuleCorrections = 3;
constexpr Qt::WindowStates SizeStates =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

// Positions round half up, so that two positions a whole number of pixels
// apart stay that far apart after rounding, whatever the fraction.
int rounded(double v)
{
    return int(std::floor(v + 0.5));
}

QFont pageFont(double points, bool bold)
{
    QFont f{QLatin1String(pagescript::FontFamily)};
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// One step of the page script on the page, with the base font current.
void run(const pagescript::Step& step, Page& page, const feuillep& w)
{
    const QFont base = pageFont(pagescript::BasePoints, false);
    const QString text = QString::fromUtf8(step.text);
    const double x = page.currentX();
    const double y = page.currentY();
    const double h = page.textHeight(QStringLiteral("W"));
    auto heading = [&](bool centred) {
        page.setPageFont(pageFont(pagescript::HeadingPoints, true));
        centred ? page.centre(text) : page.printLine(text);
        page.setPageFont(base);
        page.endLine();
    };

    switch (step.op) {
    case Op::EndLine:
        for (int i = 0; i < step.value; ++i)
            page.endLine();
        return;
    case Op::HalfStep:
        page.setCurrentY(y + 0.5 * h);
        return;
    case Op::StackStep:
        page.setCurrentY(y + 1.5 * h);
        return;
    case Op::Print:
        if (step.value)
            page.setPageFont(pageFont(pagescript::BasePoints, true));
        page.print(text);
        page.setPageFont(base);
        return;
    case Op::PrintLine:
        page.printLine(text);
        return;
    case Op::Centre:
        page.centre(text);
        return;
    case Op::Heading:
    case Op::SubHeading:
        heading(step.op == Op::Heading);
        return;
    case Op::Column:
        page.setCurrentX(step.value);
        return;
    default:
        break;
    }

    // The remaining steps move a control; one missing is skipped.
    QWidget* c = w.control(step.kind, step.index);
    if (!c)
        return;
    const int top = rounded(y + pagescript::shift(step.kind));
    switch (step.op) {
    case Op::Place:
        c->move(rounded(x + step.value), top);
        break;
    case Op::PlaceAt:
        c->move(step.value, top);
        break;
    case Op::Advance:
        page.setCurrentX(x + c->width());
        break;
    case Op::CentreInner:
        c->move(rounded((page.innerWidth() - c->width()) / 2.0), rounded(y + step.value));
        break;
    case Op::CentreOuter:
        c->move(rounded((page.outerWidth() - c->width()) / 2.0), rounded(y + step.value));
        break;
    case Op::Below:
        page.setCurrentY(y + step.value + c->height());
        break;
    case Op::PlaceRight:
        c->move(page.innerWidth() - c->width() - step.value, rounded(y));
        break;
    default:
        break;
    }
}

// What the window rule asks for on the window's screen: maximised, or a frame
// of 800 x 600 pixels centred.
struct RuleTarget {
    bool maximised = false;
    QRect frame;
};

std::optional<RuleTarget> ruleTarget(const QWidget& w)
{
    const QScreen* s = w.screen();
    if (!s)
        return std::nullopt;
    const double tppX = 1440.0 / s->logicalDotsPerInchX();
    const double tppY = 1440.0 / s->logicalDotsPerInchY();
    const QRect g = s->geometry();
    const WindowRule rule = windowRule(g.width() * tppX, g.height() * tppY, tppX, tppY);
    return RuleTarget{rule.maximised,
                      QRect(g.left() + qRound(rule.left / tppX), g.top() + qRound(rule.top / tppY),
                            qRound(rule.width / tppX), qRound(rule.height / tppY))};
}

// Runs a function when a control of the page gets the focus from the keyboard.
class FocusWatcher : public QObject
{
public:
    FocusWatcher(QObject* parent, std::function<void(QWidget*)> onFocus)
        : QObject(parent), m_onFocus(std::move(onFocus))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
                m_onFocus(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    std::function<void(QWidget*)> m_onFocus;
};

} // namespace

void feuillep::connectLayout()
{
    VScroll1->setSingleStep(ArrowStep);
    VScroll1->setPageStep(PageStep);
    P2->raise();

    connect(P2, &Banner::painting, this, &feuillep::P2_Paint);
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

    m_ruleCheck = new QTimer(this);
    m_ruleCheck->setSingleShot(true);
    m_ruleCheck->setInterval(RuleCheckMs);
    connect(m_ruleCheck, &QTimer::timeout, this, &feuillep::checkWindowRule);

    // A keyboard user must see the control the Tab key has moved to.
    auto* watcher = new FocusWatcher(this, [this](QWidget* c) { scrollToShow(c); });
    for (QWidget* c : P1->findChildren<QWidget*>())
        c->installEventFilter(watcher);
}

// A change that came from outside: the user, the window manager.
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
        m_ruleCheck->start();
}

void feuillep::checkWindowRule()
{
    const auto target = ruleTarget(*this);
    if (!target || !isVisible() || !windowHandle())
        return;
    const Qt::WindowStates states = windowState() & SizeStates;
    const bool kept = target->maximised ? states == Qt::WindowMaximized
                                        : states == Qt::WindowNoState &&
                                              windowHandle()->frameGeometry() == target->frame;
    if (kept) {
        m_ruleCorrections = 0;
        return;
    }
    if (++m_ruleCorrections <= MaxRuleCorrections)
        followWindowSystem();
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
    if (isVisible() && windowHandle() && windowHandle()->frameMargins() != m_ruleFrame)
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

int feuillep::runOwnModal(QDialog* dialog)
{
    const int result = dialog->exec();
    if (!m_unloaded)
        Form_Activate();
    return result;
}

void feuillep::Form_Activate()
{
    lapage();
}

void feuillep::applyWindowRule()
{
    const auto target = ruleTarget(*this);
    if (!target)
        return;
    const Qt::WindowStates others = windowState() & ~SizeStates;
    // The outer size is the frame's: what the window manager adds around the
    // client area comes off the client size.  (The window's own margins are
    // current; the widget's frame geometry may still hold none.)
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    m_ruleFrame = frame;

    if (target->maximised) {
        if ((windowState() & SizeStates) == Qt::WindowMaximized)
            return;
        // Without a window manager nothing would cover the screen.
        if (!(windowState() & Qt::WindowMaximized))
            setGeometry(screen()->availableGeometry().marginsRemoved(frame));
        setWindowState(others | Qt::WindowMaximized);
        return;
    }
    if (windowState() != others)
        setWindowState(others);
    resize(target->frame.size().shrunkBy(frame));
    move(target->frame.topLeft());
}

void feuillep::Form_Resize()
{
    if (m_inResize)
        return;
    m_inResize = true;
    applyWindowRule();

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
    P2->raise();
    m_inResize = false;
}

void feuillep::lapage()
{
    Form_Resize();
    P1->clear();
    P1->setColours(Qt::black, Qt::white);
    P1->resize(P1->width(), pagescript::WorkingHeight);
    P1->setPageFont(pageFont(pagescript::BasePoints, false));
    for (const pagescript::Row& row : pagescript::rows()) {
        for (const pagescript::Step& step : row)
            run(step, *P1, *this);
    }
    P1->resize(P1->width(), rounded(P1->currentY()));
    P1->update();
    m_builtFor = size();

    // A page shorter than the window has nothing to scroll: the maximum is
    // then the minimum, never below it (which would push the page down).
    if (const auto maximum = pagescript::toInt16(P1->height() - height()))
        VScroll1->setMaximum(qMax(*maximum, VScroll1->minimum()));
}

void feuillep::P2_Paint(QPainter* painter)
{
    const double inner = P2->innerHeight();
    const int rows = int(std::nearbyint(inner)); // halves to even
    for (int i = 0; i <= rows; ++i) {
        painter->setPen(bannerRowColour(i, inner));
        painter->drawLine(0, i, P2->innerWidth(), i);
    }
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(27);
    painter->setFont(font);
    const QString title = QStringLiteral("Votre avis nous intéresse");
    const QFontMetricsF metrics(font, P2);
    const double x = (P2->innerWidth() - metrics.horizontalAdvance(title)) / 2;
    const double y = (P2->innerHeight() - metrics.height()) / 2;
    // Only the letters are drawn: the gradient shows around them.
    painter->setBackgroundMode(Qt::TransparentMode);
    painter->setPen(P2->palette().color(QPalette::WindowText));
    painter->drawText(QPointF(x, y + metrics.ascent()), title);
    P2->raise();
}

void feuillep::P2_Resize()
{
    Image1->move(P2->innerWidth() - 2 * Image1->width(),
                 rounded((P2->innerHeight() - Image1->height()) / 2.0));
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
