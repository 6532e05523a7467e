#pragma once

class feuillep;
class QWidget;

// Before the answers go out, printed or by e-mail: a sheet that answers
// nothing (question 2's preset « année » alone counts as nothing) is sent
// only when the user says so, « Non » being the default.
namespace blankquestion
{

enum class Outlet { Print, Mail };

// True to go on: something is answered, or the user wants it so.
bool goOn(const feuillep& sheet, Outlet outlet, QWidget* parent);

} // namespace blankquestion
