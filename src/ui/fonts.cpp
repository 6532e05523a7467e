#include "ui/fonts.h"

#include <QFontDatabase>

QFont dialogFont(double points, bool bold)
{
    static const QString family = QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif"))
                                      ? QStringLiteral("MS Sans Serif")
                                      : QLatin1String(ArialFamily);
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}
