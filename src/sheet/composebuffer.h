#pragma once

#include <QString>

// rtf1: the hidden composition buffer of the sheet window, where the printed
// document and the mailed answer text are put together.  Never shown.
class ComposeBuffer
{
public:
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }

private:
    bool m_visible = false;
};
