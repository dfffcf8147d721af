"""The Python-side field lists and the stubs agree with the one field
definition (core/include/velmora/model/fields.hpp), and tools/gen_fields.py,
which derives them, fails loudly on a definition it cannot read."""

import ast
import importlib.util
import pathlib
import shutil

import pytest

import velmora_py
from statements import DOCUMENT_FIELDS

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "tools" / "gen_fields.py"

if not SCRIPT.exists():
    pytest.skip("the source tree is not available", allow_module_level=True)

_spec = importlib.util.spec_from_file_location("gen_fields", SCRIPT)
assert _spec is not None and _spec.loader is not None
gen_fields = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(gen_fields)


def definition(macro):
    text = (ROOT / gen_fields.DEFINITION).read_text(encoding="utf-8")
    return gen_fields.read_list(text, macro)


def in_attribute_order(macro):
    return gen_fields.in_attribute_order(definition(macro))


def test_committed_output_is_what_the_script_makes():
    assert gen_fields.stale(ROOT) == [], "run tools/gen_fields.py and commit its output"


@pytest.mark.parametrize("cls, macro", [
    (velmora_py.Document, "VELMORA_DOCUMENT_FIELDS"),
    (velmora_py.Interval, "VELMORA_INTERVAL_FIELDS"),
])
def test_built_classes_declare_the_defined_attributes_in_order(cls, macro):
    declared = [name for name, value in vars(cls).items()
                if type(value).__name__ == "getset_descriptor"]
    assert declared == [f.name for f in in_attribute_order(macro)]


def test_the_tests_own_field_table_matches_the_definition():
    # statements.DOCUMENT_FIELDS is written out by hand as the tests' oracle;
    # it must say what the definition says.
    kinds = {("Text", True): "req", ("Text", False): "opt", ("Date", True): "date",
             ("Date", False): "optdate", ("Amount", True): "amount"}
    derived = [(f.name, f.key, kinds[f.kind, f.required])
               for f in in_attribute_order("VELMORA_DOCUMENT_FIELDS")]
    assert derived == DOCUMENT_FIELDS


@pytest.fixture
def tree(tmp_path):
    """A copy of the definition and the generated files, to change freely."""
    for path in (gen_fields.DEFINITION, gen_fields.RECORDS, gen_fields.STUBS):
        (tmp_path / path).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(ROOT / path, tmp_path / path)
    return tmp_path


def tuples(source):
    """The module-level tuple constants of a Python source."""
    return {node.targets[0].id: ast.literal_eval(node.value)
            for node in ast.parse(source).body
            if isinstance(node, ast.Assign) and isinstance(node.value, ast.Tuple)}


def edit_definition(tree, old, new):
    path = tree / gen_fields.DEFINITION
    text = path.read_text(encoding="utf-8")
    assert old in text
    path.write_text(text.replace(old, new, 1), encoding="utf-8")


def test_one_added_line_adds_the_field_everywhere(tree):
    last = 'X(tax_type,                 "ПоказательТипа",      Text,   false, 52)'
    edit_definition(tree, last, last + '       \\\n  X(extra_note, "ДопИнфо", Date, true, 53)')
    assert gen_fields.stale(tree) == [gen_fields.RECORDS, gen_fields.STUBS]
    made = gen_fields.generate(tree)
    assert tuples(made[gen_fields.RECORDS])["DOCUMENT_ATTRIBUTES"][-2:] == ("tax_type", "extra_note")
    stubs = made[gen_fields.STUBS]
    assert "def extra_note(self) -> str: ..." in stubs
    # It lands in Document's block, not Interval's.
    assert stubs.index("class Document:") < stubs.index("extra_note") < stubs.index("class Statement:")


@pytest.mark.parametrize("old, new, message", [
    ('"ДатаКонца",           Date', '"ДатаКонца",           Money', "not a field line"),
    ("Amount, false,  5)", "Amount, false,  4)", "attribute places"),
    ('X(payee_4,                  "Получатель4"', 'X(payee_3,                  "Получатель4"',
     "name appears twice"),
    ('"Получатель4"', '"Получатель3"', "key appears twice"),
    ("#define VELMORA_INTERVAL_FIELDS(X)", "#define VELMORA_INTERVAL_LIST(X)", "one definition"),
])
def test_a_broken_definition_is_refused(tree, old, new, message):
    edit_definition(tree, old, new)
    with pytest.raises(gen_fields.DefinitionError, match=message):
        gen_fields.generate(tree)


def test_a_target_without_its_markers_is_refused(tree):
    path = tree / gen_fields.STUBS
    text = path.read_text(encoding="utf-8")
    path.write_text(text.replace("# end of generated attributes", "", 1), encoding="utf-8")
    with pytest.raises(gen_fields.DefinitionError, match="no end marker"):
        gen_fields.generate(tree)
