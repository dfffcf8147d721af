import builtins
import importlib
import sys

import pytest

import velmora_py

EXPECTED_ALL = [
    "Interval", "Account", "Document", "Statement", "SectionType",
    "UnexpectedSection", "UnexpectedAttribute", "UnrecognizedLine", "MissingField",
    "AccountParseError", "DocumentParseError", "HookError",
    "parse",
    "ParseError", "NotStatementError", "EmptyInputError", "UnfinishedError", "SyntaxError",
]

EXCEPTIONS = ["ParseError", "SyntaxError", "NotStatementError", "EmptyInputError", "UnfinishedError"]
DETAILS = EXPECTED_ALL[5:12]


def test_all_lists_every_name_in_registration_order():
    assert velmora_py.__all__ == EXPECTED_ALL
    for name in EXPECTED_ALL:
        assert getattr(velmora_py, name) is not None


def test_module_docstring_is_empty():
    assert velmora_py.__doc__ == ""


@pytest.mark.parametrize("name", EXCEPTIONS)
def test_exception_classes(name):
    cls = getattr(velmora_py, name)
    assert cls.__module__ == "velmora_py"
    assert cls.__qualname__ == name
    assert cls.__doc__ is None
    base = Exception if name == "ParseError" else velmora_py.ParseError
    assert cls.__bases__ == (base,)
    assert not issubclass(cls, builtins.SyntaxError)
    exc = cls("text")
    assert exc.args == ("text",) and str(exc) == "text"
    subclass = type("Custom", (cls,), {})
    with pytest.raises(velmora_py.ParseError):
        raise subclass("x")


@pytest.mark.parametrize("name", DETAILS + ["SectionType"])
def test_own_classes_are_not_exceptions(name):
    assert not issubclass(getattr(velmora_py, name), BaseException)


def test_parse_is_a_builtin_bound_to_the_module():
    parse = velmora_py.parse
    assert parse.__name__ == "parse"
    assert parse.__module__ == "velmora_py"
    assert parse.__self__ is velmora_py
    assert parse.__text_signature__ == "(statement, hooks=None)"
    doc = parse.__doc__
    assert doc.startswith("Парсит выписку 1CClientBankExchange из байтов или строки.\n\n# Аргументы\n")
    assert doc.endswith("\n* `ParseError` - Для прочих ошибок парсинга")


@pytest.fixture
def reimported():
    """A second module object made by importing the module afresh."""
    first = sys.modules.pop("velmora_py")
    try:
        yield importlib.import_module("velmora_py")
    finally:
        sys.modules["velmora_py"] = first


def test_reimport_shares_the_classes(reimported):
    assert reimported is not velmora_py
    assert reimported.__all__ == EXPECTED_ALL
    assert reimported.__all__ is not velmora_py.__all__
    for name in EXPECTED_ALL:
        if name != "parse":
            assert getattr(reimported, name) is getattr(velmora_py, name)
    assert reimported.parse.__self__ is reimported
    with pytest.raises(velmora_py.EmptyInputError):
        reimported.parse(b"")
    assert reimported.SectionType.Document is velmora_py.SectionType.Document


def test_subinterpreters_refuse_the_module():
    interpreters = pytest.importorskip("_interpreters")
    interp = interpreters.create()
    try:
        failure = interpreters.run_string(interp, "import velmora_py")
    finally:
        interpreters.destroy(interp)
    assert failure is not None
    assert failure.type.__name__ == "ImportError"
