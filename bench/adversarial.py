"""Crafted statements that once took quadratic time, timed at three sizes.

    python bench/adversarial.py [--scale 1.0] [--runs 3]
    python bench/adversarial.py --write-seeds fuzz/seeds

Each variant is parsed at sizes N, 2N and 4N; the table gives the parse
times and time(4N) / time(N), which stays near 4 when the work is linear
(the target is at most 5). `--smoke` uses small sizes and one run.

a. account sections of one number with one start date and distinct
   balances (each merge once compared every earlier interval of that date);
b. header keys that all hash to one value under the unkeyed hash the
   attribute map used before (one probe run through the whole table);
c. one account section with very many keys, then many small sections
   (each clear() once wiped the huge slot table), without and with a hook;
d. a large header and many sections under a no-op hook (each hook call
   gets a fresh header dictionary: the size of the header grows the cost of
   a section, N only the number of sections).
"""

import argparse
import pathlib
import random
import sys
import time

MAGIC = "1CClientBankExchange\nВерсияФормата=1.03\nКодировка=UTF-8\n"
ACCOUNT = "40702810900000000001"


def account_section(start, amount, extra=""):
    return (f"СекцияРасчСчет\nДатаНачала={start}\nРасчСчет={ACCOUNT}\n"
            f"НачальныйОстаток={amount}\n{extra}КонецРасчСчет\n")


def document_section(number):
    return (f"СекцияДокумент=Платежное поручение\nНомер={number}\nДата=01.02.2024\n"
            f"Сумма={number}.00\nПлательщикИНН=7700000000\nПолучательИНН=7800000000\n"
            "КонецДокумента\n")


def day(i):
    # Distinct dates, in order: day i after 1 January 2000.
    import datetime
    return (datetime.date(2000, 1, 1) + datetime.timedelta(days=i)).strftime("%d.%m.%Y")


def same_start_balances(n):
    """a: n intervals of one account, one start date, distinct balances whose
    trailing zeros made each old comparison normalise twenty digits."""
    parts = [MAGIC]
    for i in range(n):
        parts.append(account_section("01.01.2024", f"{i + 1}.{'0' * 20}"))
    parts.append("КонецФайла\n")
    return "".join(parts).encode()


# The attribute map's hash before it was keyed: one multiply-xorshift step
# per eight bytes, invertible, and the same in every process.
MUL = 0x9E3779B97F4A7C15
MASK = (1 << 64) - 1
SAFE = [b for b in range(0x21, 0x7F) if b != ord("=")]


def old_step(state, word):
    h = ((state ^ word) * MUL) & MASK
    return h ^ (h >> 29)


def colliding_blocks(count, rng):
    """`count` pairs of 16-byte printable blocks; from one state, both blocks
    of a pair lead to the same state, so any choice of one block per pair
    gives keys of one old hash: 2**count keys."""
    pairs = []
    state = old_initial(16 * count)
    for _ in range(count):
        while True:
            x1 = bytes(rng.choice(SAFE) for _ in range(8))
            y1 = bytes(rng.choice(SAFE) for _ in range(8))
            if x1 == y1:
                continue
            sx = old_step(state, int.from_bytes(x1, "little"))
            sy = old_step(state, int.from_bytes(y1, "little"))
            diff = (sx ^ sy).to_bytes(8, "little")
            if all(d < 0x80 for d in diff):
                break
        # Second words with x2 ^ y2 == diff make the two states equal.
        x2 = bytearray()
        y2 = bytearray()
        for d in diff:
            a = next(a for a in SAFE if (a ^ d) in SAFE)
            x2.append(a)
            y2.append(a ^ d)
        pairs.append((x1 + bytes(x2), y1 + bytes(y2)))
        state = old_step(old_step(state, int.from_bytes(x1, "little")), int.from_bytes(x2, "little"))
    return pairs


def old_initial(length):
    return (length * MUL) & MASK


