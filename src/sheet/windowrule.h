#pragma once

// Window outer geometry in twips (1440 per inch) and the state the sheet
// window must take: a screen wider than 850 pixels gets a normal 800 x 600
// pixel window centred on it, any other screen a maximised window.
struct WindowRule {
    bool maximised = false;
    double left = 0, top = 0, width = 0, height = 0; // twips; unused when maximised
};

WindowRule windowRule(double screenWidthTwips, double screenHeightTwips, double twipsPerPixelX,
                      double twipsPerPixelY);

#include <QRect>

#include <optional>

class QScreen;

// What the rule asks for on a screen, in its pixels: a maximised window, or
// a normal one whose outer frame is `frame`.
struct RuleTarget {
    bool maximised = false;
    QRect frame;
};

// Screen pixels to twips, the rule, and back to pixels; nothing without a screen.
std::optional<RuleTarget> ruleTarget(const QScreen* screen);
