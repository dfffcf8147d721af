"""Hypothesis strategies that write statements from the format's grammar and
record, line by line, what the parser has to make of them; plus the text rules
that the expectations rest on (trimming, line cutting, the choice of decoding),
written from the format's rules rather than from the parser."""

import dataclasses
import datetime
import decimal
import functools
import random
import re

from hypothesis import HealthCheck, settings, strategies as st

from statements import DOCUMENT, DOCUMENT_FIELDS

MAGIC = "1CClientBankExchange"
BOM = b"\xef\xbb\xbf"

# The characters with the Unicode White_Space property. Python's str.strip()
# would also remove U+001C..U+001F, which the parser must keep.
WHITE_SPACE = ("\t\n\x0b\x0c\r \x85\xa0\u1680" + "".join(map(chr, range(0x2000, 0x200B)))
               + "\u2028\u2029\u202f\u205f\u3000")

MAX_MANTISSA = 2**96 - 1


def trim(text):
    return text.strip(WHITE_SPACE)


def property_settings(max_examples):
    """Fixed examples on every run (CI must not flake), no example database
    left in the work tree, and no deadline: a debug or free-threaded
    interpreter is several times slower than the release one."""
    return settings(max_examples=max_examples, derandomize=True, database=None, deadline=None,
                    suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])


# --- the text rules -----------------------------------------------------------

def cut_lines(text):
    """Physical lines: cut at each line feed, one carriage return before it
    dropped; a text ending in a line feed has no empty last line."""
    pieces = text.split("\n")
    if pieces[-1] == "":
        pieces.pop()
    return [p[:-1] if p.endswith("\r") else p for p in pieces]


def decoded_lines(data):
    """The lines the parser reads from bytes, and whether they could be
    worked out here: not after a UTF-16 or second UTF-8 mark, whose decoding
    this helper leaves to the parser."""
    candidate = data[3:] if data.startswith(BOM) else data
    try:
        return cut_lines(candidate.decode("utf-8")), True
    except UnicodeDecodeError:
        pass
    if candidate[:2] in (b"\xff\xfe", b"\xfe\xff") or candidate.startswith(BOM):
        return None, False
    # The web's windows-1251 maps 0x98 to U+0098, where Python's table has a hole.
    text = candidate.decode("cp1251", errors="surrogateescape").replace("\udc98", "\x98")
    return cut_lines(text), True


def line_bound(data):
    """An upper bound of the line count under any of the decodings: every
    line feed of any of them holds a 0x0A byte of its own."""
    return data.count(b"\n") + 1


def is_valid_utf8(data):
    candidate = data[3:] if data.startswith(BOM) else data
    try:
        candidate.decode("utf-8")
    except UnicodeDecodeError:
        return False
    return True


def quoted(text):
    """Quoted text, for the characters that the strategies put into values."""
    escapes = {"\\": "\\\\", '"': '\\"', "\t": "\\t", "\r": "\\r", "\n": "\\n", "\0": "\\0"}
    assert not any(c in WHITE_SPACE and c not in " \t\r\n" for c in text)
    return '"' + "".join(escapes.get(c, c) for c in text) + '"'


def refused_amount(written):
    return (f"invalid value: string {quoted(written)}, "
            "expected a Decimal type representing a fixed-point number")


def render_decimal(negative, mantissa, scale):
    """The canonical text of ± mantissa × 10^-scale: no leading zeros, exactly
    `scale` fractional digits, and never a sign on zero."""
    digits = str(mantissa).rjust(scale + 1, "0")
    whole, frac = digits[:len(digits) - scale], digits[len(digits) - scale:]
    sign = "-" if negative and mantissa else ""
    return sign + whole + ("." + frac if scale else "")


def render_date(year, month, day):
    shown = f"{year:04d}" if 0 <= year <= 9999 else f"{year:+05d}"
    return f"{shown}-{month:02d}-{day:02d}"


def days_in_month(year, month):
    if month == 2:
        return 29 if year % 4 == 0 and (year % 100 != 0 or year % 400 == 0) else 28
    return 30 if month in (4, 6, 9, 11) else 31


CANONICAL_AMOUNT = re.compile(r"-?(0|[1-9][0-9]*)(\.[0-9]+)?")
CANONICAL_DATE = re.compile(r"(?:[0-9]{4}|[+-](?:[1-9][0-9]{4,}|[0-9]{4}))-[0-9]{2}-[0-9]{2}")


