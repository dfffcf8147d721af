"""The perfect hash of the reader's keys (core/parser/known_key_hash.inc) is
what tools/gen_key_hash.py makes from the field definition, and it gives
every key a slot of its own."""

import importlib.util
import pathlib
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "tools" / "gen_key_hash.py"

if not SCRIPT.exists():
    pytest.skip("the source tree is not available", allow_module_level=True)

sys.path.insert(0, str(SCRIPT.parent))
_spec = importlib.util.spec_from_file_location("gen_key_hash", SCRIPT)
assert _spec is not None and _spec.loader is not None
gen_key_hash = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(gen_key_hash)


def test_committed_table_is_what_the_script_makes():
    committed = (ROOT / gen_key_hash.OUTPUT).read_text(encoding="utf-8")
    assert committed == gen_key_hash.generate(ROOT), "run tools/gen_key_hash.py and commit its output"


def test_every_key_has_a_slot_of_its_own():
    keys = gen_key_hash.keys(ROOT)
    assert len(keys) == 53 + 6 + 1
    multiplier = gen_key_hash.find_multiplier(keys)
    slots = {gen_key_hash.slot(gen_key_hash.mixed(k), multiplier) for k in keys}
    assert len(slots) == len(keys)
    assert all(0 <= s < 1 << gen_key_hash.SLOT_BITS for s in slots)


@pytest.mark.parametrize("key, front, back", [
    (b"", 0, 0),
    (b"abc", 0x636261, 0x636261),
    (b"abcdefghij", int.from_bytes(b"abcdefgh", "little"), int.from_bytes(b"cdefghij", "little")),
])
def test_mixing_reads_the_first_and_last_eight_bytes(key, front, back):
    rotated = ((back << 31) | (back >> 33)) & ((1 << 64) - 1)
    assert gen_key_hash.mixed(key) == front ^ rotated ^ len(key)
