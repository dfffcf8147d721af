"""Command-line tool for 1CClientBankExchange statements, built on velmora_py."""

from velmora.records import DOCUMENT_ATTRIBUTES, INTERVAL_ATTRIBUTES
from velmora.tables import Table, Tables, read_tables

__all__ = ["DOCUMENT_ATTRIBUTES", "INTERVAL_ATTRIBUTES", "Table", "Tables", "read_tables"]
