"""Benchmarks of the table path: read_tables into a pyarrow.Table against
parse() plus reading every attribute, threads 2 against 1, and the peak
memory of read_tables.

    python bench/bench_tables.py [--size-mb 9] [--big-mb 100] [--runs 5] [--smoke]
                                 [--baseline DIR [--baseline-python PY] [--rounds 5]]

With --baseline, DIR holds another build of velmora and velmora_py (an
installed copy, as `pip install --target DIR` makes it): every figure is
then measured for both, in fresh processes that take turns, and each
figure is the median over the rounds. On a machine shared with other jobs
the turns keep both builds under the same load.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import gen_statement  # noqa: E402

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
    """parse() and then every attribute of every document: what a user of
    the objects pays to get all the data out."""
    import velmora
    import velmora_py

    statement = velmora_py.parse(data)
    for doc in statement.documents:
        for name in velmora.DOCUMENT_ATTRIBUTES:
            getattr(doc, name)


def timed_pair(first, second, runs):
    """Median wall and CPU seconds of each of two calls over `runs` turns,
    after one of each to warm up. The calls take turns, so that a machine
    whose speed drifts (a virtual machine sharing its host) slows both
    alike, and a ratio of the two stays meaningful."""
    first()
    second()
    walls, cpus = ([], []), ([], [])
    for _ in range(runs):
        for i, call in enumerate((first, second)):
            wall, cpu = time.perf_counter(), time.process_time()
            call()
            walls[i].append(time.perf_counter() - wall)
            cpus[i].append(time.process_time() - cpu)
    return [(statistics.median(w), statistics.median(c)) for w, c in zip(walls, cpus)]


def measure(single_path, many_paths, runs):
    """The figures of the velmora on this interpreter's path, in seconds."""
    import pyarrow as pa

    import velmora

    data = open(single_path, "rb").read()
    files = [open(p, "rb").read() for p in many_paths]

    figures = {}
    (figures["objects"], figures["objects_cpu"]), (figures["tables"], figures["tables_cpu"]) = timed_pair(
        lambda: parse_and_read_all(data), lambda: pa.table(velmora.read_tables(data).documents), runs)
    (figures["one"], _), (figures["two"], _) = timed_pair(
        lambda: velmora.read_tables(files, threads=1), lambda: velmora.read_tables(files, threads=2),
        3 * runs)
    return figures


CEILING_SCRIPT = """
import sys, time, velmora
files = [open(p, 'rb').read() for p in sys.argv[2:]]
velmora.read_tables(files, threads=1)
start = time.perf_counter()
for _ in range(int(sys.argv[1])):
    velmora.read_tables(files, threads=1)
print(time.perf_counter() - start)
"""


def machine_ceiling(python, env, many, runs):
    """What two cores give on this machine at all: the 8 files read on one
    thread by two processes at once against one process alone. Processes
    share no memory, so this is the best threads could do here."""
    command = [python, "-c", CEILING_SCRIPT, str(runs), *many]

    def run(processes):
        started = [subprocess.Popen(command, stdout=subprocess.PIPE, text=True, env=env)
                   for _ in range(processes)]
        return max(float(p.communicate()[0]) for p in started)

    return statistics.median(2 * run(1) / run(2) for _ in range(3))


def peak_ratio(path, python, env):
    size = os.path.getsize(path)
    out = subprocess.run([python, "-c", PEAK_SCRIPT, path], check=True, capture_output=True,
                         text=True, env=env).stdout.split()
    return (int(out[1]) - int(out[0])) / size


def write_inputs(folder, size_mb, big_mb):
    """The statements as files, so that every process reads the same bytes."""
    def write(name, size):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(gen_statement.generate(int(size), "utf-8"))
        return path

    single = write("single.txt", size_mb * 1e6)
    quarter = write("quarter.txt", size_mb * 1e6 / 4)
    big = write("big.txt", big_mb * 1e6)
    return single, [quarter] * 8, big