def colliding_header(n):
    """b: a header of n distinct keys that the old hash sent to one slot."""
    rng = random.Random(20)
    bits = max(1, (n - 1).bit_length())
    pairs = colliding_blocks(bits, rng)
    parts = [MAGIC.encode()]
    for i in range(n):
        key = b"".join(pair[(i >> k) & 1] for k, pair in enumerate(pairs))
        parts.append(key + b"=" + str(i).encode() + b"\n")
    parts.append(account_section("01.01.2024", "1").encode())
    parts.append("КонецФайла\n".encode())
    return b"".join(parts)


def huge_then_small(n):
    """c: one account section of 20 n keys, then 10 n small sections."""
    extra = "".join(f"K{i}=v\n" for i in range(20 * n))
    parts = [MAGIC, account_section("01.01.2000", "1", extra)]
    for i in range(1, 10 * n):
        parts.append(account_section(day(i), "1"))
    parts.append("КонецФайла\n")
    return "".join(parts).encode()


def huge_then_documents(n):
    """c with a hook: the same outsized section, then small documents."""
    extra = "".join(f"K{i}=v\n" for i in range(20 * n))
    parts = [MAGIC, account_section("01.01.2000", "1", extra)]
    parts.extend(document_section(i) for i in range(n))
    parts.append("КонецФайла\n")
    return "".join(parts).encode()


def large_header_sections(n, header_keys=2000):
    """d: a header of 2000 keys, then n small documents."""
    parts = ["1CClientBankExchange\n"]
    parts.extend(f"Заголовок{i}=значение {i}\n" for i in range(header_keys))
    parts.extend(document_section(i) for i in range(n))
    parts.append("КонецФайла\n")
    return "".join(parts).encode()


def noop(section_type, attrs, header):
    return None


# name, generator, N at full scale, hook
VARIANTS = [
    ("a. same start, distinct balances", same_start_balances, 4000, None),
    ("b. header keys of one old hash", colliding_header, 4000, None),
    ("c. huge section, then small ones", huge_then_small, 4000, None),
    ("c. the same, documents, no-op hook", huge_then_documents, 1000, noop),
    ("d. large header, no-op hook", large_header_sections, 250, noop),
]

# Small versions for the fuzzers' seed corpus (a few KB each).
SEEDS = [
    ("adversarial_same_start.txt", lambda: same_start_balances(40)),
    ("adversarial_old_hash_header.txt", lambda: colliding_header(32)),
    ("adversarial_huge_section.txt", lambda: huge_then_small(4)),
    ("adversarial_large_header.txt", lambda: large_header_sections(20, header_keys=60)),
]


def best_seconds(call, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return min(times)


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--smoke", action="store_true")
    parser.add_argument("--write-seeds", metavar="DIR")
    args = parser.parse_args(argv)
    if args.write_seeds:
        out = pathlib.Path(args.write_seeds)
        out.mkdir(parents=True, exist_ok=True)
        for name, make in SEEDS:
            (out / name).write_bytes(make())
        return 0
    if args.smoke:
        args.scale, args.runs = 0.1, 3

    import velmora_py

    print("adversarial inputs: parse time at N, 2N, 4N (best of "
          f"{args.runs}); linear work gives a ratio near 4, the bound is 5")
    width = max(len(v[0]) for v in VARIANTS)
    print(f"{'variant':<{width}}  {'4N input':>9}  {'N':>8} {'2N':>8} {'4N':>8}  ratio")
    worst = 0.0
    for name, make, base, hook in VARIANTS:
        n = max(4, int(base * args.scale))
        hooks = [hook] if hook else None
        times = []
        for k in (1, 2, 4):
            data = make(n * k)
            velmora_py.parse(data, hooks)  # warm-up, and the input must parse
            times.append(best_seconds(lambda: velmora_py.parse(data, hooks), args.runs))
        ratio = times[2] / times[0]
        worst = max(worst, ratio)
        print(f"{name:<{width}}  {len(data) / 1e6:>7.2f}MB  "
              + " ".join(f"{t * 1e3:>6.1f}ms" for t in times) + f"  {ratio:5.2f}")
    print(f"worst ratio {worst:.2f} (bound 5)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
