#!/usr/bin/python3
"""Loopback SMTP servers for the mail tests (aiosmtpd), on free ports of 127.0.0.1 only.

Servers: plain (AUTH without TLS), starttls (STARTTLS required before AUTH and MAIL),
implicit (TLS from the first byte), idle (plain, closes a connection idle for 0.5 s), reset (accepts and resets every connection).
Accounts: every login whose password is right; the authenticator answers a wrong password
with "535 5.7.8 Incorrect authentication data".
A sender "stale" gets 421 for a second MAIL on one connection.
Recipients whose local part is "unknown", "full" or "closing" are refused with 550, 552 or
421. Every accepted message is written to OUT/NNNN.eml (the bytes as received) with
OUT/NNNN.env (peer port, sender, recipients, one a line).
Prints one line "plain=P starttls=P implicit=P idle=P reset=P" when ready; exits when stdin closes.
"""
import argparse
import logging
import email
import email.policy
import os
import socket
import ssl
import struct
import sys
import threading
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

HOST = "127.0.0.1"
warnings.filterwarnings("ignore", category=DeprecationWarning)
logging.disable(logging.WARNING)


def free_port():
    with socket.socket() as s:
        s.bind((HOST, 0))
        return s.getsockname()[1]


class Handler:
    def __init__(self, out, lock):
        self.out = out
        self.lock = lock

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        # A sender "stale@..." gets one message per connection: the next MAIL on the same
        # connection is answered 421 with the connection left open, as a server does whose
        # idle time-out the client has not read yet.
        count = getattr(session, "liga_mails", 0)
        session.liga_mails = count + 1
        if address.split("@")[0].lower() == "stale" and count >= 1:
            return "421 4.4.2 Idle timeout, closing connection"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        local = address.split("@")[0].lower()
        if local == "unknown":
            return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
        if local == "full":
            return "552 5.2.2 <%s>: Mailbox full" % address
        if local == "closing":
            return "421 4.3.0 Service not available, closing connection"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            n = len([f for f in os.listdir(self.out) if f.endswith(".eml")]) + 1
            base = os.path.join(self.out, "%04d" % n)
            with open(base + ".eml.tmp", "wb") as f:
                f.write(envelope.original_content)
            with open(base + ".env", "w") as f:
                f.write("%d\n%s\n" % (session.peer[1], envelope.mail_from))
                for r in envelope.rcpt_tos:
                    f.write(r + "\n")
            with open(base + ".sum", "w", encoding="utf-8") as f:
                f.write(summary(envelope.original_content))
            os.rename(base + ".eml.tmp", base + ".eml")
        return "250 2.0.0 Message accepted for delivery"


def summary(raw):
    """What a mail reader sees: the decoded subject, the header names, and every leaf part
    as type|disposition|file name|payload in hex."""
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    lines = ["subject=" + str(msg["subject"])]
    for name in msg.keys():
        lines.append("header=" + name)
    for name in ("to", "cc", "from", "reply-to", "disposition-notification-to", "x-priority"):
        if msg[name] is not None:
            lines.append(name + "=" + str(msg[name]).replace("\n", " ").replace("\r", ""))
    for part in msg.walk():
        if part.is_multipart():
            lines.append("multipart=" + part.get_content_type())
            continue
        payload = part.get_payload(decode=True) or b""
        lines.append("part=%s|%s|%s|%s|%s" % (
            part.get_content_type(), part.get_content_disposition() or "",
            part.get_filename() or "", part.get("Content-ID", ""), payload.hex()))
    return "\n".join(lines) + "\n"


def make_authenticator(password):
    def authenticator(server, session, envelope, mechanism, auth_data):
        if getattr(auth_data, "password", b"").decode() == password:
            return AuthResult(success=True)
        return AuthResult(success=False, handled=False,
                          message="535 5.7.8 Incorrect authentication data")
    return authenticator


def reset_server(port):
    srv = socket.socket()
    srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    srv.bind((HOST, port))
    srv.listen(8)

    def loop():
        while True:
            try:
                conn, _ = srv.accept()
            except OSError:
                return
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            conn.close()
    threading.Thread(target=loop, daemon=True).start()
    return srv


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", required=True)
    ap.add_argument("--cert", required=True)
    ap.add_argument("--key", required=True)
    ap.add_argument("--password", required=True)
    a = ap.parse_args()

    tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    tls.load_cert_chain(a.cert, a.key)
    lock = threading.Lock()
    auth = make_authenticator(a.password)
    ports = {}
    controllers = []

    def start(name, **kw):
        for _ in range(5):
            port = free_port()
            c = Controller(Handler(a.out, lock), hostname=HOST, port=port,
                           authenticator=auth, server_hostname="localhost", **kw)
            try:
                c.start()
            except Exception:
                continue
            controllers.append(c)
            ports[name] = port
            return
        raise SystemExit("no free port for " + name)

    start("plain", auth_require_tls=False)
    start("starttls", tls_context=tls, require_starttls=True, auth_require_tls=True)
    start("implicit", ssl_context=tls, auth_require_tls=False)
    start("idle", auth_require_tls=False, timeout=0.5)
    ports["reset"] = free_port()
    reset = reset_server(ports["reset"])

    sys.stdout.write(" ".join("%s=%d" % kv for kv in ports.items()) + "\n")
    sys.stdout.flush()
    sys.stdin.read()
    reset.close()
    for c in controllers:
        c.stop()


if __name__ == "__main__":
    main()
