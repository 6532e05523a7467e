#pragma once

class QWidget;

// Makes a dialogue a fixed-size tool window with a close box only, of the
// given client size in twips, centred on its parent's screen.  Called once
// its controls exist.
void setUpToolWindow(QWidget* window, int widthTwips, int heightTwips);
