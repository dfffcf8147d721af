"""velmora.check on generated statements: consistent ones pass, and each
planted fault gives exactly the finding expected of it."""

import copy
import datetime
import decimal

import pytest
from hypothesis import HealthCheck, given, settings, strategies as st

import velmora
import velmora_py
from consistent_statements import DAY, consistent_statements

KINDS = ("balance", "continuity", "turnover", "inn", "kpp", "bic", "account", "period", "dates",
         "duplicate")

SETTINGS = settings(max_examples=60, derandomize=True, database=None, deadline=None,
                    suppress_health_check=[HealthCheck.too_slow])


def findings(generated):
    return velmora.check(velmora_py.parse(generated.text()))


def bump(written_amount):
    return str(decimal.Decimal(written_amount) + decimal.Decimal("0.01"))


def last_section_of(generated, number):
    return max(i for i, s in enumerate(generated.sections) if s.number == number)


# Each planter changes one thing and returns (kind, account, document).

def plant_balance(g, draw):
    number = draw(st.sampled_from(g.accounts))
    section = g.sections[last_section_of(g, number)]
    section.values["КонечныйОстаток"] = bump(section.values["КонечныйОстаток"])
    return "balance", number, None


def plant_continuity(g, draw):
    later = [i for i in range(1, len(g.sections)) if g.sections[i - 1].number == g.sections[i].number]
    if not later:
        return None
    section = g.sections[draw(st.sampled_from(later))]
    for key in ("НачальныйОстаток", "КонечныйОстаток"):
        section.values[key] = bump(section.values[key])
    # The balance still adds up, so the later intervals move along too.
    for following in g.sections[g.sections.index(section) + 1:]:
        if following.number == section.number:
            for key in ("НачальныйОстаток", "КонечныйОстаток"):
                following.values[key] = bump(following.values[key])
    return "continuity", section.number, None


def plant_turnover(g, draw):
    number = draw(st.sampled_from(g.accounts))
    section = g.sections[last_section_of(g, number)]
    key = draw(st.sampled_from(["ВсегоПоступило", "ВсегоСписано"]))
    section.values[key] = bump(section.values[key])
    closing = decimal.Decimal(section.values["КонечныйОстаток"])
    closing += decimal.Decimal("0.01") if key == "ВсегоПоступило" else decimal.Decimal("-0.01")
    section.values["КонечныйОстаток"] = str(closing)
    return "turnover", number, None


def foreign_side(g, doc):
    return "payer" if doc.payee[0] in g.accounts else "payee"


def replace_side(g, doc, index, value):
    side = foreign_side(g, doc)
    parts = list(getattr(doc, side))
    parts[index] = value
    setattr(doc, side, tuple(parts))


def plant_inn(g, draw):
    i = draw(st.sampled_from(range(len(g.documents))))
    doc = g.documents[i]
    inn = getattr(doc, foreign_side(g, doc))[2]
    place = draw(st.sampled_from(range(len(inn) - 2, len(inn))))  # a check digit
    replace_side(g, doc, 2, inn[:place] + str((int(inn[place]) + 1) % 10) + inn[place + 1:])
    return "inn", None, i


def plant_kpp(g, draw):
    i = draw(st.sampled_from(range(len(g.documents))))
    replace_side(g, g.documents[i], 3, draw(st.sampled_from(["7707ab001", "77070100", "77A701001"])))
    return "kpp", None, i


def plant_bic(g, draw):
    i = draw(st.sampled_from(range(len(g.documents))))
    replace_side(g, g.documents[i], 1, draw(st.sampled_from(["04452597", "", "04452597X"])))
    return "bic", None, i


def plant_account(g, draw):
    i = draw(st.sampled_from(range(len(g.documents))))
    doc = g.documents[i]
    account = getattr(doc, foreign_side(g, doc))[0]
    place = draw(st.sampled_from(range(20)))
    bad = account[:place] + str((int(account[place]) + 3) % 10) + account[place + 1:]
    replace_side(g, doc, 0, bad)
    return "account", bad, i


def plant_period(g, draw):
    i = draw(st.sampled_from(range(len(g.documents))))
    start = datetime.datetime.strptime(g.header["ДатаНачала"], "%d.%m.%Y").date()
    g.documents[i].doc_date = start - draw(st.integers(1, 40)) * DAY
    return "period", None, i


def plant_dates(g, draw):
    end = datetime.datetime.strptime(g.header["ДатаКонца"], "%d.%m.%Y").date()
    early = [i for i, d in enumerate(g.documents) if (d.income_date or d.outcome_date) < end]
    if not early:
        return None
    i = draw(st.sampled_from(early))
    doc = g.documents[i]
    doc.doc_date = (doc.income_date or doc.outcome_date) + DAY
    return "dates", None, i


