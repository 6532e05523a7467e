#include "dispatch/credentials.h"

#include "storage/keyring.h"
#include "dispatch/passwordwindow.h"

#include <utility>

Credentials::Credentials(QWidget* window, QObject* parent)
    : QObject(parent), m_window(window), m_keyring(new Keyring(this))
{
}

void Credentials::reset()
{
    m_toKeep.clear();
    m_triedKeyring = false;
    m_fromKeyring = false;
}

void Credentials::ask(const QString& host, const QString& user, bool refused,
                      std::function<void(bool, const QString&)> done)
{
    if (host != m_host || user != m_user) {
        reset();
        m_host = host;
        m_user = user;
    }
    // A password the server refused is of no use to keep.
    if (refused && m_fromKeyring)
        m_keyring->remove(Keyring::key(host, user), [](Keyring::Result) {});
    if (refused || m_triedKeyring)
        return showWindow(refused, done);
    m_triedKeyring = true;
    m_keyring->read(Keyring::key(host, user),
                    [this, done](Keyring::Result r, const QString& password) {
                        m_keyringAvailable = r != Keyring::Result::Unavailable;
                        if (r == Keyring::Result::Done) {
                            m_fromKeyring = true;
                            done(true, password);
                            return;
                        }
                        showWindow(false, done);
                    });
}

void Credentials::showWindow(bool refused, std::function<void(bool, const QString&)> done)
{
    QString notice;
    if (refused && m_fromKeyring)
        notice = QStringLiteral("Le serveur a refusé le mot de passe mémorisé. Saisissez le "
                                "mot de passe actuel.");
    else if (refused)
        notice = QStringLiteral("Le serveur a refusé ce mot de passe. Vérifiez-le et "
                                "saisissez-le de nouveau.");
    m_fromKeyring = false;
    PasswordWindow w(m_host, m_user, m_keyringAvailable, notice, m_window);
    if (w.exec() != QDialog::Accepted) {
        done(false, QString());
        return;
    }
    m_toKeep = w.rememberPassword() ? w.password() : QString();
    done(true, w.password());
}

void Credentials::accepted()
{
    if (m_toKeep.isEmpty())
        return;
    m_keeping = true;
    m_keepProblem.clear();
    m_keyring->write(Keyring::key(m_host, m_user), m_toKeep,
                     [this](Keyring::Result r, const QString& reason) {
                         m_keeping = false;
                         if (r != Keyring::Result::Done)
                             m_keepProblem = reason.isEmpty()
                                                 ? QStringLiteral("le trousseau ne répond pas")
                                                 : reason;
                         if (auto done = std::exchange(m_whenKept, nullptr))
                             done(std::exchange(m_keepProblem, QString()));
                     });
    m_toKeep.clear();
}

void Credentials::whenKept(std::function<void(const QString&)> done)
{
    if (m_keeping)
        m_whenKept = std::move(done);
    else
        done(std::exchange(m_keepProblem, QString()));
}
