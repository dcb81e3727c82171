#!/usr/bin/env python3
"""Loopback HTTP server for the transfer tests.

Usage: http_server.py ROOT [PORT]. Binds 127.0.0.1 only (port 0 = any free one), prints
"PORT <n>" on its first line of output, then serves until it is killed.

Routes:
  /files/NAME           the file ROOT/NAME with its length (404 when absent)
  /status/CODE          that status with a small HTML body
  /nolength/NAME        ROOT/NAME without Content-Length, ended by closing the connection
  /cut/NAME             announces the length of ROOT/NAME, sends half of it and drops
  /slow/MS/NAME         waits MS milliseconds before answering with ROOT/NAME
  /drip/MS/NAME         sends ROOT/NAME in 1 KiB pieces, MS milliseconds apart
  /redirect/PATH...     302 to /PATH..., or to URL, any scheme, with ?URL after the path
  /echo                 the request line and headers as the body (GET or POST, POST body too)
  /count                how many requests this server has answered before this one
"""
import os
import socketserver
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, HTTPServer

ROOT = sys.argv[1]
COUNT = [0]
LOCK = threading.Lock()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def body_of(self, name):
        path = os.path.join(ROOT, os.path.basename(name))
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def send_file(self, path):
        # Large files stream from disk so that a benchmark does not need them in memory.
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(os.path.getsize(path)))
        self.end_headers()
        if self.command == "HEAD":
            return
        with open(path, "rb") as f:
            while True:
                block = f.read(1 << 20)
                if not block:
                    break
                self.wfile.write(block)

    def plain(self, code, body, ctype="text/plain", length=True):
        self.send_response(code)
        self.send_header("Content-Type", ctype)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def file_route(self, route, rest):
        """The routes that serve ROOT/NAME (the last path segment) in some broken way."""
        if route == "slow":
            time.sleep(int(rest[0]) / 1000.0)
        body = self.body_of(rest[-1])
        if body is None:
            return self.not_found()
        if route in ("nolength", "slow"):
            self.close_connection = route == "nolength"
            return self.plain(200, body, length=route == "slow")
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if route == "cut":
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
            return
        for i in range(0, len(body), 1024):  # drip
            self.wfile.write(body[i : i + 1024])
            self.wfile.flush()
            time.sleep(int(rest[0]) / 1000.0)

    def not_found(self):
        self.plain(404, b"<html><body>Not found</body></html>", "text/html")

    def handle_any(self):
        with LOCK:
            before = COUNT[0]
            COUNT[0] += 1
        parts = self.path.split("?")[0].strip("/").split("/")
        route, rest = parts[0], parts[1:]
        if route == "files" and rest:
            path = os.path.join(ROOT, os.path.basename(rest[-1]))
            return self.send_file(path) if os.path.isfile(path) else self.not_found()
        if route == "status" and rest:
            code = int(rest[0])
            return self.plain(code, b"<html><body>Status %d</body></html>" % code, "text/html")
        if route in ("nolength", "cut", "slow", "drip") and rest:
            return self.file_route(route, rest)
        if route == "redirect" and rest:
            self.send_response(302)
            self.send_header("Location", self.path.partition("?")[2] or "/" + "/".join(rest))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if route == "echo":
            length = int(self.headers.get("Content-Length", "0") or 0)
            data = self.rfile.read(length) if length else b""
            text = self.requestline + "\r\n" + str(self.headers)
            return self.plain(200, text.encode("latin-1") + data)
        if route == "count":
            return self.plain(200, str(before).encode())
        return self.not_found()

    do_GET = handle_any
    do_POST = handle_any
    do_HEAD = handle_any


class Server(socketserver.ThreadingMixIn, HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    server = Server(("127.0.0.1", port), Handler)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
