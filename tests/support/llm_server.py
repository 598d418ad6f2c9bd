#!/usr/bin/env python3
"""A stand-in translation service for the client tests, on 127.0.0.1: the
chat-completions service, and Google's v2, v3, keyless and token endpoints.

Run as a child process: `llm_server.py [--tls]`. The first line it prints is
JSON: {"port": N, "cert": PATH or null}; with --tls it serves HTTPS with a
certificate for the IP address 127.0.0.1 made by `openssl req -x509` at start
(PATH is its PEM file, the root the tests trust). Then it reads one JSON
command per line on stdin and answers each with one JSON line on stdout:

  {"script": [ACTION, ...]}   the next requests take these actions in order
  {"log": true}              {"requests": [...]} recorded so far
  {"clear": true}            forget the recorded requests and the script
  {"make_key": true}         {"pem": PEM}: a fresh RSA key from `openssl genpkey`,
                             the one whose signatures the token endpoint accepts
  {"expires_in": VALUE}      what the token endpoint answers as expires_in
  {"latency": SECONDS}       every later request waits this long before its action
  {"answer_scale": N}        later chat answers hold about one ideograph per N
                             characters of each segment (0, the start: the
                             filler once, whatever the length)
  {"quit": true}             stop (so does the end of stdin)

A request that finds the script empty gets the default answer for its path,
Chinese filler that keeps every placeholder token:
  /language/translate/v2, .../...:translateText   Google v2 / v3 answers, one
      item per text, each span-wrapped token kept
  /translate_a/single (GET)   the keyless answer: the q text's pieces between
      separator lines translated one by one, XPH tokens kept
  /token    checks the form body, the assertion's header, its claims in the
      order iss, scope, aud, iat, exp and its RS256 signature by the key of
      make_key; answers {"access_token": "token-N", "expires_in": ...}, or 400
      with the reason (also recorded as the request's "verdict")
  anything else: a chat-completions answer whose content translates every
      segment of the user message, keeping its id and every placeholder token.

An ACTION is an object; every member is optional:
  status: int (default 200)        content: the answer's message content
  body: raw body text              delay: seconds before answering
  stall: seconds, then close without answering
  drop: close without answering    cut: answer with a body cut short
  gzip: compress the body          bomb: N, a gzip body of N zero bytes
  oversize: N, a JSON body of N bytes
  redirect: Location (status 307 unless given)
  barrier: N, answer only once N requests with a barrier are in flight at
           once (status 504 after 20 seconds without them)
  translation: the keyless answer's text (one item)

Each recorded request has path, headers (names lower-cased), body,
connection (a number per accepted connection, from 1) and in_flight: the
requests being served when it arrived, itself included, so that the largest
in_flight of a log is the most requests ever served at once.

Python tests import `LlmServer`, which runs this script the same way.
"""

import gzip
import base64
import json
import os
import re
import urllib.parse
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PLACEHOLDER = re.compile("\u27e6[0-9]+\u27e7")
FILLER = "\u8bd1\u6587"  # 译文


