#!/usr/bin/python3
"""A Dovecot of its own on 127.0.0.1, for tests: IMAP with implicit TLS and
with STARTTLS on two free ports, the certificate and key given, one user
"avis" with the password "secret", mail in FOLDER/mail/avis (Maildir).
Prints "PORT <imaps port>" once it listens and writes the STARTTLS port to
FOLDER/imap-port; stops on SIGTERM or when standard input closes.
FOLDER/dovecot.conf serves doveadm (doveadm -c FOLDER/dovecot.conf ...).
Needs root and the packages dovecot-core and dovecot-imapd.
  dovecot_imap.py FOLDER CERT KEY [IMAPS_PORT IMAP_PORT]
(the ports of an earlier run, to start the same server again)"""
import os
import signal
import subprocess
import sys

import daemon

folder, cert, key = (os.path.abspath(a) for a in sys.argv[1:4])
for sub in ('run', 'state', 'mail', 'home'):
    os.makedirs(os.path.join(folder, sub), exist_ok=True)
os.chmod(folder, 0o755)
subprocess.run(['chown', 'nobody:nogroup', os.path.join(folder, 'mail'),
                os.path.join(folder, 'home')], check=True)


imaps, imap = ((int(p) for p in sys.argv[4:6]) if len(sys.argv) > 5
               else (daemon.free_port(), daemon.free_port()))
with open(os.path.join(folder, 'passwd'), 'w') as f:
    f.write('avis:{PLAIN}secret\n')
conf = os.path.join(folder, 'dovecot.conf')
with open(conf, 'w') as f:
    f.write('''base_dir = %(d)s/run
state_dir = %(d)s/state
log_path = %(d)s/log
protocols = imap
listen = 127.0.0.1
ssl = yes
ssl_cert = <%(cert)s
ssl_key = <%(key)s
disable_plaintext_auth = yes
mail_location = maildir:%(d)s/mail/%%u
passdb {
  driver = passwd-file
  args = %(d)s/passwd
}
userdb {
  driver = static
  args = uid=nobody gid=nogroup home=%(d)s/home/%%u
}
service anvil {
  chroot =
}
service imap-login {
  chroot =
  inet_listener imap {
    port = %(imap)d
  }
  inet_listener imaps {
    port = %(imaps)d
    ssl = yes
  }
}
''' % dict(d=folder, cert=cert, key=key, imap=imap, imaps=imaps))
with open(os.path.join(folder, 'imap-port'), 'w') as f:
    f.write(str(imap))

server = subprocess.Popen(['dovecot', '-F', '-c', conf], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, start_new_session=True)
try:
    daemon.serve_until_done(imaps)
finally:
    # The whole group: the master and the processes serving connections.
    try:
        os.killpg(server.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    server.wait()
