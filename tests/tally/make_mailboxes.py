#!/usr/bin/python3
"""Files the messages given (one .eml each) into an mbox and a Maildir with
Python's own mailbox module, as mail software writes them; the last message
is also forwarded, as an attachment, by a colleague.
  make_mailboxes.py OUT_DIR MESSAGE.eml..."""
import email
import email.message
import email.policy
import mailbox
import os
import sys

out, files = sys.argv[1], sys.argv[2:]
messages = [email.message_from_binary_file(open(f, 'rb'), policy=email.policy.compat32)
            for f in files]
forward = email.message.EmailMessage()
forward['From'] = 'collegue@lycee-curie.fr'
forward['To'] = 'avis@tarvel.example'
forward['Subject'] = 'Tr: questionnaire'
forward['Message-ID'] = '<transfert-1@lycee-curie.fr>'
forward['Date'] = 'Wed, 09 Dec 2026 10:00:00 +0100'
forward.set_content('Voici le questionnaire de ma collègue.\n')
forward.add_attachment(messages[-1])
box = mailbox.mbox(os.path.join(out, 'boite.mbox'))
folder = mailbox.Maildir(os.path.join(out, 'Maildir'))
for m in messages:
    box.add(m)
    folder.add(m)
box.add(forward)
box.close()
