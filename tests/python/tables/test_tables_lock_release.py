"""Parsing and assembling the tables let other threads run: with a switch
interval far longer than the test, another thread makes progress only while
the native code has released the interpreter lock itself."""

import sys
import threading

import pytest

from statements import document, make_statement
from velmora import _native


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


def test_reading_and_assembling_release_the_lock(ticker):
    data = make_statement(sections=[document(Номер=str(i)) for i in range(20000)]).encode()
    assert max(progress_during(ticker, lambda: _native.read_file(data)) for _ in range(3)) > 0
    parsed = _native.read_file(data)
    items = [(f"s{i}", parsed) for i in range(40)]
    assert max(progress_during(ticker, lambda: _native.assemble(items)) for _ in range(3)) > 0
