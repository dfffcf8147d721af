"""The report's charts as inline SVG, written directly: a line, circles,
rectangles and a few labels need no plotting library. Coordinates are
computed with decimals too, so no amount is ever turned into a float.

Each chart is an <svg class="chart …" data-count="N"> whose N marks (circles
or bars) carry a <title> with the figure they stand for."""

import datetime
import decimal
from collections.abc import Callable, Sequence
from html import escape

from velmora.report.model import Bucket, Party, Point
from velmora.report.money import russian

WIDTH, HEIGHT = 760, 260
LEFT, RIGHT, TOP, BOTTOM = 96, 16, 14, 30
PIXELS = decimal.Context(prec=28)


def px(value: decimal.Decimal) -> str:
    return str(value.quantize(decimal.Decimal("0.1"), context=PIXELS))


def scale(lo: decimal.Decimal, hi: decimal.Decimal, out_lo: int, out_hi: int) -> Callable[[decimal.Decimal], decimal.Decimal]:
    """A linear map of [lo, hi] onto [out_lo, out_hi]; a flat range maps to
    the middle."""
    span = PIXELS.subtract(hi, lo)
    if span == 0:
        middle = decimal.Decimal(out_lo + out_hi) / 2
        return lambda _: middle
    factor = PIXELS.divide(decimal.Decimal(out_hi - out_lo), span)
    return lambda v: PIXELS.add(out_lo, PIXELS.multiply(PIXELS.subtract(v, lo), factor))


def text(x: object, y: object, content: str, anchor: str = "start", cls: str = "") -> str:
    return (f'<text x="{x}" y="{y}" text-anchor="{anchor}"'
            f'{f" class={chr(34)}{cls}{chr(34)}" if cls else ""}>{escape(content)}</text>')


def frame(kind: str, count: int, label: str, body: list[str], height: int = HEIGHT) -> str:
    return (f'<svg class="chart {kind}" data-count="{count}" role="img" aria-label="{escape(label)}" '
            f'viewBox="0 0 {WIDTH} {height}" width="{WIDTH}" height="{height}">'
            + "".join(body) + "</svg>")


def balance_chart(points: Sequence[Point], label: str, show_date: Callable[[datetime.date], str]) -> str:
    """The balance line with a circle per point; points where the documents
    and the section totals disagree get the class "bad" and a larger mark."""
    ordered = sorted(points, key=lambda p: p.x)
    values = [p.value for p in ordered]
    lo, hi = min(values + [decimal.Decimal(0)]), max(values + [decimal.Decimal(0)])
    xs = scale(decimal.Decimal(ordered[0].x), decimal.Decimal(ordered[-1].x), LEFT, WIDTH - RIGHT)
    ys = scale(lo, hi, HEIGHT - BOTTOM, TOP)
    body = [f'<line class="axis" x1="{LEFT}" x2="{WIDTH - RIGHT}" y1="{px(ys(decimal.Decimal(0)))}" '
            f'y2="{px(ys(decimal.Decimal(0)))}"/>',
            text(LEFT - 6, px(ys(hi) + 4), russian(hi), "end"),
            text(LEFT - 6, px(ys(lo) + 4), russian(lo), "end"),
            text(LEFT, HEIGHT - 8, show_date(ordered[0].when)),
            text(WIDTH - RIGHT, HEIGHT - 8, show_date(ordered[-1].when), "end")]
    coords = [(px(xs(decimal.Decimal(p.x))), px(ys(p.value))) for p in ordered]
    body.append('<polyline class="line" points="' + " ".join(f"{x},{y}" for x, y in coords) + '"/>')
    for p, (x, y) in zip(ordered, coords):
        tip = f"{show_date(p.when)}: {russian(p.value)}"
        if p.disagreement:
            tip += f" ({p.disagreement})"
        cls = "pt bad" if p.disagreement else "pt"
        r = 5 if p.disagreement else 3
        body.append(f'<circle class="{cls} {p.kind}" cx="{x}" cy="{y}" r="{r}"><title>{escape(tip)}</title></circle>')
    return frame("balance-chart", len(ordered), label, body)


def flow_chart(bars: Sequence[Bucket], label: str, show_bucket: Callable[[datetime.date], str],
               names: tuple[str, str]) -> str:
    """Two bars per period, income and expense, side by side from a common
    base line."""
    top = max([b.income for b in bars] + [b.expense for b in bars] + [decimal.Decimal(0)])
    ys = scale(decimal.Decimal(0), top, HEIGHT - BOTTOM, TOP)
    slot = PIXELS.divide(decimal.Decimal(WIDTH - LEFT - RIGHT), decimal.Decimal(len(bars)))
    width = PIXELS.multiply(slot, decimal.Decimal("0.4"))
    base = ys(decimal.Decimal(0))
    body = [f'<line class="axis" x1="{LEFT}" x2="{WIDTH - RIGHT}" y1="{px(base)}" y2="{px(base)}"/>',
            text(LEFT - 6, px(ys(top) + 4), russian(top), "end"),
            text(LEFT - 6, px(base + 4), russian(decimal.Decimal(0)), "end"),
            text(LEFT, HEIGHT - 8, show_bucket(bars[0].start)),
            text(WIDTH - RIGHT, HEIGHT - 8, show_bucket(bars[-1].start), "end")]
    for i, bucket in enumerate(bars):
        left = PIXELS.add(LEFT, PIXELS.multiply(slot, decimal.Decimal(i)))
        for j, (cls, value, name) in enumerate((("in", bucket.income, names[0]), ("out", bucket.expense, names[1]))):
            x = PIXELS.add(left, PIXELS.multiply(width, decimal.Decimal(j) + decimal.Decimal("0.1")))
            y = ys(value)
            tip = f"{show_bucket(bucket.start)}: {name} {russian(value)}"
            body.append(f'<rect class="bar {cls}" x="{px(x)}" y="{px(y)}" width="{px(width)}" '
                        f'height="{px(base - y)}"><title>{escape(tip)}</title></rect>')
    return frame("flow-chart", 2 * len(bars), label, body)


NAME_WIDTH = 40     # characters of a counterparty's name shown beside its bar
ROW = 22


def party_chart(parties: Sequence[Party], label: str, cls: str) -> str:
    """Horizontal bars, largest first, with the name and the total."""
    height = TOP + ROW * len(parties) + 8
    top = max(p.total for p in parties)
    start = 300
    xs = scale(decimal.Decimal(0), top, 0, WIDTH - start - 130)
    body = []
    for i, party in enumerate(parties):
        y = TOP + i * ROW
        name = party.name if len(party.name) <= NAME_WIDTH else party.name[: NAME_WIDTH - 1] + "…"
        length = xs(party.total)
        tip = f"{party.name} ({party.inn}): {russian(party.total)}, {party.count}"
        body += [text(start - 8, y + 14, name, "end"),
                 f'<rect class="bar {cls}" x="{start}" y="{y + 3}" width="{px(length)}" height="{ROW - 6}">'
                 f'<title>{escape(tip)}</title></rect>',
                 text(px(start + length + 6), y + 14, russian(party.total))]
    return frame(f"party-chart {cls}", len(parties), label, body, height)
