"""FTP server for the FTP tests, bound to 127.0.0.1 on a free port (pyftpdlib).

Usage: ftp_test_server.py FOLDER [--tls CERTFILE] [--drop-after BYTES] [--hostile]
                           [--throttle BYTES_PER_SECOND] [--truncate-uploads BYTES]
                           [--stall-after BYTES] [--drop-upload-after BYTES] [--no-rename]
                           [--endless-listing NAME_LENGTH]
Serves FOLDER to user "user" with password "secret" (all rights) and to anonymous (read only).
  --tls CERT        explicit TLS (AUTH TLS) with the certificate and key in CERT
  --drop-after N    every download drops the whole session after about N bytes of data
  --hostile         listings also name entries no local file may be called
  --throttle N      data connections move about N bytes a second
  --truncate-uploads N  an uploaded file keeps only its first N bytes
  --stall-after N   every download stops sending after N bytes and keeps the connection open
  --drop-upload-after N  every upload drops the whole session after about N bytes of data
  --no-rename       the user may not rename (RNFR is refused)
  --endless-listing N  listings never end: entries with names of N characters, on and on
Prints "PORT <n>" once it listens.
"""

import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

HOSTILE_NAMES = ["../escape.txt", "/tmp/absolute.txt", "back\\slash.txt", "sub/inner.txt",
                 "..", ".", ".bashrc", "invoice\u202etxt.exe", "bell\x07\x1b[2Jname"]


def main():
    folder = sys.argv[1]
    args = sys.argv[2:]
    authorizer = DummyAuthorizer()
    perm = "elradmwMT" if "--no-rename" in args else "elradfmwMT"
    authorizer.add_user("user", "secret", folder, perm=perm)
    authorizer.add_anonymous(folder)

    base = FTPHandler
    if "--tls" in args:
        from OpenSSL import SSL
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
        certfile = args[args.index("--tls") + 1]
        context = SSL.Context(SSL.TLS_SERVER_METHOD)
        context.use_certificate_chain_file(certfile)
        context.use_privatekey_file(certfile)
        # Clients resume the control connection's TLS session on data connections.
        context.set_session_id(b"glyphon-tests")
        base = TLS_FTPHandler
        base.ssl_context = context

        class HandshakingDTP(TLS_DTPHandler):
            # pyftpdlib closes a data channel that is readable before its first transfer,
            # which is just when a client's TLS handshake arrives.
            def readable(self):
                return self._ssl_accepting or self._ssl_want_read or super().readable()

        base.dtp_handler = HandshakingDTP

    drop_after = int(args[args.index("--drop-after") + 1]) if "--drop-after" in args else 0
    hostile = "--hostile" in args
    stall_after = int(args[args.index("--stall-after") + 1]) if "--stall-after" in args else -1
    throttle = int(args[args.index("--throttle") + 1]) if "--throttle" in args else 0
    truncate = int(args[args.index("--truncate-uploads") + 1]) \
        if "--truncate-uploads" in args else -1
    drop_upload = int(args[args.index("--drop-upload-after") + 1]) \
        if "--drop-upload-after" in args else 0
    endless = int(args[args.index("--endless-listing") + 1]) if "--endless-listing" in args else 0

    class DroppingUploadDTP(DTPHandler):
        def handle_read(self):
            super().handle_read()
            if self.tot_bytes_received >= drop_upload:
                self.cmd_channel.close()

        handle_read_event = handle_read

    class DroppingDTP(DTPHandler):
        sent = 0

        def send(self, data):
            n = super().send(data)
            self.sent += n
            if self.sent >= drop_after:
                self.cmd_channel.close()
            return n

    class StallingDTP(DTPHandler):
        sent = 0

        def send(self, data):
            if self.sent >= stall_after:
                time.sleep(0.01)
                return 0
            n = super().send(data[:max(1, stall_after - self.sent)])
            self.sent += n
            return n

    class SlowDTP(DTPHandler):
        def send(self, data):
            # Small pieces with pauses, so a client sees the transfer under way.
            n = super().send(data[:8192])
            time.sleep(n / throttle)
            return n

    class ShortWriter:
        def __init__(self, f):
            self.f, self.left = f, truncate

        def write(self, data):
            kept = data[:max(0, self.left)]
            self.left -= len(kept)
            self.f.write(kept)
            return len(data)

        def __getattr__(self, name):
            return getattr(self.f, name)

    class TestFS(AbstractedFS):
        def open(self, filename, mode):
            f = super().open(filename, mode)
            return ShortWriter(f) if truncate >= 0 and "w" in mode else f

        def format_mlsx(self, basedir, listing, perms, facts, ignore_err=True):
            yield from super().format_mlsx(basedir, listing, perms, facts, ignore_err)
            n = 0
            while endless:
                n += 1
                batch = "".join("type=file;size=1; %s\r\n" % str(n * 1000 + i).rjust(endless, "f")
                                for i in range(1000))
                yield batch.encode("ascii")
            if not hostile:
                return
            for name in HOSTILE_NAMES:
                yield ("type=file;size=5;modify=20200101000000; %s\r\n" % name).encode("utf8")

    class Handler(base):
        pass

    Handler.authorizer = authorizer
    Handler.abstracted_fs = TestFS
    Handler.use_sendfile = False  # the data handlers below see every byte
    Handler.permit_foreign_addresses = False
    if drop_after:
        Handler.dtp_handler = DroppingDTP
    elif throttle:
        Handler.dtp_handler = SlowDTP
    elif stall_after >= 0:
        Handler.dtp_handler = StallingDTP
    elif drop_upload:
        Handler.dtp_handler = DroppingUploadDTP
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
