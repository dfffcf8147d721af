"""The performance table of the second rung: every figure before (the module
and core benchmark of an earlier commit, built by tools/baseline.sh) and
after (this checkout), measured in one run, in alternating fresh processes,
as medians over the rounds.

    python bench/perf_table.py --baseline-py DIR --baseline-core BENCH --core BENCH
                               [--ft-python PATH --ft-baseline-py DIR]
                               [--size-mb 9] [--memory-mb 50] [--rounds 5] [--runs 5]
                               [--smoke]

DIR is the folder tools/baseline.sh prints (its velmora_py comes first on
PYTHONPATH for "before"); "after" is the velmora_py this interpreter imports
without it. --ft-python is a free-threaded interpreter with this checkout's
module installed and --ft-baseline-py the baseline built for it; without
them the free-threaded row says why it was not measured. `--smoke` runs
every measurement once on tiny inputs.
"""

import argparse
import json
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import timeit

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import gen_statement  # noqa: E402

SIDES = ("before", "after")


class Row:
    """One figure of the table: where its value comes from, how it is shown
    and when it meets its target (given before and after)."""

    def __init__(self, key, name, unit, target, met, digits=2):
        self.key, self.name, self.unit, self.target, self.met = key, name, unit, target, met
        self.digits = digits


ROWS = [
    Row("attrs_mbps", "parse() + all attributes of every document, UTF-8", "MB/s",
        "≥ 2× before", lambda b, a: a >= 2 * b, 0),
    Row("getter_ns", "getter of a Cyrillic value of {getter_chars} characters", "ns", "≤ 80 ns",
        lambda b, a: a <= 80, 0),
    Row("parse_pct", "parse(bytes) UTF-8, of the memchr line scan", "%", "≥ 20 %",
        lambda b, a: a >= 20, 1),
    Row("core_pct", "core parse_statement UTF-8, of the memchr line scan", "%", "≥ 25 %",
        lambda b, a: a >= 25, 1),
    Row("cp1251_ratio", "windows-1251 vs UTF-8, bytes/s", "×", "≥ 0.70",
        lambda b, a: a >= 0.70),
    Row("threads_ratio", "2 threads vs 1, parse(bytes)", "×", "≥ 1.85×",
        lambda b, a: a >= 1.85),
    Row("ft_threads_ratio", "2 threads vs 1, free-threaded 3.13t", "×", "≥ 1.9×",
        lambda b, a: a >= 1.9),
    Row("hook_us", "one no-op hook, per section", "µs", "≤ 8 µs", lambda b, a: a <= 8),
    Row("rss_above", "peak RSS above the input", "× input", "≤ 1.5×", lambda b, a: a <= 1.5),
]


# ---- measurements, each run in a fresh process of the side it measures ----

def cyrillic_value(statement):
    """A document and the 60-100-character, mostly Cyrillic purpose it
    holds."""
    for doc in statement.documents:
        text = doc.purpose or ""
        if 60 <= len(text) <= 100 and sum(c >= "\u0400" for c in text) * 2 >= len(text):
            return doc, len(text)
    raise SystemExit("perf_table: the statement has no 60-100-character Cyrillic purpose")


def getter_ns(doc):
    timer = timeit.Timer("doc.purpose", globals={"doc": doc})
    number = 20000
    return min(timer.repeat(repeat=7, number=number)) / number * 1e9


def measure_speed(paths, runs):
    import bench_parse
    import velmora_py
    from bench_tables import parse_and_read_all

    utf8, cp1251 = paths["utf8"].read_bytes(), paths["cp1251"].read_bytes()
    t_utf8 = bench_parse.median_seconds(lambda: velmora_py.parse(utf8), runs)
    t_cp = bench_parse.median_seconds(lambda: velmora_py.parse(cp1251), runs)
    t_attrs = bench_parse.median_seconds(lambda: parse_and_read_all(utf8), runs)
    doc, chars = cyrillic_value(velmora_py.parse(utf8))
    return {
        "parse_mbps": bench_parse.mb_per_s(len(utf8), t_utf8),
        "cp1251_ratio": bench_parse.mb_per_s(len(cp1251), t_cp) / bench_parse.mb_per_s(len(utf8), t_utf8),
        "attrs_mbps": bench_parse.mb_per_s(len(utf8), t_attrs),
        "hook_us": bench_parse.hook_cost(utf8, bench_parse.noop_hook, runs, t_utf8) * 1e6,
        "getter_ns": getter_ns(doc),
        "getter_chars": chars,
    }


