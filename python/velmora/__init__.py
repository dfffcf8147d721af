"""Bank statements in the 1CClientBankExchange format: the command-line tool,
reading any file (velmora.read), writing statements (velmora.write) and
payment orders (velmora.write_orders), checking (velmora.check) and the table
path (velmora.read_tables), built on velmora_py and the private native module
velmora._native."""

from velmora.checks import Finding, check
from velmora.orders import PaymentOrder, write_orders
from velmora.reader import read
from velmora.records import DOCUMENT_ATTRIBUTES, INTERVAL_ATTRIBUTES
from velmora.tables import Table, Tables, read_tables
from velmora.writer import WriteError, write

# The function shadows its subpackage on purpose: velmora.report(...) is the
# API; the modules stay reachable as "from velmora.report import model".
from velmora.report import report

__all__ = [
    "DOCUMENT_ATTRIBUTES",
    "INTERVAL_ATTRIBUTES",
    "Finding",
    "PaymentOrder",
    "Table",
    "Tables",
    "WriteError",
    "check",
    "read",
    "read_tables",
    "report",
    "write",
    "write_orders",
]
