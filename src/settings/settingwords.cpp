#include "settings/settingwords.h"

namespace
{

using Fault = mailcheck::Fault;

// What is wrong with an address, following "L’adresse ...".
const struct {
    Fault fault;
    const char* text;
} addressFaults[] = {
    {Fault::Empty, "n’est pas indiquée."},
    {Fault::LineBreak, "contient un retour à la ligne."},
    {Fault::Control, "contient un caractère de contrôle."},
    {Fault::Space, "contient une espace."},
    {Fault::Bracket, "contient un chevron (« < » ou « > »)."},
    {Fault::Comma, "contient une virgule : une seule adresse est permise."},
    {Fault::NoAt, "n’a pas la forme nom@domaine."},
    {Fault::LocalPart, "n’est pas valide avant l’arobase (@)."},
    {Fault::Domain, "n’a pas un nom de domaine valide après l’arobase (@)."},
    {Fault::TooLong, "est trop longue."},
};

// What is wrong with the server name, following "Le nom du serveur ...".
const struct {
    Fault fault;
    const char* text;
} serverFaults[] = {
    {Fault::LineBreak, "contient un retour à la ligne."},
    {Fault::Control, "contient un caractère de contrôle."},
    {Fault::Space, "contient une espace."},
    {Fault::NotHost, "n’est ni un nom d’hôte ni une adresse IP valide."},
    {Fault::TooLong, "est trop long."},
};

template <typename Table>
QString faultText(const Table& table, Fault fault)
{
    for (const auto& row : table) {
        if (row.fault == fault)
            return QString::fromUtf8(row.text);
    }
    return QStringLiteral("n’est pas valide.");
}

} // namespace

namespace settingwords
{

QString addressFault(mailcheck::Fault fault)
{
    return faultText(addressFaults, fault);
}

QString serverFault(mailcheck::Fault fault)
{
    return faultText(serverFaults, fault);
}

} // namespace settingwords
