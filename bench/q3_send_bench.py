#!/usr/bin/python3
"""quorvane3 delivery benchmark (run by hand).

Usage: bench/q3_send_bench.py [build/bin/quorvane3]

1. Compose and deliver one mail with a 10 MB attachment: the time from
   starting quorvane3 on a job file until the local SMTP sink has the whole
   message, against Python's smtplib sending the very same message bytes to
   the same sink, measured in this script. Prints both medians and the ratio.
2. Start-to-exit time of quorvane3 for a small mail (median and spread).

The sink is tests/e2e/smtp_sink.py (Python's aiosmtpd) in its own process
on 127.0.0.1.
"""

import os
import select
import smtplib
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


class Sink:
    def __init__(self, out_dir):
        self.proc = subprocess.Popen(["/usr/bin/python3", SINK, "--quiet", "--out", out_dir],
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


def write_job(path, port, log_dir, attachment=b"", subject=b"Benchmark"):
    texts = [b"127.0.0.1", b"", b"Bench <bench@example.org>", b"", b"Sender <sender@example.org>", b"",
             subject, b"Benchmark body.\r\nSecond line.\r\n", attachment, log_dir.encode() + b",0,Bench"]
    offsets, data = [], b""
    for t in texts:
        offsets.append((96 + len(data), len(t)))
        data += t
    (host, spare, to, cc, frm, reply, subj, body, att, ctl) = offsets
    head = struct.pack("<Ii", 0, 0) + struct.pack("<III", *host, port) + struct.pack("<III", *spare, 0)
    for field in (to, cc, frm, reply, subj, body, att, ctl):
        head += struct.pack("<II", *field)
    with open(path, "wb") as f:
        f.write(head + data)


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "build", "bin", "quorvane3")
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

    q3, ref = statistics.median(q3_times), statistics.median(ref_times)
    print(f"10 MB attachment, message of {size} bytes, median of {ROUNDS_BIG}:")
    print(f"  quorvane3 compose + deliver : {q3 * 1000:8.1f} ms")
    print(f"  Python smtplib, same bytes  : {ref * 1000:8.1f} ms")
    print(f"  ratio quorvane3 / smtplib   : {q3 / ref:8.2f}")
    print(f"small mail, start to exit, {ROUNDS_SMALL} runs: median {statistics.median(small) * 1000:.1f} ms, "
          f"min {min(small) * 1000:.1f} ms, max {max(small) * 1000:.1f} ms")


if __name__ == "__main__":
    main()
