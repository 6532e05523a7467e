#include "ui/pictures.h"

#include <QImage>

namespace
{

// The XPM files are C: read as arrays, they need neither the resource system
// nor an image format plugin.
namespace xpm
{
#include "cancel.xpm"
#include "cancel@2x.xpm"
#include "close.xpm"
#include "close@2x.xpm"
#include "computers.xpm"
#include "computers@2x.xpm"
#include "hand.xpm"
#include "hand@2x.xpm"
#include "sheet.xpm"
#include "sheet@2x.xpm"
#include "telephone.xpm"
#include "telephone@2x.xpm"
#include <iterator>
} // namespace xpm

struct Drawing {
    const char* const* single;
    const char* const* twice;
};

// In the order of pictures::Name.
const Drawing drawings[] = {
    {xpm::close, xpm::close_2x},         {xpm::sheet, xpm::sheet_2x},
    {xpm::hand, xpm::hand_2x},           {xpm::cancel, xpm::cancel_2x},
    {xpm::computers, xpm::computers_2x}, {xpm::telephone, xpm::telephone_2x},
};
static_assert(std::size(drawings) == int(pictures::Name::Telephone) + 1,
              "one drawing for each picture");

QPixmap drawn(pictures::Name name, bool twice)
{
    const Drawing& d = drawings[int(name)];
    QPixmap p = QPixmap::fromImage(QImage(twice ? d.twice : d.single));
    p.setDevicePixelRatio(twice ? 2 : 1);
    return p;
}

} // namespace

namespace pictures
{

QPixmap pixmap(Name name, qreal ratio)
{
    return drawn(name, ratio > 1);
}

QIcon icon(Name name)
{
    QIcon icon;
    icon.addPixmap(drawn(name, false));
    icon.addPixmap(drawn(name, true));
    return icon;
}

QCursor hand(qreal ratio)
{
    return QCursor(pixmap(Name::Hand, ratio), 12, 1);
}

} // namespace pictures
