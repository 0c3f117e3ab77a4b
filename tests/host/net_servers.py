#!/usr/bin/python3
"""The servers of the net suite, on 127.0.0.1 only.

Serves ROOT/http over HTTP and ROOT/ftp-anon (anonymous) and ROOT/ftp-user (user qlry,
password secret) over FTP, and writes the ports to PORTS_FILE once they listen:
HTTP, FTP, and a port on which nothing listens. Besides plain files the HTTP server knows
  /status/<code>/<name>  answers with that status and a short page
  /drop/<bytes>/<name>   announces a megabyte, sends <bytes> of it and drops the connection
and logs every request path to ROOT/requests.log. Over FTP a file whose name begins with
"drop" ends its data after 20000 bytes while its directory entry shows its whole size.
"""
import http.server
import logging
import os
import signal
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

root, ports_file = sys.argv[1], sys.argv[2]
for sub in ("http", "ftp-anon", "ftp-user"):
    os.makedirs(os.path.join(root, sub), exist_ok=True)


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=os.path.join(root, "http"), **kwargs)

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        with open(os.path.join(root, "requests.log"), "a") as log:
            log.write(self.path + "\n")
        parts = self.path.split("/")
        if len(parts) >= 4 and parts[1] == "status":
            body = b"<html>server says %s</html>" % parts[2].encode()
            self.send_response(int(parts[2]))
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        if len(parts) >= 4 and parts[1] == "drop":
            self.send_response(200)
            self.send_header("Content-Length", str(1 << 20))
            self.end_headers()
            self.wfile.write(b"d" * int(parts[2]))
            self.wfile.flush()
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        super().do_GET()


class ShortFile:
    def __init__(self, file, limit):
        self._file, self._left = file, limit

    def read(self, size=-1):
        size = self._left if size < 0 else min(size, self._left)
        data = self._file.read(size)
        self._left -= len(data)
        return data

    def __getattr__(self, name):
        return getattr(self._file, name)


class DroppingFS(AbstractedFS):
    def open(self, filename, mode):
        file = super().open(filename, mode)
        return ShortFile(file, 20000) if os.path.basename(filename).startswith("drop") else file


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


http_server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=http_server.serve_forever, daemon=True).start()

logging.basicConfig(level=logging.WARNING)
authorizer = DummyAuthorizer()
authorizer.add_anonymous(os.path.join(root, "ftp-anon"), perm="elr")
authorizer.add_user("qlry", "secret", os.path.join(root, "ftp-user"), perm="elr")
FTPHandler.authorizer = authorizer
FTPHandler.abstracted_fs = DroppingFS
FTPHandler.use_sendfile = False   # sendfile would pass the whole file by its descriptor
ftp_server = FTPServer(("127.0.0.1", 0), FTPHandler)

signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
with open(ports_file + ".tmp", "w") as out:
    out.write("%d %d %d\n" % (http_server.server_address[1], ftp_server.address[1], free_port()))
os.rename(ports_file + ".tmp", ports_file)
ftp_server.serve_forever()
