#!/usr/bin/env python3
"""The local provider service of the Wine tests.

Serves HTTP and HTTPS on 127.0.0.1, plus HTTPS with a certificate from a CA that the test prefix
does not trust. Tests running under Wine script it through plain files in the state directory:

  script.json   a JSON list of answers, one consumed per request in arrival order; when the list
                is used up the last answer repeats, an empty or missing list answers 404. A new
                script (a new file put in place) starts again at its first answer.
  requests.log  one JSON object per request received: method, path (the request target exactly
                as received), version, headers, body (latin-1 text), port.
  requests.txt  the same, one request per line for the Windows tests' reader:
                PORT METHOD HEX(TARGET) HEX(VERSION) HEX(HEADER LINES) HEX(BODY)

An answer is an object with these optional keys:

  status, reason     status line (200, "OK"); version: the status line's protocol ("HTTP/1.1")
  headers            {name: value} or [[name, value], ...]; Content-Length and Connection are added
  body               text; every character below 256 is sent as that byte (latin-1)
  encoding           how body, chunks and raw become bytes: "latin-1" (default) or "utf-8"
  chunks             the body as pieces written one by one, flushed, with "pause" seconds (0.1)
                     between them
  length             true: send Content-Length (default); false: the body ends when the
                     connection closes
  stop_after         write only this many bytes of the body, then close the connection
  hang               true: read the request and never answer, until the client goes away, the
                     service stops or 120 seconds have passed
  delay              seconds to wait before answering
  raw                bytes to write instead of a generated answer (status line and all)

Each connection carries one request and is closed after its answer.

usage: provider.py --state DIR --http-port P1 --https-port P2 --cert C --key K
                   --untrusted-port P3 --untrusted-cert C2 --untrusted-key K2
"""

import argparse
import json
import os
import select
import signal
import socket
import socketserver
import ssl
import sys
import threading
import time

HANG_LIMIT = 120.0
HEADER_LIMIT = 64 * 1024
BODY_LIMIT = 64 * 1024 * 1024

stopping = threading.Event()


class Script:
    """The answers of the current script.json and how many have been used."""

    def __init__(self, state):
        self.state = state
        self.lock = threading.Lock()
        self.signature = None
        self.answers = []
        self.used = 0

    def _load(self):
        path = os.path.join(self.state, "script.json")
        try:
            with open(path, "rb") as f:
                data = f.read()
                info = os.fstat(f.fileno())
        except FileNotFoundError:
            self.signature, self.answers, self.used = None, [], 0
            return
        signature = (info.st_ino, info.st_mtime_ns, info.st_size, data)
        if signature == self.signature:
            return
        self.signature, self.used = signature, 0
        try:
            answers = json.loads(data.decode("latin-1")) if data.strip() else []
            if isinstance(answers, dict):
                answers = [answers]
            self.answers = [a for a in answers if isinstance(a, dict)]
        except ValueError as e:
            sys.stderr.write("script.json unreadable: %s\n" % e)
            self.answers = [{"status": 500, "reason": "Bad Script", "body": str(e)}]

    def next_answer(self, log_entry):
        """Logs the request and takes its answer, in one step so log order is answer order."""
        with self.lock:
            write_log(self.state, log_entry)
            self._load()
            if not self.answers:
                return {"status": 404, "reason": "Not Found", "body": "no answer scripted\r\n"}
            answer = self.answers[min(self.used, len(self.answers) - 1)]
            self.used += 1
            return answer


def write_log(state, entry):
    public = {k: entry[k] for k in ("method", "path", "version", "headers", "body", "port")}
    with open(os.path.join(state, "requests.log"), "a", encoding="utf-8") as f:
        f.write(json.dumps(public, ensure_ascii=True) + "\n")
    header_lines = "".join("%s: %s\r\n" % (n, v) for n, v in entry["header_list"])
    fields = [entry["target_bytes"], entry["version"].encode("latin-1"),
              header_lines.encode("latin-1"), entry["body"].encode("latin-1")]
    line = "%d %s %s\n" % (entry["port"], entry["method"] or "-",
                          " ".join(f.hex() or "-" for f in fields))
    with open(os.path.join(state, "requests.txt"), "a", encoding="ascii") as f:
        f.write(line)


