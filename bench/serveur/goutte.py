#!/usr/bin/env python3
"""Holds N connections to 127.0.0.1:PORT, each sending one header line every two seconds and never
finishing its request; a connection the server cuts is opened again. Sources are spread over
127.0.1.1-100 as a crowd of clients would be, each address under the server's per-address cap.
Runs until killed; prints "prêt" once all are open."""
import socket
import sys
import time

port, nombre = int(sys.argv[1]), int(sys.argv[2])


def ouvrir(i):
    s = socket.socket()
    s.bind((f"127.0.1.{1 + i % 100}", 0))
    s.connect(("127.0.0.1", port))
    s.setblocking(False)
    s.send(b"GET /t/benchpage1 HTTP/1.1\r\nHost: banc\r\n")
    return s


prises = [ouvrir(i) for i in range(nombre)]
print("prêt", flush=True)
while True:
    debut = time.monotonic()
    for i, s in enumerate(prises):
        try:
            s.send(b"X-Goutte: 1\r\n")
        except OSError:
            s.close()
            prises[i] = ouvrir(i)
    time.sleep(max(0.0, 2.0 - (time.monotonic() - debut)))
