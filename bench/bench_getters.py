"""Getters and the conversion of velmora_py, before and after, in one run.

    python bench/bench_getters.py [--before /work/baseline/py] [--after DIR]
                                  [--size-mb 9] [--rounds 5] [--smoke]

"after" is the velmora_py this interpreter imports (or the one in --after);
"before" is the one
found on the path given by --before (a built module and package, such as
the previous commit's); without --before only "after" is measured. Each
round runs one fresh process per side, alternating, on the same generated
UTF-8 statement; the table holds the medians over the rounds and the ratio
after / before (for times, before / after, so above 1 is better).

Figures of one process:
- a getter of a 60-100-character Cyrillic `purpose`, of a Cyrillic `payee`,
  of a short ASCII `doc_number`, of an absent optional, and a plain
  `__slots__` attribute of a Python object as the floor (ns per read, best
  of several timeit repeats, the timeit loop included);
- reading all 53 attributes of every document of a parsed statement with
  `getattr` (ns per read, the loop included);
- `parse()` of the statement, and `parse()` plus reading all 53 attributes
  of every document (MB/s of input);
- `parse(bytes)` by two threads on separate copies against one thread.

Single-threaded figures are CPU time of the process (best or median), so
that other jobs on a shared machine inflate them less; the thread ratio is
wall-clock time.
"""

import argparse
import json
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time
import timeit

HERE = pathlib.Path(__file__).resolve().parent


class Slotted:
    __slots__ = ("value",)

    def __init__(self):
        self.value = "x"


# Single-threaded figures are timed in the process's CPU time, which other
# jobs on a shared machine do not inflate; the thread figure needs the wall
# clock.
def best_ns(statement, obj, number, repeat):
    timer = timeit.Timer(statement, timer=time.process_time, globals={"d": obj})
    return min(timer.repeat(number=number, repeat=repeat)) / number * 1e9


def median_seconds(call, runs, clock=time.process_time):
    call()  # warm-up
    times = []
    for _ in range(runs):
        start = clock()
        call()
        times.append(clock() - start)
    return statistics.median(times)


def pick_document(documents):
    """A document whose purpose is 60-100 characters of Cyrillic text."""
    for doc in documents:
        p = doc.purpose
        if 60 <= len(p) <= 100 and max(map(ord, p)) <= 0xFFFF and any(
                "\u0400" <= c <= "\u04ff" for c in p) and doc.payee:
            return doc
    raise SystemExit("no document with a 60-100-character Cyrillic purpose")


def child(path, runs, smoke):
    import velmora_py
    from bench_parse import threads_throughput
    from bench_tables import parse_and_read_all

    data = pathlib.Path(path).read_bytes()
    names = [n for n in velmora_py.Document.__dict__ if not n.startswith("_")]
    assert len(names) == 53, names
    statement = velmora_py.parse(data)
    doc = pick_document(statement.documents)
    absent = next(n for n in names if getattr(doc, n) is None)
    number, repeat = (2000, 3) if smoke else (200_000, 15)
    figures = {
        "purpose_ns": best_ns("d.purpose", doc, number, repeat),
        "payee_ns": best_ns("d.payee", doc, number, repeat),
        "doc_number_ns": best_ns("d.doc_number", doc, number, repeat),
        "absent_ns": best_ns(f"d.{absent}", doc, number, repeat),
        "slot_ns": best_ns("d.value", Slotted(), number, repeat),
        "purpose_chars": len(doc.purpose),
        "payee_chars": len(doc.payee),
    }

    def parse_only():
        velmora_py.parse(data)

    documents = statement.documents

    def read_all():
        for d in documents:
            for name in names:
                getattr(d, name)

    figures["read_all_ns"] = median_seconds(read_all, runs) / (len(documents) * len(names)) * 1e9
    figures["parse_mbs"] = len(data) / median_seconds(parse_only, runs) / 1e6
    figures["parse_read_all_mbs"] = len(data) / median_seconds(lambda: parse_and_read_all(data), runs) / 1e6

    one = threads_throughput(data, 1, runs)
    figures["two_threads_ratio"] = threads_throughput(data, 2, runs) / one
    print(json.dumps(figures))


