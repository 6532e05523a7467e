#include "sheet/windowrule.h"

#include <QScreen>

WindowRule windowRule(double screenWidthTwips, double screenHeightTwips, double twipsPerPixelX,
                      double twipsPerPixelY)
{
    WindowRule rule;
    // Real pixels, not rounded: an 850.4-pixel screen is wider than 850.
    const double screenPixels = screenWidthTwips / twipsPerPixelX;
    if (screenPixels <= 850) {
        rule.maximised = true;
        return rule;
    }
    rule.width = 800 * twipsPerPixelX;
    rule.height = 600 * twipsPerPixelY;
    rule.left = (screenWidthTwips - rule.width) / 2;
    rule.top = (screenHeightTwips - rule.height) / 2;
    return rule;
}

std::optional<RuleTarget> ruleTarget(const QScreen* screen)
{
    if (!screen)
        return std::nullopt;
    const double tppX = 1440.0 / screen->logicalDotsPerInchX();
    const double tppY = 1440.0 / screen->logicalDotsPerInchY();
    const QRect g = screen->geometry();
    const WindowRule rule = windowRule(g.width() * tppX, g.height() * tppY, tppX, tppY);
    return RuleTarget{rule.maximised,
                      QRect(g.left() + qRound(rule.left / tppX), g.top() + qRound(rule.top / tppY),
                            qRound(rule.width / tppX), qRound(rule.height / tppY))};
}
