#!/usr/bin/python3
"""A real submission server for the tests (Debian's aiosmtpd) on 127.0.0.1
and a free port, saving what it delivers as smtp_sink.py does.  Prints
"PORT <n>" once it listens.
  tls_server.py DIR MODE CERT KEY [USER PASSWORD [MECHANISMS]]
MODE is "plain" (no TLS offered), "starttls" (STARTTLS required before
anything else) or "implicit" (TLS from the first byte).  With USER and
PASSWORD, AUTH is required (over TLS only), with the mechanisms given
(comma-separated, default PLAIN,LOGIN); without them no AUTH is offered.  Each AUTH attempt adds a line
"MECHANISM ok|refused" to DIR/auth.txt (never the password); each delivered
message N also gets DIR/N.tls holding "yes" or "no".
Stops on SIGTERM, when its standard input (a pipe) closes, or after ten
minutes."""
import logging
import os
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

from peer import serve
from smtp_sink import Sink


class Recorder(Sink):
    def __init__(self, directory, implicit):
        super().__init__(directory)
        self.implicit = implicit

    async def handle_DATA(self, server, session, envelope):
        secure = self.implicit or session.ssl is not None
        with open(os.path.join(self.directory, str(self.count + 1) + '.tls'), 'w') as f:
            f.write('yes' if secure else 'no')
        return await super().handle_DATA(server, session, envelope)


def authenticator(directory, user, password):
    def check(server, session, envelope, mechanism, data):
        ok = (isinstance(data, LoginPassword) and data.login == user.encode()
              and data.password == password.encode())
        with open(os.path.join(directory, 'auth.txt'), 'a') as f:
            f.write('%s %s\n' % (mechanism, 'ok' if ok else 'refused'))
        return AuthResult(success=ok, handled=False, auth_data=data)
    return check


def main():
    # Refused handshakes and passwords are what the tests are about: quiet.
    warnings.simplefilter('ignore')
    logging.getLogger('mail.log').setLevel(logging.CRITICAL)
    directory, mode, cert, key = sys.argv[1:5]
    user = sys.argv[5] if len(sys.argv) > 5 else None
    password = sys.argv[6] if len(sys.argv) > 6 else None
    mechanisms = (sys.argv[7] if len(sys.argv) > 7 else 'PLAIN,LOGIN').split(',')

    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    implicit = mode == 'implicit'
    options = {'hostname': 'submission.test', 'decode_data': False}
    if mode == 'starttls':
        options.update(tls_context=context, require_starttls=True)
    if user is not None:
        options.update(authenticator=authenticator(directory, user, password),
                       auth_required=True,
                       # over implicit TLS aiosmtpd does not see the TLS itself
                       auth_require_tls=not implicit,
                       auth_exclude_mechanism=[m for m in ('PLAIN', 'LOGIN')
                                               if m not in mechanisms])
    else:
        # No AUTH announced at all.
        options.update(auth_exclude_mechanism=['PLAIN', 'LOGIN'])
    handler = Recorder(directory, implicit)
    serve(lambda: SMTP(handler, **options), ssl=context if implicit else None)


if __name__ == '__main__':
    main()
