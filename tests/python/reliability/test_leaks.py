"""Every path through the module, repeated many times, leaves the process
where it was: no growth of the interpreter's allocated blocks, of the
references held on the module's objects, of the native heap or of the
resident memory. A leak of one object per call shows up as hundreds of
blocks per sample; the inputs carry a large text so that a leaked native
copy shows up in the heap and the resident size too."""

import gc
import os
import pickle
import statistics
import sys

import pytest

import velmora_py
from velmora_py import SectionType
from statements import DOCUMENT_FIELDS, account, document, full_document_attrs, make_statement

WARMUP = 60
ROUNDS = 100
SAMPLES = 5

# Allowances per sample of ROUNDS calls, taken on the median sample: below
# one object or one payload per call, above the interpreter's own settling.
BLOCK_SLACK = ROUNDS // 10
REF_SLACK = ROUNDS // 15
HEAP_SLACK = 8 * 1024
RSS_SLACK = 1024 * 1024

PAGE = os.sysconf("SC_PAGE_SIZE")

# Large enough that a leaked copy per call (ROUNDS of them per sample)
# stands far above the heap and resident allowances. Paths that quote a text
# (reprs, amount messages) take a shorter one, which the native heap's exact
# count still catches.
PAYLOAD = "Оплата по договору № 5/2024; " * 600
SHORT = PAYLOAD[:300]


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE


def _native_heap_probe():
    """Bytes in use in the C library's heap, where the core's and the
    module's C++ objects live; None where it cannot be read."""
    try:
        import ctypes

        mallinfo2 = ctypes.CDLL(None).mallinfo2
    except (ImportError, OSError, AttributeError):
        return None
    fields = ["arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks",
              "uordblks", "fordblks", "keepcost"]
    mallinfo2.restype = type("Mallinfo2", (ctypes.Structure,),
                             {"_fields_": [(name, ctypes.c_size_t) for name in fields]})
    mallinfo2.argtypes = []

    def in_use():
        info = mallinfo2()
        return info.uordblks + info.hblkhd

    return in_use


native_heap = _native_heap_probe()

MODULE_OBJECTS = [getattr(velmora_py, name) for name in velmora_py.__all__]
MODULE_OBJECTS += [SectionType.Document, SectionType.Account]


def held_references(extra):
    return sum(sys.getrefcount(obj) for obj in MODULE_OBJECTS + extra)


# The interpreter's method cache holds a reference to each attribute-name
# object it has looked up, and C callers such as PyObject_CallMethod make a
# new name object on every call: bounded, but slow to fill, so it is emptied
# before each measure.
clear_caches = getattr(sys, "_clear_internal_caches", None) or sys._clear_type_cache


def snapshot(extra):
    clear_caches()
    gc.collect()
    values = {
        "blocks": sys.getallocatedblocks(),
        "references": held_references(extra),
        "resident": resident_bytes(),
    }
    if hasattr(sys, "gettotalrefcount"):  # debug builds
        values["total references"] = sys.gettotalrefcount()
    if native_heap is not None:
        values["native heap"] = native_heap()
    return values


SLACK = {"blocks": BLOCK_SLACK, "references": REF_SLACK, "total references": BLOCK_SLACK,
         "native heap": HEAP_SLACK, "resident": RSS_SLACK}


def median_growth(action, extra):
    """The median growth of each measure over SAMPLES runs of ROUNDS calls,
    after a warm-up that fills the interpreter's caches."""
    for _ in range(WARMUP):
        action()
    growth = {name: [] for name in snapshot(extra)}
    before = snapshot(extra)
    for _ in range(SAMPLES):
        for _ in range(ROUNDS):
            action()
        after = snapshot(extra)
        for name in growth:
            growth[name].append(after[name] - before[name])
        before = after
    return {name: statistics.median(values) for name, values in growth.items()}


def assert_steady(action, extra=()):
    growth = median_growth(action, list(extra))
    if os.environ.get("LEAKLOG"):
        with open(os.environ["LEAKLOG"], "a") as log:
            log.write(f"{os.environ.get('PYTEST_CURRENT_TEST')} {growth}\n")
    excess = {name: value for name, value in growth.items() if value > SLACK[name]}
    assert not excess, f"grows per {ROUNDS} calls: {excess} (all: {growth})"


# --- inputs ---------------------------------------------------------------

