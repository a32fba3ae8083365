"""FTP server for the FTP tests, bound to 127.0.0.1 on a free port (pyftpdlib).

Usage: ftp_test_server.py FOLDER [--tls CERTFILE] [--drop-after BYTES] [--hostile]
Serves FOLDER to user "user" with password "secret" (all rights) and to anonymous (read only).
  --tls CERT        explicit TLS (AUTH TLS) with the certificate and key in CERT
  --drop-after N    every download drops the whole session after about N bytes of data
  --hostile         listings also name entries no local file may be called
Prints "PORT <n>" once it listens.
"""

import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

HOSTILE_NAMES = ["../escape.txt", "/tmp/absolute.txt", "back\\slash.txt", "carriage\rreturn.txt",
                 "..", "."]


def main():
    folder = sys.argv[1]
    args = sys.argv[2:]
    authorizer = DummyAuthorizer()
    authorizer.add_user("user", "secret", folder, perm="elradfmwMT")
    authorizer.add_anonymous(folder)

    base = FTPHandler
    if "--tls" in args:
        from pyftpdlib.handlers import TLS_FTPHandler
        base = TLS_FTPHandler
        base.certfile = args[args.index("--tls") + 1]

    drop_after = int(args[args.index("--drop-after") + 1]) if "--drop-after" in args else 0
    hostile = "--hostile" in args

    class DroppingDTP(DTPHandler):
        sent = 0

        def send(self, data):
            n = super().send(data)
            self.sent += n
            if self.sent >= drop_after:
                self.cmd_channel.close()
            return n

    class HostileFS(AbstractedFS):
        def format_mlsx(self, basedir, listing, perms, facts, ignore_err=True):
            yield from super().format_mlsx(basedir, listing, perms, facts, ignore_err)
            for name in HOSTILE_NAMES:
                yield ("type=file;size=5;modify=20200101000000; %s\r\n" % name).encode("utf8")

    class Handler(base):
        pass

    Handler.authorizer = authorizer
    if hostile:
        Handler.abstracted_fs = HostileFS
    Handler.permit_foreign_addresses = False
    if drop_after:
        Handler.dtp_handler = DroppingDTP
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
