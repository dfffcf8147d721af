"""A parse that runs out of memory inside the parser raises MemoryError, an
ordinary Exception, and leaves the process able to parse again. Checked in a
subprocess whose address space is capped just above what it already uses."""

import json
import pathlib
import subprocess
import sys
import textwrap

import pytest

SCRIPT = textwrap.dedent("""
    import ctypes
    import json
    import resource
    import sys

    import velmora_py
    from statements import document, statement_lines

    kind, margin = sys.argv[1], int(sys.argv[2])
    # Without its closing line the statement fails only after the parser has
    # built everything, so no result objects are ever made.
    lines = statement_lines(None, [document(Номер=str(i)) for i in range(60000)])[:-1]
    text = "\\r\\n".join(lines) + "\\r\\n"
    data = {"utf-8": text.encode(), "cp1251": text.encode("cp1251")}.get(kind, text)
    del lines, text

    def address_space():
        with open("/proc/self/status") as status:
            for line in status:
                if line.startswith("VmSize:"):
                    return int(line.split()[1]) * 1024

    def outcome():
        try:
            velmora_py.parse(data)
            return "parsed"
        except BaseException as error:
            return [type(error).__qualname__, isinstance(error, Exception)]

    # A str whose UTF-8 form is cached (as after a first parse) needs no room
    # for it; a fresh one does. No parse runs before the cap: its freed heap
    # would serve the capped parse.
    if kind == "str":
        ctypes.pythonapi.PyUnicode_AsUTF8AndSize.restype = ctypes.c_void_p
        ctypes.pythonapi.PyUnicode_AsUTF8AndSize.argtypes = [ctypes.py_object, ctypes.c_void_p]
        ctypes.pythonapi.PyUnicode_AsUTF8AndSize(data, None)
    soft, hard = resource.getrlimit(resource.RLIMIT_AS)
    cap = address_space() + margin
    try:
        if hard != resource.RLIM_INFINITY and cap > hard:
            raise ValueError("hard limit too low")
        resource.setrlimit(resource.RLIMIT_AS, (cap, hard))
    except (ValueError, OSError) as error:
        print(json.dumps({"skip": str(error)}))
        sys.exit(0)
    limited = outcome()
    resource.setrlimit(resource.RLIMIT_AS, (soft, hard))
    print(json.dumps({"limited": limited, "after": outcome(), "input": len(data)}))
""")


@pytest.mark.skipif(not sys.platform.startswith("linux"), reason="reads /proc/self/status")
@pytest.mark.parametrize("kind", ["utf-8", "cp1251", "str", "fresh str"])
def test_running_out_of_memory_raises_memory_error(kind):
    margin = 8 << 20  # far below what parsing the input needs
    run = subprocess.run([sys.executable, "-c", SCRIPT, kind, str(margin)],
                         cwd=pathlib.Path(__file__).resolve().parents[1], capture_output=True,
                         text=True, timeout=300)
    assert (run.returncode, run.stderr) == (0, "")
    report = json.loads(run.stdout)
    if "skip" in report:
        pytest.skip(f"cannot cap the address space: {report['skip']}")
    assert report["input"] > 2 * margin
    assert report["limited"] == ["MemoryError", True]
    assert report["after"] == ["UnfinishedError", True]
