// The questionnaire started exactly as the program starts it, watched from
// outside its classes.  With no argument it quits after the first paint of
// its page P1, printing that moment and how many times the page was built
// before it.  With --inside it stays, then measures a page build and a
// scroll step and prints them.  With --grab DIR it saves pictures of the
// window at a few scroll positions in DIR, to compare two versions.
#include "firstpaint.h"

#include "app/start.h"
#include "app/terminationwatcher.h"
#include "sheet/feuillep.h"
#include "sheet/pagescript.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{

constexpr int Builds = 15;
constexpr int ScrollSteps = 15;

qint64 area(const QRegion& region)
{
    qint64 sum = 0;
    for (const QRect& r : region)
        sum += qint64(r.width()) * r.height();
    return sum;
}

// The processor time of this thread: what a build costs whatever else the
// machine runs at the time.
qint64 cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

template <typename T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? T() : v[v.size() / 2];
}

// Counts what happens to the page: its builds (a build gives the page the
// working height, then its content's height), how long each took, and the
// area its paint events cover, its own and that of the controls on it.
class PageWatch : public QObject
{
public:
    PageWatch() { QCoreApplication::instance()->installEventFilter(this); }

    QWidget* page = nullptr;
    int builds = 0;
    std::vector<qint64> buildNs;
    std::vector<qint64> buildCpuNs;
    qint64 pagePainted = 0;
    qint64 controlsPainted = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w)
            return false;
        if (!page && w->objectName() == QLatin1String("P1"))
            page = w;
        if (w != page && !(page && page->isAncestorOf(w)))
            return false;
        if (event->type() == QEvent::Resize && w == page) {
            const int h = static_cast<QResizeEvent*>(event)->size().height();
            if (h == pagescript::WorkingHeight) {
                ++builds;
                m_buildStart = FirstPaint::now();
                m_buildCpuStart = cpuNow();
            } else if (m_buildStart) {
                buildNs.push_back(FirstPaint::now() - m_buildStart);
                buildCpuNs.push_back(cpuNow() - m_buildCpuStart);
                m_buildStart = 0;
            }
        } else if (event->type() == QEvent::Paint) {
            const qint64 a = area(static_cast<QPaintEvent*>(event)->region());
            (w == page ? pagePainted : controlsPainted) += a;
        }
        return false;
    }

private:
    qint64 m_buildStart = 0;
    qint64 m_buildCpuStart = 0;
};

void settle()
{
    QEventLoop loop;
    QTimer::singleShot(40, &loop, &QEventLoop::quit);
    loop.exec();
}

void measureInside(PageWatch& watch)
{
    settle();
    auto* sheet = qobject_cast<feuillep*>(watch.page->window());
    const double ratio = watch.page->devicePixelRatioF();

    std::vector<qint64> pageArea, controlsArea;
    const int buildsBefore = watch.builds;
    for (int i = 0; i < ScrollSteps; ++i) {
        watch.pagePainted = watch.controlsPainted = 0;
        sheet->VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
        pageArea.push_back(watch.pagePainted);
        controlsArea.push_back(watch.controlsPainted);
    }
    const int scrollBuilds = watch.builds - buildsBefore;
    const qint64 visible = qint64(watch.page->visibleRegion().boundingRect().width()) *
                           watch.page->visibleRegion().boundingRect().height();

    watch.buildNs.clear();
    watch.buildCpuNs.clear();
    for (int i = 0; i < Builds; ++i) {
        QDialog dialog;
        QTimer::singleShot(0, &dialog, &QDialog::reject);
        sheet->runOwnModal(&dialog);
    }
    std::printf("lapage-us %.1f\n", median(watch.buildNs) / 1000.0);
    std::printf("lapage-cpu-us %.1f\n", median(watch.buildCpuNs) / 1000.0);
    std::printf("scroll-page-px %.0f\n", median(pageArea) * ratio * ratio);
    std::printf("scroll-controls-px %.0f\n", median(controlsArea) * ratio * ratio);
    std::printf("scroll-builds %d\n", scrollBuilds);
    std::printf("page-visible-px %.0f\n", visible * ratio * ratio);
    std::printf("page-width-px %.0f\n", watch.page->width() * ratio);
    quitNow();
}

// What the window shows, as the window system has it: scrolling leaves there
// what it copied, which drawing the window anew would not show.  Above a
// scale of 1 the window system gives only a corner of the window, in logical
// pixels; there the window is drawn anew, at its device pixels.
void save(QWidget* window, const QString& path)
{
    if (window->devicePixelRatioF() == 1)
        window->screen()->grabWindow(window->winId()).save(path);
    else
        window->grab().save(path);
}

void grabAll(PageWatch& watch, const QString& directory)
{
    settle();
    auto* sheet = qobject_cast<feuillep*>(watch.page->window());
    QScrollBar* bar = sheet->VScroll1;
    const int values[] = {bar->minimum(), 0, 333, 1000, 1777, bar->maximum()};
    for (int value : values) {
        bar->setValue(value);
        settle();
        save(sheet, QStringLiteral("%1/sheet_%2.png").arg(directory).arg(value));
    }
    // Down one arrow step at a time from the top: what scrolling leaves.
    bar->setValue(bar->minimum());
    settle();
    for (int i = 0; i < 30; ++i) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        settle();
    }
    save(sheet, QStringLiteral("%1/sheet_stepped.png").arg(directory));
    quitNow();
}

} // namespace

int main(int argc, char* argv[])
{
    TerminationWatcher::catchSignals();
    QApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const bool inside = mode == "--inside";
    const QString grabInto =
        mode == "--grab" && argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    PageWatch watch;
    FirstPaint first(QStringLiteral("P1"), [&] {
        std::printf("builds-before-paint %d\n", watch.builds);
        if (!grabInto.isEmpty())
            QTimer::singleShot(0, [&] { grabAll(watch, grabInto); });
        else if (inside)
            QTimer::singleShot(0, [&] { measureInside(watch); });
        else
            quitNow();
    });
    return runQuestionnaire(app);
}
