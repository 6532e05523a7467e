#include "smtp/sasl.h"

#include <QList>

namespace sasl
{

QByteArray plain(const QString& user, const QString& password)
{
    QByteArray raw;
    raw += '\0';
    raw += user.toUtf8();
    raw += '\0';
    raw += password.toUtf8();
    return raw.toBase64();
}

QByteArray loginUser(const QString& user)
{
    return user.toUtf8().toBase64();
}

QByteArray loginPassword(const QString& password)
{
    return password.toUtf8().toBase64();
}

QByteArray choose(const QByteArray& authLine)
{
    const QList<QByteArray> words = authLine.toUpper().simplified().split(' ');
    if (words.contains("PLAIN"))
        return "PLAIN";
    if (words.contains("LOGIN"))
        return "LOGIN";
    return QByteArray();
}

} // namespace sasl
