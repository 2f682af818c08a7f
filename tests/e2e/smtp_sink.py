#!/usr/bin/python3
"""A local SMTP server for the end-to-end tests and the benchmark.

Listens on 127.0.0.1 at a free port (printed as "PORT <n>"), accepts every
mail, and for each one prints a report block on stdout:

    MESSAGE
    from <hex>              envelope sender
    rcpt <hex>              one line per envelope recipient
    raw <path>              the message bytes as received
    defect <hex>            one line per defect Python's email package found
    header <hex> <hex>      name and decoded value, in message order
    body <hex>              decoded content of the first text/plain part, LF line ends
    attachment <hex> <hex> <path>   file name, content type, decoded bytes
    END

Texts are UTF-8, written as hex so that any byte survives. With --quiet
only "MESSAGE <size>" and "END" are printed (for benchmarks); a line "SAVE"
on stdin then writes the last message to <out>/last.eml and answers
"SAVED <path>". The server ends when stdin closes or on SIGTERM.

With --tls DIR it makes a test authority (DIR/ca.pem) and a certificate for
"localhost" with the openssl command, offers STARTTLS and takes mail only
after it and a login (AUTH PLAIN or LOGIN, user "ops", password "secret");
with --implicit as well, TLS starts right after the connect instead.
"""

import argparse
import asyncio
import os
import signal
import socket
import ssl
import subprocess
import sys
from email import message_from_bytes, policy

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def hexed(text):
    if isinstance(text, str):
        text = text.encode("utf-8", "surrogateescape")
    return text.hex() or "-"


class Handler:
    def __init__(self, out_dir, quiet, reject=None, drop_data=False):
        self.out_dir = out_dir
        self.quiet = quiet
        self.reject = reject
        self.drop_data = drop_data
        self.count = 0
        self.last = None

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.reject:
            return f"{self.reject} Recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.drop_data:
            # The message has come in but is never accepted.
            print("DROPPED", flush=True)
            server.transport.close()
            return "451 dropped"
        self.count += 1
        data = envelope.original_content or envelope.content
        if self.quiet:
            print(f"MESSAGE {len(data)}\nEND", flush=True)
            self.last = data
            return "250 OK"
        lines = ["MESSAGE", "from " + hexed(envelope.mail_from or "")]
        lines += ["rcpt " + hexed(r) for r in envelope.rcpt_tos]
        raw_path = os.path.join(self.out_dir, f"message-{self.count}.eml")
        with open(raw_path, "wb") as f:
            f.write(data)
        lines.append("raw " + raw_path)
        msg = message_from_bytes(data, policy=policy.default)
        defects = []
        for part in msg.walk():
            defects += [repr(d) for d in part.defects]
            for name, value in part.items():
                defects += [f"{name}: {d!r}" for d in getattr(value, "defects", ())]
        lines += ["defect " + hexed(d) for d in defects]
        for name, value in msg.items():
            lines.append(f"header {hexed(name)} {hexed(str(value))}")
        body = msg.get_body(preferencelist=("plain",))
        if body is not None:
            # The line ends of the wire (CR LF) read back as LF.
            lines.append("body " + hexed(body.get_content().replace("\r\n", "\n")))
        for index, part in enumerate(msg.iter_attachments()):
            content = part.get_content()
            if isinstance(content, str):
                content = content.encode("utf-8", "surrogateescape")
            elif not isinstance(content, bytes):  # an embedded message
                content = content.as_bytes(policy=policy.SMTP)
            path = os.path.join(self.out_dir, f"message-{self.count}-part-{index}.bin")
            with open(path, "wb") as f:
                f.write(content)
            lines.append(f"attachment {hexed(part.get_filename() or '')} "
                         f"{hexed(part.get_content_type())} {path}")
        lines.append("END")
        print("\n".join(lines), flush=True)
        return "250 OK"


def make_tls_context(folder):
    ca_key, ca = os.path.join(folder, "ca.key"), os.path.join(folder, "ca.pem")
    key, csr, cert = (os.path.join(folder, n) for n in ("server.key", "server.csr", "server.pem"))
    ext = os.path.join(folder, "san.ext")
    with open(ext, "w") as f:
        f.write("subjectAltName=DNS:localhost\n")
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    for args in (["req", "-x509", "-subj", "/CN=Sink Test Authority", "-days", "2",
                  "-keyout", ca_key, "-out", ca] + ec,
                 ["req", "-new", "-subj", "/CN=localhost", "-keyout", key, "-out", csr] + ec,
                 ["x509", "-req", "-in", csr, "-CA", ca, "-CAkey", ca_key, "-CAcreateserial",
                  "-days", "2", "-extfile", ext, "-out", cert]):
        subprocess.run(["openssl"] + args, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


def check_login(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and auth_data.login == b"ops" and \
        auth_data.password == b"secret"
    return AuthResult(success=ok, handled=False)  # a refusal gets the usual 535


async def serve(out_dir, quiet, tls_dir=None, implicit=False, port=0, reject=None,
                drop_data=False):
    loop = asyncio.get_running_loop()
    # With the protocol named, asyncio sets TCP_NODELAY on each accepted socket.
    # Without it every reply line after the first waits for the client's
    # delayed ACK (some 40 ms), so an EHLO reply took longer than the whole session.
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM, socket.IPPROTO_TCP)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("127.0.0.1", port))
    handler = Handler(out_dir, quiet, reject, drop_data)
    context = make_tls_context(tls_dir) if tls_dir else None
    options = {}
    if context:
        options = dict(authenticator=check_login, auth_required=True)
        if implicit:
            # aiosmtpd sees only its own STARTTLS as TLS; this connection is TLS from the start.
            options.update(auth_require_tls=False)
        else:
            options.update(tls_context=context, require_starttls=True)
    server = await loop.create_server(
        lambda: SMTP(handler, hostname="sink", data_size_limit=None, **options), sock=sock,
        ssl=context if implicit else None)
    print(f"PORT {sock.getsockname()[1]}", flush=True)
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, lambda: stop.done() or stop.set_result(None))
    def on_input():
        data = os.read(sys.stdin.fileno(), 4096)
        if not data:
            if not stop.done():
                stop.set_result(None)
        elif b"SAVE" in data and handler.last is not None:
            path = os.path.join(out_dir, "last.eml")
            with open(path, "wb") as f:
                f.write(handler.last)
            print(f"SAVED {path}", flush=True)

    loop.add_reader(sys.stdin.fileno(), on_input)
    await stop
    server.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=".")
    parser.add_argument("--quiet", action="store_true")
    parser.add_argument("--tls")
    parser.add_argument("--implicit", action="store_true")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--reject", help="the reply code to every RCPT, e.g. 550")
    parser.add_argument("--drop-data", action="store_true",
                        help="close the connection once the message has come in")
    args = parser.parse_args()
    asyncio.run(serve(args.out, args.quiet, args.tls, args.implicit, args.port, args.reject,
                      args.drop_data))


if __name__ == "__main__":
    main()
