#!/usr/bin/python3
"""A port that never answers, as a provider's blocked port 25 looks from the
desktop: a socket on 127.0.0.1 that listens but never accepts, its queue
filled at once, so that the kernel drops every further connection request
silently.  Prints "PORT <n>"; stops when its standard input closes or after
ten minutes."""
import select
import socket
import sys

server = socket.socket()
server.bind(('127.0.0.1', 0))
server.listen(0)
fillers = []
for _ in range(3):
    s = socket.socket()
    s.setblocking(False)
    s.connect_ex(server.getsockname())
    fillers.append(s)
print('PORT', server.getsockname()[1], flush=True)
select.select([sys.stdin], [], [], 600)
