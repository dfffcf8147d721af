"""The module of this checkout against the module of an earlier commit (the
one tools/baseline.sh builds; VELMORA_BASELINE_PY names its folder): on
generated, faulty and mutated statements in every encoding, with and without
hooks, everything a caller can observe must be the same. The earlier module
runs in a subprocess of this interpreter that serves observations over a
pipe; both sides observe with observe.py."""

import importlib.util
import os
import pathlib
import subprocess
import sys
import sysconfig

import pytest
from hypothesis import given, strategies as st

import observe
import velmora_py
from statement_grammar import ENCODINGS, property_settings, statements
from velmora import DOCUMENT_ATTRIBUTES, INTERVAL_ATTRIBUTES

BASELINE = os.environ.get("VELMORA_BASELINE_PY")
pytestmark = pytest.mark.skipif(
    not BASELINE,
    reason="VELMORA_BASELINE_PY is not set: build the earlier module with tools/baseline.sh "
    "and name the folder it prints",
)

HOOKS = ["none", "noop", "record", "change", "fail", "non_str"]
ROOT = pathlib.Path(__file__).resolve().parents[3]


class Baseline:
    """The earlier module, in a subprocess that answers observe.py's
    requests."""

    def __init__(self, folder):
        env = dict(os.environ, PYTHONPATH=folder)
        self.process = subprocess.Popen([sys.executable, observe.__file__], env=env,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.module = observe.read_message(self.process.stdout)

    def ask(self, name, *args):
        observe.write_message(self.process.stdin, (name, args))
        answer = observe.read_message(self.process.stdout)
        assert answer is not None, "the baseline process ended"
        return answer

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)


@pytest.fixture(scope="module")
def baseline():
    abi = sysconfig.get_config_var("SOABI")
    if not list(pathlib.Path(BASELINE).glob(f"velmora_py.{abi}.so")):
        pytest.fail(f"{BASELINE} holds no velmora_py built for this interpreter ({abi}); "
                    f"build one with tools/baseline.sh --python {sys.executable}")
    server = Baseline(BASELINE)
    try:
        yield server
    finally:
        server.close()


def check_same(baseline, data, hook):
    args = (data, hook, DOCUMENT_ATTRIBUTES, INTERVAL_ATTRIBUTES)
    assert observe.observe(velmora_py, *args) == baseline.ask("observe", *args)


def test_the_sides_are_two_modules(baseline):
    assert pathlib.Path(baseline.module).resolve().is_relative_to(pathlib.Path(BASELINE).resolve())
    assert pathlib.Path(baseline.module).resolve() != pathlib.Path(velmora_py.__file__).resolve()


def test_module_surface(baseline):
    assert observe.surface(velmora_py) == baseline.ask("surface")


@property_settings(max_examples=100)
@given(statements(faults=True, encodings=ENCODINGS), st.sampled_from(HOOKS))
def test_generated_statements(baseline, generated, hook):
    check_same(baseline, generated.data, hook)


def mutate(data, edits):
    """data with bytes replaced, inserted or removed at drawn places."""
    data = bytearray(data.encode("utf-8") if isinstance(data, str) else data)
    for kind, where, byte in edits:
        at = where % (len(data) + 1)
        if kind == 0:
            data[at:at + 1] = bytes([byte])
        elif kind == 1:
            data[at:at] = bytes([byte])
        else:
            del data[at:at + 1]
    return bytes(data)


@property_settings(max_examples=100)
@given(statements(encodings=ENCODINGS), st.lists(st.tuples(st.integers(0, 2), st.integers(0, 10**6),
                                                           st.sampled_from(b"=\r\n \xd0\xc0\x80\xff1")),
                                                 min_size=1, max_size=4),
       st.sampled_from(HOOKS))
def test_mutated_statements(baseline, generated, edits, hook):
    check_same(baseline, mutate(generated.data, edits), hook)


def gen_statement():
    spec = importlib.util.spec_from_file_location("gen_statement", ROOT / "bench" / "gen_statement.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


@pytest.mark.parametrize("seed", [1, 2, 3])
@pytest.mark.parametrize("encoding", ["utf-8", "cp1251"])
def test_benchmark_statements(baseline, seed, encoding):
    data = gen_statement().generate(300_000, encoding, seed)
    for hook in ("none", "noop", "change"):
        check_same(baseline, data, hook)
    check_same(baseline, data.decode(encoding), "none")
