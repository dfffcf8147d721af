"""Whatever it is given, parse returns a Statement or raises one of the
module's parse errors, and everything it reports points at the input: a
detail's line exists and holds what the detail says, a warning sits on a
document's closing line, and the kind of failure agrees with the input's first
and last lines."""

import pytest
from hypothesis import given, strategies as st

import velmora_py
from statement_grammar import (
    MAGIC, decoded_lines, is_valid_utf8, line_bound, property_settings, statements, trim,
)

RAISED = (velmora_py.SyntaxError, velmora_py.NotStatementError, velmora_py.EmptyInputError,
          velmora_py.UnfinishedError)
PLAIN_MARKERS = {"1CClientBankExchange", "СекцияРасчСчет", "КонецРасчСчет", "КонецДокумента",
                 "КонецФайла"}
CONTEXTS = {"header", "document", "account", "finished", "read_next_section"}

# The message of each syntax error, from its detail's fields.
MESSAGES = {
    velmora_py.UnexpectedSection: lambda d: f"Unexpected section '{d.found}' in context '{d.context}'",
    velmora_py.UnexpectedAttribute: lambda d: f"Unexpected attribute '{d.key}' = '{d.value}'",
    velmora_py.UnrecognizedLine: lambda d: f"Unrecognized line: '{d.line}'",
    velmora_py.MissingField: lambda d: f"Missing field '{d.field}' in context '{d.context}'",
    velmora_py.AccountParseError: lambda d: f"Account parse error: {d.message}",
}


def split(line):
    key, _, value = line.partition("=")
    return trim(key), trim(value)


def check_detail(detail, line):
    """What the line that a syntax error names must hold, by the kind."""
    assert line, "an error names a blank line"
    kind = type(detail)
    if kind is velmora_py.UnrecognizedLine:
        assert detail.line == line and "=" not in line
    elif kind is velmora_py.UnexpectedAttribute:
        assert "=" in line and (detail.key, detail.value) == split(line)
        assert detail.key != "СекцияДокумент"
    elif kind is velmora_py.UnexpectedSection:
        assert detail.context in CONTEXTS, detail
        if "=" in line:
            key, doc_type = split(line)
            assert key == "СекцияДокумент" and detail.found == "СекцияДокумент=" + doc_type
        else:
            assert detail.found == line and line in PLAIN_MARKERS
    elif kind is velmora_py.MissingField:
        assert (detail.field, detail.context, line) == ("РасчСчет", "account", "КонецРасчСчет")
    else:
        assert kind is velmora_py.AccountParseError and line == "КонецРасчСчет"


def outcome(statement):
    """parse's outcome, checked against the input; a crash or any exception
    that is not a parse error fails the test on its own."""
    data = statement.encode("utf-8") if isinstance(statement, str) else statement
    lines, known = decoded_lines(data)
    bound = line_bound(data)
    nonblank = [trim(line) for line in lines if trim(line)] if known else None
    empty = data.strip(b" \t\n\x0c\r") == b""
    try:
        result = velmora_py.parse(statement)
    except velmora_py.ParseError as error:
        assert type(error) in RAISED, error
        assert error.args == (str(error),)
        assert isinstance(error, velmora_py.EmptyInputError) == empty, (error, data)
        if not isinstance(error, velmora_py.SyntaxError):
            assert not hasattr(error, "detail")
        if isinstance(error, velmora_py.NotStatementError) and is_valid_utf8(data):
            assert not lines or trim(lines[0]) != MAGIC
        if known and not isinstance(error, (velmora_py.NotStatementError, velmora_py.EmptyInputError)):
            assert trim(lines[0]) == MAGIC
        if isinstance(error, velmora_py.UnfinishedError) and known:
            # Reaching the end marker finishes the statement; an unexpected
            # one would have been a syntax error.
            assert nonblank[-1] != "КонецФайла"
        if isinstance(error, velmora_py.SyntaxError):
            detail = error.detail
            assert type(detail) in MESSAGES, detail    # no hooks: no HookError
            assert str(error) == MESSAGES[type(detail)](detail)
            assert 1 <= detail.lineno <= bound
            if known:
                assert detail.lineno <= len(lines)
                check_detail(detail, trim(lines[detail.lineno - 1]))
        return ("raised", type(error), error.args, repr(getattr(error, "detail", None)))

    assert type(result) is velmora_py.Statement
    assert not empty
    assert result.encoding in ("utf-8", "cp1251")
    assert (result.encoding == "utf-8") == is_valid_utf8(data)
    linenos = [lineno for lineno, _ in result.warnings]
    assert linenos == sorted(set(linenos))
    assert all(1 <= lineno <= bound for lineno in linenos)
    if known:
        assert trim(lines[0]) == MAGIC and nonblank[-1] == "КонецФайла"
        for lineno in linenos:
            assert trim(lines[lineno - 1]) == "КонецДокумента"
        # Every closed section is a document, a warning or an interval.
        assert len(result.documents) + len(result.warnings) == nonblank.count("КонецДокумента")
        intervals = sum(len(account.intervals) for account in result.accounts.values())
        assert len(result.accounts) <= intervals <= nonblank.count("КонецРасчСчет")
    return ("parsed", result.encoding, result.header, result.accounts, result.documents,
            result.warnings)


# --- inputs ---------------------------------------------------------------------

