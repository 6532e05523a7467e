#!/usr/bin/python3
"""Mail domains for the tests of the server search, root only: dnsmasq on
127.0.0.77:53 for the .test names of RECORDS alone (d.test has nothing), and
a real submission server (aiosmtpd) wherever a record points, its
certificate from DIR/ca.pem (mx.f.test's names another host).  Mail goes to
DIR/<host>/.  Prints "PORT 53" once all listen; stops as peer.py's do.
  dns_world.py DIR"""
import asyncio
import logging
import os
import signal
import ssl
import subprocess
import sys
import warnings

from aiosmtpd.smtp import SMTP

from smtp_sink import Sink

DNS = '127.0.0.77'
# host, address, port, mode, name on its certificate
SERVERS = [
    ('mx.a.test', '127.0.0.81', 4650, 'implicit', 'mx.a.test'),
    ('mail.b.test', '127.0.0.82', 5870, 'starttls', 'mail.b.test'),
    ('smtp.c.test', '127.0.0.83', 465, 'implicit', 'smtp.c.test'),
    ('relay.elsewhere.test', '127.0.0.85', 4651, 'implicit', 'relay.elsewhere.test'),
    ('mx.f.test', '127.0.0.86', 4652, 'implicit', 'autre.test'),
]
RECORDS = [
    'srv-host=_submissions._tcp.a.test,mx.a.test,4650,0,1',
    'srv-host=_submission._tcp.b.test,mail.b.test,5870,0,1',
    'srv-host=_submissions._tcp.e.test,relay.elsewhere.test,4651,0,1',
    'srv-host=_submissions._tcp.f.test,mx.f.test,4652,0,1',
] + ['host-record=%s,%s' % (host, address) for host, address, _, _, _ in SERVERS]


def openssl(directory, *args):
    subprocess.run(['openssl', *args], cwd=directory, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def certificates(directory):
    openssl(directory, 'req', '-x509', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1',
            '-nodes', '-keyout', 'ca.key', '-out', 'ca.pem', '-days', '30',
            '-subj', '/CN=Autorite des domaines de test',
            '-addext', 'basicConstraints=critical,CA:TRUE',
            '-addext', 'keyUsage=critical,keyCertSign,cRLSign')
    for _, _, _, _, name in SERVERS:
        openssl(directory, 'req', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1',
                '-nodes', '-keyout', name + '.key', '-out', name + '.csr', '-subj', '/CN=' + name)
        with open(os.path.join(directory, name + '.ext'), 'w') as f:
            f.write('subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\n' % name)
        openssl(directory, 'x509', '-req', '-in', name + '.csr', '-CA', 'ca.pem', '-CAkey', 'ca.key',
                '-CAcreateserial', '-out', name + '.pem', '-days', '30', '-extfile', name + '.ext')


def main():
    warnings.simplefilter('ignore')
    logging.getLogger('mail.log').setLevel(logging.CRITICAL)
    directory = os.path.abspath(sys.argv[1])
    certificates(directory)
    conf = os.path.join(directory, 'dnsmasq.conf')
    with open(conf, 'w') as f:
        f.write('\n'.join(['port=53', 'listen-address=' + DNS, 'bind-interfaces', 'no-resolv',
                           'no-hosts', 'local=/test/', 'user=root'] + RECORDS) + '\n')
    dnsmasq = subprocess.Popen(['dnsmasq', '--keep-in-foreground', '--conf-file=' + conf,
                                '--pid-file=' + os.path.join(directory, 'dnsmasq.pid')])

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    servers = []
    for host, address, port, mode, name in SERVERS:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(os.path.join(directory, name + '.pem'),
                                os.path.join(directory, name + '.key'))
        mail = os.path.join(directory, host)
        os.makedirs(mail, exist_ok=True)
        options = {'hostname': host, 'decode_data': False, 'auth_exclude_mechanism': ['PLAIN', 'LOGIN']}
        if mode == 'starttls':
            options.update(tls_context=context, require_starttls=True)
        factory = (lambda mail, options: lambda: SMTP(Sink(mail), **options))(mail, options)
        servers.append(loop.run_until_complete(loop.create_server(
            factory, address, port, ssl=context if mode == 'implicit' else None)))
    print('PORT 53', flush=True)
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    loop.add_reader(sys.stdin.fileno(), lambda: sys.stdin.buffer.read1() or loop.stop())
    loop.call_later(600, loop.stop)
    loop.run_forever()
    for s in servers:
        s.close()
    dnsmasq.terminate()
    dnsmasq.wait()


if __name__ == '__main__':
    main()
