"""Many threads using the module at once get exactly what one thread gets
alone: parses with and without hooks, failing parses, shared inputs and
shared hooks, and the first use of every class in a fresh interpreter. On a
free-threaded interpreter the threads really run in parallel; elsewhere the
hook-less parses still run without the interpreter lock."""

import json
import os
import random
import subprocess
import sys
import sysconfig
import threading
import time

import pytest

import velmora_py
from velmora_py import SectionType
from statements import DOCUMENT_FIELDS, account, document, full_document_attrs, make_statement

THREADS = 8
CALLS_PER_THREAD = 240
FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))

DOCUMENT_NAMES = [name for name, _, _ in DOCUMENT_FIELDS]
INTERVAL_NAMES = ["date_start", "date_end", "start_amount", "end_amount", "total_income",
                  "total_expense"]


def describe(outcome):
    """Everything a caller can read from a result or an exception, as plain
    values that compare by content."""
    if isinstance(outcome, BaseException):
        detail = getattr(outcome, "detail", None)
        return ("raised", type(outcome).__qualname__, outcome.args, repr(detail),
                None if detail is None else detail.__getnewargs__())
    accounts = [(number, repr(acc), acc.number,
                 [tuple(getattr(i, name) for name in INTERVAL_NAMES) for i in acc.intervals])
                for number, acc in outcome.accounts.items()]
    documents = [(repr(doc),) + tuple(getattr(doc, name) for name in DOCUMENT_NAMES)
                 for doc in outcome.documents]
    return ("parsed", repr(outcome), outcome.encoding, list(outcome.header.items()), accounts,
            documents, list(outcome.warnings))


def outcome_of(data, hooks=None):
    try:
        return describe(velmora_py.parse(data, hooks))
    except velmora_py.ParseError as error:
        return describe(error)


# --- inputs ---------------------------------------------------------------

FULL_ATTRS, _ = full_document_attrs()


def sections(count):
    out = []
    for n in range(count):
        out.append(document(Номер=str(n), Сумма=f"{n}.{n % 100:02d}"))
        if n % 3 == 0:
            out.append(account(ДатаНачала=f"{n % 28 + 1:02d}.01.2024", НачальныйОстаток=f"{n}"))
        if n % 5 == 0:
            out.append(document(Дата=f"{n}.13.2024"))  # a warning
    out.append(("document", "Платежное поручение", FULL_ATTRS))
    return out


TEXT = make_statement(None, sections(12))
SHARED = TEXT.encode("cp1251")  # the one bytes object that every thread parses
MAGIC = "1CClientBankExchange\r\n"


def bad(*lines):
    return (MAGIC + "\r\n".join(lines) + "\r\n").encode()


