#!/usr/bin/python3
"""Wraps one answer text as common mail programs send it, one file a shape:
  make_shapes.py ANSWER_TEXT_FILE OUT_DIR
alternative.eml   text/plain and an HTML copy (multipart/alternative)
flowed.eml        format=flowed, broken after spaces (RFC 3676)
flowed-delsp.eml  format=flowed; delsp=yes, broken inside words
trimmed.eml       every line's trailing spaces removed
signature.eml     a "-- " signature after the text
footer.eml        a mail program's footer after the text
html.eml          HTML only
boite.mbox        the plain message in an mbox quoted as mboxrd"""
import html
import os
import re
import sys
from email.message import EmailMessage

text = open(sys.argv[1], encoding='utf-8', newline='').read()
out = sys.argv[2]
lines = text.split('\r\n')


def message(name):
    m = EmailMessage()
    m['From'] = name + '@lycee-curie.fr'
    m['To'] = 'avis@tarvel.example'
    m['Subject'] = 'Questionnaire ( Lycée Curie )'
    m['Date'] = 'Tue, 08 Dec 2026 09:00:00 +0100'
    m['Message-ID'] = '<' + name + '@lycee-curie.fr>'
    return m


def save(name, m):
    with open(os.path.join(out, name), 'wb') as f:
        f.write(bytes(m))


def flowed(delsp):
    """Lines of at most 40 characters; a hard break never ends with a space."""
    body = []
    for line in lines:
        line = line.rstrip(' ')
        while len(line) > 40:
            if delsp:
                cut = 40
                piece, line = line[:cut] + ' ', line[cut:]
            else:
                cut = line.rfind(' ', 1, 40)
                if cut <= 0:
                    break
                piece, line = line[:cut + 1], line[cut + 1:]
            body.append(piece)
        body.append(line)
    stuffed = [' ' + l if l.startswith((' ', '>', 'From ')) else l for l in body]
    return '\r\n'.join(stuffed)


def raw(name, params, body):
    head = ('From: {0}@lycee-curie.fr\r\nTo: avis@tarvel.example\r\n'
            'Subject: =?utf-8?q?Questionnaire_=28_Lyc=C3=A9e_Curie_=29?=\r\n'
            'Date: Tue, 08 Dec 2026 09:00:00 +0100\r\nMessage-ID: <{0}@lycee-curie.fr>\r\n'
            'MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8; {1}\r\n'
            'Content-Transfer-Encoding: 8bit\r\n\r\n').format(name, params)
    with open(os.path.join(out, name + '.eml'), 'wb') as f:
        f.write((head + body).encode('utf-8'))


alternative = message('alternative')
alternative.set_content(text.replace('\r\n', '\n'))
alternative.add_alternative('<html><body><pre>' + html.escape(text) + '</pre></body></html>',
                            subtype='html')
save('alternative.eml', alternative)

raw('flowed', 'format=flowed', flowed(False))
raw('flowed-delsp', 'format=flowed; delsp=yes', flowed(True))
raw('trimmed', 'format=fixed', '\r\n'.join(l.rstrip(' ') for l in lines))
raw('signature', 'format=fixed', text + '-- \r\nMarie Dupré\r\nProfesseur de physique\r\n')
raw('footer', 'format=fixed', text + '________________________________\r\nEnvoyé depuis mon téléphone\r\n')

only_html = message('html')
only_html.set_content('<html><body><pre>' + html.escape(text) + '</pre></body></html>',
                      subtype='html')
save('html.eml', only_html)

plain = message('mboxrd')
plain.set_content(text.replace('\r\n', '\n'), cte='8bit')
quoted = [('>' + l if re.match(r'^>*From ', l) else l)
          for l in bytes(plain).decode('utf-8').replace('\r\n', '\n').split('\n')]
with open(os.path.join(out, 'boite.mbox'), 'wb') as f:
    f.write(('From mboxrd@lycee-curie.fr Tue Dec  8 09:00:00 2026\n' + '\n'.join(quoted) + '\n')
            .encode('utf-8'))