def plant_duplicate(g, draw):
    i = draw(st.sampled_from(range(len(g.documents))))
    copy_ = copy.deepcopy(g.documents[i])
    # Counted on a day outside every interval, so that turnovers still match.
    if copy_.income_date:
        copy_.income_date = datetime.date(2099, 1, 1)
    else:
        copy_.outcome_date = datetime.date(2099, 1, 1)
    g.documents.append(copy_)
    return "duplicate", None, len(g.documents) - 1


PLANTERS = {f.__name__.removeprefix("plant_"): f for f in [
    plant_balance, plant_continuity, plant_turnover, plant_inn, plant_kpp, plant_bic,
    plant_account, plant_period, plant_dates, plant_duplicate]}


def test_kinds_are_the_stable_list():
    assert velmora.checks.KINDS == KINDS
    assert tuple(PLANTERS) == KINDS
    assert velmora.Finding._fields == ("kind", "account", "document", "message")


@SETTINGS
@given(consistent_statements())
def test_consistent_statements_have_no_findings(generated):
    assert findings(generated) == []


@pytest.mark.parametrize("kind", KINDS)
@settings(SETTINGS, max_examples=30)
@given(generated=consistent_statements(), data=st.data())
def test_a_planted_fault_gives_exactly_its_finding(kind, generated, data):
    planted = PLANTERS[kind](generated, data.draw)
    if planted is None:
        return  # this statement has no place for the fault
    found = findings(generated)
    assert [(f.kind, f.account, f.document) for f in found] == [planted], found
    assert isinstance(found[0], velmora.Finding) and found[0].message


def test_balance_message_holds_the_numbers():
    text = "\n".join([
        "1CClientBankExchange", "ВерсияФормата=1.03", "СекцияРасчСчет", "ДатаНачала=01.04.2024",
        "ДатаКонца=30.04.2024", "РасчСчет=40702810400000007777", "НачальныйОстаток=100.00",
        "ВсегоПоступило=50.00", "ВсегоСписано=20.00", "КонечныйОстаток=131.00", "КонецРасчСчет",
        "КонецФайла"])
    (finding,) = velmora.check(velmora_py.parse(text))
    assert finding == velmora.Finding(
        "balance", "40702810400000007777", None,
        "opening 100.00 + income 50.00 − expense 20.00 = 130.00, but the closing balance is 131.00")


def test_findings_follow_the_statement_after_changes():
    statement = velmora_py.parse((__import__("pathlib").Path(__file__).parents[3]
                                  / "examples/statement_utf8.txt").read_bytes())
    before = velmora.check(statement)
    statement.documents.append(statement.documents[0])
    after = velmora.check(statement)
    index = len(statement.documents) - 1
    assert ("duplicate", None, index) in [(f.kind, f.account, f.document) for f in after]
    assert len(after) > len(before)


class Fake:
    def __init__(self, **attributes):
        self.__dict__.update(attributes)


def fake_statement(**changes):
    values = {"encoding": "utf-8", "header": {}, "accounts": {}, "documents": []}
    values.update(changes)
    return Fake(**values)


@pytest.mark.parametrize("statement, error, words", [
    (fake_statement(encoding="latin-1"), ValueError, "statement.encoding"),
    (fake_statement(header={"a": 1}), TypeError, "statement.header[a] must be str, not int"),
    (fake_statement(header=[("a", "b")]), TypeError, "statement.header must be a dict"),
    (fake_statement(documents=[1]), AttributeError, "statement.documents[0]"),
    (fake_statement(documents=None), TypeError, "statement.documents"),
    (fake_statement(accounts={"1": Fake(number="2", intervals=[])}), ValueError,
     "statement.accounts[1].number"),
    (fake_statement(accounts={"1": Fake(number="1", intervals=[Fake(
        date_start="2024-02-30", date_end=None, start_amount="1", end_amount=None,
        total_income=None, total_expense=None)])}), ValueError,
     "statement.accounts[1].intervals[0].date_start: '2024-02-30' is not a date"),
    (fake_statement(accounts={"1": Fake(number="1", intervals=[Fake(
        date_start="2024-02-03", date_end=None, start_amount=1.5, end_amount=None,
        total_income=None, total_expense=None)])}), TypeError,
     "statement.accounts[1].intervals[0].start_amount must be str, not float"),
])
def test_values_that_no_parse_gives_are_refused_with_their_place(statement, error, words):
    with pytest.raises(error) as raised:
        velmora.check(statement)
    text = str(raised.value) + " ".join(getattr(raised.value, "__notes__", []))
    assert words in text


def test_a_document_with_a_bad_amount_is_refused():
    statement = velmora_py.parse((__import__("pathlib").Path(__file__).parents[3]
                                  / "examples/statement_utf8.txt").read_bytes())
    doc = statement.documents[0]
    fake = Fake(**{name: getattr(doc, name) for name in velmora.DOCUMENT_ATTRIBUTES})
    fake.amount = "1,5"
    statement.documents.append(fake)
    with pytest.raises(ValueError, match=r"statement\.documents\[3\]\.amount: '1,5' is not a decimal"):
        velmora.check(statement)
