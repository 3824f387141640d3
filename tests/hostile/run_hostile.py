#!/usr/bin/env python3
"""Runs the tool on hostile inputs of up to 100 MB and reports, for each, the
exit status, whether the result is the sound one, the time and the peak
resident memory. Usage: run_hostile.py [build folder, default build]"""
import os
import random
import subprocess
import sys
import tempfile

MB = 1 << 20
build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../../build")
tool = os.path.join(build, "quorvel")
measure = os.path.join(build, "quorvel_measure")


def read_as_text(raw):
    """CR LF as LF, and nothing after a 0x1A."""
    cut = raw.find(b"\x1a")
    if cut >= 0:
        raw = raw[:cut]
    return raw.replace(b"\r\n", b"\n")


def same_lines(raw, out):
    """Sound for input the tool copies: the text, with CR LF line ends."""
    return out == read_as_text(raw).replace(b"\n", b"\r\n")


def line_count_kept(raw, out):
    """Sound for arbitrary bytes: one line out for each line in."""
    text = read_as_text(raw)
    lines_in = text.count(b"\n") + (0 if text.endswith(b"\n") or not text else 1)
    lines_out = out.count(b"\r\n") + (0 if out.endswith(b"\r\n") or not out else 1)
    return lines_in == lines_out


def random_bytes(n, seed):
    """Random bytes without 0x1A, which would end the input at once."""
    rng = random.Random(seed)
    return rng.randbytes(n).replace(b"\x1a", b"\x1b")


cases = [
    ("100 MB of random bytes, -hl", "-hl", lambda: random_bytes(100 * MB, 1), line_count_kept),
    ("100 MB of random bytes, -source", "-source", lambda: random_bytes(100 * MB, 2), line_count_kept),
    ("100 MB with no line feed", "-hl", lambda: b"triangles " + b"7 " * (50 * MB), same_lines),
    ("10 million blanks, then nine numbers", "-hl",
     lambda: b"triangles\n" + b" " * 10_000_000 + b"3 1 2 3 0 0 1 0.5 0.5\n", same_lines),
    ("a million lines of tr", "-source", lambda: b"tr\n" * 1_000_000, same_lines),
    ("millions of CR bytes", "-hl", lambda: b"\r" * (20 * MB), same_lines),
    ("a file of NUL bytes", "-hl", lambda: b"\0" * (20 * MB), same_lines),
    ("a single 0x1A", "-hl", lambda: b"\x1a", lambda raw, out: out == b""),
]

with tempfile.TemporaryDirectory() as work:
    src = os.path.join(work, "in.smd")
    dst = os.path.join(work, "out.smd")
    print(f"{'case':42} {'status':>6} {'sound':>6} {'seconds':>8} {'peak RSS':>10}")
    for name, switch, make, sound in cases:
        with open(src, "wb") as f:
            f.write(make())
        result = subprocess.run([measure, tool, switch, src, dst], capture_output=True, text=True, check=True)
        status, seconds, peak_kib = result.stdout.split()
        with open(src, "rb") as f:
            raw = f.read()
        with open(dst, "rb") as f:
            out = f.read()
        ok = sound(raw, out)
        del raw, out
        print(f"{name:42} {status:>6} {'yes' if ok else 'NO':>6} {float(seconds):>8.2f} "
              f"{int(peak_kib) / 1024:>8.1f} MB")
