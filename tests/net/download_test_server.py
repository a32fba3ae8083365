"""HTTP server for the download tests, bound to 127.0.0.1 on a free port.

Serves the files of the folder given as its argument, and three made-up paths:
  /slow/<name>    a large body sent a little at a time, until the client goes away
  /cutoff/<name>  a Content-Length larger than the body sent, then the connection closes
  /redirect/<to>  a 302 to /<to>
  /sized/<n>/<name>    n bytes with their Content-Length, whatever the name
  /unsized/<n>/<name>  n bytes without a Content-Length, ended by closing the connection
  /stall/<name>   headers and a few bytes, then nothing until the client goes away
  /report/<what>  an empty answer; GET and POST print "REPORT <path>", a POST also "BODY <body>"
Prints "PORT <n>" once it listens, "ABORTED <path>" when a client drops a slow body, and
"DROPPED <path>" when a client leaves a stalled one.
"""

import functools
import http.server
import sys
import time

SLOW_LENGTH = 4 * 1024 * 1024
SLOW_CHUNK = 4096
SLOW_PAUSE = 0.02
CUTOFF_CLAIMED = 10000
CUTOFF_SENT = 4000


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def do_POST(self):
        if not self.path.startswith("/report/"):
            self.send_error(404)
            return
        length = int(self.headers.get("Content-Length", 0))
        body = self.rfile.read(length).decode("utf-8", "replace")
        print("BODY " + body.replace("\n", " "), flush=True)
        self.send_report()

    def send_report(self):
        print("REPORT " + self.path, flush=True)
        self.send_response(204)
        self.send_header("Access-Control-Allow-Origin", "*")
        self.end_headers()

    def do_GET(self):
        if self.path.startswith("/report/"):
            self.send_report()
        elif self.path.startswith("/slow/"):
            self.send_slow()
        elif self.path.startswith("/cutoff/"):
            self.send_cutoff()
        elif self.path.startswith("/sized/"):
            self.send_sized(True)
        elif self.path.startswith("/unsized/"):
            self.send_sized(False)
        elif self.path.startswith("/stall/"):
            self.send_stall()
        elif self.path.startswith("/redirect/"):
            self.send_response(302)
            self.send_header("Location", "/" + self.path[len("/redirect/"):])
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            super().do_GET()

    def send_slow(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(SLOW_LENGTH))
        self.end_headers()
        sent = 0
        try:
            while sent < SLOW_LENGTH:
                self.wfile.write(b"x" * SLOW_CHUNK)
                self.wfile.flush()
                sent += SLOW_CHUNK
                time.sleep(SLOW_PAUSE)
        except (BrokenPipeError, ConnectionResetError):
            print("ABORTED " + self.path, flush=True)
        self.close_connection = True

    def send_sized(self, with_length):
        length = int(self.path.split("/")[2])
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        if with_length:
            self.send_header("Content-Length", str(length))
        self.end_headers()
        try:
            sent = 0
            while sent < length:
                chunk = min(65536, length - sent)
                self.wfile.write(b"z" * chunk)
                sent += chunk
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            pass
        self.close_connection = True

    def send_stall(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", "1000")
        self.end_headers()
        self.wfile.write(b"<html>")
        self.wfile.flush()
        # The client sends nothing more; the read ends when it closes the connection.
        try:
            self.rfile.read(1)
        except (ConnectionResetError, OSError):
            pass
        print("DROPPED " + self.path, flush=True)
        self.close_connection = True

    def send_cutoff(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(CUTOFF_CLAIMED))
        self.end_headers()
        self.wfile.write(b"y" * CUTOFF_SENT)
        self.wfile.flush()
        self.close_connection = True


def main():
    handler = functools.partial(Handler, directory=sys.argv[1])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
