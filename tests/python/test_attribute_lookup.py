"""Documents and intervals find their getters by the identity of the
attribute name before the interpreter's generic lookup. Whatever name object
the caller holds, and whichever way it asks, the answer is the generic
lookup's: the same value, the same AttributeError, the same class."""

import pytest

from velmora_py import Document, Interval
from statements import DOCUMENT_FIELDS
from test_results import sample

ATTRIBUTES = {Document: [name for name, _, _ in DOCUMENT_FIELDS],
              Interval: ["date_start", "date_end", "start_amount", "end_amount",
                         "total_income", "total_expense"]}


@pytest.mark.parametrize("cls", [Document, Interval])
def test_every_way_of_asking_gives_the_descriptors_answer(cls):
    instance = sample()[cls]
    for name in ATTRIBUTES[cls]:
        expected = vars(cls)[name].__get__(instance, cls)
        built = "".join(list(name))  # equal, but not the interned name
        assert built is not name
        for got in (getattr(instance, name), getattr(instance, built),
                    object.__getattribute__(instance, name), cls.__getattribute__(instance, built)):
            assert got == expected and type(got) is type(expected)


@pytest.mark.parametrize("cls", [Document, Interval])
@pytest.mark.parametrize("name", ["missing", "Purpose", "", "__dict__", "purpose\0"])
def test_other_names_fail_as_before(cls, name):
    instance = sample()[cls]
    with pytest.raises(AttributeError) as caught:
        getattr(instance, name)
    with pytest.raises(AttributeError) as generic:
        object.__getattribute__(instance, name)
    assert str(caught.value) == str(generic.value)
    assert caught.value.name == name and caught.value.obj is instance


@pytest.mark.parametrize("cls", [Document, Interval])
def test_the_class_is_unchanged(cls):
    instance = sample()[cls]
    assert "__getattribute__" not in vars(cls)
    assert [n for n in vars(cls) if not n.startswith("_")] == ATTRIBUTES[cls]
    assert instance.__class__ is cls and isinstance(instance.__eq__, type(instance.__repr__))
    with pytest.raises(AttributeError):
        setattr(instance, ATTRIBUTES[cls][0], "x")
    with pytest.raises(TypeError):
        getattr(instance, 5)
