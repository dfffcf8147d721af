import threading

import pytest

import statements
import velmora_py
from velmora_py import parse

TEXT = statements.make_statement(sections=[statements.account(), statements.document()])


def summary(result):
    """Everything a Statement shows, as plain values."""
    return (
        result.encoding,
        result.header,
        {number: repr(account) for number, account in result.accounts.items()},
        [repr(document) for document in result.documents],
        result.warnings,
    )


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: parse(), "parse() missing 1 required positional argument: 'statement'"),
        (lambda: parse(hooks=None), "parse() missing 1 required positional argument: 'statement'"),
        (lambda: parse(TEXT, None, None),
         "parse() takes from 1 to 2 positional arguments but 3 were given"),
        (lambda: parse(TEXT, hook=[]), "parse() got an unexpected keyword argument 'hook'"),
        (lambda: parse(TEXT, statement=TEXT),
         "parse() got multiple values for argument 'statement'"),
        (lambda: parse(TEXT, [], hooks=[]), "parse() got multiple values for argument 'hooks'"),
        (lambda: parse(**{"statement": TEXT, "x y": 1}),
         "parse() got an unexpected keyword argument 'x y'"),
    ],
)
def test_binding_messages(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message
    assert not hasattr(info.value, "__notes__")


def test_both_parameters_by_keyword():
    seen = []
    result = parse(hooks=[lambda *args: seen.append(args[0])], statement=TEXT)
    assert len(seen) == 2 and summary(result) == summary(parse(TEXT))


class LyingLength:
    """A sequence whose reported length is useless as a size hint."""

    def __init__(self, items, length):
        self.items, self.length = items, length

    def __len__(self):
        if isinstance(self.length, Exception):
            raise self.length
        return self.length

    def __getitem__(self, index):
        return self.items[index]


class BrokenIteration(LyingLength):
    def __iter__(self):
        raise RuntimeError("no iteration")


@pytest.mark.parametrize(
    "hooks, error, message",
    [
        ("abc", TypeError, "Can't extract `str` to `Vec`"),
        ("", TypeError, "Can't extract `str` to `Vec`"),
        (5, TypeError, "'int' object is not an instance of 'Sequence'"),
        ({}, TypeError, "'dict' object is not an instance of 'Sequence'"),
        ({print}, TypeError, "'set' object is not an instance of 'Sequence'"),
        (iter([print]), TypeError, "'list_iterator' object is not an instance of 'Sequence'"),
        (BrokenIteration([], 0), RuntimeError, "no iteration"),
    ],
)
def test_refused_hooks_carry_a_note(hooks, error, message):
    with pytest.raises(error) as info:
        parse(TEXT, hooks)
    assert str(info.value) == message
    assert info.value.__notes__ == ["while processing 'hooks'"]


def test_hooks_error_wins_over_statement_error():
    with pytest.raises(TypeError) as info:
        parse(5, hooks="abc")
    assert str(info.value) == "Can't extract `str` to `Vec`"


@pytest.mark.parametrize(
    "hooks", [None, [], (), LyingLength([], ValueError("no len")), LyingLength([], 2**62)],
    ids=["none", "list", "tuple", "len-raises", "huge-len"])
def test_empty_hook_collections(hooks):
    assert summary(parse(TEXT, hooks)) == summary(parse(TEXT))


def test_lying_length_does_not_limit_the_hooks():
    seen = []
    hooks = LyingLength([lambda *a: seen.append(1), lambda *a: seen.append(2)], 0)
    parse(TEXT, hooks)
    assert seen == [1, 2, 1, 2]


@pytest.mark.parametrize("hooks", [[1], [None], b"\x01", bytearray(b"ab")])
def test_items_are_not_examined_before_a_section(hooks):
    with pytest.raises(velmora_py.EmptyInputError):
        parse(b"", hooks)
    with pytest.raises(velmora_py.SyntaxError) as info:
        parse(TEXT, hooks)
    assert isinstance(info.value.detail, velmora_py.HookError)


@pytest.mark.parametrize(
    "statement",
    [bytearray(TEXT.encode()), memoryview(TEXT.encode()), 5, None, [TEXT], "\ud800", TEXT + "\udfff"],
    ids=["bytearray", "memoryview", "int", "none", "list", "surrogate", "trailing-surrogate"],
)
def test_refused_statements(statement):
    with pytest.raises(TypeError) as info:
        parse(statement)
    assert str(info.value) == "statement must be bytes or str"
    assert not hasattr(info.value, "__notes__")


class Bytes(bytes):
    pass


class Text(str):
    pass


@pytest.mark.parametrize("statement", [TEXT.encode(), Bytes(TEXT.encode()), Text(TEXT)],
                         ids=["bytes", "bytes-subclass", "str-subclass"])
def test_str_and_bytes_give_equal_results(statement):
    assert summary(parse(statement)) == summary(parse(TEXT))
    assert parse(statement).encoding == "utf-8"


def test_nul_bytes_are_data():
    with pytest.raises(velmora_py.SyntaxError) as info:
        parse(TEXT.replace("КонецФайла", "Кон\0ец"))
    assert info.value.detail.line == "Кон\0ец"


@pytest.mark.parametrize("with_hooks", [False, True])
def test_concurrent_calls_share_nothing(with_hooks):
    texts = [statements.make_statement(sections=[statements.document(Номер=str(n))]) for n in range(8)]
    results = [None] * len(texts)

    def work(index):
        hooks = [lambda kind, attrs, header: None] if with_hooks else None
        for _ in range(20):
            results[index] = summary(parse(texts[index], hooks))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(texts))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert results == [summary(parse(text)) for text in texts]
