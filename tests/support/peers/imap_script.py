#!/usr/bin/python3
"""A scripted IMAP server over TLS for the faults a real one will not make.
  imap_script.py CERT KEY MODE [COUNT]
It holds COUNT messages (3 by default), UIDs 1 to COUNT, each a small
response whose text holds lines that look like IMAP replies; it takes any
password for "avis".  MODE:
  tags     the bodies as literals, with lines such as "A005 OK done" inside
  quoted   the bodies as quoted strings (on one line, as a quoted string must be:
           their line ends written " / ")
  nil      the second body NIL
  search   a folder of COUNT UIDs and no UIDNEXT, answering one SEARCH whole
  close    the connection closed inside the second message's literal
  stall    silence inside the second message's literal
  bye      "* BYE" instead of the reply to EXAMINE
Prints "PORT <n>" once it listens."""
import asyncio
import re
import ssl
import sys

from peer import serve

CERT, KEY, MODE = sys.argv[1], sys.argv[2], sys.argv[3]
COUNT = int(sys.argv[4]) if len(sys.argv) > 4 else 3


def message(uid):
    return ('From: prof%d@ecole.fr\r\nSubject: Questionnaire ( X )\r\nMessage-ID: <%d@ecole.fr>\r\n'
            '\r\nA005 OK done\r\n* %d FETCH (UID 99 BODY[] {3}\r\nA001 BAD\r\n) \r\n'
            'fin du message %d\r\n' % (uid, uid, uid, uid)).encode()


class Script(asyncio.Protocol):
    def connection_made(self, transport):
        self.transport = transport
        self.buffer = b''
        self.waiting_auth = None
        transport.write(b'* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] script ready\r\n')

    def data_received(self, data):
        self.buffer += data
        while b'\r\n' in self.buffer:
            line, self.buffer = self.buffer.split(b'\r\n', 1)
            self.line(line.decode('utf-8', 'replace'))

    def loop_close(self):
        # Said, then cut: asyncio's closing of TLS would wait for the client.
        asyncio.get_event_loop().call_later(0.2, self.transport.abort)

    def say(self, text):
        self.transport.write(text.encode() if isinstance(text, str) else text)

    def line(self, line):
        if self.waiting_auth:
            tag, self.waiting_auth = self.waiting_auth, None
            return self.say('%s OK authenticated\r\n' % tag)
        tag, _, rest = line.partition(' ')
        command = rest.split(' ')[0].upper()
        if command == 'CAPABILITY':
            self.say('* CAPABILITY IMAP4rev1 AUTH=PLAIN\r\n%s OK done\r\n' % tag)
        elif command == 'AUTHENTICATE':
            self.waiting_auth = tag
            self.say('+ \r\n')
        elif command == 'EXAMINE':
            if MODE == 'bye':
                self.say('* BYE maintenance en cours\r\n')
                return self.loop_close()
            uidnext = '' if MODE == 'search' else '* OK [UIDNEXT %d] next\r\n' % (COUNT + 1)
            self.say('* %d EXISTS\r\n* OK [UIDVALIDITY 7] ok\r\n%s%s OK [READ-ONLY] done\r\n'
                     % (COUNT, uidnext, tag))
        elif command == 'UID' and rest.split(' ')[1].upper() == 'SEARCH':
            numbers = ' '.join(str(u) for u in range(1, COUNT + 1))
            self.say('* SEARCH %s\r\n%s OK done\r\n' % (numbers, tag))
        elif command == 'UID' and rest.split(' ')[1].upper() == 'FETCH':
            self.fetch(tag, rest.split(' ')[2])
        elif command == 'LOGOUT':
            self.say('* BYE au revoir\r\n%s OK done\r\n' % tag)
            self.transport.close()
        else:
            self.say('%s BAD inconnu\r\n' % tag)

    def fetch(self, tag, uidset):
        uids = []
        for part in uidset.split(','):
            a, _, b = part.partition(':')
            uids += range(int(a), int(b or a) + 1)
        for n, uid in enumerate(uids, 1):
            body = message(uid)
            if MODE == 'quoted':
                text = body.decode().replace('\r\n', ' / ').replace('\\', '\\\\').replace('"', '\\"')
                self.say(('* %d FETCH (UID %d BODY[] "%s")\r\n' % (n, uid, text)).encode())
            elif MODE == 'nil' and uid == 2:
                self.say('* %d FETCH (UID %d BODY[] NIL)\r\n' % (n, uid))
            elif MODE in ('close', 'stall') and uid == 2:
                self.say(b'* %d FETCH (UID %d BODY[] {%d}\r\n' % (n, uid, len(body)) + body[:20])
                if MODE == 'close':
                    self.transport.abort()  # the connection cut, as a crash cuts it
                return
            else:
                self.say(b'* %d FETCH (BODY[] {%d}\r\n' % (n, len(body)) + body + b' UID %d)\r\n' % uid)
        self.say('%s OK done\r\n' % tag)


context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(CERT, KEY)
serve(Script, ssl=context)
