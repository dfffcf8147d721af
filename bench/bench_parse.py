"""Benchmarks of velmora_py.parse against a pure-Python parser.

    python bench/bench_parse.py [--size-mb 20] [--big-mb 100] [--runs 5]
                                [--core-bench build/bench/bench/velmora_core_bench]

Prints one table of medians (after a warm-up run); `--smoke` runs every
measurement once on a small input, as CI does.
"""

import argparse
import json
import os
import pathlib
import platform
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import gen_statement  # noqa: E402
import pure_python_parser  # noqa: E402
import velmora_py  # noqa: E402


def median_seconds(call, runs):
    call()  # warm-up
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def mb_per_s(size, seconds):
    return size / seconds / 1e6


def section_count(data):
    statement = velmora_py.parse(data)
    intervals = sum(len(account.intervals) for account in statement.accounts.values())
    return len(statement.documents) + len(statement.warnings) + intervals


def threads_throughput(data, threads, runs, parses_per_thread=8):
    """MB/s of `threads` threads each parsing its own copy of `data` over and
    over, as the workers of a pool do: a thread started for a single parse
    would mostly measure the kernel faulting in its fresh heap's pages, which
    serialises across threads."""
    copies = [bytes(bytearray(data)) for _ in range(threads)]

    def parse_repeatedly(copy):
        for _ in range(parses_per_thread):
            velmora_py.parse(copy)

    def run_all():
        workers = [threading.Thread(target=parse_repeatedly, args=(c,)) for c in copies]
        for w in workers:
            w.start()
        for w in workers:
            w.join()

    return len(data) * threads * parses_per_thread / median_seconds(run_all, runs) / 1e6


PEAK_SCRIPT = """
import sys, velmora_py

def peak():
    for line in open('/proc/self/status'):
        if line.startswith('VmHWM:'):
            return int(line.split()[1]) * 1024

data = open(sys.argv[1], 'rb').read()
if sys.argv[2] == 'str':
    data = data.decode('utf-8')
size = sys.getsizeof(data)
# Reading the file may have doubled its buffer on the way; start the peak
# from here (writing 5 to clear_refs resets the peak resident size).
with open('/proc/self/clear_refs', 'w') as f:
    f.write('5')
before = peak()
statement = velmora_py.parse(data)
# parse(str) reads the str's UTF-8 form, which CPython caches on the str.
print(before, peak(), sys.getsizeof(data) - size)
"""


def peak_memory(size_mb, encoding, kind="bytes"):
    """Peak resident memory of a fresh process parsing one statement: above
    the input (the input's own bytes excluded), the whole process, and what
    the parse left on the input object, each relative to the file's size."""
    with tempfile.NamedTemporaryFile(suffix=".txt") as f:
        f.write(gen_statement.generate(int(size_mb * 1e6), encoding))
        f.flush()
        return peak_memory_of_file(f.name, kind)


def peak_memory_of_file(path, kind="bytes"):
    """peak_memory for a statement file; the child process runs this
    interpreter with this process's environment (and so its velmora_py)."""
    size = os.path.getsize(path)
    out = subprocess.run([sys.executable, "-c", PEAK_SCRIPT, str(path), kind], check=True,
                         capture_output=True, text=True).stdout.split()
    before, after, left = map(int, out)
    return size, (after - before) / size, after / size, left / size


def noop_hook(section_type, attrs, header):
    return None


def changing_hook(section_type, attrs, header):
    if "Номер" in attrs:
        attrs["Номер"] = attrs["Номер"] + "-1"


def hook_cost(data, hook, runs, plain_seconds=None):
    """What one hook adds to a parse, in seconds per section."""
    if plain_seconds is None:
        plain_seconds = median_seconds(lambda: velmora_py.parse(data), runs)
    hooked = median_seconds(lambda: velmora_py.parse(data, [hook]), runs)
    return (hooked - plain_seconds) / section_count(data)