FULL_ATTRS, _ = full_document_attrs()
SECTIONS = [
    account(),
    account(ДатаНачала="01.02.2024", КонечныйОстаток="5.00"),
    account(),  # equal to the first: merged away
    document(НазначениеПлатежа=PAYLOAD),
    document(Номер=None),  # left out with a warning
    ("document", "Платежное поручение", FULL_ATTRS),
]
TEXT = make_statement(None, SECTIONS)
UTF8 = TEXT.encode()
CP1251 = TEXT.encode("cp1251")
BOM_UTF8 = b"\xef\xbb\xbf" + UTF8

MAGIC = "1CClientBankExchange\r\n"


def syntax(*lines):
    return (MAGIC + "\r\n".join(lines) + "\r\n").encode("cp1251")


SYNTAX_ERRORS = {
    "unrecognized line": (syntax("Версия=1", "СекцияРасчСчет", PAYLOAD), "UnrecognizedLine"),
    "unexpected section": (syntax("КонецФайла"), "UnexpectedSection"),
    "unexpected attribute": (
        syntax("СекцияРасчСчет", "ДатаНачала=01.01.2024", "НачальныйОстаток=1",
               "РасчСчет=1", "КонецРасчСчет", "Ключ=" + PAYLOAD), "UnexpectedAttribute"),
    "missing field": (syntax("СекцияРасчСчет", "ДатаНачала=01.01.2024",
                             "НачальныйОстаток=1", "Прочее=" + PAYLOAD, "КонецРасчСчет"),
                      "MissingField"),
    "account parse error": (syntax("СекцияРасчСчет", "ДатаНачала=01.01.2024",
                                   "НачальныйОстаток=" + SHORT, "РасчСчет=1", "КонецРасчСчет"),
                            "AccountParseError"),
}


def parses(*args, **kwargs):
    def action():
        velmora_py.parse(*args, **kwargs)

    return action


def fails(exc_type, *args, detail=None, **kwargs):
    """A parse that must raise exc_type (with a detail of the named class)."""

    def action():
        try:
            velmora_py.parse(*args, **kwargs)
        except exc_type as error:
            if detail is not None:
                assert type(error.detail).__name__ == detail
            return
        raise AssertionError("parse did not fail")

    return action


@pytest.mark.parametrize("data", [UTF8, TEXT, CP1251, BOM_UTF8],
                         ids=["utf-8 bytes", "str", "cp1251", "utf-8 with bom"])
def test_successful_parse(data):
    assert_steady(parses(data))


def test_successful_parse_with_an_empty_hook_list():
    assert_steady(parses(CP1251, hooks=[]))


def test_statement_in_a_reference_cycle():
    # The caller may store the statement in its own containers; only the
    # collector can free such a cycle.
    def action():
        statement = velmora_py.parse(CP1251)
        statement.documents.append(statement)
        statement.header["self"] = statement

    assert_steady(action)


@pytest.mark.parametrize("name", SYNTAX_ERRORS)
def test_syntax_error(name):
    data, detail = SYNTAX_ERRORS[name]
    assert_steady(fails(velmora_py.SyntaxError, data, detail=detail))


@pytest.mark.parametrize("exc_type, data", [
    (velmora_py.EmptyInputError, b" \r\n\t"),
    (velmora_py.NotStatementError, b"\x98" + PAYLOAD.encode("cp1251")),  # undecodable
    (velmora_py.NotStatementError, b"\x00\x01\x02" * 20),  # implausible
    (velmora_py.NotStatementError, ("Выписка\r\n" + PAYLOAD).encode("cp1251")),
    (velmora_py.UnfinishedError, UTF8[:-len("КонецФайла\r\n".encode())]),
], ids=["empty", "undecodable", "implausible", "no magic line", "unfinished"])
def test_plain_error(exc_type, data):
    assert_steady(fails(exc_type, data))


class FailingIteration:
    """A sequence whose iteration breaks after the first hook."""

    def __len__(self):
        return 2

    def __getitem__(self, index):
        if index == 0:
            return lambda section_type, attrs, header: None
        raise RuntimeError(PAYLOAD)


