import copy
import pickle
import weakref

import pytest

import velmora_py

# Class name -> field names in constructor order (lineno first).
CLASSES = {
    "UnexpectedSection": ("lineno", "found", "context"),
    "UnexpectedAttribute": ("lineno", "key", "value"),
    "UnrecognizedLine": ("lineno", "line"),
    "MissingField": ("lineno", "field", "context"),
    "AccountParseError": ("lineno", "message"),
    "DocumentParseError": ("lineno", "message"),
    "HookError": ("lineno", "message"),
}
NAMES = list(CLASSES)


def sample(name):
    """An instance with distinct field values, and those values."""
    fields = CLASSES[name]
    values = (12,) + tuple(f"{field}-значение" for field in fields[1:])
    return getattr(velmora_py, name)(*values), values


@pytest.mark.parametrize("name", NAMES)
def test_class_metadata(name):
    cls = getattr(velmora_py, name)
    assert cls.__module__ == "velmora_py"
    assert cls.__qualname__ == name
    assert cls.__doc__ is None
    assert cls.__text_signature__ == "(" + ", ".join(CLASSES[name]) + ")"
    assert cls.__bases__ == (object,)
    assert cls.__getnewargs__.__text_signature__ == "($self)"


@pytest.mark.parametrize("name", NAMES)
def test_fields_by_position_and_keyword(name):
    obj, values = sample(name)
    fields = CLASSES[name]
    assert tuple(getattr(obj, f) for f in fields) == values
    by_keyword = getattr(velmora_py, name)(**dict(zip(reversed(fields), reversed(values))))
    assert tuple(getattr(by_keyword, f) for f in fields) == values
    assert obj.__getnewargs__() == values


@pytest.mark.parametrize("name", NAMES)
def test_repr(name):
    obj, values = sample(name)
    fields = CLASSES[name]
    expected = f"{name}(lineno=12" + "".join(
        f', {f}="{v}"' for f, v in zip(fields[1:], values[1:])) + ")"
    assert repr(obj) == str(obj) == expected


@pytest.mark.parametrize(
    "text, shown",
    [
        ('a"b', r'"a\"b"'),
        ("a\\b", r'"a\\b"'),
        ("\t\r\n\0", r'"\t\r\n\0"'),
        ("a\u00a0b", r'"a\u{a0}b"'),
        ("e\u0301", r'"e\u{301}"'),
        ("Счёт '№5'", "\"Счёт '№5'\""),
    ],
)
def test_repr_quotes_text(text, shown):
    assert repr(velmora_py.UnrecognizedLine(7, text)) == f"UnrecognizedLine(lineno=7, line={shown})"


@pytest.mark.parametrize("name", NAMES)
@pytest.mark.parametrize("clone", [copy.copy, copy.deepcopy, lambda o: pickle.loads(pickle.dumps(o))],
                         ids=["copy", "deepcopy", "pickle"])
def test_copies_rebuild_equal_values(name, clone):
    obj, values = sample(name)
    other = clone(obj)
    assert type(other) is type(obj)
    assert other.__getnewargs__() == values
    assert other is not obj and other != obj  # equality is identity


PROTOCOLS = range(pickle.HIGHEST_PROTOCOL + 1)
AWKWARD = "x\"\\\t\r\n\0\x1a\u00a0ё😀"  # the characters protocol 0 escapes, and more


@pytest.mark.parametrize("name", NAMES)
@pytest.mark.parametrize("protocol", PROTOCOLS)
def test_every_pickle_protocol(name, protocol):
    cls = getattr(velmora_py, name)
    values = (2**64 - 1,) + (AWKWARD,) * (len(CLASSES[name]) - 1)
    obj = cls(*values)
    other = pickle.loads(pickle.dumps(obj, protocol))
    assert (type(other), other.__getnewargs__(), repr(other)) == (cls, values, repr(obj))
    assert other is not obj and other != obj


@pytest.mark.parametrize("protocol", PROTOCOLS)
def test_syntax_errors_pickle_with_their_detail(protocol):
    text = "1CClientBankExchange\r\nbroken line\r\n"
    with pytest.raises(velmora_py.SyntaxError) as raised:
        velmora_py.parse(text)
    other = pickle.loads(pickle.dumps(raised.value, protocol))
    assert type(other) is velmora_py.SyntaxError and other.args == raised.value.args
    assert type(other.detail) is velmora_py.UnrecognizedLine
    assert repr(other.detail) == repr(raised.value.detail) == 'UnrecognizedLine(lineno=2, line="broken line")'