def core_seconds(core_bench, utf8_path, cp1251_path):
    out = subprocess.run([core_bench, utf8_path, cp1251_path, "--benchmark_filter=parse/",
                          "--benchmark_format=json", "--benchmark_repetitions=5",
                          "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    result = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            result[b["run_name"]] = b["real_time"] / 1e3  # milliseconds
    return result


def machine():
    model = "unknown CPU"
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    return f"{model}, {os.cpu_count()} cores, {platform.python_implementation()} {platform.python_version()}"


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--size-mb", type=float, default=20)
    parser.add_argument("--big-mb", type=float, default=100)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--core-bench")
    parser.add_argument("--smoke", action="store_true")
    args = parser.parse_args(argv)
    if args.smoke:
        args.size_mb, args.big_mb, args.runs = 0.2, 0.5, 1

    utf8 = gen_statement.generate(int(args.size_mb * 1e6), "utf-8")
    cp1251 = gen_statement.generate(int(args.size_mb * 1e6), "cp1251")
    text = utf8.decode("utf-8")
    runs = args.runs
    rows = []

    def row(name, value, unit, note=""):
        rows.append((name, value, unit, note))

    t_utf8 = median_seconds(lambda: velmora_py.parse(utf8), runs)
    t_cp = median_seconds(lambda: velmora_py.parse(cp1251), runs)
    t_str = median_seconds(lambda: velmora_py.parse(text), runs)
    t_pure = median_seconds(lambda: pure_python_parser.parse(utf8), max(1, runs // 2))
    row("parse(bytes), UTF-8", mb_per_s(len(utf8), t_utf8), "MB/s")
    row("parse(bytes), windows-1251", mb_per_s(len(cp1251), t_cp), "MB/s",
        f"{t_utf8 / t_cp * len(cp1251) / len(utf8):.2f} of UTF-8")
    row("parse(str)", mb_per_s(len(utf8), t_str), "MB/s")
    row("pure-Python parser, UTF-8", mb_per_s(len(utf8), t_pure), "MB/s",
        f"velmora is {t_pure / t_utf8:.1f}x faster")

    sections = section_count(utf8)
    for name, hook in (("no-op hook", noop_hook), ("hook changing a value", changing_hook)):
        row(f"with one {name}", hook_cost(utf8, hook, runs, t_utf8) * 1e6, "us/section",
            f"{sections} sections")

    one = threads_throughput(utf8, 1, runs)
    for n in (1, 2, 4):
        total = one if n == 1 else threads_throughput(utf8, n, runs)
        row(f"{n} thread(s), separate copies", total, "MB/s", f"{total / one:.2f}x one thread")

    for encoding, kind, name in (("utf-8", "bytes", "UTF-8 bytes"), ("cp1251", "bytes", "windows-1251 bytes"),
                                 ("utf-8", "str", "str")):
        size, above, process, left = peak_memory(args.big_mb, encoding, kind)
        row(f"peak RSS above input, {name}", above, "x input", f"{size / 1e6:.0f} MB statement")
        row(f"process peak RSS, {name}", process, "x input", "interpreter and input included")
        if kind == "str":
            row("UTF-8 copy left on the str", left, "x input", "kept until the str is freed")

    if args.core_bench:
        with tempfile.TemporaryDirectory() as tmp:
            u, c = pathlib.Path(tmp, "u.txt"), pathlib.Path(tmp, "c.txt")
            u.write_bytes(utf8)
            c.write_bytes(cp1251)
            core = core_seconds(args.core_bench, str(u), str(c))
        if "parse/utf8" in core:
            share = core["parse/utf8"] / t_utf8
            row("core share of parse(bytes), UTF-8", share * 100, "%",
                f"conversion into Python objects {100 - share * 100:.0f} %")

    print(f"machine: {machine()}")
    print(f"input: {len(utf8) / 1e6:.1f} MB UTF-8, {len(cp1251) / 1e6:.1f} MB windows-1251; "
          f"medians of {runs} runs after a warm-up")
    width = max(len(r[0]) for r in rows)
    for name, value, unit, note in rows:
        print(f"{name:<{width}}  {value:>10.2f} {unit:<11} {note}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
