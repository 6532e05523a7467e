#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class Keyring;
class QWidget;

// Where the password of a mail server comes from: the desktop's keyring the
// first time, else the password window; a password the server refused is
// asked again in the window, saying so.  It is kept in the keyring only when
// the user ticked "Mémoriser le mot de passe" and the server took it.
class Credentials : public QObject
{
    Q_OBJECT
public:
    explicit Credentials(QWidget* window, QObject* parent = nullptr);

    // done(true, password), or done(false, {}) when the user cancelled.
    // refused: the last password given was refused by the server.
    void ask(const QString& host, const QString& user, bool refused,
             std::function<void(bool, const QString&)> done);

    // The server took the last password: kept now, if the user asked.
    void accepted();

    // done(problem) once the password the user asked to keep is kept, or
    // could not be (problem: why, in the keyring's words); at once when
    // nothing is being kept.
    void whenKept(std::function<void(const QString& problem)> done);

    // Forget everything but the keyring itself (a new run starts).
    void reset();

private:
    void showWindow(bool refused, std::function<void(bool, const QString&)> done);

    QPointer<QWidget> m_window;
    Keyring* m_keyring;
    QString m_host;
    QString m_user;
    QString m_toKeep; // the password typed with "Mémoriser" ticked
    bool m_triedKeyring = false;
    bool m_keyringAvailable = true;
    bool m_fromKeyring = false;
    bool m_keeping = false;    // a write to the keyring is under way
    QString m_keepProblem;     // why the last one failed
    std::function<void(const QString&)> m_whenKept;
};
