import pytest

import statements
import velmora_py
from velmora_py import parse

HEADER = statements.statement_lines(sections=())[:-1]  # magic line and header, no end
DOC_START = "СекцияДокумент=Платежное поручение"
ACCOUNT = ["СекцияРасчСчет", "ДатаНачала=01.03.2024", "НачальныйОстаток=1000.00",
           "РасчСчет=40702810900000000001", "КонецРасчСчет"]


def text(*lines):
    return "\r\n".join(lines) + "\r\n"


def raised(statement, hooks=None):
    with pytest.raises(velmora_py.ParseError) as info:
        parse(statement, hooks)
    return info.value


# (lines, detail class, detail fields after lineno, message); the failing line is the last one.
SYNTAX_CASES = {
    "unrecognized": (
        [*HEADER, "просто текст"], "UnrecognizedLine", ("просто текст",),
        "Unrecognized line: 'просто текст'"),
    "unrecognized-quotes": (
        [*HEADER, ' "a\\b" \''], "UnrecognizedLine", ('"a\\b" \'',),
        "Unrecognized line: '\"a\\b\" ''"),
    "end-after-header": (
        [*HEADER, "КонецФайла"], "UnexpectedSection", ("КонецФайла", "header"),
        "Unexpected section 'КонецФайла' in context 'header'"),
    "magic-in-header": (
        [*HEADER, "1CClientBankExchange"], "UnexpectedSection", ("1CClientBankExchange", "header"),
        "Unexpected section '1CClientBankExchange' in context 'header'"),
    "document-in-document": (
        [*HEADER, DOC_START, "Номер=1", "СекцияДокумент =  Банковский ордер"], "UnexpectedSection",
        ("СекцияДокумент=Банковский ордер", "document"),
        "Unexpected section 'СекцияДокумент=Банковский ордер' in context 'document'"),
    "document-end-in-account": (
        [*HEADER, "СекцияРасчСчет", "КонецДокумента"], "UnexpectedSection",
        ("КонецДокумента", "account"),
        "Unexpected section 'КонецДокумента' in context 'account'"),
    "account-end-between-sections": (
        [*HEADER, *ACCOUNT, "КонецРасчСчет"], "UnexpectedSection",
        ("КонецРасчСчет", "read_next_section"),
        "Unexpected section 'КонецРасчСчет' in context 'read_next_section'"),
    "section-after-end": (
        [*HEADER, *ACCOUNT, "КонецФайла", "", "СекцияРасчСчет"], "UnexpectedSection",
        ("СекцияРасчСчет", "finished"),
        "Unexpected section 'СекцияРасчСчет' in context 'finished'"),
    "attribute-between-sections": (
        [*HEADER, *ACCOUNT, "Ключ = значение = ещё"], "UnexpectedAttribute",
        ("Ключ", "значение = ещё"), "Unexpected attribute 'Ключ' = 'значение = ещё'"),
    "empty-key-after-end": (
        [*HEADER, *ACCOUNT, "КонецФайла", "=x"], "UnexpectedAttribute", ("", "x"),
        "Unexpected attribute '' = 'x'"),
    "missing-account-number": (
        [*HEADER, *[line for line in ACCOUNT if not line.startswith("РасчСчет")]], "MissingField",
        ("РасчСчет", "account"), "Missing field 'РасчСчет' in context 'account'"),
    "account-build-failure": (
        [*HEADER, *[line for line in ACCOUNT if not line.startswith("ДатаНачала")]],
        "AccountParseError", ("missing field `ДатаНачала`",),
        "Account parse error: missing field `ДатаНачала`"),
}


@pytest.mark.parametrize("case", SYNTAX_CASES)
def test_syntax_errors(case):
    lines, detail_name, fields, message = SYNTAX_CASES[case]
    error = raised(text(*lines))
    assert type(error) is velmora_py.SyntaxError
    assert error.args == (message,)
    detail = error.detail
    assert type(detail) is getattr(velmora_py, detail_name)
    assert detail.__getnewargs__() == (len(lines), *fields)


def test_line_numbers_count_blank_lines():
    lines = [HEADER[0], "", "   ", *HEADER[1:], "", "мусор"]
    assert raised(text(*lines)).detail.lineno == len(lines)


@pytest.mark.parametrize(
    "hook, message",
    [
        (lambda kind, attrs, header: 1 / 0, "ZeroDivisionError: division by zero"),
        (lambda kind, attrs, header: attrs.__setitem__("Номер", 5),
         "TypeError: 'int' object is not an instance of 'str'"),
    ],
)
def test_hook_failure(hook, message):
    statement = statements.make_statement(sections=[statements.document(), statements.account()])
    error = raised(statement, [hook])
    assert type(error) is velmora_py.SyntaxError
    assert error.args == ("Hook error: " + message,)
    assert type(error.detail) is velmora_py.HookError
    assert error.detail.message == message
    assert error.detail.lineno == statements.closing_lines(statement)[0]
    assert error.__cause__ is None and error.__context__ is None


def test_hook_failure_stops_at_the_failing_section():
    calls = []

    def hook(kind, attrs, header):
        calls.append(attrs["Номер"])
        if len(calls) == 2:
            raise ValueError("второй")

    sections = [statements.document(Номер=str(n)) for n in range(3)]
    statement = statements.make_statement(sections=sections)
    error = raised(statement, [hook])
    assert calls == ["0", "1"]
    assert error.detail.lineno == statements.closing_lines(statement)[1]
    assert str(error) == "Hook error: ValueError: второй"


@pytest.mark.parametrize(
    "statement, cls, message",
    [
        (b"", velmora_py.EmptyInputError, "Input is empty"),
        ("", velmora_py.EmptyInputError, "Input is empty"),
        (b" \r\n\t ", velmora_py.EmptyInputError, "Input is empty"),
        (b"hello\r\n", velmora_py.NotStatementError, "Input is not a 1C statement"),
        (text(*HEADER), velmora_py.UnfinishedError, "Statement is not finished"),
        (text(*HEADER, *ACCOUNT), velmora_py.UnfinishedError, "Statement is not finished"),
    ],
)
def test_errors_without_detail(statement, cls, message):
    error = raised(statement)
    assert type(error) is cls
    assert error.args == (message,)
    assert not hasattr(error, "detail")


def test_document_failures_are_warnings_not_errors():
    statement = statements.make_statement(sections=[statements.document(Сумма="12,50"), statements.account()])
    result = parse(statement)
    assert result.documents == []
    assert [lineno for lineno, _ in result.warnings] == statements.closing_lines(statement)[:1]
