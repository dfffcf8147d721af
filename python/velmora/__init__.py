"""Command-line tool and helpers for 1CClientBankExchange statements, built on
velmora_py: reading (velmora.read), writing statements (velmora.write) and
payment orders (velmora.write_orders), and checking (velmora.check)."""

from velmora.checks import Finding, check
from velmora.orders import PaymentOrder, write_orders
from velmora.reader import read
from velmora.records import DOCUMENT_ATTRIBUTES, INTERVAL_ATTRIBUTES
from velmora.writer import WriteError, write

__all__ = ["DOCUMENT_ATTRIBUTES", "INTERVAL_ATTRIBUTES", "Finding", "PaymentOrder", "WriteError", "check", "read", "write",
           "write_orders"]