ROWS = [  # key, label, unit, higher is better
    ("purpose_ns", "getter, Cyrillic purpose ({purpose_chars} chars)", "ns", False),
    ("payee_ns", "getter, Cyrillic payee ({payee_chars} chars)", "ns", False),
    ("doc_number_ns", "getter, short ASCII doc_number", "ns", False),
    ("absent_ns", "getter, absent optional (None)", "ns", False),
    ("slot_ns", "plain __slots__ attribute (floor)", "ns", False),
    ("read_all_ns", "getattr of all 53 attributes, per read", "ns", False),
    ("parse_mbs", "parse(bytes), UTF-8", "MB/s", True),
    ("parse_read_all_mbs", "parse() + all 53 attributes, UTF-8", "MB/s", True),
    ("two_threads_ratio", "2 threads vs 1, parse(bytes)", "x", True),
]


def run_side(pythonpath, path, runs, smoke):
    env = dict(os.environ)
    if pythonpath is not None:
        env["PYTHONPATH"] = pythonpath + os.pathsep + env.get("PYTHONPATH", "")
    args = [sys.executable, __file__, "--child", path, "--runs", str(runs)]
    if smoke:
        args.append("--smoke")
    out = subprocess.run(args, env=env, check=True, stdout=subprocess.PIPE, text=True).stdout
    return json.loads(out.strip().splitlines()[-1])


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--before", help="path of the module to compare against")
    parser.add_argument("--after", help="path of the module to measure (default: the one "
                        "this interpreter imports)")
    parser.add_argument("--size-mb", type=float, default=9)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--runs", type=int, default=5, help="timed runs per figure in a process")
    parser.add_argument("--smoke", action="store_true", help="one quick round on a small input")
    parser.add_argument("--child", help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    if args.child:
        return child(args.child, args.runs, args.smoke)
    if args.smoke:
        args.size_mb, args.rounds, args.runs = min(args.size_mb, 0.5), 1, 1

    sys.path.insert(0, str(HERE))
    import gen_statement

    sides = [("after", args.after)] + ([("before", args.before)] if args.before else [])
    results = {name: [] for name, _ in sides}
    with tempfile.NamedTemporaryFile(suffix=".txt") as f:
        f.write(gen_statement.generate(int(args.size_mb * 1e6), "utf-8"))
        f.flush()
        for r in range(args.rounds):
            # Alternate which side goes first, so drift in the machine's load
            # does not favour one.
            for name, path in (sides if r % 2 == 0 else sides[::-1]):
                results[name].append(run_side(path, f.name, args.runs, args.smoke))

    medians = {name: {k: statistics.median(x[k] for x in rs) for k in rs[0]}
               for name, rs in results.items()}
    after = medians["after"]
    before = medians.get("before")
    print(f"{args.size_mb:g} MB UTF-8 statement, {args.rounds} rounds, medians; "
          f"{sys.version.split()[0]}{' free-threaded' if not getattr(sys, '_is_gil_enabled', lambda: True)() else ''}")
    print(f"{'figure':48} {'before':>10} {'after':>10} {'gain':>7}")
    for key, label, unit, higher in ROWS:
        label = label.format(**{k: int(v) for k, v in after.items() if k.endswith("_chars")})
        b = f"{before[key]:10.2f}" if before else f"{'-':>10}"
        gain = ""
        if before:
            gain = f"{(after[key] / before[key] if higher else before[key] / after[key]):6.2f}x"
        print(f"{label + ' (' + unit + ')':48} {b} {after[key]:10.2f} {gain:>7}")


if __name__ == "__main__":
    sys.exit(main())
