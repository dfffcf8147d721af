"""Everything a caller can observe of one parse, as plain data that two
processes can compare: the encoding, the header, every account with every
attribute of every interval, every attribute of every document, the
warnings and the reprs; or the exception's class, message, notes and
detail. Hooks are named, so that both sides run the same ones.

Imported by the differential test; run as a script it serves requests for
the velmora_py that its PYTHONPATH puts first:

    PYTHONPATH=BASELINE python observe.py
    (reads pickled (request name, arguments) pairs from stdin and writes
    the pickled answer to each to stdout, every message preceded by its
    length as 8 bytes)
"""

import hashlib
import pickle
import struct
import sys


class Recorder:
    """Keeps what each hook call was given; big statements keep a digest."""

    def __init__(self, digest):
        self.calls, self.digest = [], digest

    def record(self, section_type, attrs, header):
        call = (int(section_type), repr(section_type), list(attrs.items()), list(header.items()))
        self.calls.append(hashlib.sha256(repr(call).encode()).hexdigest() if self.digest else call)


def changing(attrs):
    """Edits of every kind: a changed value, a deleted, an added and a moved
    key."""
    if "Номер" in attrs:
        attrs["Номер"] = attrs["Номер"] + "-1"
    if "НазначениеПлатежа" in attrs:
        attrs["НазначениеПлатежа"] = attrs["НазначениеПлатежа"].upper()
    attrs.pop("ПлательщикКПП", None)
    attrs["Добавлено"] = "да"
    if attrs:
        first = next(iter(attrs))
        attrs[first] = attrs.pop(first)


def make_hooks(name, recorder):
    """The hook list of a named case."""
    def record(section_type, attrs, header):
        recorder.record(section_type, attrs, header)

    def change(section_type, attrs, header):
        recorder.record(section_type, attrs, header)
        if int(section_type) == 0:  # documents; an account keeps what it needs
            changing(attrs)
        header["Чужой"] = "1"

    def fail_third(section_type, attrs, header):
        recorder.record(section_type, attrs, header)
        if len(recorder.calls) == 3:
            raise ValueError("третья секция")

    def returns_non_str(section_type, attrs, header):
        if len(recorder.calls) == 1:
            attrs["Номер"] = 5
        recorder.record(section_type, attrs, header)

    return {
        "none": None,
        "noop": [lambda section_type, attrs, header: None],
        "record": [record],
        "change": [change, record],
        "fail": [fail_third],
        "non_str": [record, returns_non_str],
    }[name]


def observe_error(error):
    detail = getattr(error, "detail", None)
    return ("error", type(error).__module__, type(error).__qualname__, str(error),
            repr(error.args), getattr(error, "__notes__", None),
            None if detail is None else (type(detail).__qualname__, repr(detail),
                                         getattr(detail, "lineno", None)))


def observe(velmora_py, data, hook, document_names, interval_names):
    recorder = Recorder(digest=len(data) > 100_000)
    try:
        statement = velmora_py.parse(data, make_hooks(hook, recorder))
    except Exception as error:  # noqa: BLE001 - the failure is what is compared
        return observe_error(error), recorder.calls
    accounts = [
        (number, account.number, repr(account),
         [(repr(interval), [getattr(interval, name) for name in interval_names])
          for interval in account.intervals])
        for number, account in statement.accounts.items()
    ]
    documents = [(repr(doc), [getattr(doc, name) for name in document_names])
                 for doc in statement.documents]
    return (("statement", statement.encoding, list(statement.header.items()), accounts, documents,
             list(statement.warnings), repr(statement)), recorder.calls)


def surface(velmora_py):
    """The module's names, and each one's kind, public attributes and
    documentation."""
    return [(name, type(getattr(velmora_py, name)).__name__,
             sorted(n for n in dir(getattr(velmora_py, name)) if not n.startswith("_")),
             getattr(getattr(velmora_py, name), "__doc__", None))
            for name in velmora_py.__all__]


REQUESTS = {"observe": observe, "surface": surface}


def write_message(stream, value):
    payload = pickle.dumps(value, protocol=pickle.HIGHEST_PROTOCOL)
    stream.write(struct.pack("<Q", len(payload)) + payload)
    stream.flush()


def read_message(stream):
    head = stream.read(8)
    if len(head) < 8:
        return None
    (size,) = struct.unpack("<Q", head)
    return pickle.loads(stream.read(size))


def serve():
    import velmora_py

    write_message(sys.stdout.buffer, velmora_py.__file__)
    while (request := read_message(sys.stdin.buffer)) is not None:
        name, args = request
        write_message(sys.stdout.buffer, REQUESTS[name](velmora_py, *args))


if __name__ == "__main__":
    serve()
