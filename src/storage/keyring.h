#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The desktop's keyring (the Secret Service on Linux) through QtKeychain: the
// only place a mail password is ever kept.  Without a keyring nothing is
// kept anywhere; the caller asks the password each time.  Every call answers
// later, through its callback, on this thread.
class Keyring : public QObject
{
    Q_OBJECT
public:
    enum class Result {
        Done,        // read: found; write, remove: done
        NotFound,    // read, remove: nothing kept for this key
        Unavailable, // no keyring answers, or it refused
    };

    explicit Keyring(QObject* parent = nullptr);

    // The key of a server's password: one a host and user name.
    static QString key(const QString& host, const QString& user);
    // Whose passwords they are, as the keyring shows it.
    static QString service();

    void read(const QString& key, std::function<void(Result, const QString& password)> done);
    // reason: the keyring's own words when it could not keep the password.
    void write(const QString& key, const QString& password,
               std::function<void(Result, const QString& reason)> done);
    void remove(const QString& key, std::function<void(Result)> done);
};