def test_reduce_ex_refuses_a_non_integer_protocol():
    obj, _ = sample("HookError")
    with pytest.raises(TypeError):
        obj.__reduce_ex__("2")


@pytest.mark.parametrize("name", NAMES)
def test_instances_are_immutable_and_final(name):
    obj, _ = sample(name)
    for field in CLASSES[name] + ("other",):
        with pytest.raises(AttributeError):
            setattr(obj, field, 1)
    assert not hasattr(obj, "__dict__")
    with pytest.raises(TypeError):
        weakref.ref(obj)
    with pytest.raises(TypeError):
        type("Sub", (type(obj),), {})
    with pytest.raises(TypeError):
        setattr(type(obj), "x", 1)
    assert hash(obj) == object.__hash__(obj)


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


@pytest.mark.parametrize("lineno, expected", [(0, 0), (True, 1), (Index(42), 42), (2**64 - 1, 2**64 - 1)])
def test_lineno_accepts_integers(lineno, expected):
    assert velmora_py.HookError(lineno, "m").lineno == expected


@pytest.mark.parametrize(
    "lineno, error",
    [(-1, OverflowError), (2**64, OverflowError), (Index(-5), OverflowError),
     (1.0, TypeError), ("1", TypeError), (None, TypeError)],
)
def test_lineno_refusals_carry_a_note(lineno, error):
    with pytest.raises(error) as info:
        velmora_py.HookError(lineno, "m")
    assert info.value.__notes__ == ["while processing 'lineno'"]


class Text(str):
    pass


def test_text_accepts_str_subclass():
    detail = velmora_py.MissingField(1, Text("РасчСчет"), "account")
    assert type(detail.field) is str and detail.field == "РасчСчет"


@pytest.mark.parametrize(
    "value, error, message",
    [
        (b"x", TypeError, "'bytes' object is not an instance of 'str'"),
        (None, TypeError, "'None' is not an instance of 'str'"),
        (5, TypeError, "'int' object is not an instance of 'str'"),
        ("\ud800", UnicodeEncodeError, None),
    ],
)
def test_text_refusals_carry_a_note(value, error, message):
    with pytest.raises(error) as info:
        velmora_py.UnexpectedAttribute(1, "key", value)
    if message is not None:
        assert str(info.value) == message
    assert info.value.__notes__ == ["while processing 'value'"]


def test_first_failing_field_is_reported():
    with pytest.raises(OverflowError) as info:
        velmora_py.UnexpectedSection(-1, b"found", None)
    assert info.value.__notes__ == ["while processing 'lineno'"]
    with pytest.raises(TypeError) as info:
        velmora_py.UnexpectedSection(1, b"found", None)
    assert info.value.__notes__ == ["while processing 'found'"]


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: velmora_py.UnrecognizedLine(1),
         "UnrecognizedLine.__new__() missing 1 required positional argument: 'line'"),
        (lambda: velmora_py.UnexpectedSection(1),
         "UnexpectedSection.__new__() missing 2 required positional arguments: 'found' and 'context'"),
        (lambda: velmora_py.MissingField(),
         "MissingField.__new__() missing 3 required positional arguments: 'lineno', 'field', and 'context'"),
        (lambda: velmora_py.HookError(message="m"),
         "HookError.__new__() missing 1 required positional argument: 'lineno'"),
        (lambda: velmora_py.HookError(1, "m", "x"),
         "HookError.__new__() takes 2 positional arguments but 3 were given"),
        (lambda: velmora_py.UnexpectedAttribute(1, "k", "v", 4, 5),
         "UnexpectedAttribute.__new__() takes 3 positional arguments but 5 were given"),
        (lambda: velmora_py.AccountParseError(1, "m", extra=1),
         "AccountParseError.__new__() got an unexpected keyword argument 'extra'"),
        (lambda: velmora_py.DocumentParseError(1, "m", lineno=2),
         "DocumentParseError.__new__() got multiple values for argument 'lineno'"),
    ],
)
def test_argument_binding_messages(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message
