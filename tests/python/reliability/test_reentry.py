"""The first refusal of a non-sequence `hooks` reads collections.abc's
Sequence name, running Python code. If that code calls parse again, the
nested call must not wait for the outer one: both finish, and the name first
read is the one kept."""

import subprocess
import sys
import textwrap

SCRIPT = textwrap.dedent("""
    import collections.abc
    import velmora_py

    real = collections.abc.Sequence
    names = iter(["Outer", "Inner"])
    nested = []

    class Patched:
        @property
        def __name__(self):
            name = next(names)
            if name == "Outer":  # the first lookup re-enters parse
                try:
                    velmora_py.parse(b"x", hooks=5)
                except BaseException as error:
                    nested.append(f"{type(error).__name__}: {error}")
            return name

    collections.abc.Sequence = Patched()
    try:
        velmora_py.parse(b"x", hooks=5)
    except BaseException as error:
        outer = f"{type(error).__name__}: {error}"
    collections.abc.Sequence = real
    try:
        velmora_py.parse(b"x", hooks={})
    except BaseException as error:
        later = f"{type(error).__name__}: {error}"
    print(nested[0], outer, later, sep="\\n")
""")


def test_reentrant_first_lookup_finishes_and_keeps_the_first_name():
    run = subprocess.run([sys.executable, "-c", SCRIPT], capture_output=True, text=True,
                         timeout=60)
    assert (run.returncode, run.stderr) == (0, "")
    assert run.stdout.splitlines() == [
        "TypeError: 'int' object is not an instance of 'Inner'",
        "TypeError: 'int' object is not an instance of 'Inner'",
        "TypeError: 'dict' object is not an instance of 'Inner'",
    ]