def as_bytes(text, encoding):
    if isinstance(text, bytes):
        return text
    return str(text).encode(encoding)


class Handler(socketserver.StreamRequestHandler):
    """One connection: read one request, log it, give the scripted answer, close."""

    timeout = 60

    def handle(self):
        try:
            request = self.read_request()
        except (OSError, ValueError):
            return
        if request is None:
            return
        self.method = request["method"]
        answer = self.server.script.next_answer(request)
        try:
            self.answer(answer)
        except (OSError, ValueError, TypeError) as e:
            # A dropped connection, or an answer the script got wrong: the client sees the
            # connection close; the reason goes to the service's output.
            if not isinstance(e, OSError):
                sys.stderr.write("answer not sent: %r\n" % e)

    def read_line(self):
        line = self.rfile.readline(HEADER_LIMIT + 1)
        if len(line) > HEADER_LIMIT:
            raise ValueError("line too long")
        return line

    def read_request(self):
        line = self.read_line()
        while line in (b"\r\n", b"\n"):
            line = self.read_line()
        if not line:
            return None
        line = line.rstrip(b"\r\n")
        # The target is everything between the first and the last blank, exactly as it came.
        first = line.find(b" ")
        last = line.rfind(b" ")
        if first < 0:
            method, target, version = line, b"", b""
        elif first == last:
            method, target, version = line[:first], line[first + 1:], b""
        else:
            method, target, version = line[:first], line[first + 1:last], line[last + 1:]
        headers = []
        size = 0
        while True:
            h = self.read_line()
            size += len(h)
            if size > HEADER_LIMIT:
                raise ValueError("headers too long")
            if h in (b"\r\n", b"\n", b""):
                break
            h = h.rstrip(b"\r\n").decode("latin-1")
            if h[:1] in (" ", "\t") and headers:
                headers[-1] = (headers[-1][0], headers[-1][1] + " " + h.strip())
                continue
            name, _, value = h.partition(":")
            headers.append((name.strip(), value.strip()))
        body = self.read_body(headers)
        return {
            "method": method.decode("latin-1"),
            "path": target.decode("latin-1"),
            "version": version.decode("latin-1"),
            "headers": {n: v for n, v in headers},
            "body": body.decode("latin-1"),
            "port": self.server.server_address[1],
            "header_list": headers,
            "target_bytes": target,
        }

    def read_body(self, headers):
        lookup = {n.lower(): v for n, v in headers}
        if "chunked" in lookup.get("transfer-encoding", "").lower():
            body = b""
            while True:
                size_line = self.read_line()
                if not size_line:
                    return body
                size = int(size_line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.read_line() not in (b"\r\n", b"\n", b""):
                        pass
                    return body
                body += self.rfile.read(size)
                self.read_line()
                if len(body) > BODY_LIMIT:
                    raise ValueError("body too long")
        length = lookup.get("content-length")
        if length is None:
            # Without a length the body could only end with the connection, and the client
            # waits for the answer first: a request without one carries no body.
            return b""
        length = int(length)
        if length < 0 or length > BODY_LIMIT:
            raise ValueError("bad Content-Length")
        return self.rfile.read(length)

    def answer(self, answer):
        encoding = answer.get("encoding", "latin-1")
        delay = float(answer.get("delay", 0) or 0)
        if delay > 0 and stopping.wait(delay):
            return
        if answer.get("hang"):
            self.hang()
            return
        out = self.wfile
        if "raw" in answer:
            out.write(as_bytes(answer["raw"], encoding))
            out.flush()
            return
        if "chunks" in answer:
            pieces = [as_bytes(c, encoding) for c in answer["chunks"]]
        else:
            pieces = [as_bytes(answer.get("body", ""), encoding)]
        body_size = sum(len(p) for p in pieces)
        headers = answer.get("headers", {})
        headers = list(headers.items()) if isinstance(headers, dict) else list(headers)
        names = {str(n).lower() for n, _ in headers}
        if "content-type" not in names:
            headers.append(("Content-Type", "text/plain"))
        if answer.get("length", True) and "content-length" not in names:
            headers.append(("Content-Length", str(body_size)))
        if "connection" not in names:
            headers.append(("Connection", "close"))
        head = "%s %d %s\r\n" % (answer.get("version", "HTTP/1.1"), int(answer.get("status", 200)),
                                 answer.get("reason", "OK"))
        head += "".join("%s: %s\r\n" % (n, v) for n, v in headers) + "\r\n"
        out.write(head.encode("latin-1"))
        out.flush()
        if self.method == "HEAD":
            return
        stop_after = answer.get("stop_after")
        budget = body_size if stop_after is None else max(0, int(stop_after))
        pause = float(answer.get("pause", 0.1))
        for i, piece in enumerate(pieces):
            if i > 0 and stopping.wait(pause):
                return
            piece = piece[:budget]
            budget -= len(piece)
            out.write(piece)
            out.flush()
            if budget == 0 and stop_after is not None:
                break

    def hang(self):
        """Keeps the connection open without a word until the peer closes it."""
        end = time.monotonic() + HANG_LIMIT
        sock = self.connection
        while not stopping.is_set() and time.monotonic() < end:
            ready, _, _ = select.select([sock], [], [], 0.5)
            if ready:
                try:
                    if not sock.recv(1024):
                        return
                except OSError:
                    return

    def finish(self):
        try:
            super().finish()
            # A TLS answer without a length ends with the connection: say so with close_notify,
            # so the client can tell the end of the body from a connection that broke.
            if isinstance(self.connection, ssl.SSLSocket):
                self.connection.settimeout(2)
                self.connection.unwrap()
        except (OSError, ValueError):
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    block_on_close = False

    def __init__(self, port, script, context=None):
        self.script = script
        self.context = context
        super().__init__(("127.0.0.1", port), Handler)

    def finish_request(self, request, client_address):
        # The TLS handshake runs in the connection's own thread, so a client that stalls in it
        # holds up nobody else.
        if self.context is not None:
            request.settimeout(30)
            try:
                request = self.context.wrap_socket(request, server_side=True)
            except OSError:
                return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        # Clients that drop the connection are part of the tests.
        pass


def tls_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def main():
    parser = argparse.ArgumentParser(description="local provider service of the Wine tests")
    parser.add_argument("--state", required=True)
    parser.add_argument("--http-port", type=int, required=True)
    parser.add_argument("--https-port", type=int, required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--untrusted-port", type=int, required=True)
    parser.add_argument("--untrusted-cert", required=True)
    parser.add_argument("--untrusted-key", required=True)
    args = parser.parse_args()

    os.makedirs(args.state, exist_ok=True)
    script = Script(args.state)
    servers = [
        Server(args.http_port, script),
        Server(args.https_port, script, tls_context(args.cert, args.key)),
        Server(args.untrusted_port, script, tls_context(args.untrusted_cert, args.untrusted_key)),
    ]
    for s in servers:
        threading.Thread(target=s.serve_forever, kwargs={"poll_interval": 0.2},
                         daemon=True).start()

    def stop(_signum, _frame):
        stopping.set()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    # The ports file appears only once all three ports listen: the fixture waits for it.
    def put(name, text):
        tmp = os.path.join(args.state, name + ".tmp")
        with open(tmp, "w", encoding="ascii") as f:
            f.write(text)
        os.replace(tmp, os.path.join(args.state, name))

    put("provider.pid", "%d\n" % os.getpid())
    put("ports", "http %d\nhttps %d\nuntrusted %d\n" %
        (args.http_port, args.https_port, args.untrusted_port))

    while not stopping.wait(1.0):
        pass
    for s in servers:
        s.shutdown()
        s.server_close()
    for name in ("ports", "provider.pid"):
        try:
            os.remove(os.path.join(args.state, name))
        except FileNotFoundError:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
