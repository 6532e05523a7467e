"""What the tests' own mail servers (Postfix, Dovecot) share: a free port on
127.0.0.1, and once the server listens there, "PORT <n>" printed and the
wait for the test's end: SIGTERM, standard input closed, or ten minutes."""
import select
import signal
import socket
import sys
import time


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def serve_until_done(port):
    """Waits for the server to listen on port, tells the test, and returns
    when the test is done with it."""
    for _ in range(200):
        try:
            socket.create_connection(('127.0.0.1', port), timeout=1).close()
            break
        except OSError:
            time.sleep(0.05)
    print('PORT', port, flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    select.select([sys.stdin], [], [], 600)