# --- values -------------------------------------------------------------------

CYRILLIC = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя"
# Characters every encoding can carry and that count as plausible text for
# the windows-1251 check.
COMMON_TEXT = CYRILLIC + "ABCxyz0123456789 \t.,;:-+/()№\"'=_\\"
# U+001C..U+001F and U+200B look like blanks to some trimming rules, not to
# this format's: values keep them.
UTF8_TEXT = COMMON_TEXT + "€漢😀\u0301\xa0\u3000\u2028\x1c\x1f\u200b"
KEY_TEXT = CYRILLIC + "ABCxyz0123456789 _"
# Padding around keys, values and markers. The windows-1251 set keeps the
# input plausible; carriage returns are padding too, since only a line feed
# breaks a line.
COMMON_PAD = " \t\x0c\r"
UTF8_PAD = COMMON_PAD + "\x0b\xa0\u3000\u2003\x85\u2028"

ENCODINGS = ("str", "utf-8", "utf-8-sig", "cp1251")


@dataclasses.dataclass(frozen=True)
class Alphabet:
    text: str
    pad: str

    @functools.cached_property
    def pads(self):
        """Paddings for the four places of a line (before the key, around the
        "=", after the value), drawn together: one draw per line keeps
        generation cheap. Half the lines are not padded at all."""
        pick = random.Random(len(self.pad))
        one = lambda: "".join(pick.choices(self.pad, k=pick.choice([0, 0, 1, 1, 2])))  # noqa: E731
        padded = [tuple(one() for _ in range(4)) for _ in range(120)]
        return st.sampled_from([("",) * 4] * len(padded) + padded)


ALPHABETS = {"cp1251": Alphabet(COMMON_TEXT, COMMON_PAD)}
UTF8_ALPHABET = Alphabet(UTF8_TEXT, UTF8_PAD)


def encode(text, encoding):
    if encoding == "str":
        return text
    if encoding == "utf-8-sig":
        return BOM + text.encode("utf-8")
    return text.encode(encoding)


@st.composite
def plain_amounts(draw, max_int_digits=12, max_frac_digits=4):
    """(written, rendered) for amounts in the plain form whose digits fit the
    mantissa: optional sign, leading zeros, a point anywhere among the
    digits, underscores after the first digit."""
    sign = draw(st.sampled_from(["", "", "+", "-"]))
    whole = draw(st.text("0123456789", max_size=max_int_digits))
    point = draw(st.booleans())
    frac = draw(st.text("0123456789", max_size=max_frac_digits)) if point else ""
    if not whole + frac:
        whole = draw(st.sampled_from("0123456789"))
    mantissa = int(whole + frac)
    assert mantissa <= MAX_MANTISSA and len(frac) <= 28
    body = whole + ("." if point else "") + frac
    first_digit = next(i for i, c in enumerate(body) if c.isdigit())
    cuts = draw(st.lists(st.integers(first_digit + 1, len(body)), max_size=2))
    for cut in sorted(cuts, reverse=True):
        body = body[:cut] + "_" + body[cut:]
    return sign + body, render_decimal(sign == "-", mantissa, len(frac))


@st.composite
def calendar_dates(draw, min_year=1990, max_year=2035):
    """(written, rendered) for real dates in day.month.year form, with or
    without zero padding and with blanks after the points."""
    date = draw(st.dates(datetime.date(min_year, 1, 1), datetime.date(max_year, 12, 31)))
    day = f"{date.day:02d}" if draw(st.booleans()) else str(date.day)
    month = f"{date.month:02d}" if draw(st.booleans()) else str(date.month)
    gaps = draw(st.lists(st.sampled_from(["", "", " ", "  ", "\t"]), min_size=2, max_size=2))
    return f"{day}.{gaps[0]}{month}.{gaps[1]}{date.year}", date.isoformat()


