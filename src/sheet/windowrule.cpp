#include "sheet/windowrule.h"

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
