"""velmora.PaymentOrder and velmora.write_orders."""

import dataclasses
import datetime
import decimal

import pytest
import velmora_py
from hypothesis import given, settings
from hypothesis import strategies as st

import velmora

ACCOUNT = "40702810400000007777"  # a valid key at 044525974
CREATED = datetime.datetime(2024, 3, 6, 9, 5, 7)


def order(**changes):
    values = dict(
        doc_number="1", doc_date=datetime.date(2024, 3, 5), amount=decimal.Decimal("1500.50"),
        purpose="Оплата по счёту 17", counterparty="ООО Ромашка", counterparty_inn="7707083893",
        counterparty_kpp="770701001", counterparty_bic="044525974", counterparty_bank1="ПАО БАНК",
        counterparty_account=ACCOUNT, payee="ИП Иванов", payee_inn="500100732259",
        payee_bic="044525225", payee_bank1="АО БАНК", payee_account="40702810938000012345")
    values.update(changes)
    return velmora.PaymentOrder(**values)


def write(orders, **options):
    return velmora.write_orders(orders, account=ACCOUNT, created=CREATED, **options)


def test_payment_order_is_a_frozen_slotted_keyword_record():
    o = velmora.PaymentOrder()
    assert (o.doc_type, o.payment_type, o.ordering, o.amount) == ("Платежное поручение", "01", "5", None)
    assert [f.name for f in dataclasses.fields(o)] == list(velmora.DOCUMENT_ATTRIBUTES)
    with pytest.raises(dataclasses.FrozenInstanceError):
        o.amount = "1"  # type: ignore[misc]
    assert not hasattr(o, "__dict__")
    with pytest.raises(TypeError):
        velmora.PaymentOrder("1")  # type: ignore[misc]


@pytest.mark.parametrize("given, kept", [
    (decimal.Decimal("10.50"), "10.50"), (decimal.Decimal("1E+3"), "1000"), (7, "7"),
    ("1_000.5", "1000.5"), (".5", "0.5"), ("12", "12"),
])
def test_amount_takes_decimal_int_and_reader_syntax(given, kept):
    assert velmora.PaymentOrder(amount=given).amount == kept


@pytest.mark.parametrize("given, error", [
    (1.5, TypeError), (True, TypeError), ("12,5", ValueError), (decimal.Decimal("NaN"), ValueError),
])
def test_amount_refuses_floats_and_bad_text(given, error):
    with pytest.raises(error, match="amount"):
        velmora.PaymentOrder(amount=given)


def test_dates_take_date_or_iso_text():
    o = velmora.PaymentOrder(doc_date=datetime.date(2024, 3, 5), income_date="2024-03-06")
    assert (o.doc_date, o.income_date) == ("2024-03-05", "2024-03-06")
    for bad in ("05.03.2024", "2024-02-30"):
        with pytest.raises(ValueError, match="doc_date"):
            velmora.PaymentOrder(doc_date=bad)
    with pytest.raises(TypeError, match="doc_date"):
        velmora.PaymentOrder(doc_date=datetime.datetime(2024, 3, 5))
    with pytest.raises(TypeError, match="purpose"):
        velmora.PaymentOrder(purpose=5)


def test_written_orders_read_back_and_from_document_copies_them():
    orders = [order(), order(doc_number="2", doc_date="2024-03-01", amount=3, payment_type=None,
                             outcome_date="2024-03-02", uin="0")]
    data = write(orders)
    statement = velmora_py.parse(data)
    assert statement.warnings == []
    assert [velmora.PaymentOrder.from_document(d) for d in statement.documents] == orders
    header = statement.header
    assert (header["ДатаНачала"], header["ДатаКонца"], header["РасчСчет"]) == ("01.03.2024", "05.03.2024", ACCOUNT)
    assert (header["ДатаСоздания"], header["ВремяСоздания"]) == ("06.03.2024", "09:05:07")
    assert list(header)[:2] == ["ВерсияФормата", "Кодировка"] and header["Кодировка"] == "Windows"
    # Documents and mappings are orders too.
    assert write(statement.documents) == data
    assert write([{n: getattr(o, n) for n in velmora.DOCUMENT_ATTRIBUTES} for o in orders]) == data


