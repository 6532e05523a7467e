#!/usr/bin/python3
"""A Postfix of its own on 127.0.0.1, for tests: it takes mail for
avis@tarvel.example on a free port and delivers each message twice, by
Postfix's local delivery agent into the mbox FOLDER/spool/nobody, and by
Dovecot's delivery agent (dovecot-lda) into the Maildir FOLDER/Maildir.
FOLDER/conf is its configuration (sendmail -C FOLDER/conf submits there).
Prints "PORT <n>" once it listens; stops Postfix on SIGTERM or when standard
input closes.  Needs root (Postfix's master runs as root) and the packages
postfix and dovecot-core.
  postfix_dovecot.py FOLDER"""
import os
import subprocess
import sys

import daemon

folder = os.path.abspath(sys.argv[1])
conf = os.path.join(folder, 'conf')
for sub, mode in (('conf', 0o755), ('queue', 0o755), ('data', 0o755), ('spool', 0o1777),
                  ('Maildir', 0o777)):
    os.makedirs(os.path.join(folder, sub), exist_ok=True)
    os.chmod(os.path.join(folder, sub), mode)
os.chmod(folder, 0o755)
subprocess.run(['chown', 'postfix', os.path.join(folder, 'data')], check=True)

port = daemon.free_port()

lda = '/usr/lib/dovecot/dovecot-lda -c %s/dovecot.conf -e' % conf
with open(os.path.join(conf, 'dovecot.conf'), 'w') as f:
    f.write('mail_location = maildir:%s/Maildir\n' % folder
            + 'postmaster_address = postmaster@tarvel.example\n'
            + 'log_path = /dev/stderr\n')
with open(os.path.join(conf, 'main.cf'), 'w') as f:
    f.write('\n'.join([
        'compatibility_level = 3.6',
        'queue_directory = %s/queue' % folder,
        'data_directory = %s/data' % folder,
        'mail_owner = postfix',
        'setgid_group = postdrop',
        'inet_interfaces = 127.0.0.1',
        'inet_protocols = ipv4',
        'myhostname = mail.tarvel.example',
        'mydomain = tarvel.example',
        'myorigin = tarvel.example',
        'mydestination = tarvel.example',
        'mynetworks = 127.0.0.0/8',
        'maillog_file_prefixes = %s' % folder,
        'maillog_file = %s/maillog' % folder,
        'alias_database =',
        # Both deliveries of every message, as the user "nobody".
        'alias_maps = inline:{ { avis = nobody, "|%s" } }' % lda,
        'local_recipient_maps =',
        'mail_spool_directory = %s/spool' % folder,
        'mailbox_size_limit = 0',
        'smtputf8_enable = no',
        'biff = no',
        '']))
with open('/usr/share/postfix/master.cf.dist') as f:
    master = f.read()
with open(os.path.join(conf, 'master.cf'), 'w') as f:
    f.write(master.replace('smtp      inet  n       -       y       -       -       smtpd',
                           '127.0.0.1:%d inet n - n - - smtpd' % port))

subprocess.run(['postfix', '-c', conf, 'start'], check=True, stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL)
try:
    daemon.serve_until_done(port)
finally:
    subprocess.run(['postfix', '-c', conf, 'stop'], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
