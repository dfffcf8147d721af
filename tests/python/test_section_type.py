import pytest

import statements
from velmora_py import SectionType, parse

MEMBERS = [("Document", 0), ("Account", 1)]


@pytest.mark.parametrize("name, value", MEMBERS)
def test_member_value_and_repr(name, value):
    member = getattr(SectionType, name)
    assert type(member) is SectionType
    assert int(member) == value
    assert repr(member) == str(member) == f"SectionType.{name}"


def test_members_are_class_attributes_in_order():
    names = [k for k, v in vars(SectionType).items() if isinstance(v, SectionType)]
    assert names == ["Document", "Account"]


def test_class_metadata():
    assert SectionType.__module__ == "velmora_py"
    assert SectionType.__qualname__ == "SectionType"
    assert SectionType.__doc__ == "Тип секции выписки для использования в hooks."


@pytest.mark.parametrize(
    "a, b, equal",
    [
        (SectionType.Document, SectionType.Document, True),
        (SectionType.Account, SectionType.Account, True),
        (SectionType.Document, SectionType.Account, False),
        (SectionType.Document, 0, False),
        (SectionType.Account, 1, False),
        (SectionType.Document, "SectionType.Document", False),
    ],
)
def test_equality(a, b, equal):
    assert (a == b) is equal
    assert (a != b) is not equal
    assert (b == a) is equal


@pytest.mark.parametrize(
    "action",
    [
        lambda: SectionType.Document < SectionType.Account,
        lambda: SectionType.Document >= SectionType.Document,
        lambda: SectionType.Account > 0,
        lambda: hash(SectionType.Document),
        lambda: {SectionType.Account},
        lambda: SectionType(),
        lambda: SectionType(0),
        lambda: type("Sub", (SectionType,), {}),
        lambda: setattr(SectionType, "Document", SectionType.Account),
    ],
    ids=["lt", "ge", "gt-int", "hash", "set", "call", "call-arg", "subclass", "setattr"],
)
def test_refused_operations(action):
    with pytest.raises(TypeError):
        action()


def test_hooks_receive_the_shared_members():
    seen = []
    text = statements.make_statement(sections=[statements.account(), statements.document()])
    parse(text, hooks=[lambda kind, attrs, header: seen.append(kind)])
    assert len(seen) == 2
    assert seen[0] is SectionType.Account
    assert seen[1] is SectionType.Document
