"""Command-line tool for 1CClientBankExchange statements, built on velmora_py,
and the package's own reading and writing: velmora.read, velmora.write."""

from velmora.reader import read
from velmora.records import DOCUMENT_ATTRIBUTES, INTERVAL_ATTRIBUTES
from velmora.writer import WriteError, write

__all__ = ["DOCUMENT_ATTRIBUTES", "INTERVAL_ATTRIBUTES", "WriteError", "read", "write"]
