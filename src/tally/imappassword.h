#pragma once

#include "imap/mailbox.h"

#include <QString>
#include <optional>

#include <functional>

// The password of an IMAP mailbox: the desktop keyring's, else asked (on the
// terminal without echo, or in a window).  Never written anywhere but in the
// keyring, and only once the server has taken it.
class ImapPassword
{
public:
    // Asks the user; none when the user gave none.
    using Ask = std::function<std::optional<QString>(const imap::Address&)>;
    ImapPassword(const imap::Address& address, Ask ask);

    // On the terminal, or as one line of standard input when it is no terminal.
    static std::optional<QString> askTerminal(const imap::Address& address);

    // None: none could be had.
    std::optional<QString> get();
    // After the server took it: a password that was asked is kept.
    void accepted();
    // After the server refused it: a kept password is forgotten.
    void refused();

    static QString keyringKey(const imap::Address& address);

private:
    imap::Address m_address;
    Ask m_ask;
    QString m_password;
    bool m_fromKeyring = false;
};
