"""The figures a report shows, computed from a parsed statement: the balance
day by day, income and expense per period, the largest counterparties, the
document rows and the findings. Plain data, no HTML; amounts are exact."""

import dataclasses
import datetime
import decimal
from collections.abc import Iterable, Sequence
from typing import Any

import velmora_py

from velmora.checks import KINDS, Finding, check
from velmora.report.money import ZERO, add, amount, russian, sub

DAY = datetime.timedelta(days=1)
TOP = 10

# Periods up to this many days are shown per day, up to a year per week,
# longer ones per month: a few dozen bars at most in the usual cases.
DAILY_UP_TO = 62
WEEKLY_UP_TO = 366


def day(text: str | None) -> datetime.date | None:
    """A date as velmora_py renders it ("2024-04-03"), or None when there is
    none or it lies outside the years a chart can show."""
    if not text:
        return None
    try:
        return datetime.date.fromisoformat(text)
    except ValueError:
        return None


@dataclasses.dataclass(frozen=True)
class Posting:
    """A document as it moves one account's balance."""
    when: datetime.date
    value: decimal.Decimal        # positive: income, negative: expense
    document: velmora_py.Document


def postings(number: str, documents: Iterable[velmora_py.Document]) -> list[Posting]:
    """The account's income (it is the payee's account; dated by income_date,
    else doc_date) and expense (the payer's; outcome_date, else doc_date),
    in date order. Documents whose date cannot be read are left out."""
    found = []
    for doc in documents:
        if doc.payee_account == number and (when := day(doc.income_date or doc.doc_date)):
            found.append(Posting(when, amount(doc.amount), doc))
        if doc.counterparty_account == number and (when := day(doc.outcome_date or doc.doc_date)):
            found.append(Posting(when, -amount(doc.amount), doc))
    found.sort(key=lambda p: p.when)
    return found


@dataclasses.dataclass(frozen=True)
class Point:
    """A point of the balance line. Opening balances stand at the start of
    their day, running and closing balances at its end."""
    when: datetime.date
    value: decimal.Decimal
    kind: str                     # "opening", "running" or "closing"
    disagreement: str | None = None   # why the point is marked, if it is

    @property
    def x(self) -> int:
        """Position on the time axis, in half days."""
        return self.when.toordinal() * 2 + (0 if self.kind == "opening" else 2)


@dataclasses.dataclass(frozen=True)
class IntervalRow:
    interval: velmora_py.Interval
    income: decimal.Decimal       # sums of the documents in the interval
    expense: decimal.Decimal
    running: decimal.Decimal      # opening + income - expense


def interval_points(iv: velmora_py.Interval, moves: Sequence[Posting],
                    previous_closing: decimal.Decimal | None) -> tuple[list[Point], IntervalRow]:
    start = day(iv.date_start)
    end = day(iv.date_end) or start
    opening = amount(iv.start_amount)
    note = None
    if previous_closing is not None and previous_closing != opening:
        note = f"{russian(previous_closing)} → {russian(opening)}"
    points = [Point(start, opening, "opening", note)] if start else []
    running, income, expense = opening, ZERO, ZERO
    inside = [p for p in moves if start and end and start <= p.when <= end]
    for i, p in enumerate(inside):
        running = add(running, p.value)
        if p.value >= 0:
            income = add(income, p.value)
        else:
            expense = sub(expense, p.value)
        if i + 1 == len(inside) or inside[i + 1].when != p.when:
            points.append(Point(p.when, running, "running"))
    if iv.end_amount is not None and end:
        closing = amount(iv.end_amount)
        note = None if closing == running else f"{russian(running)} ≠ {russian(closing)}"
        points.append(Point(end, closing, "closing", note))
    return points, IntervalRow(iv, income, expense, running)


def balance_points(account: velmora_py.Account, moves: Sequence[Posting]) -> tuple[list[Point], list[IntervalRow]]:
    """The balance line of an account: for each section its opening balance,
    the running balance at the end of each day with documents, and its
    closing balance. A closing balance the documents do not reach, and an
    opening balance that is not the previous section's closing one, are
    marked."""
    points, rows = [], []
    previous = None
    for iv in account.intervals:
        found, row = interval_points(iv, moves, previous)
        points += found
        rows.append(row)
        previous = amount(iv.end_amount) if iv.end_amount is not None else None
    return points, rows


@dataclasses.dataclass(frozen=True)
class Bucket:
    start: datetime.date
    income: decimal.Decimal
    expense: decimal.Decimal


def granularity(first: datetime.date, last: datetime.date) -> str:
    days = (last - first).days + 1
    if days <= DAILY_UP_TO:
        return "day"
    return "week" if days <= WEEKLY_UP_TO else "month"


def bucket_start(when: datetime.date, unit: str) -> datetime.date:
    if unit == "week":
        return when - when.weekday() * DAY
    if unit == "month":
        return when.replace(day=1)
    return when


