"""What every asyncio peer of the tests shares: a server on 127.0.0.1 and a
free port, "PORT <n>" printed once it listens, and an end on SIGTERM, when
standard input (a pipe from the test) closes, or after ten minutes."""
import asyncio
import signal
import sys


def serve(protocol_factory, ssl=None, minutes=10):
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(
        loop.create_server(protocol_factory, '127.0.0.1', 0, ssl=ssl))
    print('PORT', server.sockets[0].getsockname()[1], flush=True)
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    try:
        # A test that dies closes the pipe: the server goes with it.
        loop.add_reader(sys.stdin.fileno(), lambda: sys.stdin.buffer.read1() or loop.stop())
    except (OSError, ValueError):
        pass  # not a pipe
    loop.call_later(minutes * 60, loop.stop)
    loop.run_forever()
    server.close()
