#!/usr/bin/env python3
"""The local provider service of the Wine tests: HTTP, HTTPS and HTTPS with a certificate that
nobody trusts, on 127.0.0.1, one request per connection. STATE_DIR/script.json is a JSON list of
answers {"status": 200, "body": text or "hex": bytes or "file": a path to send, "hang": true never
to answer, or "account": {"logins": [[user, password], ...], "body" or "hex": ...}: that body for a
request whose username and password are one of the logins, "Status: 401" for any other}, one
taken per request and the last repeated (none: 404), a new file starting over;
STATE_DIR/requests.txt gets a line "PORT HEX(the request as it came)" for each request.

usage: provider.py STATE_DIR HTTP_PORT HTTPS_PORT UNTRUSTED_PORT CERT_DIR
"""

import json, os, re, socketserver, ssl, sys, threading, urllib.parse

lock = threading.Lock()
script = {"key": None, "answers": [], "used": 0}


def next_answer(state, port, request):
    """Logs the request and takes its answer in one step, so the log's order is the answers'."""
    with lock:
        with open(os.path.join(state, "requests.txt"), "a", encoding="ascii") as log:
            log.write("%d %s\n" % (port, request.hex()))
        try:
            with open(os.path.join(state, "script.json"), encoding="latin-1") as f:
                info = os.fstat(f.fileno())
                key = (info.st_ino, info.st_mtime_ns, info.st_size)
                if key != script["key"]:
                    script.update(key=key, answers=json.load(f), used=0)
        except (OSError, ValueError):
            script.update(key=None, answers=[], used=0)
        answers = script["answers"] or [{"status": 404}]
        script["used"] += 1
        return answers[min(script["used"], len(answers)) - 1]


def account_body(account, request):
    """A demo account: only its logins are accepted, as the real service does."""
    target = request.split(b" ", 2)[1].decode("latin-1") if request.count(b" ") >= 2 else ""
    query = urllib.parse.parse_qs(urllib.parse.urlsplit(target).query)
    login = [query.get("username", [""])[0], query.get("password", [""])[0]]
    if login not in account["logins"]:
        return b"Status: 401\r\n"
    return bytes.fromhex(account["hex"]) if "hex" in account else account["body"].encode("latin-1")


class Handler(socketserver.StreamRequestHandler):
    def setup(self):
        if self.server.context:
            self.request = self.server.context.wrap_socket(self.request, server_side=True)
        super().setup()

    def handle(self):
        request = line = b""
        while not request.endswith(b"\r\n\r\n") and (line := self.rfile.readline(65536)):
            request += line
        if not line:
            return
        length = re.search(rb"(?im)^content-length:\s*(\d+)", request)
        request += self.rfile.read(int(length.group(1)) if length else 0)
        answer = next_answer(self.server.state, self.server.server_address[1], request)
        if answer.get("hang"):
            self.connection.settimeout(120)
            self.rfile.read()  # until the client gives up
            return
        body = answer.get("body", "").encode("latin-1")
        body = bytes.fromhex(answer["hex"]) if "hex" in answer else body
        body = account_body(answer["account"], request) if "account" in answer else body
        body = open(answer["file"], "rb").read() if "file" in answer else body
        head = "HTTP/1.1 %d Scripted\r\nContent-Length: %d\r\nConnection: close\r\n\r\n"
        self.wfile.write((head % (answer.get("status", 200), len(body))).encode() + body)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = allow_reuse_address = True

    def __init__(self, state, port, certificate):
        self.state, self.context = state, None
        if certificate:
            self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self.context.load_cert_chain(certificate + ".pem", certificate + "-key.pem")
        super().__init__(("127.0.0.1", port), Handler)

    def handle_error(self, request, client_address):
        pass  # dropped connections and refused certificates are part of the tests


def main():
    state, ports, certs = sys.argv[1], [int(p) for p in sys.argv[2:5]], sys.argv[5]
    names = [None, os.path.join(certs, "server"), os.path.join(certs, "untrusted")]
    servers = [Server(state, port, name) for port, name in zip(ports, names)]
    # The fixture waits for the ports file, written whole once every port listens.
    with open(os.path.join(state, "ports.tmp"), "w", encoding="ascii") as f:
        f.write("http %d\nhttps %d\nuntrusted %d\n" % tuple(ports))
    os.replace(os.path.join(state, "ports.tmp"), os.path.join(state, "ports"))
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    servers[0].serve_forever()


main()
