"""Peak memory of a parse for statements of different shapes.

    python bench/memory_shapes.py [--size-mb 20] [--core-peak build/bench/bench/velmora_core_peak]

Each shape is written in UTF-8 and in windows-1251 and parsed in a fresh
process; the figure is the peak resident memory above what the process held
with the input loaded, as a multiple of the input size: for the core alone
(`velmora_core_peak`, when given) and for `velmora_py.parse`, which holds the
result objects at the end. The bound is 4x for every shape.
"""

import argparse
import datetime
import os
import subprocess
import sys
import tempfile

import gen_statement

PY_PEAK_SCRIPT = """
import sys, velmora_py

def peak():
    for line in open('/proc/self/status'):
        if line.startswith('VmHWM:'):
            return int(line.split()[1]) * 1024

data = open(sys.argv[1], 'rb').read()
with open('/proc/self/clear_refs', 'w') as f:
    f.write('5')
before = peak()
statement = velmora_py.parse(data)
print(len(data), (peak() - before) / len(data))
"""

HEADER = "1CClientBankExchange\nВерсияФормата=1.03\nКодировка=Windows\n"


def fill(section, size):
    """A statement of about `size` bytes (as UTF-8) made of one repeated
    section; `section(i)` gives the i-th."""
    parts = [HEADER]
    total = len(HEADER.encode())
    i = 0
    while total < size:
        s = section(i)
        parts.append(s)
        total += len(s.encode())
        i += 1
    parts.append("КонецФайла\n")
    return "".join(parts)


def minimal_document(i):
    # The thirteen required keys with the shortest values that build.
    return (f"СекцияДокумент=П\nНомер={i % 1000}\nДата=01.02.2024\nСумма=1\n"
            "НазначениеПлатежа=x\nПлательщикИНН=1\nПлательщикБИК=1\nПлательщикБанк1=1\n"
            "ПлательщикСчет=1\nПолучательИНН=1\nПолучательСчет=1\nПолучательБИК=1\n"
            "ПолучательБанк1=1\nКонецДокумента\n")


def bare_document(i):
    # No attributes at all: a warning per section.
    return "СекцияДокумент=\nКонецДокумента\n"


def huge_value_document(i):
    return minimal_document(i).replace("НазначениеПлатежа=x", "НазначениеПлатежа=" + "ю" * 500_000)


def account_section(i):
    start = (datetime.date(1900, 1, 1) + datetime.timedelta(days=i)).strftime("%d.%m.%Y")
    return f"СекцияРасчСчет\nДатаНачала={start}\nРасчСчет=1\nНачальныйОстаток=1\nКонецРасчСчет\n"


def shapes(size):
    realistic = gen_statement.generate(size, "utf-8").decode()
    return [
        ("realistic export", realistic),
        ("minimal documents", fill(minimal_document, size)),
        ("empty documents (warnings)", fill(bare_document, size)),
        ("huge values", fill(huge_value_document, size)),
        ("many account sections", fill(account_section, size)),
    ]


def encode(text, encoding):
    if encoding == "cp1251":
        return text.replace("\n", "\r\n").encode("cp1251")
    return text.encode("utf-8")


def measure(command, path):
    out = subprocess.run(command + [path], check=True, capture_output=True, text=True).stdout.split()
    return float(out[1])


def rows(size, core_peak=None):
    """(shape, encoding, input bytes, core ratio or None, Python ratio)."""
    result = []
    for name, text in shapes(size):
        for encoding in ("utf-8", "cp1251"):
            data = encode(text, encoding)
            with tempfile.NamedTemporaryFile(suffix=".txt") as f:
                f.write(data)
                f.flush()
                core = measure([core_peak], f.name) if core_peak else None
                python = measure([sys.executable, "-c", PY_PEAK_SCRIPT], f.name)
            result.append((name, encoding, len(data), core, python))
    return result


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--size-mb", type=float, default=20)
    parser.add_argument("--core-peak")
    args = parser.parse_args(argv)
    print_table(rows(int(args.size_mb * 1e6), args.core_peak))
    return 0


def print_table(table):
    print("peak resident memory above the input, as a multiple of the input size")
    print(f"{'shape':<28} {'encoding':<8} {'input':>9} {'core':>6} {'parse':>6}")
    for name, encoding, size, core, python in table:
        core_text = f"{core:5.2f}x" if core is not None else "     -"
        print(f"{name:<28} {encoding:<8} {size / 1e6:>7.1f}MB {core_text} {python:5.2f}x")
    worst_core = max((r[3] for r in table if r[3] is not None), default=None)
    worst_py = max(r[4] for r in table)
    print(f"worst: core {worst_core if worst_core is None else round(worst_core, 2)}x, "
          f"parse {worst_py:.2f}x (bound 4x)")


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    sys.exit(main())
