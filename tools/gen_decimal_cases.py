#!/usr/bin/env python3
"""Writes tests/core/parser/decimal_cases.inc: amount texts with the text the
parsed amount renders to, or a refusal.

The expected results come from exact decimal arithmetic: a candidate result is
the exact written value rounded to a scale, and the largest scale whose
mantissa fits 96 bits wins. This differs in method from the digit-by-digit
parser it checks, so the two can catch each other's mistakes.

Usage: gen_decimal_cases.py [output path]
"""

import decimal
import pathlib
import random
import re
import sys
from decimal import Decimal as D

MAX_MANTISSA = 2**96 - 1
MAX_SCALE = 28
U32_MAX = 2**32 - 1

CONTEXT = decimal.Context(prec=2000, Emax=10**6, Emin=-(10**6))
PLAIN_BODY = re.compile(r"\.?[0-9][0-9_.]*")
EXPONENT = re.compile(r"([+-]?)([0-9]+)")


def best_fit(value, top_scale, rounding):
    """Rounds value at scales top_scale, top_scale-1, ..., 0 and returns
    (mantissa, scale) for the first one whose mantissa fits, else None."""
    for scale in range(top_scale, -1, -1):
        q = value.quantize(D(1).scaleb(-scale, CONTEXT), rounding=rounding, context=CONTEXT)
        mantissa = int(q.scaleb(scale, CONTEXT).copy_abs())
        if mantissa <= MAX_MANTISSA:
            return mantissa, scale
    return None


def plain(text):
    """(negative, mantissa, scale) of the plain form, or None."""
    negative = text.startswith("-")
    body = text[1:] if text[:1] in ("+", "-") else text
    if not PLAIN_BODY.fullmatch(body) or body.count(".") > 1:
        return None
    integral, _, fraction = body.replace("_", "").partition(".")
    if int(integral or "0") > MAX_MANTISSA:
        return None
    exact = D((integral or "0") + "." + (fraction or "0"), CONTEXT)
    fit = best_fit(exact, min(len(fraction), MAX_SCALE), decimal.ROUND_HALF_UP)
    if fit is None:
        return None
    return negative, fit[0], fit[1]


def scientific(text):
    marker = re.search("[eE]", text)
    if marker is None:
        return None
    base = plain(text[: marker.start()])
    exponent = EXPONENT.fullmatch(text[marker.start() + 1 :])
    if base is None or exponent is None:
        return None
    negative, mantissa, scale = base
    n = int(exponent.group(2))
    if n > U32_MAX:
        return None
    if exponent.group(1) == "-":
        return (negative, mantissa, scale + n) if scale + n <= MAX_SCALE else None
    if n <= scale:
        return negative, mantissa, scale - n
    if n > MAX_SCALE:
        return None
    value = D(mantissa).scaleb(n - scale, CONTEXT)
    fit = best_fit(value, scale, decimal.ROUND_HALF_EVEN)
    if fit is None:
        return None
    return negative, fit[0], fit[1]


def expected(text):
    result = plain(text) or scientific(text)
    if result is None:
        return None
    negative, mantissa, scale = result
    rendered = format(D(mantissa).scaleb(-scale, CONTEXT), "f")
    return ("-" if negative and mantissa != 0 else "") + rendered


def digits(rng, count, alphabet="0123456789"):
    return "".join(rng.choice(alphabet) for _ in range(count))


def with_underscores(rng, text):
    """Inserts "_" at random places after the first digit."""
    first = next((i for i, c in enumerate(text) if c.isdigit()), None)
    if first is None:
        return text
    out = list(text)
    for _ in range(rng.randint(1, 3)):
        out.insert(rng.randint(first + 1, len(out)), "_")
    return "".join(out)