def filler_text(text, scale):
    """The filler for one segment: once, or with a scale N once per 2N
    characters of the text around its placeholders (so about one ideograph
    per N characters, as long as a real translation)."""
    count = 1
    if scale:
        count = max(1, len(PLACEHOLDER.sub("", text)) // (2 * scale))
    return FILLER * count + "".join(PLACEHOLDER.findall(text))


def filler_content(user_message, scale=0):
    """The default answer's content for a user message."""
    try:
        request = json.loads(user_message)
        segments = request["segments"]
        items = [{"id": s["id"], "text": filler_text(s.get("text", ""), scale)} for s in segments]
    except (ValueError, KeyError, TypeError):
        return FILLER
    return json.dumps({"translations": items}, ensure_ascii=False)


SPAN = re.compile('<span translate="no">\u27e6[0-9]+\u27e7</span>')
KEYLESS_TOKEN = re.compile("XPH[0-9]+X")
SEPARATOR = "\nXPHSEPX\n"
GRANT = "urn:ietf:params:oauth:grant-type:jwt-bearer"


def unb64(text):
    return base64.urlsafe_b64decode(text + "=" * (-len(text) % 4))


def check_assertion(form_body, public_key):
    """None when the token request is sound, else why not."""
    form = urllib.parse.parse_qs(form_body, keep_blank_values=True, strict_parsing=True)
    if form.get("grant_type") != [GRANT]:
        return "grant_type"
    if "%3A" not in form_body.split("&")[0]:
        return "grant_type not percent-encoded"
    assertion = form.get("assertion", [""])[0]
    parts = assertion.split(".")
    if len(parts) != 3:
        return "assertion is not three parts"
    header = json.loads(unb64(parts[0]))
    if header != {"alg": "RS256", "typ": "JWT"}:
        return "header"
    claims = json.loads(unb64(parts[1]), object_pairs_hook=list)
    if [k for k, _ in claims] != ["iss", "scope", "aud", "iat", "exp"]:
        return "claims order"
    claims = dict(claims)
    if claims["exp"] != claims["iat"] + 3600 or abs(claims["iat"] - time.time()) > 300:
        return "iat/exp"
    if public_key is None:
        return "no key"
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import padding
    try:
        public_key.verify(unb64(parts[2]), (parts[0] + "." + parts[1]).encode(),
                          padding.PKCS1v15(), hashes.SHA256())
    except Exception:  # the library's InvalidSignature
        return "signature"
    return None


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.public_key = None
        self.expires_in = 3600
        self.latency = 0
        self.tokens = 0
        self.script = []
        self.requests = []
        self.connections = 0
        self.barrier = threading.Condition(self.lock)
        self.at_barrier = 0
        self.in_flight = 0
        self.answer_scale = 0


STATE = State()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # Headers and body go out in two writes; without this the second waits
    # for the client's delayed acknowledgement (40 ms a request).
    disable_nagle_algorithm = True
    server_version = "stand-in"
    sys_version = ""

    def setup(self):
        super().setup()
        with STATE.lock:
            STATE.connections += 1
            self.connection_number = STATE.connections

    def log_message(self, *args):
        pass

    def send_body(self, status, body, headers=()):
        self.leave()
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        self.do_POST()

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length).decode("utf-8", "replace")
        record = {
            "path": self.path,
            "method": self.command,
            "headers": {k.lower(): v for k, v in self.headers.items()},
            "body": body,
            "connection": self.connection_number,
        }
        with STATE.lock:
            STATE.in_flight += 1
            record["in_flight"] = STATE.in_flight
            STATE.requests.append(record)
            action = STATE.script.pop(0) if STATE.script else {}
            latency = STATE.latency
        self.counted = True
        try:
            if latency:
                time.sleep(latency)
            self.answer(action, body, record)
        finally:
            self.leave()

    def leave(self):
        """Ends this request's part of the gauge, before its answer goes out:
        a client may send its next request as soon as it has the answer."""
        if getattr(self, "counted", False):
            self.counted = False
            with STATE.lock:
                STATE.in_flight -= 1

    def google_default(self, action, request_body, record):
        """The default answer of a Google endpoint as (status, body), or None."""
        path = self.path.split("?")[0]
        if path == "/translate_a/single":
            query = urllib.parse.parse_qs(self.path.split("?", 1)[1], keep_blank_values=True)
            if "translation" in action:
                text = action["translation"]
            else:
                pieces = query.get("q", [""])[0].split(SEPARATOR)
                text = SEPARATOR.join(FILLER + "".join(KEYLESS_TOKEN.findall(p)) for p in pieces)
            return 200, json.dumps([[[text, "source", None, None]], None, "en"],
                                   ensure_ascii=False)
        if path.endswith("/language/translate/v2"):
            texts = json.loads(request_body)["q"]
            items = [{"translatedText": FILLER + "".join(SPAN.findall(t))} for t in texts]
            return 200, json.dumps({"data": {"translations": items}}, ensure_ascii=False)
        if path.endswith(":translateText"):
            texts = json.loads(request_body)["contents"]
            items = [{"translatedText": FILLER + "".join(SPAN.findall(t))} for t in texts]
            return 200, json.dumps({"translations": items}, ensure_ascii=False)
        if path == "/token":
            with STATE.lock:
                key = STATE.public_key
            try:
                verdict = check_assertion(request_body, key)
            except (ValueError, KeyError, TypeError) as e:
                verdict = "unreadable: " + str(e)
            record["verdict"] = verdict or "ok"
            if verdict:
                return 400, json.dumps({"error": verdict})
            with STATE.lock:
                STATE.tokens += 1
                answer = {"access_token": "token-%d" % STATE.tokens,
                          "expires_in": STATE.expires_in}
            return 200, json.dumps(answer)
        return None

    def answer(self, action, request_body, record):
        if "barrier" in action:
            with STATE.barrier:
                STATE.at_barrier += 1
                STATE.barrier.notify_all()
                met = STATE.barrier.wait_for(lambda: STATE.at_barrier >= action["barrier"], 20)
            if not met:
                self.send_body(504, b"{}")
                return
        if "delay" in action:
            time.sleep(action["delay"])
        if "stall" in action:
            time.sleep(action["stall"])
            self.close_now()
            return
        if action.get("drop"):
            self.close_now()
            return
        if "redirect" in action:
            self.send_body(action.get("status", 307), b"", [("Location", action["redirect"])])
            return
        status = action.get("status", 200)
        headers = [("Content-Type", "application/json")]
        if "bomb" in action:
            body = gzip.compress(b"\0" * action["bomb"], compresslevel=9)
            headers.append(("Content-Encoding", "gzip"))
        elif "oversize" in action:
            size = action["oversize"]
            body = b'{"pad":"' + b"a" * max(size - 10, 0) + b'"}'
        elif "body" in action:
            body = action["body"].encode("utf-8")
        elif "content" not in action and (
                google := self.google_default(action, request_body, record)) is not None:
            status = action.get("status", google[0])
            body = google[1].encode("utf-8")
        else:
            if "content" in action:
                content = action["content"]
            else:
                try:
                    messages = json.loads(request_body)["messages"]
                    with STATE.lock:
                        scale = STATE.answer_scale
                    content = filler_content(messages[-1]["content"], scale)
                except (ValueError, KeyError, TypeError, IndexError):
                    content = FILLER
            body = json.dumps({"choices": [{"message": {"role": "assistant",
                                                        "content": content}}]},
                              ensure_ascii=False).encode("utf-8")
        if action.get("gzip"):
            body = gzip.compress(body)
            headers.append(("Content-Encoding", "gzip"))
        if action.get("cut"):
            self.leave()
            self.send_response(status)
            for name, value in headers:
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(body) + 100))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.close_now()
            return
        self.send_body(status, body, headers)

    def close_now(self):
        self.leave()
        self.close_connection = True
        try:
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    context = None

    def get_request(self):
        sock, address = super().get_request()
        if self.context is not None:
            # The handshake runs in the handler's thread, on first read.
            sock = self.context.wrap_socket(sock, server_side=True,
                                            do_handshake_on_connect=False)
        return sock, address

    def handle_error(self, request, client_address):
        pass  # failed handshakes and dropped peers are what some tests make