@pytest.mark.parametrize("args, kwargs", [
    ((), {}),
    ((UTF8, None, None), {}),
    ((UTF8,), {"hook": None}),
    ((UTF8,), {"statement": UTF8}),
    ((UTF8, PAYLOAD), {}),
    ((UTF8, 5), {}),
    ((UTF8, {"a": 1}), {}),
    ((UTF8, FailingIteration()), {}),
    ((bytearray(UTF8),), {}),
    ((memoryview(UTF8),), {}),
    ((TEXT + "\ud800",), {}),
], ids=["no argument", "three positional", "unknown keyword", "statement twice", "hooks str",
        "hooks int", "hooks dict", "hooks iteration fails", "bytearray", "memoryview",
        "lone surrogate"])
def test_argument_error(args, kwargs):
    expected = RuntimeError if args[1:] and isinstance(args[1], FailingIteration) else TypeError
    assert_steady(fails(expected, *args, **kwargs))


# --- hooks ----------------------------------------------------------------

class BrokenStr(Exception):
    def __str__(self):
        raise ValueError(PAYLOAD)


def raising(make_exception):
    # A new exception every time: raising one instance again would chain
    # its tracebacks, which grow on their own.
    def hook(section_type, attrs, header):
        raise make_exception()

    return hook


def setting(key, value):
    def hook(section_type, attrs, header):
        attrs[key] = value

    return hook


def document_only(hook):
    def wrapper(section_type, attrs, header):
        if section_type == SectionType.Document:
            hook(section_type, attrs, header)

    return wrapper


HOOK_FAILURES = {
    "raises": raising(lambda: ValueError(PAYLOAD)),
    "raises a new exception": lambda s, a, h: {}[PAYLOAD],
    "str() of the exception fails": raising(BrokenStr),
    "raises KeyboardInterrupt": raising(lambda: KeyboardInterrupt(PAYLOAD)),
    "message with a lone surrogate": raising(lambda: ValueError(PAYLOAD + "\udc80")),
    "fails on a later section": document_only(raising(lambda: ValueError(PAYLOAD))),
    "not callable": 5,
    "wrong arity": lambda section_type: None,
    "int value": setting("Номер", 5),
    "None value": setting("Номер", None),
    "int key": setting(7, PAYLOAD),
    "value with a lone surrogate": setting("Номер", PAYLOAD + "\ud800"),
    "key with a lone surrogate": setting("\ud800", PAYLOAD),
}


@pytest.mark.parametrize("name", HOOK_FAILURES)
def test_hook_failure(name):
    hook = HOOK_FAILURES[name]
    assert_steady(fails(velmora_py.SyntaxError, UTF8, [hook], detail="HookError"), [hook])


def test_hook_failure_on_bytes_as_hooks():
    assert_steady(fails(velmora_py.SyntaxError, UTF8, b"\x01", detail="HookError"))


def adding(section_type, attrs, header):
    attrs["Добавлено"] = PAYLOAD
    attrs["ВидОплаты"] = PAYLOAD


def deleting(section_type, attrs, header):
    attrs.pop("НазначениеПлатежа", None)  # documents without it become warnings
    attrs.pop("КонечныйОстаток", None)


def changing(section_type, attrs, header):
    for key in list(attrs):
        attrs[key] = attrs[key].strip()
    if "Сумма" in attrs:
        attrs["Сумма"] += "0"


def writing_header(section_type, attrs, header):
    header["Версия"] = PAYLOAD
    header.clear()


def returning(section_type, attrs, header):
    return {"payload": PAYLOAD, "attrs": attrs}


@pytest.mark.parametrize("hooks", [
    [adding], [deleting], [changing], [writing_header], [returning],
    [changing, adding, deleting], (adding, changing),
], ids=["adds", "deletes", "changes", "writes the header", "returns a value", "chained",
        "tuple"])
def test_hook_success(hooks):
    assert_steady(parses(UTF8, list(hooks)), list(hooks))


# --- detail classes -------------------------------------------------------

DETAIL_ARGS = {
    "UnexpectedSection": (3, SHORT, "header"),
    "UnexpectedAttribute": (3, "Ключ", SHORT),
    "UnrecognizedLine": (3, SHORT),
    "MissingField": (3, "РасчСчет", "account"),
    "AccountParseError": (3, SHORT),
    "DocumentParseError": (3, SHORT),
    "HookError": (3, SHORT),
}


@pytest.mark.parametrize("name", DETAIL_ARGS)
def test_detail_construction_and_getters(name):
    cls, args = getattr(velmora_py, name), DETAIL_ARGS[name]
    fields = cls.__text_signature__.strip("()").split(", ")

    def action():
        detail = cls(*args)
        keywords = cls(**dict(zip(fields, args)))
        assert [getattr(detail, field) for field in fields] == list(args)
        assert repr(detail) == repr(keywords)
        assert detail.__getnewargs__() == args
        assert pickle.loads(pickle.dumps(detail)).__getnewargs__() == args

    assert_steady(action, [cls])


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


