#!/usr/bin/python3
"""A real SMTP server for the tests (Debian's aiosmtpd) on 127.0.0.1 and a
free port.  Prints "PORT <n>" once it listens.  Every delivered message N is
saved in the directory given as argument:
  N.eml   the message as the server took it (dot-stuffing undone)
  N.json  envelope, EHLO/HELO name, and the message as a mail reader decodes
          it (subject, charset, transfer encoding, body bytes in hex)
Stops on SIGTERM, when its standard input (a pipe) closes, or after ten
minutes."""
import email
import email.policy
import json
import os
import sys

from aiosmtpd.smtp import SMTP

from peer import serve


class Sink:
    def __init__(self, directory):
        self.directory = directory
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.directory, str(self.count))
        raw = envelope.original_content
        with open(base + '.eml', 'wb') as f:
            f.write(raw)
        message = email.message_from_bytes(raw, policy=email.policy.default)
        info = {
            'mail_from': envelope.mail_from,
            'rcpt_tos': envelope.rcpt_tos,
            'helo': session.host_name,
            'subject': str(message['subject']),
            'charset': message.get_content_charset(),
            'encoding': message['content-transfer-encoding'],
            'body': message.get_payload(decode=True).hex(),
            'date': str(message['date']),
            'date_valid': message['date'].datetime is not None,
            'to': str(message['to']),
            'message_id': str(message['message-id']),
        }
        with open(base + '.tmp', 'w') as f:
            json.dump(info, f)
        # The test waits for the .json: it must appear whole.
        os.rename(base + '.tmp', base + '.json')
        return '250 Message accepted for delivery'


def main():
    handler = Sink(sys.argv[1])
    serve(lambda: SMTP(handler, decode_data=False, hostname='sink.test'))


if __name__ == '__main__':
    main()