@pytest.mark.parametrize("encoding", ["cp1251", "utf-8", "cp866"])
@pytest.mark.parametrize("newline", ["\r\n", "\n"])
def test_every_encoding_reads_back(encoding, newline):
    data = write([order()], encoding=encoding, newline=newline, sender="Бухгалтерия")
    statement = velmora.read(data)
    assert [velmora.PaymentOrder.from_document(d) for d in statement.documents] == [order()]
    assert statement.header["Отправитель"] == "Бухгалтерия"


REFUSALS = [
    ({"doc_number": None}, "doc_number", "required"),
    ({"purpose": ""}, "purpose", "empty"),
    ({"counterparty_account": "40702810938000012345"}, "counterparty_account", "not the file's account"),
    ({"amount": 0}, "amount", "not above zero"),
    ({"amount": "-1.00"}, "amount", "not above zero"),
    ({"amount": "1.005"}, "amount", "more than two fractional digits"),
    ({"payee_inn": "500100732258"}, "payee_inn", "check digit"),
    ({"counterparty_inn": "77070838"}, "counterparty_inn", "wrong length"),
    ({"payee_kpp": "77070100X"}, "payee_kpp", "character"),
    ({"payee_bic": "04452522"}, "payee_bic", "wrong length"),
    ({"payee_account": "40702810938000012346"}, "payee_account", "control key"),
    ({"purpose": "я" * 211}, "purpose", "211 characters"),
    ({"payee": "two\nlines"}, "payee", "line break"),
    ({"payee": " padded"}, "payee", "white space"),
]


@pytest.mark.parametrize("changes, attribute, words", REFUSALS)
def test_refusals_name_order_and_attribute(changes, attribute, words):
    orders = [order(), order(**changes)]
    with pytest.raises(velmora.WriteError) as raised:
        write(orders)
    problems = raised.value.problems
    assert {(i, a) for i, a, _ in problems} >= {(1, attribute)}
    assert all(i == 1 for i, _, _ in problems)
    assert any(words in m for i, a, m in problems if a == attribute)
    assert f"order 1: {attribute}: " in str(raised.value)


def test_every_problem_of_every_order_is_collected():
    orders = [order(amount=0), order(), order(payee_inn="1", payee_bic="1")]
    with pytest.raises(velmora.WriteError) as raised:
        write(orders, sender="bad\nsender")
    assert [(i, a) for i, a, _ in raised.value.problems] == [
        (None, "sender"), (0, "amount"), (2, "payee_inn"), (2, "payee_bic")]


def test_characters_the_encoding_lacks_are_refused():
    with pytest.raises(velmora.WriteError) as raised:
        write([order(purpose="Оплата €")], encoding="cp866")
    assert [(i, a) for i, a, _ in raised.value.problems] == [(0, "purpose")]


def test_arguments_are_checked():
    with pytest.raises(ValueError, match="encoding"):
        write([order()], encoding="latin-1")
    with pytest.raises(ValueError, match="newline"):
        write([order()], newline="\r")
    with pytest.raises(TypeError, match="not attributes|not an attribute"):
        write([{"sum": "1"}])
    with pytest.raises(ValueError, match="date_start"):
        write([order()], date_start="1.1.2024")
    with pytest.raises(velmora.WriteError):
        write([])


texts = st.text(st.characters(codec="cp1251", exclude_categories=["Cc", "Zl", "Zp", "Zs"]), min_size=1, max_size=20)


@settings(max_examples=60, deadline=None)
@given(st.lists(st.tuples(texts, st.dates(datetime.date(1990, 1, 1), datetime.date(2100, 1, 1)),
                          st.decimals(min_value=decimal.Decimal("0.01"), max_value=decimal.Decimal("1e12"),
                                      places=2), texts, st.one_of(st.none(), texts)), min_size=1, max_size=5),
       st.sampled_from(["cp1251", "utf-8", "cp866"]))
def test_generated_orders_read_back(rows, encoding):
    orders = [order(doc_number=n, doc_date=d, amount=a, purpose=p, payee_1=x) for n, d, a, p, x in rows
              if not (encoding == "cp866" and any(ch not in velmora_cp866 for ch in n + p + (x or "")))]
    if not orders:
        return
    statement = velmora.read(write(orders, encoding=encoding))
    assert [velmora.PaymentOrder.from_document(d) for d in statement.documents] == orders
    first = datetime.date.fromisoformat(min(o.doc_date for o in orders))
    assert statement.header["ДатаНачала"] == first.strftime("%d.%m.%Y")


velmora_cp866 = {bytes([b]).decode("cp866") for b in range(0x20, 0x100)}
