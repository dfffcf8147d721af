"""Every attribute of every document and interval, read back from the
result objects, is what a straightforward reading of the statement gives:
present fields with their exact text (empty, long, Cyrillic), absent ones
None, whichever fields a section happens to carry; equality and reprs follow
the same texts. Documents are stored as one compact block each, so sparse and
dense sections, empty values and long ones are what is varied here."""

from hypothesis import given
from hypothesis import strategies as st

import velmora_py
from statements import DOCUMENT_FIELDS
from statement_grammar import property_settings

TEXT_CHARS = st.sampled_from("аяЖё0123456789 xyz-№\"'\\")
DATES = st.tuples(st.integers(1, 28), st.integers(1, 12), st.integers(1990, 2035))
AMOUNTS = st.from_regex(r"\A(0|[1-9][0-9]{0,11})(\.[0-9]{1,4})?\Z")


def texts():
    short = st.text(TEXT_CHARS, max_size=12)
    long = st.integers(200, 70_000).map(lambda n: "ю" * n)
    return st.one_of(short, short, short, st.just(""), long)


@st.composite
def document(draw):
    """(lines of one section, expected attributes, or None if it cannot build)."""
    lines, expected = [], {}
    doc_type = draw(st.text(TEXT_CHARS, min_size=1, max_size=8).map(str.strip).filter(bool))
    expected["doc_type"] = doc_type
    builds = True
    for name, key, kind in DOCUMENT_FIELDS:
        if name == "doc_type":
            continue
        present = kind in ("req", "date", "amount") or draw(st.booleans())
        if kind in ("req", "date", "amount") and draw(st.integers(0, 60)) == 0:
            present, builds = False, False  # a missing required field: a warning
        if not present:
            expected[name] = None
            continue
        if kind in ("date", "optdate"):
            day, month, year = draw(DATES)
            value, expected[name] = f"{day:02}.{month:02}.{year}", f"{year}-{month:02}-{day:02}"
        elif kind == "amount":
            value = expected[name] = draw(AMOUNTS)
        else:
            value = draw(texts()).strip()
            expected[name] = value
        lines.append(f"{key}={value}")
    order = draw(st.permutations(range(len(lines))))
    body = [lines[i] for i in order]
    return ["СекцияДокумент=" + doc_type] + body + ["КонецДокумента"], expected if builds else None


@st.composite
def statements(draw):
    docs = draw(st.lists(document(), min_size=1, max_size=6))
    lines = ["1CClientBankExchange", "ВерсияФормата=1.03"]
    for section, _ in docs:
        lines += section
    lines.append("КонецФайла")
    encoding = draw(st.sampled_from(["utf-8", "cp1251"]))
    return "\n".join(lines).encode(encoding), [e for _, e in docs]


def read_back(doc):
    return {name: getattr(doc, name) for name, _, _ in DOCUMENT_FIELDS}


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


@property_settings(max_examples=80)
@given(statements())
def test_documents_read_back_what_was_written(generated):
    data, expected = generated
    built = [e for e in expected if e is not None]
    for hooks in (None, [lambda section_type, attrs, header: None]):
        result = velmora_py.parse(data, hooks)
        assert [read_back(d) for d in result.documents] == built
        assert len(result.warnings) == len(expected) - len(built)
        for doc, want in zip(result.documents, built):
            assert repr(doc) == (f"Document(doc_number={quoted(want['doc_number'])}, "
                                 f"doc_type={quoted(want['doc_type'])}, "
                                 f"doc_date={quoted(want['doc_date'])}, "
                                 f"amount={quoted(want['amount'])})")
        again = velmora_py.parse(data).documents
        for i, a in enumerate(result.documents):
            for j, b in enumerate(again):
                assert (a == b) == (built[i] == built[j])
                assert (a != b) == (built[i] != built[j])


@property_settings(max_examples=60)
@given(st.lists(st.tuples(DATES, st.booleans(), AMOUNTS, st.one_of(st.none(), AMOUNTS),
                          st.one_of(st.none(), AMOUNTS), st.one_of(st.none(), AMOUNTS)),
                min_size=1, max_size=5))
def test_intervals_read_back_what_was_written(intervals):
    lines = ["1CClientBankExchange"]
    expected = []
    for i, ((day, month, year), has_end, start, end, income, expense) in enumerate(intervals):
        lines += ["СекцияРасчСчет", f"РасчСчет={i}", f"ДатаНачала={day:02}.{month:02}.{year}",
                  f"НачальныйОстаток={start}"]
        date = f"{year}-{month:02}-{day:02}"
        if has_end:
            lines.append(f"ДатаКонца={day:02}.{month:02}.{year}")
        for key, value in (("КонечныйОстаток", end), ("ВсегоПоступило", income),
                           ("ВсегоСписано", expense)):
            if value is not None:
                lines.append(f"{key}={value}")
        lines.append("КонецРасчСчет")
        expected.append((date, date if has_end else None, start, end, income, expense))
    lines.append("КонецФайла")
    result = velmora_py.parse("\n".join(lines))
    names = ["date_start", "date_end", "start_amount", "end_amount", "total_income",
             "total_expense"]
    for i, want in enumerate(expected):
        [interval] = result.accounts[str(i)].intervals
        assert tuple(getattr(interval, n) for n in names) == want
        assert interval == result.accounts[str(i)].intervals[0]
