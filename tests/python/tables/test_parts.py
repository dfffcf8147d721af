"""A statement of some megabytes read in parts on several threads gives the
same tables as read whole on one, whether the parts join or the statement
has to be read whole after all (a broken statement, a cut that falls where
the parts cannot join)."""

import random
import re

import pytest
from hypothesis import assume, given

import velmora
from statement_grammar import encode, property_settings, statements
from statements import DOCUMENT, account_attrs, statement_lines
from velmora.tables import TABLE_NAMES

pa = pytest.importorskip("pyarrow")

# Each part is at least a mebibyte: three parts need three and more.
TARGET_BYTES = 3_300_000


def sections(rng, count):
    """Document sections, some of which do not build, some with keys no field takes."""
    out = []
    for i in range(count):
        attrs = dict(DOCUMENT, Номер=str(i), Сумма=f"{rng.randint(1, 10**9)}.{rng.randint(0, 99):02d}")
        roll = rng.random()
        if roll < 0.05:
            attrs.pop("Сумма")  # a warning
        elif roll < 0.10:
            attrs["Дата"] = "31.02.2024"  # a warning
        elif roll < 0.30:
            attrs["КвитанцияДата"] = "01.02.2024"
        out.append(("document", "Платежное поручение", attrs))
    return out


def big_statement(seed):
    """Lines of a statement larger than TARGET_BYTES, accounts first."""
    rng = random.Random(seed)
    head = [account_attrs(date_start="01.01.2024", start_amount="0.00")]
    lines = statement_lines(sections=head + sections(rng, 200))
    per_document = len("\n".join(lines).encode()) / 200
    return statement_lines(sections=head + sections(rng, int(TARGET_BYTES / per_document)))


def middle_closing(lines, fraction):
    """The index of the closing line of a document near `fraction` of the lines."""
    at = int(len(lines) * fraction)
    return lines.index("КонецДокумента", at)


def unclosed_document(lines):
    """A document left open before the first cut: the whole fails there."""
    del lines[middle_closing(lines, 0.4)]
    return lines


def account_after_documents(lines):
    """An account section in a later part: accounts merge across the statement."""
    at = middle_closing(lines, 0.8) + 1
    lines[at:at] = ["СекцияРасчСчет", "РасчСчет=40702810000000000001", "ДатаНачала=01.02.2024",
                    "НачальныйОстаток=5.00", "КонецРасчСчет"]
    return lines


def bad_line_late(lines):
    lines.insert(middle_closing(lines, 0.9), "строка без знака равенства")
    return lines


def no_file_end(lines):
    lines.remove("КонецФайла")
    return lines


def stray_attribute_between(lines):
    lines.insert(middle_closing(lines, 0.6) + 1, "Ключ=между секциями")
    return lines


def opening_inside_section(lines):
    """A line inside a section that starts as a document opening does, near a cut:
    an attribute whose key no field takes."""
    at = middle_closing(lines, 0.5)
    lines.insert(at, "СекцияДокументы=не маркер")
    return lines


MUTATIONS = [None, unclosed_document, account_after_documents, bad_line_late, no_file_end,
             stray_attribute_between, opening_inside_section]


def encoded(lines, encoding, newline):
    text = newline.join(lines) + newline
    return text.encode("cp1251") if encoding == "cp1251" else text.encode()


def assert_same_tables(data, threads):
    whole = velmora.read_tables(data, threads=1)
    parts = velmora.read_tables(data, threads=threads)
    for name in TABLE_NAMES:
        expected, got = pa.table(whole[name]), pa.table(parts[name])
        assert got.schema == expected.schema, name
        assert got.combine_chunks().equals(expected.combine_chunks()), name
    return parts


@pytest.mark.parametrize("mutation", MUTATIONS, ids=lambda m: m.__name__ if m else "intact")
@pytest.mark.parametrize("encoding", ["utf-8", "cp1251"])
def test_parts_give_the_tables_of_the_whole(mutation, encoding):
    lines = big_statement(seed=len(MUTATIONS) + (mutation is None))
    if mutation is not None:
        lines = mutation(lines)
    data = encoded(lines, encoding, "\r\n" if encoding == "cp1251" else "\n")
    parts = assert_same_tables(data, threads=3)
    # Only the mutations that break the statement leave an error row.
    intact = mutation in (None, opening_inside_section, account_after_documents)
    assert parts.errors.num_rows == (0 if intact else 1)


@pytest.mark.parametrize("threads", [2, 4, 7, 10**9])
def test_an_intact_statement_is_read_in_parts_with_positions_and_lines_of_the_whole(threads):
    lines = big_statement(seed=threads)
    data = b"\xef\xbb\xbf" + encoded(lines, "utf-8", "\n")
    parts = assert_same_tables(data, threads)
    documents = pa.table(parts.documents)
    assert documents.column("document").num_chunks > 1
    assert documents.column("document").to_pylist() == list(range(documents.num_rows))
    # Every warning points at the closing line of its section.
    for row in pa.table(parts.warnings).to_pylist():
        assert lines[row["line"] - 1] == "КонецДокумента"


def tiled(generated):
    """The generated statement with the run of lines from its first document
    opening to its end line repeated until it is large enough to be cut."""
    lines = re.split(r"(?<=\n)", generated.text)
    starts = [i for i, line in enumerate(lines) if line.strip().startswith("СекцияДокумент")]
    ends = [i for i, line in enumerate(lines) if line.strip() == "КонецФайла"]
    if not starts or not ends or starts[0] >= ends[-1] or not lines[ends[-1] - 1].endswith("\n"):
        return None
    body = "".join(lines[starts[0]:ends[-1]])
    copies = TARGET_BYTES // max(1, len(body.encode())) + 1
    text = "".join(lines[:starts[0]]) + body * copies + "".join(lines[ends[-1]:])
    return encode(text, generated.encoding)


@property_settings(25)
@given(statements(faults=True, encodings=("utf-8", "utf-8-sig", "cp1251")))
def test_generated_statements_large_enough_to_cut_give_the_tables_of_the_whole(generated):
    data = tiled(generated)
    assume(data is not None)
    assert_same_tables(data, threads=3)
