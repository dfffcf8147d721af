"""Command-line tool and helpers for 1CClientBankExchange statements, built on velmora_py."""

from velmora.checks import Finding, check
from velmora.records import DOCUMENT_ATTRIBUTES, INTERVAL_ATTRIBUTES

__all__ = ["DOCUMENT_ATTRIBUTES", "INTERVAL_ATTRIBUTES", "Finding", "check"]
