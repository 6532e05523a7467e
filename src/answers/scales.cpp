#include "answers/scales.h"

namespace scales
{

const QStringList& difficulty()
{
    static const QStringList s = {QString(),
                                  QStringLiteral("Très facile"),
                                  QStringLiteral("Facile"),
                                  QStringLiteral("Normal"),
                                  QStringLiteral("Difficile"),
                                  QStringLiteral("Très difficile")};
    return s;
}

const QStringList& interest()
{
    static const QStringList s = {QString(), QStringLiteral("TB"), QStringLiteral("B"),
                                  QStringLiteral("AB"), QStringLiteral("Médiocre")};
    return s;
}

const QStringList& siteRating()
{
    static const QStringList s = {
        QString(), QStringLiteral("très intéressant"), QStringLiteral("intéressant"),
        QStringLiteral("assez intéressant"), QStringLiteral("pas du tout intéressant")};
    return s;
}

} // namespace scales