# (written, message) for required dates that cannot be read.
BAD_DATES = [
    ("31.02.2024", "input is out of range"), ("29.02.2023", "input is out of range"),
    ("00.01.2024", "input is out of range"), ("01.13.2024", "input is out of range"),
    ("31.04.2024", "input is out of range"),
    ("05-03-2024", "input contains invalid characters"),
    ("ab.03.2024", "input contains invalid characters"),
    ("05 .03.2024", "input contains invalid characters"),
    ("05.03", "premature end of input"), ("05.03.", "premature end of input"),
    ("05.03.20245", "trailing input"), ("5.3.2024г", "trailing input"),
]
BAD_AMOUNTS = ["12,50", "1 000.00", "abc", "-", ".", "_1", "1..2", "+-1", "1e"]

DOCUMENT_TYPES = ["Платежное поручение", "Банковский ордер", "Мемориальный ордер",
                  "Платежное требование", "Инкассовое поручение", "", "Тип=с=равенством"]

# Required document keys in the order the record declares its fields, which
# is the order in which a missing one is reported. The type is left out: the
# opening line always supplies it.
REQUIRED_IN_ORDER = ["Номер", "Дата", "НазначениеПлатежа", "Сумма", "ПлательщикИНН",
                     "ПлательщикБИК", "ПлательщикБанк1", "ПлательщикСчет", "ПолучательИНН",
                     "ПолучательСчет", "ПолучательБИК", "ПолучательБанк1"]
assert sorted(REQUIRED_IN_ORDER) == sorted(DOCUMENT)

ACCOUNT_NUMBERS = ["40702810900000000001", "40702810500000000002", "30101810400000000225"]
INTERVAL_DATES = [datetime.date(2024, 3, 1), datetime.date(2024, 1, 15), datetime.date(2023, 12, 31)]
INTERVAL_AMOUNTS = [decimal.Decimal(v) for v in ("0", "100", "-5.5", "1234.56")]
INTERVAL_KEYS = ["ДатаНачала", "ДатаКонца", "НачальныйОстаток", "КонечныйОстаток",
                 "ВсегоПоступило", "ВсегоСписано"]


@st.composite
def written_decimal(draw, value):
    """(written, rendered) for one numeric value: any number of trailing
    zeros, a plus or a minus on zero, leading zeros."""
    text = format(value, "f")
    extra = draw(st.integers(0, 2))
    if extra:
        text += ("" if "." in text else ".") + "0" * extra
    if draw(st.booleans()):
        text = "0" + text.lstrip("-") if value >= 0 else "-0" + text[1:]
    if value >= 0 and draw(st.booleans()):
        text = draw(st.sampled_from("+-" if value == 0 else "+")) + text
    whole, _, frac = text.lstrip("+-").partition(".")
    return text, render_decimal(text.startswith("-"), int(whole + frac), len(frac))


# --- statements -----------------------------------------------------------------

@dataclasses.dataclass
class Generated:
    """A written statement and what parsing it must give."""
    lines: list             # physical lines, without their line ends
    text: str               # the lines joined with their line ends
    encoding: str           # one of ENCODINGS
    header: list            # expected header items, in order
    documents: list         # per built document: {attribute name: value}
    accounts: dict          # number -> list of interval tuples, in order
    warnings: list          # (lineno, message)

    @property
    def data(self):
        return encode(self.text, self.encoding)

    @property
    def reported_encoding(self):
        return "cp1251" if self.encoding == "cp1251" else "utf-8"


_BLANK_LINES = st.sampled_from([0, 0, 0, 0, 0, 1, 1, 2])


class _Writer:
    """Collects lines with markers for the ones whose number matters."""

    def __init__(self, draw, alphabet, blank_lines):
        self.draw, self.alphabet, self.blank_lines = draw, alphabet, blank_lines
        self.lines, self.marks = [], {}

    def pads(self):
        return self.draw(self.alphabet.pads)

    def blanks(self):
        if self.blank_lines:
            for _ in range(self.draw(_BLANK_LINES)):
                self.lines.append("".join(self.pads()))

    def line(self, *parts, mark=None):
        """One line of parts joined by "=" (or a marker alone), padded."""
        if self.lines:
            self.blanks()
        if mark is not None:
            self.marks[mark] = len(self.lines) + 1
        lead, before, after, trail = self.pads()
        if len(parts) == 2:
            text = f"{parts[0]}{before}={after}{parts[1]}"
        else:
            text = parts[0]
        self.lines.append(lead + text + trail)

    def attribute(self, key, value):
        self.line(key, value)


def _text(alphabet, max_size=12):
    return st.text(alphabet.text, max_size=max_size)