CONSTRUCTION_ERRORS = [
    (OverflowError, (-1, PAYLOAD), {}),
    (OverflowError, (2**64, PAYLOAD), {}),
    (OverflowError, (Index(-5), PAYLOAD), {}),
    (TypeError, ("3", PAYLOAD), {}),
    (TypeError, (3, PAYLOAD.encode()), {}),
    (TypeError, (3, None), {}),
    (UnicodeEncodeError, (3, PAYLOAD + "\ud800"), {}),
    (TypeError, (3,), {}),
    (TypeError, (), {}),
    (TypeError, (3, PAYLOAD, PAYLOAD), {}),
    (TypeError, (3,), {"line": PAYLOAD, "extra": 1}),
    (TypeError, (3, PAYLOAD), {"lineno": 3}),
]


@pytest.mark.parametrize("exc_type, args, kwargs", CONSTRUCTION_ERRORS,
                         ids=["negative", "too large", "negative index", "str lineno",
                              "bytes text", "None text", "lone surrogate", "missing",
                              "nothing", "surplus", "unknown keyword", "lineno twice"])
def test_detail_construction_error(exc_type, args, kwargs):
    def action():
        try:
            velmora_py.UnrecognizedLine(*args, **kwargs)
        except exc_type:
            return
        raise AssertionError("the constructor accepted the arguments")

    assert_steady(action, [velmora_py.UnrecognizedLine])


# --- getters of the result classes and SectionType ------------------------

STATEMENT = velmora_py.parse(CP1251)
DOCUMENT_NAMES = [name for name, _, _ in DOCUMENT_FIELDS]
INTERVAL_NAMES = ["date_start", "date_end", "start_amount", "end_amount", "total_income",
                  "total_expense"]


def read_statement():
    s = STATEMENT
    return (s.encoding, s.header, s.accounts, s.documents, s.warnings, repr(s), str(s))


def read_accounts():
    for number, acc in STATEMENT.accounts.items():
        assert acc.number == number
        intervals = acc.intervals
        assert intervals == acc.intervals and intervals is not acc.intervals
        assert acc == acc and not acc != acc and acc != 5
        repr(acc)
        for interval in intervals:
            [getattr(interval, name) for name in INTERVAL_NAMES]
            assert interval == interval and interval != intervals[0] or interval is intervals[0]
            repr(interval)


def read_documents():
    first, *others = STATEMENT.documents
    for doc in STATEMENT.documents:
        [getattr(doc, name) for name in DOCUMENT_NAMES]
        assert doc == doc and doc != 5
        assert (doc != first) == (doc is not first)
        repr(doc)
    try:
        first < others[0]
    except TypeError:
        pass


BETWEEN_SECTIONS = syntax("СекцияРасчСчет", "ДатаНачала=01.01.2024", "НачальныйОстаток=1",
                          "РасчСчет=1", "КонецРасчСчет", "Ключ=" + SHORT)


def read_warnings_and_details():
    [(lineno, message) for lineno, message in STATEMENT.warnings]
    try:
        velmora_py.parse(BETWEEN_SECTIONS)
    except velmora_py.SyntaxError as error:
        detail = error.detail
        (detail.lineno, detail.key, detail.value, repr(detail), detail.__getnewargs__())


def read_section_type():
    for member in (SectionType.Document, SectionType.Account):
        (repr(member), str(member), int(member), member == SectionType.Document,
         member != SectionType.Account, member == 0)
        for call in (hash, lambda m: m < m, lambda m: SectionType()):
            try:
                call(member)
            except TypeError:
                pass


def refused_attribute_writes():
    doc = STATEMENT.documents[0]
    for target, name in ((doc, "amount"), (STATEMENT, "header"), (doc, "new")):
        try:
            setattr(target, name, PAYLOAD)
        except AttributeError:
            pass
        else:
            raise AssertionError("the attribute was written")


@pytest.mark.parametrize("action", [
    read_statement, read_accounts, read_documents, read_warnings_and_details,
    read_section_type, refused_attribute_writes,
], ids=lambda action: action.__name__)
def test_getters(action):
    assert_steady(action, [STATEMENT])
