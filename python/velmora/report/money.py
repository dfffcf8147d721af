"""Exact amounts for the report: decimal parsing, sums and the Russian way of
writing them. No value ever passes through a float."""

import decimal

# Wide enough for any sum of amounts velmora_py returns (96-bit mantissas,
# up to 28 decimal places); Inexact is trapped so that a sum that would have
# to round raises instead of quietly changing a figure.
EXACT = decimal.Context(prec=120, traps=[decimal.Inexact, decimal.InvalidOperation, decimal.Overflow])

ZERO = decimal.Decimal(0)

# The group separator: U+00A0 NO-BREAK SPACE. A figure never wraps inside a
# table cell, every font has the character, and it is what Russian locales
# (CLDR) use; a thin space (U+2009) may break and is missing from some fonts.
GROUP = "\u00a0"
DECIMAL_MARK = ","


def amount(text: str) -> decimal.Decimal:
    """An amount as velmora_py renders it ("1234.50", "-3"), exactly."""
    return EXACT.create_decimal(text)


def add(*values: decimal.Decimal) -> decimal.Decimal:
    total = ZERO
    for value in values:
        total = EXACT.add(total, value)
    return total


def sub(a: decimal.Decimal, b: decimal.Decimal) -> decimal.Decimal:
    return EXACT.subtract(a, b)


def russian(value: decimal.Decimal) -> str:
    """1234567.89 → "1 234 567,89" (no-break spaces between groups of three).

    At least two decimal places are shown, more when the value has them; the
    figure is never rounded. Negative values start with "-"."""
    if not value.is_finite():
        raise ValueError(f"not a finite amount: {value}")
    if value.as_tuple().exponent > -2:  # type: ignore[operator]
        value = value.quantize(decimal.Decimal("0.01"), context=EXACT)
    text = format(value.copy_abs(), "f")   # exact plain digits (abs() would round to 28)
    whole, fraction = text.split(".")
    groups: list[str] = []
    while len(whole) > 3:
        groups.insert(0, whole[-3:])
        whole = whole[:-3]
    groups.insert(0, whole)
    return ("-" if value < 0 else "") + GROUP.join(groups) + DECIMAL_MARK + fraction
