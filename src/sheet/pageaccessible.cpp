#include "sheet/pageaccessible.h"

#include "sheet/page.h"
#include "sheet/pagescript.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include <algorithm>
#include <variant>

namespace
{

struct Line {
    QString text;
    QRect rect;
    bool heading;
};

// Pieces printed one after the other on the same line are one line to read
// ("le " + "plus" + " intéressant : "); a jump to another column is not.
std::vector<Line> linesOf(const Page& page)
{
    std::vector<Line> lines;
    for (const Page::Printed& p : page.printed()) {
        const bool heading = p.font.pointSizeF() >= pagescript::HeadingPoints;
        if (!lines.empty() && lines.back().rect.top() == p.rect.top() &&
            qAbs(lines.back().rect.right() + 1 - p.rect.left()) <= 1 &&
            lines.back().heading == heading) {
            lines.back().text += p.text;
            lines.back().rect |= p.rect;
        } else {
            lines.push_back({p.text, p.rect, heading});
        }
    }
    for (Line& l : lines)
        l.text = l.text.simplified();
    lines.erase(
        std::remove_if(lines.begin(), lines.end(), [](const Line& l) { return l.text.isEmpty(); }),
        lines.end());
    return lines;
}

class LineAccessible : public QAccessibleInterface
{
public:
    LineAccessible(Page* page, int line) : m_page(page), m_line(line) {}

    int line() const { return m_line; }

    bool isValid() const override { return m_page && m_line < int(linesOf(*m_page).size()); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_page ? m_page->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_page.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? linesOf(*m_page)[m_line].text : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = linesOf(*m_page)[m_line].rect;
        return QRect(m_page->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override
    {
        return isValid() && linesOf(*m_page)[m_line].heading ? QAccessible::Heading
                                                             : QAccessible::StaticText;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.offscreen =
            !isValid() || !m_page->visibleRegion().intersects(linesOf(*m_page)[m_line].rect);
        return s;
    }

private:
    QPointer<Page> m_page;
    int m_line;
};

class PageAccessible : public QAccessibleWidget
{
public:
    explicit PageAccessible(Page* page) : QAccessibleWidget(page, QAccessible::Pane) {}
    ~PageAccessible() override
    {
        for (QAccessible::Id id : m_lineIds)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return int(entries().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const std::vector<Entry> all = entries();
        if (index < 0 || index >= int(all.size()))
            return nullptr;
        if (const auto* w = std::get_if<QWidget*>(&all[index]))
            return QAccessible::queryAccessibleInterface(*w);
        return lineInterface(std::get<int>(all[index]));
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child)
            return -1;
        const std::vector<Entry> all = entries();
        for (int i = 0; i < int(all.size()); ++i) {
            if (const auto* w = std::get_if<QWidget*>(&all[i])) {
                if (child->object() == *w)
                    return i;
            } else if (const auto* l = dynamic_cast<const LineAccessible*>(child)) {
                if (l->line() == std::get<int>(all[i]) && child->parent() == this)
                    return i;
            }
        }
        return -1;
    }

private:
    // A printed line (by its index) or a control of the page.
    using Entry = std::variant<int, QWidget*>;

    Page* page() const { return static_cast<Page*>(widget()); }

    // Top to bottom, and left to right along a line: a control beside its
    // question shares the question's line though it sits a few pixels higher.
    std::vector<Entry> entries() const
    {
        struct Item {
            QRect rect;
            Entry entry;
        };
        std::vector<Item> items;
        const std::vector<Line> lines = linesOf(*page());
        for (int i = 0; i < int(lines.size()); ++i)
            items.push_back({lines[i].rect, i});
        for (QObject* o : page()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->isWindow() && !w->isHidden())
                items.push_back({w->geometry(), w});
        }
        std::stable_sort(items.begin(), items.end(),
                         [](const Item& a, const Item& b) { return a.rect.top() < b.rect.top(); });
        constexpr int overlap = 4;
        std::vector<Entry> ordered;
        for (size_t start = 0; start < items.size();) {
            size_t end = start + 1;
            int bottom = items[start].rect.bottom();
            while (end < items.size() && items[end].rect.top() < bottom - overlap) {
                bottom = std::max(bottom, items[end].rect.bottom());
                ++end;
            }
            std::stable_sort(
                items.begin() + start, items.begin() + end,
                [](const Item& a, const Item& b) { return a.rect.left() < b.rect.left(); });
            for (size_t i = start; i < end; ++i)
                ordered.push_back(items[i].entry);
            start = end;
        }
        return ordered;
    }

    QAccessibleInterface* lineInterface(int line) const
    {
        if (int(m_lineIds.size()) <= line)
            m_lineIds.resize(line + 1, 0);
        if (!m_lineIds[line] || !QAccessible::accessibleInterface(m_lineIds[line]))
            m_lineIds[line] =
                QAccessible::registerAccessibleInterface(new LineAccessible(page(), line));
        return QAccessible::accessibleInterface(m_lineIds[line]);
    }

    mutable std::vector<QAccessible::Id> m_lineIds;
};

} // namespace

QAccessibleInterface* pageAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("Page") && qobject_cast<Page*>(object))
        return new PageAccessible(static_cast<Page*>(object));
    return nullptr;
}
