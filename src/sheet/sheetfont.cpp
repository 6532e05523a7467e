#include "sheet/sheetfont.h"

namespace sheetfont
{

QFont make(double points, bool bold)
{
    QFont f{QLatin1String(Family)};
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace sheetfont
