"""Benchmarks of the table path: read_tables into a pyarrow.Table against
parse() plus reading every attribute, threads 2 against 1, and the peak
memory of read_tables.

    python bench/bench_tables.py [--size-mb 9] [--big-mb 100] [--runs 5] [--smoke]
"""

import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import gen_statement  # noqa: E402
import pyarrow as pa  # noqa: E402
from bench_parse import mb_per_s, median_seconds  # noqa: E402

import velmora  # noqa: E402
import velmora_py  # noqa: E402

PEAK_SCRIPT = """
import sys, velmora, pyarrow

def peak():
    for line in open('/proc/self/status'):
        if line.startswith('VmHWM:'):
            return int(line.split()[1]) * 1024

data = open(sys.argv[1], 'rb').read()
with open('/proc/self/clear_refs', 'w') as f:
    f.write('5')
before = peak()
table = pyarrow.table(velmora.read_tables(data).documents)
print(before, peak())
"""


def parse_and_read_all(data):
    statement = velmora_py.parse(data)
    for doc in statement.documents:
        for name in velmora.DOCUMENT_ATTRIBUTES:
            getattr(doc, name)


def peak_ratio(size_mb):
    with tempfile.NamedTemporaryFile(suffix=".txt") as f:
        f.write(gen_statement.generate(int(size_mb * 1e6), "utf-8"))
        f.flush()
        size = os.path.getsize(f.name)
        out = subprocess.run([sys.executable, "-c", PEAK_SCRIPT, f.name], check=True,
                             capture_output=True, text=True).stdout.split()
    return size, (int(out[1]) - int(out[0])) / size


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--size-mb", type=float, default=9)
    parser.add_argument("--big-mb", type=float, default=100)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--smoke", action="store_true")
    args = parser.parse_args(argv)
    if args.smoke:
        args.size_mb, args.big_mb, args.runs = 0.5, 2, 1

    data = gen_statement.generate(int(args.size_mb * 1e6), "utf-8")
    size = len(data)
    objects = median_seconds(lambda: parse_and_read_all(data), args.runs)
    tables = median_seconds(lambda: pa.table(velmora.read_tables(data).documents), args.runs)
    print(f"statement: {size / 1e6:.1f} MB UTF-8")
    print(f"parse() + 53 getattr per document: {mb_per_s(size, objects):8.0f} MB/s")
    print(f"read_tables -> pyarrow.Table:      {mb_per_s(size, tables):8.0f} MB/s"
          f"  ({objects / tables:.1f}x)")

    files = [gen_statement.generate(int(args.size_mb * 1e6 / 4), "utf-8") for _ in range(8)]
    one = median_seconds(lambda: velmora.read_tables(files, threads=1), args.runs)
    two = median_seconds(lambda: velmora.read_tables(files, threads=2), args.runs)
    print(f"8 files, threads=1: {one * 1e3:8.1f} ms; threads=2: {two * 1e3:8.1f} ms  ({one / two:.2f}x)")

    big, ratio = peak_ratio(args.big_mb)
    print(f"peak memory of read_tables on {big / 1e6:.0f} MB: {ratio:.2f}x the input")


if __name__ == "__main__":
    main()