@st.composite
def _document(draw, writer, faults):
    """Writes one document section; returns its expected attributes or, for
    a faulty one, None and the warning message."""
    alphabet = writer.alphabet
    doc_type = draw(st.sampled_from(DOCUMENT_TYPES))
    # (key, written value, expected value): text keeps the trimmed value.
    entries = [(key, value, value) for key, value in DOCUMENT.items()]
    number = draw(_text(alphabet, 8))
    entries[0] = ("Номер", number, trim(number))
    written_date, rendered_date = draw(calendar_dates())
    entries[1] = ("Дата", written_date, rendered_date)
    written_amount, rendered_amount = draw(plain_amounts())
    entries[2] = ("Сумма", written_amount, rendered_amount)
    purpose = draw(_text(alphabet, 20))
    entries[3] = ("НазначениеПлатежа", purpose, trim(purpose))
    optional = draw(st.lists(st.sampled_from(
        ["ВидОплаты", "ПлательщикКПП", "ДатаСписано", "ДатаПоступило", "СрокПлатежа",
         "ПоказательДаты", "Лишний", "Номер"]), unique=True, max_size=4))
    for key in optional:
        if key in ("ДатаСписано", "ДатаПоступило"):
            if draw(st.booleans()):
                entries.append((key, "", None))   # empty: absent
            else:
                entries.append((key,) + draw(calendar_dates()))
        elif key in ("СрокПлатежа", "ПоказательДаты"):
            written, _ = draw(calendar_dates())
            entries.append((key, written, trim(written)))    # dates kept as text
        elif key == "Номер":
            # A repeated key: the later line wins, at the first one's place.
            entries.insert(0, (key, "лишний номер", None))
        else:
            value = draw(st.sampled_from(["", "01", draw(_text(alphabet, 6))]))
            entries.append((key, value, trim(value)))

    message, bad, missing = None, {}, []
    fault = draw(st.sampled_from(["none", "missing", "bad", "both"])) if faults else "none"
    if fault in ("missing", "both"):
        # A run of neighbours in the order, so that each pair of neighbours
        # gets to decide the message.
        start = draw(st.sampled_from(range(len(REQUIRED_IN_ORDER))))
        missing = REQUIRED_IN_ORDER[start:start + draw(st.sampled_from([1, 2, 2, 3]))]
    if fault in ("bad", "both"):
        convertible = [key for key, _, _ in entries
                       if key in ("Дата", "Сумма", "ДатаСписано") and key not in missing]
        chosen = draw(st.lists(st.sampled_from(convertible), unique=True, min_size=1)
                      if convertible else st.just([]))
        for key in chosen:
            if key == "Сумма":
                value = draw(st.sampled_from(BAD_AMOUNTS + [""]))
                bad[key] = (value, refused_amount(value))
            elif key == "Дата" and draw(st.booleans()):
                bad[key] = (draw(st.sampled_from(["", "   "])), "empty string is not a valid date")
            else:
                bad[key] = draw(st.sampled_from(BAD_DATES))
    entries = [(k, bad[k][0], None) if k in bad else (k, v, e)
               for k, v, e in entries if k not in missing]

    order = draw(st.permutations(range(len(entries))))
    if entries[0][2] is None and entries[0][0] == "Номер":
        # The superseded number must stay before the one that wins.
        keep = [i for i in order if i != 0]
        later = keep.index(next(i for i in keep if entries[i][0] == "Номер"))
        order = keep[:later] + [0] + keep[later:]
    entries = [entries[i] for i in order]
    if bad:
        # Conversions run in the order of the section's lines.
        message = next(bad[k][1] for k, _, _ in entries if k in bad)
    elif missing:
        message = f"missing field `{min(missing, key=REQUIRED_IN_ORDER.index)}`"

    writer.line("СекцияДокумент", doc_type)
    for key, value, _ in entries:
        writer.attribute(key, value)
    mark = object()
    writer.line("КонецДокумента", mark=mark)
    if message is not None:
        return None, (mark, message)

    values = {key: expected for key, _, expected in entries if expected is not None}
    expected = {}
    for name, key, kind in DOCUMENT_FIELDS:
        if key == "СекцияДокумент":
            expected[name] = trim(doc_type)
        else:
            expected[name] = values.get(key)
    return expected, None