def boundary_cases():
    top = str(MAX_MANTISSA)  # 29 digits
    cases = [top, str(MAX_MANTISSA + 1), "-" + top, "+" + top, "000000" + top,
             top + ".", top + ".0", top + ".4", top + ".5", top + ".9",
             top[:-1] + ".5", top[:-1] + ".59", top[:-1] + ".6", top[:-1] + ".4999",
             top[:-1] + "." + top[-1] + "9_9", top[:-2] + "." + top[-2:] + "5",
             top[:-2] + ".35", top[:-2] + ".36", top[:-2] + ".3549",
             "0." + top, "." + top, "0." + top + "5", "0." + "0" * 28 + "5",
             "0." + "0" * 27 + "5", "0." + "0" * 27 + "49", "0." + "9" * 29,
             "9." + "9" * 30, "1." + "2" * 27 + "45", "1." + "2" * 27 + "4" + "9" * 5,
             "-0", "-0.00", "+0", "-." + "0" * 30, "0." + "0" * 40,
             "1" + "0" * 28, "1" + "0" * 29, "-" + "9" * 29, "9" * 28 + ".9",
             "1_000.00", "1__0._5", "1.5_", "._5", "_1", "+_1", "-", "+", ".", "",
             "1.2.3", "1,5", "1 000", " 1", "1 ", "--1", "+-1", "1-", "abc"]
    return cases


def scientific_cases():
    top = str(MAX_MANTISSA)
    return ["1.5E3", "1.5e3", "1e0", "1e-28", "1e-29", "1.5e-27", "1.5e-28",
            "1e28", "1e29", "0e28", "-0e5", "-0.0e-3", "1.0e28", "8e28", "7.9e28",
            "7.9228162514264337593543950335e28", "7.9228162514264337593543950336e28",
            "79228162514264337593543950335e0", "79228162514264337593543950335e1",
            "0." + "0" * 26 + "1e28", "1." + "0" * 26 + "e28", "1." + "0" * 27 + "e28",
            "7.922816251426433759354395033e28", "7.922816251426433759354395034e28",
            "123.456e2", "123.456e3", "123.456e4", "123.456E+4", "-123.456e-4",
            "1e4294967295", "1e4294967296", "1e-4294967295", "1e-4294967296",
            "1e00000000000000000003", "1e", "e1", "1e+", "1e-", "1e1.0", "1e1_0",
            "1_0e1", "1e 1", "1e1e1", "1E-1E1", ".e1", "5.e1", ".5e1", top + "5e-1",
            top[:-1] + ".59e1", "0." + "9" * 30 + "e1", "1.5e0003"]


def random_plain(rng):
    integral = digits(rng, rng.choice([0, 1, 2, 5, 15, 27, 28, 29, 30]))
    fraction = digits(rng, rng.choice([0, 1, 2, 10, 27, 28, 29, 30, 35]),
                      rng.choice(["0123456789", "9", "09", "45", "5"]))
    if not integral and not fraction:
        integral = "7"
    text = integral + ("." + fraction if fraction or rng.random() < 0.3 else "")
    if rng.random() < 0.2:
        text = with_underscores(rng, text)
    return rng.choice(["", "", "-", "+"]) + text


def random_scientific(rng):
    base = random_plain(rng)
    if len(base) > 20:
        base = base[:20]
    exponent = rng.choice([0, 1, 2, 5, 10, 20, 27, 28, 29, 40])
    sign = rng.choice(["", "+", "-"])
    return base + rng.choice("eE") + sign + str(exponent)


def mutated(rng, text):
    position = rng.randint(0, len(text))
    return text[:position] + rng.choice(["a", ",", " ", ".", "-", "+", "_", "e"]) + text[position:]


def all_cases():
    rng = random.Random(20240501)
    cases = boundary_cases() + scientific_cases()
    cases += [random_plain(rng) for _ in range(250)]
    cases += [random_scientific(rng) for _ in range(150)]
    cases += [mutated(rng, random_plain(rng)) for _ in range(100)]
    seen = set()
    return [c for c in cases if not (c in seen or seen.add(c))]


def cpp_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def main():
    out_path = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                            pathlib.Path(__file__).resolve().parent.parent
                            / "tests/core/parser/decimal_cases.inc")
    lines = ["// Generated by tools/gen_decimal_cases.py; do not edit by hand.",
             "// {amount text, rendered amount or nullptr when refused}"]
    for case in all_cases():
        result = expected(case)
        lines.append("{%s, %s}," % (cpp_string(case), cpp_string(result) if result is not None else "nullptr"))
    out_path.write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