FAILING = [
    b"",
    b"\xff\xfe\x00",
    bad("СекцияРасчСчет", "ДатаНачала=01.01.2024", "НачальныйОстаток=1", "КонецРасчСчет"),
    bad("КонецФайла"),
    bad("Строка без знака равенства"),
    bad("СекцияРасчСчет", "ДатаНачала=01.01.2024", "НачальныйОстаток=1,5", "РасчСчет=1",
        "КонецРасчСчет"),
    bad("СекцияРасчСчет", "ДатаНачала=01.01.2024", "НачальныйОстаток=1", "РасчСчет=1",
        "КонецРасчСчет"),
    SHARED[:len(SHARED) // 2],
]


# Hooks shared by every thread. They keep no state of their own, so each
# call's outcome depends on its input alone.
def uppercase(section_type, attrs, header):
    assert section_type is SectionType.Document or section_type is SectionType.Account
    for key in attrs:
        attrs[key] = attrs[key].upper()


def add_and_delete(section_type, attrs, header):
    if section_type != SectionType.Document:
        return
    if attrs.get("Номер") == "4":
        del attrs["Дата"]  # this document becomes a warning
    attrs["ВидОплаты"] = attrs.get("Номер", "") + "!"


def let_others_run(section_type, attrs, header):
    time.sleep(0)  # gives up the interpreter lock in the middle of a parse


def fail_on_account(section_type, attrs, header):
    if section_type == SectionType.Account:
        raise LookupError(f"счёт {attrs.get('РасчСчет')}")


def wrong_value(section_type, attrs, header):
    attrs["Сумма"] = 1


SHARED_HOOKS = [uppercase, let_others_run, add_and_delete]

JOBS = [(SHARED, None), (TEXT, None), (TEXT.encode(), []), (SHARED, SHARED_HOOKS),
        (TEXT, [let_others_run, fail_on_account]), (SHARED, [wrong_value]), (SHARED, (5,))]
JOBS += [(data, None) for data in FAILING] + [(data, [uppercase]) for data in FAILING]


def run_threads(work):
    """Runs work(index) on THREADS threads released together; returns the
    exceptions they raised."""
    barrier = threading.Barrier(THREADS)
    raised = []

    def body(index):
        try:
            barrier.wait()
            work(index)
        except BaseException as error:  # noqa: BLE001 - reported by the caller
            raised.append(error)

    threads = [threading.Thread(target=body, args=(i,)) for i in range(THREADS)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return raised


def test_parallel_parses_match_a_lone_parse():
    expected = [outcome_of(data, hooks) for data, hooks in JOBS]
    kinds = {e[1] for e in expected}
    assert {"SyntaxError", "EmptyInputError", "NotStatementError", "UnfinishedError"} <= kinds
    assert "parsed" in {e[0] for e in expected}
    mismatches = []

    def work(index):
        rng = random.Random(index)
        order = [0] + [rng.randrange(len(JOBS)) for _ in range(CALLS_PER_THREAD - 1)]
        for job in order:
            data, hooks = JOBS[job]
            got = outcome_of(data, hooks)
            if got != expected[job]:
                mismatches.append((index, job, got))

    assert run_threads(work) == []
    assert mismatches == []


def test_threads_read_one_result_at_once():
    statement = velmora_py.parse(SHARED)
    expected = describe(statement)

    def work(index):
        for _ in range(CALLS_PER_THREAD // 4):
            assert describe(statement) == expected

    assert run_threads(work) == []


def test_threads_encode_one_fresh_str_at_once():
    # A str keeps its UTF-8 form once made; each round hands all threads a
    # str that has none yet, so they race to make it. The expected outcomes
    # come from equal but distinct strings.
    rounds = CALLS_PER_THREAD // 4

    def texts():
        return ["".join([MAGIC, "Прочее=", str(n), TEXT[len(MAGIC):]]) for n in range(rounds)]

    expected = [outcome_of(text) for text in texts()]
    raced = texts()
    barrier = threading.Barrier(THREADS)

    def work(index):
        for text, want in zip(raced, expected):
            barrier.wait()
            assert outcome_of(text) == want

    assert run_threads(work) == []


# --- first use in a fresh interpreter -------------------------------------

FIRST_USE = r"""
import importlib.util, json, sys, threading

given = json.load(sys.stdin)
THREADS, TEXT, FAILURES = given["threads"], given["text"], given["failures"]
spec = importlib.util.find_spec("velmora_py")
barrier = threading.Barrier(THREADS)
seen = [None] * THREADS
problems = []


def touch(index):
    try:
        barrier.wait()
        # Each thread runs the module's exec step on a module object of its
        # own, so the classes' create-once cells are filled concurrently.
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        # parse is a function of each module object; the classes are shared.
        ids = {name: id(getattr(module, name)) for name in module.__all__ if name != "parse"}
        ids["parse bound to its module"] = module.parse.__self__ is module
        ids["SectionType.Document"] = id(module.SectionType.Document)
        ids["SectionType.Account"] = id(module.SectionType.Account)
        members = set()
        statement = module.parse(TEXT, [lambda t, a, h: members.add(id(t))])
        ids["members"] = sorted(members)
        ids["type(Statement)"] = id(type(statement))
        account = next(iter(statement.accounts.values()))
        ids["type(Account)"] = id(type(account))
        ids["type(Interval)"] = id(type(account.intervals[0]))
        ids["type(Document)"] = id(type(statement.documents[0]))
        for text in FAILURES:
            try:
                module.parse(text)
            except module.ParseError as error:
                ids["raised " + type(error).__qualname__] = id(type(error))
                detail = getattr(error, "detail", None)
                if detail is not None:
                    ids["detail " + type(detail).__name__] = id(type(detail))
        try:
            module.parse(TEXT, 5)
        except TypeError as error:
            ids["hooks message"] = str(error)
        seen[index] = ids
    except BaseException as error:
        problems.append(repr(error))


threads = [threading.Thread(target=touch, args=(i,)) for i in range(THREADS)]
for t in threads:
    t.start()
for t in threads:
    t.join()
import velmora_py
main = {name: id(getattr(velmora_py, name)) for name in velmora_py.__all__ if name != "parse"}
gil = sys._is_gil_enabled() if hasattr(sys, "_is_gil_enabled") else True
print(json.dumps({"seen": seen, "problems": problems, "main": main, "gil": gil}))
"""

FIRST_USE_TEXT = make_statement(None, [account(), document()])
FIRST_USE_FAILURES = [
    "",
    "Не выписка",
    MAGIC,
    MAGIC + "КонецФайла",
    MAGIC + "строка",
    MAGIC + "СекцияРасчСчет\r\nКонецРасчСчет",
    MAGIC + "СекцияРасчСчет\r\nДатаНачала=01.01.2024\r\nНачальныйОстаток=1\r\nКонецРасчСчет",
    MAGIC + "СекцияРасчСчет\r\nДатаНачала=01.01.2024\r\nНачальныйОстаток=1\r\nРасчСчет=1\r\n"
    "КонецРасчСчет\r\nКлюч=значение",
]


def fresh_interpreter_first_use():
    env = {k: v for k, v in os.environ.items() if k != "PYTHON_GIL"}
    env["PYTHONPATH"] = os.pathsep.join(p for p in sys.path if p)
    given = {"threads": THREADS, "text": FIRST_USE_TEXT, "failures": FIRST_USE_FAILURES}
    result = subprocess.run([sys.executable, "-c", FIRST_USE], input=json.dumps(given),
                            capture_output=True, text=True, env=env, timeout=120)
    assert result.returncode == 0, result.stderr
    return json.loads(result.stdout)


@pytest.mark.parametrize("attempt", range(4))
def test_concurrent_first_use_sees_one_object_per_class(attempt):
    report = fresh_interpreter_first_use()
    assert report["problems"] == []
    first, *others = report["seen"]
    assert all(ids == first for ids in others)
    for name, value in report["main"].items():
        assert first[name] == value, name
    assert first["members"] == sorted([first["SectionType.Document"],
                                       first["SectionType.Account"]])
    assert first["parse bound to its module"] is True
    assert first["hooks message"] == "'int' object is not an instance of 'Sequence'"
    raised = {name for name in first if name.startswith(("raised ", "detail "))}
    assert raised == {
        "raised EmptyInputError", "raised NotStatementError", "raised UnfinishedError",
        "raised SyntaxError", "detail UnexpectedSection", "detail UnrecognizedLine",
        "detail UnexpectedAttribute", "detail MissingField", "detail AccountParseError"}
    if FREE_THREADED:
        # The module declares that it runs without the GIL; importing it
        # (eight times over) must not have switched the GIL back on.
        assert report["gil"] is False
