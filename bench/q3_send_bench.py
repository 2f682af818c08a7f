#!/usr/bin/python3
"""quorvane3 delivery benchmark (run by hand).

Usage: bench/q3_send_bench.py [build/bin/quorvane3]

1. Compose and deliver one mail with a 10 MB attachment: the time from
   starting quorvane3 on a job file until the local SMTP sink has the whole
   message, against Python's smtplib sending the very same message bytes to
   the same sink, measured in this script. Prints both medians and the ratio.
2. Start-to-exit time of quorvane3 for a small mail (median and spread).
3. A small mail over STARTTLS with AUTH, from starting quorvane3 until the
   sink has it, against smtplib's starttls() and login() sending the same
   mail to the same sink, in the same run.
4. The same small mail over STARTTLS with AUTH to the tests' private Postfix
   (its submission service, SASL through Dovecot): quorvane3 from start to
   exit against smtplib's starttls() and login() until its session has ended,
   each round waiting for the delivery into the Maildir before the next one.

The sink is tests/e2e/smtp_sink.py (Python's aiosmtpd) in its own process
on 127.0.0.1; for part 3 a second one with TLS and a required login. Part 4
runs bench/q3_postfix_server of the benchmark build (as root, which Postfix's
master needs); it is skipped with a note where it cannot start.
"""

import os
import select
import smtplib
import ssl
import statistics
import struct
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SINK = os.path.join(TOP, "tests", "e2e", "smtp_sink.py")
ROUNDS_BIG = 5
ROUNDS_SMALL = 30
ROUNDS_TLS = 20
ROUNDS_POSTFIX = 20


