#!/usr/bin/env python3
"""Loopback FTP server for the transfer tests (pyftpdlib).

Usage: ftp_server.py ROOT. Binds 127.0.0.1 only on a free port, prints "PORT <n>", then
serves ROOT read-only to anonymous users and to user "lw" with password "secret" until it
is killed. Passive and active mode both work.
"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    logging.basicConfig(level=logging.CRITICAL)
    root = sys.argv[1]
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root)
    authorizer.add_user("lw", "secret", root, perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.masquerade_address = "127.0.0.1"
    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