def measure_threads(paths, runs):
    import bench_parse

    utf8 = paths["utf8"].read_bytes()
    one = bench_parse.threads_throughput(utf8, 1, runs)
    return {"threads_ratio": bench_parse.threads_throughput(utf8, 2, runs) / one}


def measure_memory(paths, runs):
    import bench_parse

    return {"rss_above": bench_parse.peak_memory_of_file(paths["memory"], "bytes")[1]}


GROUPS = {"speed": measure_speed, "threads": measure_threads, "memory": measure_memory}


def worker(group, paths, runs):
    import velmora_py

    result = GROUPS[group](paths, runs)
    result["module"] = velmora_py.__file__
    print(json.dumps(result))


# ---- the run: alternating processes, medians ----

def run_worker(python, baseline_py, side, group, paths, runs):
    env = dict(os.environ)
    env.pop("PYTHONPATH", None)
    if side == "before":
        env["PYTHONPATH"] = str(baseline_py)
    args = [python, str(pathlib.Path(__file__).resolve()), "--worker", group, "--runs", str(runs)]
    for name, path in paths.items():
        args += [f"--{name}", str(path)]
    done = subprocess.run(args, env=env, capture_output=True, text=True)
    if done.returncode != 0:
        raise SystemExit(f"perf_table: the {side} {group} process failed:\n{done.stderr}")
    result = json.loads(done.stdout.strip().splitlines()[-1])
    # The sides must really be two different modules.
    module = pathlib.Path(result.pop("module")).resolve()
    if module.is_relative_to(pathlib.Path(baseline_py).resolve()) != (side == "before"):
        raise SystemExit(f"perf_table: the {side} process imported the wrong module, {module}")
    return result


def core_figures(bench, paths, smoke):
    args = [bench, str(paths["utf8"]), str(paths["cp1251"]),
            "--benchmark_filter=^(limit/memchr_lines|parse/utf8)$", "--benchmark_format=json"]
    if smoke:
        args.append("--benchmark_min_time=0.01")
    out = json.loads(subprocess.run(args, check=True, capture_output=True, text=True).stdout)
    speed = {b["name"]: b["bytes_per_second"] for b in out["benchmarks"]}
    return {"memchr_mbps": speed["limit/memchr_lines"] / 1e6,
            "core_pct": speed["parse/utf8"] / speed["limit/memchr_lines"] * 100}


def collect(args, paths):
    samples = {side: [] for side in SIDES}
    core = {"before": args.baseline_core, "after": args.core}
    for round_ in range(args.rounds):
        # Alternate which side goes first, so that a drift of the machine
        # does not favour one of them.
        order = SIDES if round_ % 2 == 0 else SIDES[::-1]
        for side in order:
            figures = core_figures(core[side], paths, args.smoke)
            for group in GROUPS:
                figures.update(run_worker(sys.executable, args.baseline_py, side, group, paths, args.runs))
            samples[side].append(figures)
    return {side: {key: statistics.median(s[key] for s in samples[side]) for key in samples[side][0]}
            for side in SIDES}


def free_threaded(args, paths):
    """The two-thread ratio on the free-threaded interpreter, or the reason
    it was not measured."""
    if args.smoke:
        return None, "not measured (--smoke)"
    if not args.ft_python or not args.ft_baseline_py:
        return None, "not measured: no free-threaded interpreter with both builds given"
    check = "import sysconfig, velmora_py; assert sysconfig.get_config_var('Py_GIL_DISABLED')"
    if subprocess.run([args.ft_python, "-c", check], capture_output=True).returncode != 0:
        return None, f"not measured: {args.ft_python} is not free-threaded or lacks velmora_py"
    samples = {side: [] for side in SIDES}
    for round_ in range(args.rounds):
        for side in SIDES if round_ % 2 == 0 else SIDES[::-1]:
            result = run_worker(args.ft_python, args.ft_baseline_py, side, "threads", paths, args.runs)
            samples[side].append(result["threads_ratio"])
    return {side: statistics.median(samples[side]) for side in SIDES}, ""