def environment(path_dir):
    env = dict(os.environ)
    if path_dir:
        env["PYTHONPATH"] = path_dir
    else:
        env.pop("PYTHONPATH", None)
    return env


def run_worker(python, env, single, many, runs):
    command = [python, os.path.abspath(__file__), "--worker", single, *many, "--runs", str(runs)]
    out = subprocess.run(command, check=True, capture_output=True, text=True, env=env).stdout
    return json.loads(out)


def report(size, big_size, results, peaks, ceilings):
    labels = list(results)
    med = {label: {k: statistics.median(r[k] for r in rounds) for k in rounds[0]}
           for label, rounds in results.items()}
    mb = lambda seconds: size / seconds / 1e6  # noqa: E731
    head = "".join(f"{label:>12}" for label in labels)
    print(f"statement: {size / 1e6:.1f} MB UTF-8; medians of {len(results[labels[0]])} round(s)")
    print(f"{'':44}{head}")
    print(f"{'parse() + 53 getattr per document (MB/s)':44}"
          + "".join(f"{mb(med[l]['objects']):12.0f}" for l in labels))
    print(f"{'read_tables -> pyarrow.Table (MB/s)':44}"
          + "".join(f"{mb(med[l]['tables']):12.0f}" for l in labels))
    print(f"{'  x parse()+getattr of the same build':44}"
          + "".join(f"{med[l]['objects'] / med[l]['tables']:11.2f}x" for l in labels))
    first = labels[0]
    print(f"{'  x parse()+getattr of ' + first:44}"
          + "".join(f"{med[first]['objects'] / med[l]['tables']:11.2f}x" for l in labels))
    print(f"{'  the same by CPU time':44}"
          + "".join(f"{med[l]['objects_cpu'] / med[l]['tables_cpu']:11.2f}x" for l in labels))
    print(f"{'8 files, threads=1 (ms)':44}" + "".join(f"{med[l]['one'] * 1e3:12.1f}" for l in labels))
    print(f"{'8 files, threads=2 (ms)':44}" + "".join(f"{med[l]['two'] * 1e3:12.1f}" for l in labels))
    print(f"{'  threads=2 speed-up':44}"
          + "".join(f"{med[l]['one'] / med[l]['two']:11.2f}x" for l in labels))
    print(f"{'  two processes at once (the machine)':44}"
          + "".join(f"{ceilings[l]:11.2f}x" for l in labels))
    print(f"{f'peak memory, {big_size / 1e6:.0f} MB statement (x input)':44}"
          + "".join(f"{peaks[l]:11.2f}x" for l in labels))
    print(f"load average while measuring: {' '.join(f'{x:.1f}' for x in os.getloadavg())}")


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--size-mb", type=float, default=9)
    parser.add_argument("--big-mb", type=float, default=100)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--smoke", action="store_true")
    parser.add_argument("--baseline", help="a folder holding the build to compare with")
    parser.add_argument("--baseline-python", default=sys.executable)
    parser.add_argument("--worker", nargs="+", help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    if args.worker:
        print(json.dumps(measure(args.worker[0], args.worker[1:], args.runs)))
        return
    if args.smoke:
        args.size_mb, args.big_mb, args.runs, args.rounds = 0.5, 2, 1, 1

    builds = {"this": (sys.executable, environment(os.environ.get("PYTHONPATH")))}
    if args.baseline:
        builds = {"before": (args.baseline_python, environment(args.baseline)), "after": builds["this"]}
    with tempfile.TemporaryDirectory() as folder:
        single, many, big = write_inputs(folder, args.size_mb, args.big_mb)
        results = {label: [] for label in builds}
        for _ in range(args.rounds):
            for label, (python, env) in builds.items():
                results[label].append(run_worker(python, env, single, many, args.runs))
        peaks = {label: peak_ratio(big, python, env) for label, (python, env) in builds.items()}
        ceilings = {label: machine_ceiling(python, env, many, 3 * args.runs)
                    for label, (python, env) in builds.items()}
        report(os.path.getsize(single), os.path.getsize(big), results, peaks, ceilings)


if __name__ == "__main__":
    main()