def next_bucket(start: datetime.date, unit: str) -> datetime.date:
    if unit == "day":
        return start + DAY
    if unit == "week":
        return start + 7 * DAY
    return (start + 31 * DAY).replace(day=1)


def buckets(moves: Sequence[Posting]) -> tuple[str, list[Bucket]]:
    """Income and expense per day, week or month, every period between the
    first and the last posting included (empty ones too, so the bars keep
    the time scale)."""
    if not moves:
        return "day", []
    unit = granularity(moves[0].when, moves[-1].when)
    sums: dict[datetime.date, list[decimal.Decimal]] = {}
    for p in moves:
        pair = sums.setdefault(bucket_start(p.when, unit), [ZERO, ZERO])
        if p.value >= 0:
            pair[0] = add(pair[0], p.value)
        else:
            pair[1] = sub(pair[1], p.value)
    out = []
    start, last = bucket_start(moves[0].when, unit), bucket_start(moves[-1].when, unit)
    while start <= last:
        income, expense = sums.get(start, (ZERO, ZERO))
        out.append(Bucket(start, income, expense))
        if start.year == datetime.MAXYEAR and start.month == 12:
            break
        start = next_bucket(start, unit)
    return unit, out


@dataclasses.dataclass(frozen=True)
class Party:
    name: str
    inn: str
    total: decimal.Decimal
    count: int


def party_of(doc: velmora_py.Document, payer: bool) -> tuple[str, str]:
    """(name, INN) of one side of a document; the name falls back on the
    account number when the file gives none."""
    if payer:
        name = doc.counterparty_1 or doc.counterparty or doc.counterparty_account
        return name, doc.counterparty_inn
    return doc.payee_1 or doc.payee or doc.payee_account, doc.payee_inn


def meaningful_inn(inn: str) -> bool:
    return inn not in ("", "0")


def top_parties(moves: Iterable[Posting], incoming: bool, limit: int = TOP) -> list[Party]:
    """The largest payers (incoming) or payees (outgoing) by total amount;
    one party per INN, or per name where the INN is empty or 0. Ties go by
    name, so the order is stable."""
    totals: dict[str, list[Any]] = {}
    for p in moves:
        if (p.value >= 0) != incoming:
            continue
        name, inn = party_of(p.document, payer=incoming)
        key = "inn:" + inn if meaningful_inn(inn) else "name:" + name
        entry = totals.setdefault(key, [name, inn, ZERO, 0])
        entry[2] = add(entry[2], abs(p.value))
        entry[3] += 1
    parties = [Party(*entry) for entry in totals.values()]
    parties.sort(key=lambda party: (-party.total, party.name, party.inn))
    return parties[:limit]


@dataclasses.dataclass(frozen=True)
class AccountFigures:
    number: str
    intervals: list[IntervalRow]
    points: list[Point]
    unit: str
    buckets: list[Bucket]
    top_in: list[Party]
    top_out: list[Party]


def account_figures(account: velmora_py.Account, documents: Sequence[velmora_py.Document]) -> AccountFigures:
    moves = postings(account.number, documents)
    points, rows = balance_points(account, moves)
    unit, bars = buckets(moves)
    return AccountFigures(account.number, rows, points, unit, bars,
                          top_parties(moves, incoming=True), top_parties(moves, incoming=False))


def direction(doc: velmora_py.Document, own: set[str]) -> str:
    """"in", "out", "internal" (both sides are the statement's accounts) or
    "other" (neither is)."""
    payee, payer = doc.payee_account in own, doc.counterparty_account in own
    if payee and payer:
        return "internal"
    return "in" if payee else "out" if payer else "other"


def other_side(doc: velmora_py.Document, way: str) -> tuple[str, str]:
    """The counterparty an accountant reads for a document: the payer of
    income, the payee otherwise."""
    return party_of(doc, payer=way in ("in", "other"))


@dataclasses.dataclass(frozen=True)
class Row:
    index: int
    document: velmora_py.Document
    direction: str
    counterparty: str
    inn: str


@dataclasses.dataclass(frozen=True)
class StatementFigures:
    label: str
    statement: velmora_py.Statement
    accounts: list[AccountFigures]
    rows: list[Row]
    findings: dict[str, list[Finding]]   # by kind, in the order of KINDS


def group_findings(findings: Iterable[Finding]) -> dict[str, list[Finding]]:
    groups: dict[str, list[Finding]] = {}
    for finding in findings:
        groups.setdefault(finding.kind, []).append(finding)
    order = {kind: i for i, kind in enumerate(KINDS)}
    return dict(sorted(groups.items(), key=lambda item: order.get(item[0], len(order))))


def statement_figures(label: str, statement: velmora_py.Statement) -> StatementFigures:
    documents = statement.documents
    own = set(statement.accounts)
    rows = []
    for index, doc in enumerate(documents):
        way = direction(doc, own)
        name, inn = other_side(doc, way)
        rows.append(Row(index, doc, way, name, inn))
    return StatementFigures(
        label, statement,
        [account_figures(account, documents) for account in statement.accounts.values()],
        rows, group_findings(check(statement)))
