"""Bank statements in the 1CClientBankExchange format: the command-line tool and
the table path (read_tables), built on velmora_py and the native velmora._native."""

from velmora.records import DOCUMENT_ATTRIBUTES, INTERVAL_ATTRIBUTES
from velmora.tables import Table, Tables, read_tables

__all__ = ["DOCUMENT_ATTRIBUTES", "INTERVAL_ATTRIBUTES", "Table", "Tables", "read_tables"]
