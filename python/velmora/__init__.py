"""Command-line tool and helpers for 1CClientBankExchange statements, built on velmora_py."""

from velmora.checks import Finding, check
from velmora.records import DOCUMENT_ATTRIBUTES, INTERVAL_ATTRIBUTES
# The function shadows its subpackage on purpose: velmora.report(...) is the
# API; the modules stay reachable as "from velmora.report import model".
from velmora.report import report

__all__ = ["DOCUMENT_ATTRIBUTES", "INTERVAL_ATTRIBUTES", "Finding", "check", "report"]