def show(value, digits):
    return f"{value:,.{digits}f}".replace(",", " ")


def print_table(figures, ft, ft_note):
    for side in SIDES:
        figures[side]["parse_pct"] = figures[side]["parse_mbps"] / figures[side]["memchr_mbps"] * 100
        if ft is not None:
            figures[side]["ft_threads_ratio"] = ft[side]
    lines = [("Figure", "before", "after", "target", "met?")]
    for row in ROWS:
        name = row.name.format(getter_chars=int(figures["after"]["getter_chars"]))
        if row.key not in figures["after"]:
            lines.append((name, "—", "—", row.target, ft_note))
            continue
        before, after = figures["before"][row.key], figures["after"][row.key]
        lines.append((name, f"{show(before, row.digits)} {row.unit}", f"{show(after, row.digits)} {row.unit}",
                      row.target, "yes" if row.met(before, after) else "no"))
    widths = [max(len(line[i]) for line in lines) for i in range(5)]
    for n, line in enumerate(lines):
        print("| " + " | ".join(cell.ljust(w) for cell, w in zip(line, widths)) + " |")
        if n == 0:
            print("|" + "|".join("-" * (w + 2) for w in widths) + "|")


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--baseline-py")
    parser.add_argument("--baseline-core")
    parser.add_argument("--core")
    parser.add_argument("--ft-python")
    parser.add_argument("--ft-baseline-py")
    parser.add_argument("--size-mb", type=float, default=9)
    parser.add_argument("--memory-mb", type=float, default=50)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--smoke", action="store_true")
    parser.add_argument("--worker", choices=sorted(GROUPS))
    for name in ("utf8", "cp1251", "memory"):
        parser.add_argument(f"--{name}", type=pathlib.Path)
    args = parser.parse_args(argv)
    if args.worker:
        worker(args.worker, {"utf8": args.utf8, "cp1251": args.cp1251, "memory": args.memory}, args.runs)
        return 0
    for required in ("baseline_py", "baseline_core", "core"):
        if getattr(args, required) is None:
            parser.error(f"--{required.replace('_', '-')} is required")
    if args.smoke:
        args.size_mb, args.memory_mb, args.rounds, args.runs = 0.2, 1, 1, 1

    import bench_parse

    with tempfile.TemporaryDirectory() as tmp:
        paths = {"utf8": pathlib.Path(tmp, "u.txt"), "cp1251": pathlib.Path(tmp, "c.txt"),
                 "memory": pathlib.Path(tmp, "m.txt")}
        paths["utf8"].write_bytes(gen_statement.generate(int(args.size_mb * 1e6), "utf-8"))
        paths["cp1251"].write_bytes(gen_statement.generate(int(args.size_mb * 1e6), "cp1251"))
        paths["memory"].write_bytes(gen_statement.generate(int(args.memory_mb * 1e6), "utf-8"))
        figures = collect(args, paths)
        ft, ft_note = free_threaded(args, paths)
        print(f"machine: {bench_parse.machine()}")
        print(f"before: {args.baseline_py}; after: this checkout")
        print(f"input: {paths['utf8'].stat().st_size / 1e6:.1f} MB UTF-8, "
              f"{paths['cp1251'].stat().st_size / 1e6:.1f} MB windows-1251, "
              f"{paths['memory'].stat().st_size / 1e6:.0f} MB for the memory; medians of {args.rounds} "
              f"rounds of alternating fresh processes, {args.runs} runs each")
        print_table(figures, ft, ft_note)
    return 0


if __name__ == "__main__":
    sys.exit(main())
