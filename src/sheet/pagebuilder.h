#pragma once

#include "sheet/pagescript.h"

#include <functional>

class Page;
class QWidget;

// Runs the page script on the page: draws its texts and moves the controls it
// names, row by row from the top, then makes the page as tall as the script
// went.  The controls are only moved, never created or changed.
class PageBuilder
{
public:
    // The control the catalogue names, or nullptr: its steps are skipped.
    using Controls = std::function<QWidget*(catalogue::Kind, int)>;

    PageBuilder(Page& page, Controls controls);

    void build(const std::vector<pagescript::Row>& rows);

private:
    void run(const pagescript::Step& step);

    Page& m_page;
    Controls m_controls;
};