class Sink:
    def __init__(self, out_dir, extra=()):
        self.proc = subprocess.Popen(["/usr/bin/python3", SINK, "--quiet", "--out", out_dir, *extra],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
        self.pending = b""
        self.port = int(self.line(20).split()[1])

    def line(self, bound):
        while b"\n" not in self.pending:
            ready, _, _ = select.select([self.proc.stdout], [], [], bound)
            chunk = os.read(self.proc.stdout.fileno(), 65536) if ready else b""
            if not chunk:
                raise RuntimeError("the SMTP sink did not answer")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode().strip()

    def wait_message(self, bound=120):
        while True:
            line = self.line(bound)
            if line.startswith("MESSAGE"):
                self.line(bound)  # END
                return int(line.split()[1])

    def save_last(self):
        self.proc.stdin.write(b"SAVE\n")
        self.proc.stdin.flush()
        return self.line(20).split()[1]

    def stop(self):
        self.proc.stdin.close()
        self.proc.terminate()
        self.proc.wait(10)


def extension(security, user, password):
    """The job's security extension and its trailer (see mailer/job/job_extension.h)."""
    body = struct.pack("<I", security) + struct.pack("<I", len(user)) + user
    return body + struct.pack("<I", len(password)) + password


def write_job(path, port, log_dir, attachment=b"", subject=b"Benchmark", host=b"127.0.0.1",
              login=None):
    texts = [host, b"", b"Bench <bench@example.org>", b"", b"Sender <sender@example.org>", b"",
             subject, b"Benchmark body.\r\nSecond line.\r\n", attachment, log_dir.encode() + b",0,Bench"]
    offsets, data = [], b""
    for t in texts:
        offsets.append((96 + len(data), len(t)))
        data += t
    (host, spare, to, cc, frm, reply, subj, body, att, ctl) = offsets
    head = struct.pack("<Ii", 0, 0) + struct.pack("<III", *host, port) + struct.pack("<III", *spare, 0)
    for field in (to, cc, frm, reply, subj, body, att, ctl):
        head += struct.pack("<II", *field)
    job = head + data
    if login:
        ext = extension(*login)
        job += ext + struct.pack("<II", len(job), len(ext)) + b"Q3X1"
    with open(path, "wb") as f:
        f.write(job)


class Postfix:
    """bench/q3_postfix_server: runs while its standard input stays open."""

    def __init__(self, server):
        self.proc = subprocess.Popen([server], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True)
        ready, _, _ = select.select([self.proc.stdout], [], [], 60)
        words = self.proc.stdout.readline().split(" ", 5) if ready else ["ERROR", "no answer"]
        if words[0] != "READY":
            self.stop()
            raise RuntimeError(" ".join(words).strip())
        self.port = int(words[1])
        self.authority, self.delivered = words[4], words[5].strip()

    def wait_delivery(self, count, bound=60):
        deadline = time.monotonic() + bound
        # The Maildir's folders appear with its first mail.
        while len(os.listdir(self.delivered) if os.path.isdir(self.delivered) else ()) < count:
            if time.monotonic() > deadline:
                raise RuntimeError("Postfix delivered nothing")
            time.sleep(0.005)

    def stop(self):
        self.proc.stdin.close()
        self.proc.wait(60)


def postfix_round(program, server, work, env, message):
    """Part 4: quorvane3 and smtplib timings against the private Postfix;
    smtplib sends `message`, the bytes quorvane3 made of the same job."""
    postfix = Postfix(server)
    try:
        env = dict(env, QUORVANE3_CA_FILE=postfix.authority)
        job = os.path.join(work, "postfix-job")
        q3_times, ref_times, count = [], [], 0
        for _ in range(ROUNDS_POSTFIX):
            write_job(job, postfix.port, work, host=b"localhost", login=(1, b"ops", b"secret"))
            start = time.perf_counter()
            subprocess.run([program, job], env=env, check=True)
            q3_times.append(time.perf_counter() - start)
            count += 1
            postfix.wait_delivery(count)
        for _ in range(ROUNDS_POSTFIX):
            start = time.perf_counter()
            context = ssl.create_default_context(cafile=postfix.authority,
                                                 capath=ssl.get_default_verify_paths().openssl_capath)
            with smtplib.SMTP("localhost", postfix.port) as client:
                client.starttls(context=context)
                client.login("ops", "secret")
                client.sendmail("sender@example.org", ["bench@example.org"], message)
            ref_times.append(time.perf_counter() - start)
            count += 1
            postfix.wait_delivery(count)
        return q3_times, ref_times
    finally:
        postfix.stop()


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "build", "bin", "quorvane3")
    server = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(program))), "bench",
                          "q3_postfix_server")
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, TMPDIR=work, QUORVANE3_INI=os.path.join(work, "none.ini"))
        sink = Sink(work)
        try:
            attachment = os.path.join(work, "big.bin")
            with open(attachment, "wb") as f:
                f.write(os.urandom(10 * 1024 * 1024))
            job = os.path.join(work, "job")

            q3_times, size = [], 0
            for _ in range(ROUNDS_BIG):
                write_job(job, sink.port, work, attachment.encode())
                start = time.perf_counter()
                subprocess.run([program, job], env=env, check=True)
                size = sink.wait_message()
                q3_times.append(time.perf_counter() - start)
            message = open(sink.save_last(), "rb").read()

            ref_times = []
            for _ in range(ROUNDS_BIG):
                start = time.perf_counter()
                with smtplib.SMTP("127.0.0.1", sink.port) as client:
                    client.sendmail("sender@example.org", ["bench@example.org"], message)
                sink.wait_message()
                ref_times.append(time.perf_counter() - start)

            small = []
            for _ in range(ROUNDS_SMALL):
                write_job(job, sink.port, work)
                start = time.perf_counter()
                subprocess.run([program, job], env=env, check=True)
                small.append(time.perf_counter() - start)
                sink.wait_message()
        finally:
            sink.stop()

        tls_dir = os.path.join(work, "tls")
        os.mkdir(tls_dir)
        tls_sink = Sink(work, ["--tls", tls_dir])
        env["QUORVANE3_CA_FILE"] = os.path.join(tls_dir, "ca.pem")
        # Both sides trust the system's store as Debian ships it (the hashed
        # folder) plus the test authority; a bundle named in the environment
        # would be parsed whole on every mail.
        for variable in ("SSL_CERT_FILE", "SSL_CERT_DIR"):
            env.pop(variable, None)
        try:
            tls_q3 = []
            for _ in range(ROUNDS_TLS):
                write_job(job, tls_sink.port, work, host=b"localhost", login=(1, b"ops", b"secret"))
                start = time.perf_counter()
                subprocess.run([program, job], env=env, check=True)
                tls_sink.wait_message()
                tls_q3.append(time.perf_counter() - start)
            small_message = open(tls_sink.save_last(), "rb").read()
            tls_ref = []
            for _ in range(ROUNDS_TLS):
                start = time.perf_counter()
                # Like the one-shot sender, each mail sets up the trusted authorities anew.
                context = ssl.create_default_context(cafile=env["QUORVANE3_CA_FILE"],
                                                     capath=ssl.get_default_verify_paths().openssl_capath)
                with smtplib.SMTP("localhost", tls_sink.port) as client:
                    client.starttls(context=context)
                    client.login("ops", "secret")
                    client.sendmail("sender@example.org", ["bench@example.org"], small_message)
                tls_sink.wait_message()
                tls_ref.append(time.perf_counter() - start)
        finally:
            tls_sink.stop()

        try:
            postfix = postfix_round(program, server, work, env, small_message)
        except (OSError, RuntimeError) as error:
            postfix = None
            print(f"(no Postfix round: {error})")

    q3, ref = statistics.median(q3_times), statistics.median(ref_times)
    print(f"10 MB attachment, message of {size} bytes, median of {ROUNDS_BIG}:")
    print(f"  quorvane3 compose + deliver : {q3 * 1000:8.1f} ms")
    print(f"  Python smtplib, same bytes  : {ref * 1000:8.1f} ms")
    print(f"  ratio quorvane3 / smtplib   : {q3 / ref:8.2f}")
    print(f"small mail, start to exit, {ROUNDS_SMALL} runs: median {statistics.median(small) * 1000:.1f} ms, "
          f"min {min(small) * 1000:.1f} ms, max {max(small) * 1000:.1f} ms")
    tq3, tref = statistics.median(tls_q3), statistics.median(tls_ref)
    print(f"small mail over STARTTLS + AUTH, median of {ROUNDS_TLS}:")
    print(f"  quorvane3 start to delivered : {tq3 * 1000:8.1f} ms")
    print(f"  smtplib starttls + login     : {tref * 1000:8.1f} ms")
    print(f"  ratio quorvane3 / smtplib    : {tq3 / tref:8.2f}")
    if postfix:
        pq3, pref = (statistics.median(times) for times in postfix)
        print(f"small mail to Postfix's submission service, STARTTLS + AUTH, median of {ROUNDS_POSTFIX}:")
        print(f"  quorvane3 start to exit      : {pq3 * 1000:8.1f} ms")
        print(f"  smtplib starttls + login     : {pref * 1000:8.1f} ms")
        print(f"  ratio quorvane3 / smtplib    : {pq3 / pref:8.2f}")


if __name__ == "__main__":
    main()
