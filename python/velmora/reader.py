"""Reading a statement from any source, DOS files included: velmora.read."""

import os
from typing import BinaryIO

import velmora_py

from velmora import _native

Source = str | os.PathLike[str] | os.PathLike[bytes] | bytes | bytearray | memoryview | BinaryIO


def _read_bytes(source: Source) -> bytes:
    if isinstance(source, (str, os.PathLike)):
        with open(source, "rb") as f:
            return f.read()
    if isinstance(source, bytes):
        return source
    if isinstance(source, (bytearray, memoryview)):
        return bytes(source)
    read = getattr(source, "read", None)
    if read is None:
        raise TypeError(f"read() takes a path, bytes or a binary file, not {type(source).__name__}")
    data = read()
    if not isinstance(data, (bytes, bytearray)):
        raise TypeError(f"read() needs a file opened in binary mode; its read() gave {type(data).__name__}")
    return bytes(data)


def read(source: Source) -> velmora_py.Statement:
    """Parses a statement from a path, bytes or a binary file object.

    A file that the format marks as DOS (not valid UTF-8, and a header line
    that reads "Кодировка=DOS" in IBM866) is decoded from IBM866 and parsed
    as that text, so its statement.encoding is "utf-8". Anything else goes
    to velmora_py.parse unchanged, and its errors come through unchanged.
    """
    data = _read_bytes(source)
    text = _native.dos_text(data)
    return velmora_py.parse(data if text is None else text)
