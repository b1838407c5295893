#!/usr/bin/env python3
"""Answers the downloader the way some real servers do; serves the file given on the command line.

  /chunked            the file in chunks of varying size, with an extension and a trailer
  /chunked-length     chunked, with a Content-Length too (a wrong one): the chunks count
  /bad-chunk          a chunk-size line that is no number
  /long-header        40 KiB of header lines before the file
  /huge-header        70 KiB of header lines: no answer a downloader should take
  /wrong-range        a Range is answered with a 206 that starts at 0
  /changed            the file carries ETag "v2"; a Range with another If-Range gets it whole
Prints "port N" when it listens.
"""
import re
import socket
import sys
import threading

data = open(sys.argv[1], 'rb').read()


def handle(conn):
    try:
        answer(conn)
    except OSError:
        pass  # the downloader hung up on a reply it refuses


def answer(conn):
    with conn:
        request = b''
        while b'\r\n\r\n' not in request:
            piece = conn.recv(4096)
            if not piece:
                return
            request += piece
        head = request.split(b'\r\n\r\n')[0].decode('latin-1')
        path = head.split(' ')[1]
        offset = 0
        m = re.search(r'\r\nRange: bytes=(\d+)-', head)
        if m:
            offset = int(m.group(1))
        if_range = re.search(r'\r\nIf-Range: (.*)', head)
        if path in ('/chunked', '/chunked-length', '/bad-chunk'):
            extra = 'Content-Length: 17\r\n' if path == '/chunked-length' else ''
            head_out = 'HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n' + extra + '\r\n'
            body = b''
            at, size = 0, 1
            while at < len(data):
                part = data[at:at + size]
                body += b'%x;ext=1\r\n' % len(part) + part + b'\r\n'
                at += len(part)
                size = size * 3 + 7 if size < 70000 else 1
            body += b'0\r\nX-Trailer: yes\r\n\r\n'
            if path == '/bad-chunk':
                body = b'zz\r\n' + body
            conn.sendall(head_out.encode() + body)
        elif path in ('/long-header', '/huge-header'):
            count = 40 if path == '/long-header' else 70
            lines = ''.join('X-Filler-%d: %s\r\n' % (i, 'f' * 1000) for i in range(count))
            conn.sendall(('HTTP/1.1 200 OK\r\n%sContent-Length: %d\r\n\r\n' % (lines, len(data))).encode() + data)
        elif path == '/wrong-range' and offset > 0:
            conn.sendall(('HTTP/1.1 206 Partial\r\nContent-Range: bytes 0-%d/%d\r\nContent-Length: %d\r\n\r\n'
                          % (len(data) - 1, len(data), len(data))).encode() + data)
        elif path == '/changed' and offset > 0 and if_range and if_range.group(1).strip() == '"v2"':
            rest = data[offset:]
            conn.sendall(('HTTP/1.1 206 Partial\r\nETag: "v2"\r\nContent-Range: bytes %d-%d/%d\r\n'
                          'Content-Length: %d\r\n\r\n' % (offset, len(data) - 1, len(data), len(rest))).encode() + rest)
        else:
            conn.sendall(('HTTP/1.1 200 OK\r\nETag: "v2"\r\nContent-Length: %d\r\n\r\n' % len(data)).encode() + data)


listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(('127.0.0.1', 0))
listener.listen(16)
print('port', listener.getsockname()[1], flush=True)
while True:
    client, _ = listener.accept()
    threading.Thread(target=handle, args=(client,), daemon=True).start()
