#pragma once

#include "smtp/mailcheck.h"

#include <QString>

// What is wrong with a setting, in French, as the settings window says it
// under its box and the dispatch window when it refuses to send.
namespace settingwords
{

// Follows « L’adresse … »: « n’a pas la forme nom@domaine. »
QString addressFault(mailcheck::Fault fault);
// Follows « Le nom du serveur … »: « contient une espace. »
QString serverFault(mailcheck::Fault fault);

} // namespace settingwords
