"""Payment orders, the file that accounting software hands to the
bank-client program: velmora.PaymentOrder and velmora.write_orders.

Reading and checking the values is the core's (through velmora._native);
this module only turns Python values into the texts the core reads.
"""

import dataclasses
import datetime
import decimal
from collections.abc import Iterable, Mapping
from typing import Any, Final, Self

import velmora_py

from velmora import _native
from velmora.records import DOCUMENT_ATTRIBUTES
from velmora.writer import ENCODINGS, NEWLINES, WriteError

# The attributes whose values are dates and amounts; every other one is text.
DATE_ATTRIBUTES: Final = _native.DATE_ATTRIBUTES
AMOUNT_ATTRIBUTES: Final = _native.AMOUNT_ATTRIBUTES

DEFAULTS: Final = {"doc_type": "Платежное поручение", "payment_type": "01", "ordering": "5"}


def _value_text(name: str, value: Any) -> str | None:
    """The text the core reads for one attribute's value: ISO text for a
    date, plain decimal text keeping the scale for an amount. Raises
    TypeError for a value of the wrong type; a str is passed on unread."""
    if value is None or isinstance(value, str):
        return value
    if name in DATE_ATTRIBUTES and isinstance(value, datetime.date) and not isinstance(value, datetime.datetime):
        return value.isoformat()
    if name in AMOUNT_ATTRIBUTES:
        if isinstance(value, float):
            raise TypeError(f"{name}: a float loses kopecks; give a decimal.Decimal, an int or a str")
        if isinstance(value, decimal.Decimal):
            if not value.is_finite():
                raise ValueError(f"{name}: {value} is not an amount")
            return format(value, "f")
        if isinstance(value, int) and not isinstance(value, bool):
            return str(value)
        raise TypeError(f"{name} must be a decimal.Decimal, an int or a str, not {type(value).__name__}")
    if name in DATE_ATTRIBUTES:
        raise TypeError(f"{name} must be a datetime.date or an ISO date str, not {type(value).__name__}")
    raise TypeError(f"{name} must be str or None, not {type(value).__name__}")


class _PaymentOrderBase:
    __slots__ = ()

    def __post_init__(self) -> None:
        # Each value is kept as velmora_py.Document keeps it: text, dates as
        # ISO text, amounts as decimal text with their scale.
        for name in DOCUMENT_ATTRIBUTES:
            text = _value_text(name, getattr(self, name))
            if text is not None:
                text = _native.order_value(name, text)
            object.__setattr__(self, name, text)

    @classmethod
    def from_document(cls, document: velmora_py.Document) -> Self:
        """A payment order with every attribute of a document."""
        values = {name: getattr(document, name) for name in DOCUMENT_ATTRIBUTES}
        return cls(**values)


PaymentOrder = dataclasses.make_dataclass(
    "PaymentOrder",
    [(name, "str | None", dataclasses.field(default=DEFAULTS.get(name))) for name in DOCUMENT_ATTRIBUTES],
    bases=(_PaymentOrderBase,),
    namespace={"__module__": __name__},
    frozen=True, slots=True, kw_only=True,
)
PaymentOrder.__doc__ = """One payment order: the 53 attributes of velmora_py.Document, keyword-only.

doc_type defaults to "Платежное поручение", payment_type to "01", ordering
to "5", every other attribute to None. doc_date, outcome_date and
income_date take a datetime.date or an ISO "YYYY-MM-DD" str; amount takes a
decimal.Decimal, an int or a str in the reader's amount syntax (a float
raises TypeError: it loses kopecks). Values are kept as velmora_py.Document
keeps them: dates as ISO text, the amount as decimal text with its scale.
A value that does not read raises ValueError; the bank's checks run in
velmora.write_orders."""


def _order_values(order: Any) -> dict[str, str | None]:
    if isinstance(order, PaymentOrder):
        return {name: getattr(order, name) for name in DOCUMENT_ATTRIBUTES}
    if isinstance(order, velmora_py.Document):
        return {name: getattr(order, name) for name in DOCUMENT_ATTRIBUTES}
    if isinstance(order, Mapping):
        unknown = [key for key in order if key not in DEFAULTS and key not in DOCUMENT_ATTRIBUTES]
        if unknown:
            raise TypeError(f"not an attribute of a payment order: {', '.join(map(repr, unknown))}")
        values = dict(DEFAULTS)
        values.update(order)
        return {name: _value_text(name, values.get(name)) for name in DOCUMENT_ATTRIBUTES}
    raise TypeError(f"an order is a PaymentOrder, a velmora_py.Document or a mapping, not {type(order).__name__}")


def _date_text(name: str, value: datetime.date | str | None) -> str | None:
    if value is None or isinstance(value, str):
        return value
    if isinstance(value, datetime.date) and not isinstance(value, datetime.datetime):
        return value.isoformat()
    raise TypeError(f"{name} must be a datetime.date or an ISO date str, not {type(value).__name__}")


def write_orders(orders: Iterable[Any], *, account: str, encoding: str = "cp1251", newline: str = "\r\n",
                 sender: str = "", receiver: str = "", created: datetime.datetime | None = None,
                 date_start: datetime.date | str | None = None,
                 date_end: datetime.date | str | None = None) -> bytes:
    """The payment-order file of `orders`, as bytes.

    orders holds PaymentOrder objects, velmora_py.Document objects or
    mappings keyed by attribute names (missing keys take PaymentOrder's
    defaults). The header is "ВерсияФормата=1.03", "Кодировка",
    "Отправитель" (sender), "Получатель" (receiver), "ДатаСоздания" and
    "ВремяСоздания" (created, default now), "ДатаНачала" and "ДатаКонца"
    (date_start and date_end, default the earliest and latest doc_date),
    "РасчСчет" (account) and one "Документ" line per document type; then one
    document section per order and "КонецФайла".

    Every order is checked first, and every problem of every order raises
    one velmora.WriteError whose problems are (order_index, attribute,
    message) tuples (order_index None for the file's own settings); nothing
    is written then.
    """
    if encoding not in ENCODINGS:
        raise ValueError(f"unknown encoding {encoding!r}: expected one of {', '.join(map(repr, ENCODINGS))}")
    if newline not in NEWLINES:
        raise ValueError(f"newline must be '\\r\\n' or '\\n', not {newline!r}")
    if created is None:
        created = datetime.datetime.now()
    if not isinstance(created, datetime.datetime):
        raise TypeError(f"created must be a datetime.datetime, not {type(created).__name__}")
    values = [_order_values(order) for order in orders]
    result = _native.write_orders(
        values, account, encoding, newline, sender, receiver,
        (created.year, created.month, created.day, created.hour, created.minute, created.second),
        _date_text("date_start", date_start), _date_text("date_end", date_end))
    if isinstance(result, list):
        raise WriteError(result, what="the payment orders")
    return result
