#!/usr/bin/env python3
"""Loopback HTTP server for the tests: serves one folder, with fault modes chosen by the path.

  /<path>                  the file under the root (404 when missing)
  /404/<path>              404 for everything
  /errpage/<path>          an HTML error page with status 200
  /cut/<N>/<path>          full headers, then only the first N bytes of the file, then the connection closes
  /slow/<B>/<path>         the file trickled at about B bytes per second
  /__log                   the paths requested so far, one a line (the log itself is not logged)
  /__log/clear             empties the log

It binds 127.0.0.1 on a free port and writes the port number to --port-file once it listens.
"""
import argparse
import http.server
import os
import socketserver
import sys
import threading
import time
import urllib.parse

ERROR_PAGE = b"<html><head><title>Server error</title></head><body><h1>Something went wrong</h1></body></html>\n"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestServer/1.0"

    def log_message(self, fmt, *args):
        pass

    def _send(self, status, body, ctype="application/octet-stream"):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def _file(self, rel):
        root = self.server.root
        path = os.path.realpath(os.path.join(root, urllib.parse.unquote(rel).lstrip("/")))
        if not (path == root or path.startswith(root + os.sep)) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def do_GET(self):
        raw = self.path.split("?", 1)[0]
        if raw == "/__log":
            with self.server.lock:
                body = "".join(p + "\n" for p in self.server.log).encode()
            return self._send(200, body, "text/plain")
        if raw == "/__log/clear":
            with self.server.lock:
                self.server.log.clear()
            return self._send(200, b"cleared\n", "text/plain")
        with self.server.lock:
            self.server.log.append(raw)
        parts = raw.lstrip("/").split("/", 2)
        mode = parts[0]
        if mode == "404":
            return self._send(404, b"<html><body>Not found</body></html>\n", "text/html")
        if mode == "errpage":
            return self._send(200, ERROR_PAGE, "text/html")
        if mode in ("cut", "slow") and len(parts) == 3 and parts[1].isdigit():
            data = self._file(parts[2])
            if data is None:
                return self._send(404, b"not found\n", "text/plain")
            n = int(parts[1])
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            if mode == "cut":
                self.wfile.write(data[:n])
                self.wfile.flush()
                self.close_connection = True
                try:
                    self.connection.shutdown(2)
                except OSError:
                    pass
                return
            rate = max(n, 1)
            chunk = max(1, rate // 10)
            try:
                for i in range(0, len(data), chunk):
                    self.wfile.write(data[i:i + chunk])
                    self.wfile.flush()
                    time.sleep(chunk / rate)
            except (BrokenPipeError, ConnectionResetError):
                self.close_connection = True
            return
        data = self._file(raw)
        if data is None:
            return self._send(404, b"<html><body>Not found</body></html>\n", "text/html")
        return self._send(200, data)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--port-file", required=True)
    ap.add_argument("--lifetime", type=float, default=4 * 3600, help="seconds after which the server stops by itself")
    args = ap.parse_args()
    srv = Server(("127.0.0.1", 0), Handler)
    srv.root = os.path.realpath(args.root)
    srv.log = []
    srv.lock = threading.Lock()
    tmp = args.port_file + ".part"
    with open(tmp, "w") as f:
        f.write(str(srv.server_address[1]))
    os.replace(tmp, args.port_file)
    stopper = threading.Timer(args.lifetime, srv.shutdown)
    stopper.daemon = True
    stopper.start()
    srv.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
