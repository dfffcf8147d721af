"""A parse without hooks lets other threads run; one with hooks keeps the
interpreter lock between hook calls. Shown by progress, not by timing: with
a switch interval far longer than the test, another thread can only run
while the parsing thread has released the lock itself."""

import sys
import threading

import pytest

import velmora_py

from statements import document, make_statement

GIL_ENABLED = getattr(sys, "_is_gil_enabled", lambda: True)()


def big_statement():
    return make_statement(sections=[document(Номер=str(i)) for i in range(20000)]).encode()


@pytest.fixture
def ticker():
    old = sys.getswitchinterval()
    sys.setswitchinterval(30.0)
    state = {"count": 0, "stop": False}
    started = threading.Event()

    def tick():
        started.set()
        while not state["stop"]:
            state["count"] += 1
            # Sleeping gives the lock back at once, so the parsing thread
            # never waits for it after the core returns.
            threading.Event().wait(0.0005)

    thread = threading.Thread(target=tick)
    thread.start()
    started.wait()
    try:
        yield state
    finally:
        state["stop"] = True
        thread.join()
        sys.setswitchinterval(old)


def progress_during(state, call):
    before = state["count"]
    call()
    return state["count"] - before


def test_hookless_parse_releases_the_lock(ticker):
    data = big_statement()
    advanced = max(progress_during(ticker, lambda: velmora_py.parse(data)) for _ in range(3))
    assert advanced > 0


@pytest.mark.skipif(not GIL_ENABLED, reason="no interpreter lock to hold")
def test_parse_with_hooks_keeps_the_lock(ticker):
    data = big_statement()
    advanced = progress_during(ticker, lambda: velmora_py.parse(data, [lambda *args: None]))
    assert advanced == 0