# Lines that drive the reader through every state and most of its errors.
TOKENS = [
    MAGIC, " 1CClientBankExchange ", "СекцияРасчСчет", "КонецРасчСчет",
    "СекцияДокумент=Платежное поручение",
    "СекцияДокумент =", "КонецДокумента", "КонецФайла", "КонецФайла=1", "Номер=1",
    "Дата=05.03.2024", "Дата=31.02.2024", "Сумма=1.5E3", "Сумма=12,50", "РасчСчет=4070",
    "ДатаНачала=01.01.2024", "НачальныйОстаток=5", "НачальныйОстаток=", "ДатаКонца=",
    "НазначениеПлатежа=x", "ПлательщикИНН=1", "=", "=x", "x", "", " ", "\t\r", "\u00a0",
    "ВерсияФормата=1.03", "Плательщик=ООО «Ромашка»", "1cclientbankexchange",
]
CHUNKS = st.sampled_from(TOKENS) | st.text(max_size=6)


@st.composite
def token_soups(draw, as_str=False):
    # Mostly past the magic line, where the reader's states are.
    first = draw(st.sampled_from([MAGIC, MAGIC, MAGIC + " \r", "1CClientBankExchange=", ""]))
    text = "\n".join([first] + draw(st.lists(CHUNKS, max_size=25)))
    if as_str:
        return text
    encoding = draw(st.sampled_from(["utf-8", "cp1251", "utf-16"]))
    return text.encode(encoding, errors="replace")


def mutated(base):
    """base changed a few times: a unit replaced, inserted or dropped, the
    text cut short, a line doubled, dropped or moved."""
    # Mostly characters that the grammar gives a meaning, so that the edits
    # reach the reader more often than the decoding checks.
    meaningful = "=\n\r \t.,-+eE0_"
    if isinstance(base, str):
        unit = st.sampled_from(meaningful) | st.characters()
    else:
        unit = (st.sampled_from(meaningful.encode()).map(lambda b: bytes([b]))
                | st.binary(min_size=1, max_size=1))
    newline = "\n" if isinstance(base, str) else b"\n"
    edit = st.tuples(st.sampled_from(["replace", "insert", "delete", "cut", "double", "drop", "move"]),
                     st.integers(0, 10**6), st.integers(0, 10**6), unit)

    def apply(edits):
        data = base
        for kind, at, other, new in edits:
            # Hypothesis favours small integers; scattered, they still reach
            # every part of the input, not mostly its magic first line.
            at, other = at * 2654435761, other * 2654435761
            i = at % (len(data) + 1)
            if kind == "replace":
                data = data[:i] + new + data[i + 1:]
            elif kind == "insert":
                data = data[:i] + new + data[i:]
            elif kind == "delete":
                data = data[:i] + data[i + 1:]
            elif kind == "cut":
                data = data[:i]
            else:
                lines = data.split(newline)
                j, k = at % len(lines), other % len(lines)
                if kind == "double":
                    lines.insert(j, lines[j])
                elif kind == "drop":
                    del lines[j]
                else:
                    lines.insert(k, lines.pop(j))
                data = newline.join(lines)
        return data

    return st.lists(edit, min_size=1, max_size=4).map(apply)


MAGIC_BYTES = MAGIC.encode()
random_bytes = st.one_of(
    st.binary(max_size=64),
    st.binary(max_size=64).map(lambda tail: MAGIC_BYTES + tail),
    st.binary(max_size=64).map(lambda tail: b"\xef\xbb\xbf" + MAGIC_BYTES + b"\r\n" + tail),
    st.sampled_from([b"\xff\xfe", b"\xfe\xff", b"\xef\xbb\xbf\xef\xbb\xbf", b"\xef\xbb\xbf"]).flatmap(
        lambda mark: st.binary(max_size=64).map(lambda tail: mark + tail)),
    st.lists(st.sampled_from(b" \t\n\x0b\x0c\r"), max_size=8).map(bytes),
    token_soups(),
)


@property_settings(max_examples=300)
@given(random_bytes)
def test_arbitrary_bytes(data):
    outcome(data)


def mutated_bytes(generated):
    """Edits of the bytes, which mostly break the decoding, and edits of the
    text before it is encoded, which mostly reach the reader."""
    codec = "cp1251" if generated.encoding == "cp1251" else "utf-8"
    as_text = mutated(generated.text).map(
        lambda text: generated.data[:len(generated.data) - len(generated.text.encode(codec))]
        + text.encode(codec, errors="replace"))
    return mutated(generated.data) | as_text


@property_settings(max_examples=150)
@given(statements(encodings=("utf-8", "utf-8-sig", "cp1251"), max_sections=3).flatmap(mutated_bytes))
def test_mutated_statement_bytes(data):
    outcome(data)


@property_settings(max_examples=200)
@given(st.one_of(st.text(max_size=40), st.text(max_size=40).map(lambda t: MAGIC + "\n" + t),
                 token_soups(as_str=True),
                 statements(encodings=("str",), max_sections=3).flatmap(
                     lambda generated: mutated(generated.text))))
def test_arbitrary_text_is_read_as_its_utf8_bytes(text):
    assert outcome(text) == outcome(text.encode("utf-8"))


# Lone surrogates cannot become UTF-8, and a str is not bytes: the statement
# argument is refused as a whole, before any parsing.
@property_settings(max_examples=60)
@given(st.text(max_size=20), st.text(max_size=20), st.integers(0xD800, 0xDFFF),
       st.sampled_from([None, [], [print]]))
def test_text_with_a_lone_surrogate_is_refused(before, after, surrogate, hooks):
    statement = MAGIC + "\n" + before + chr(surrogate) + after
    with pytest.raises(TypeError) as raised:
        velmora_py.parse(statement, hooks)
    assert type(raised.value) is TypeError
    assert raised.value.args == ("statement must be bytes or str",)
    assert getattr(raised.value, "__notes__", None) is None
