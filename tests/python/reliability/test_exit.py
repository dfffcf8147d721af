"""A process whose daemon threads are inside parse when the main thread
returns ends normally: the interpreter ends such threads while it shuts
down, and that must not abort the process, whatever the threads were doing
(parsing without the lock, running a hook, waiting for the lock)."""

import subprocess
import sys
import textwrap

import pytest

SCRIPT = textwrap.dedent("""
    import sys
    import threading
    import time

    import velmora_py
    from statements import account, document, make_statement

    mode = sys.argv[1]
    text = make_statement(None, [document(Номер=str(i)) for i in range(20000)] + [account()])
    data = {"utf-8": text.encode(), "cp1251": text.encode("cp1251"), "str": text}
    started = threading.Barrier(7)

    def busy_hook(section_type, attrs, header):
        attrs["Номер"] = attrs["Номер"] * 2

    def sleepy_hook(section_type, attrs, header):
        time.sleep(0.0001)  # gives the lock away inside the hook

    def worker(statement, hooks):
        started.wait()
        while True:
            velmora_py.parse(statement, hooks)

    jobs = {"plain": [(data[kind], None) for kind in data] * 2,
            "hooks": [(data["utf-8"], [busy_hook]), (data["str"], [sleepy_hook])] * 3,
            "mixed": [(data["cp1251"], None), (data["utf-8"], [busy_hook]),
                      (data["str"], [sleepy_hook])] * 2}[mode]
    for statement, hooks in jobs:
        threading.Thread(target=worker, args=(statement, hooks), daemon=True).start()
    started.wait()
    time.sleep(float(sys.argv[2]))
    print("main returns", flush=True)
""")


@pytest.mark.parametrize("mode", ["plain", "hooks", "mixed"])
@pytest.mark.parametrize("delay", [0.0, 0.05, 0.2])
def test_exit_while_daemon_threads_parse(mode, delay):
    shared = str(__import__("pathlib").Path(__file__).resolve().parents[1])
    run = subprocess.run([sys.executable, "-c", SCRIPT, mode, str(delay)], cwd=shared,
                         capture_output=True, text=True, timeout=120)
    assert (run.returncode, run.stdout) == (0, "main returns\n"), run.stderr
    # A hook still running Python code while the interpreter finalises may
    # have its call refused, and CPython then reports the thread on stderr:
    # the interpreter's own report, not a crash. A crash says one of these.
    for abort in ("terminate called", "Fatal Python error", "Aborted", "Segmentation fault",
                  "core dumped", "AddressSanitizer"):
        assert abort not in run.stderr, run.stderr