@st.composite
def _interval_content(draw):
    maybe = lambda pool: st.none() | st.sampled_from(pool)  # noqa: E731
    return (draw(st.sampled_from(ACCOUNT_NUMBERS)), draw(st.sampled_from(INTERVAL_DATES)),
            draw(maybe(INTERVAL_DATES)), draw(st.sampled_from(INTERVAL_AMOUNTS)),
            draw(maybe(INTERVAL_AMOUNTS)), draw(maybe(INTERVAL_AMOUNTS)),
            draw(maybe(INTERVAL_AMOUNTS)))


@st.composite
def _account(draw, writer, content):
    """Writes one account section for content; returns the interval's rendered
    fields."""
    number, *fields = content
    entries, rendered = [("РасчСчет", number)], []
    for key, value in zip(INTERVAL_KEYS, fields):
        if isinstance(value, datetime.date):
            day = f"{value.day:02d}" if draw(st.booleans()) else str(value.day)
            entries.append((key, f"{day}.{value.month:02d}.{value.year}"))
            rendered.append(value.isoformat())
        elif isinstance(value, decimal.Decimal):
            written, shown = draw(written_decimal(value))
            entries.append((key, written))
            rendered.append(shown)
        else:
            if key == "ДатаКонца" and draw(st.booleans()):
                entries.append((key, ""))        # empty: absent
            rendered.append(None)
    if draw(st.booleans()):
        entries.append(("БИК", "044525225"))     # not an interval key
    entries = draw(st.permutations(entries))
    writer.line("СекцияРасчСчет")
    for key, value in entries:
        writer.attribute(key, value)
    writer.line("КонецРасчСчет")
    return tuple(rendered)


@st.composite
def statements(draw, faults=False, max_sections=6, encodings=ENCODINGS, blank_lines=True):
    """A statement drawn from the grammar, with the outcome it must have.
    With faults, some documents lack required fields or carry values that
    cannot be converted."""
    encoding = draw(st.sampled_from(encodings))
    alphabet = ALPHABETS.get(encoding, UTF8_ALPHABET)
    writer = _Writer(draw, alphabet, blank_lines)
    writer.line(MAGIC)

    header = {}
    keys = st.sampled_from(["ВерсияФормата", "Кодировка", "Отправитель", "Получатель",
                            "ДатаСоздания", "КонецФайла", "СекцияРасчСчет", "", "Номер"])
    key_text = st.text(KEY_TEXT, max_size=8).filter(lambda k: trim(k) != "СекцияДокумент")
    for _ in range(draw(st.integers(0, 4))):
        key, value = draw(keys | key_text), draw(_text(alphabet))
        writer.attribute(key, value)
        header[trim(key)] = trim(value)

    contents = draw(st.lists(_interval_content(), max_size=3))
    kinds = draw(st.lists(st.sampled_from(["document", "account"] if contents else ["document"]),
                          min_size=1, max_size=max_sections))
    documents, warnings, arrived = [], [], []
    for kind in kinds:
        if kind == "document":
            expected, warning = draw(_document(writer, faults))
            if expected is None:
                warnings.append(warning)
            else:
                documents.append(expected)
        else:
            content = draw(st.sampled_from(contents))
            arrived.append((content, draw(_account(writer, content))))
    writer.line("КонецФайла")
    for _ in range(draw(st.integers(0, 2)) if blank_lines else 0):
        writer.lines.append("".join(writer.pads()))

    # One interval per distinct section content (amounts compared by value),
    # the first one written kept; sorted by start date, equal starts in the
    # order written.
    accounts = {}
    for content, rendered in arrived:
        kept = accounts.setdefault(content[0], [])
        if all(content != other for other, _ in kept):
            kept.append((content, rendered))
    accounts = {number: [rendered for _, rendered in sorted(kept, key=lambda e: e[0][1])]
                for number, kept in accounts.items()}

    ends = draw(st.lists(st.sampled_from(["\r\n", "\n"]), min_size=len(writer.lines),
                         max_size=len(writer.lines)))
    if draw(st.booleans()):
        ends[-1] = ""
    text = "".join(line + end for line, end in zip(writer.lines, ends))
    return Generated(cut_lines(text), text, encoding, list(header.items()), documents, accounts,
                     [(writer.marks[mark], message) for mark, message in warnings])
