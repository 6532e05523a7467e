#include "tally/imappassword.h"

#include "storage/keyring.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace
{

// Runs one keyring call to its answer, a few seconds at most.
template <typename Call>
void wait(Call call)
{
    QEventLoop loop;
    bool answered = false;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    call([&loop, &answered] {
        answered = true;
        loop.quit();
    });
    if (!answered)
        loop.exec();
}

} // namespace

std::optional<QString> ImapPassword::askTerminal(const imap::Address& address)
{
    const QString prompt = QStringLiteral("Mot de passe de %1 sur %2 : ").arg(address.user, address.host);
    std::string line;
    if (!isatty(STDIN_FILENO)) {
        if (!std::getline(std::cin, line))
            return std::nullopt;
    } else {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        termios saved{};
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        const bool read = bool(std::getline(std::cin, line));
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
        if (!read)
            return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line.empty() ? std::nullopt : std::optional<QString>(QString::fromLocal8Bit(line.c_str()));
}

ImapPassword::ImapPassword(const imap::Address& address, Ask ask)
    : m_address(address), m_ask(std::move(ask))
{
}

QString ImapPassword::keyringKey(const imap::Address& a)
{
    return QStringLiteral("%1://%2@%3:%4")
        .arg(a.implicitTls ? QStringLiteral("imaps") : QStringLiteral("imap"), a.user,
             a.host.trimmed().toLower())
        .arg(a.port);
}

std::optional<QString> ImapPassword::get()
{
    Keyring keyring;
    wait([&](auto done) {
        keyring.read(keyringKey(m_address), [this, done](Keyring::Result r, const QString& password) {
            if (r == Keyring::Result::Done && !password.isEmpty()) {
                m_password = password;
                m_fromKeyring = true;
            }
            done();
        });
    });
    if (m_fromKeyring)
        return m_password;
    const std::optional<QString> asked = m_ask(m_address);
    if (asked)
        m_password = *asked;
    return asked;
}

void ImapPassword::accepted()
{
    if (m_fromKeyring || m_password.isEmpty())
        return;
    Keyring keyring;
    wait([&](auto done) {
        keyring.write(keyringKey(m_address), m_password, [done](Keyring::Result, const QString&) { done(); });
    });
}

void ImapPassword::refused()
{
    if (!m_fromKeyring)
        return;
    Keyring keyring;
    wait([&](auto done) { keyring.remove(keyringKey(m_address), [done](Keyring::Result) { done(); }); });
    m_fromKeyring = false;
}