def make_certificate(directory):
    cert = os.path.join(directory, "cert.pem")
    key = os.path.join(directory, "key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
         "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
         "-addext", "basicConstraints=critical,CA:TRUE",
         "-keyout", key, "-out", cert],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    return cert, key


def command(line):
    request = json.loads(line)
    with STATE.lock:
        if "script" in request:
            STATE.script = list(request["script"])
            return {"ok": True}
        if "log" in request:
            return {"requests": list(STATE.requests)}
        if "clear" in request:
            STATE.script = []
            STATE.requests = []
            STATE.at_barrier = 0
            return {"ok": True}
        if "expires_in" in request:
            STATE.expires_in = request["expires_in"]
            return {"ok": True}
        if "latency" in request:
            STATE.latency = request["latency"]
            return {"ok": True}
        if "answer_scale" in request:
            STATE.answer_scale = request["answer_scale"]
            return {"ok": True}
    if "make_key" in request:
        directory = tempfile.mkdtemp(prefix="zvk-token-key-")
        try:
            path = os.path.join(directory, "key.pem")
            subprocess.run(["openssl", "genpkey", "-algorithm", "RSA",
                            "-pkeyopt", "rsa_keygen_bits:2048", "-out", path],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=60)
            with open(path, encoding="ascii") as f:
                pem = f.read()
        finally:
            shutil.rmtree(directory, ignore_errors=True)
        from cryptography.hazmat.primitives.serialization import load_pem_private_key
        with STATE.lock:
            STATE.public_key = load_pem_private_key(pem.encode(), None).public_key()
        return {"pem": pem}
    return {"error": "unknown command"}


def main():
    tls = "--tls" in sys.argv[1:]
    directory = tempfile.mkdtemp(prefix="zvk-llm-server-")
    try:
        server = Server(("127.0.0.1", 0), Handler)
        cert = None
        if tls:
            cert, key = make_certificate(directory)
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(cert, key)
            server.context = context
        threading.Thread(target=server.serve_forever, daemon=True).start()
        print(json.dumps({"port": server.server_address[1], "cert": cert}), flush=True)
        for line in sys.stdin:
            if not line.strip():
                continue
            request = json.loads(line)
            if "quit" in request:
                break
            print(json.dumps(command(line), ensure_ascii=False), flush=True)
        server.shutdown()
    finally:
        shutil.rmtree(directory, ignore_errors=True)


class LlmServer:
    """The script as a child process, for pytest: `with LlmServer() as s:`."""

    def __init__(self, tls=False, timeout=30):
        args = [sys.executable, os.path.abspath(__file__)] + (["--tls"] if tls else [])
        self.process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True, encoding="utf-8")
        self.timeout = timeout
        first = self._read_line()
        self.port = first["port"]
        self.cert = first["cert"]
        self.base_url = f"{'https' if tls else 'http'}://127.0.0.1:{self.port}/v1"

    def _read_line(self):
        result = {}

        def read():
            result["line"] = self.process.stdout.readline()

        reader = threading.Thread(target=read, daemon=True)
        reader.start()
        reader.join(self.timeout)
        if not result.get("line"):
            self.close()
            raise RuntimeError("the stand-in service did not answer")
        return json.loads(result["line"])

    def command(self, request):
        self.process.stdin.write(json.dumps(request) + "\n")
        self.process.stdin.flush()
        return self._read_line()

    def requests(self):
        return self.command({"log": True})["requests"]

    def close(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.close()
                self.process.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait(timeout=10)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


if __name__ == "__main__":
    main()
