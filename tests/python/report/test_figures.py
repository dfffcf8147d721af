"""The report's figures: amounts, running balance, periods, top counterparties,
texts and escaping."""

import datetime
import decimal
import pathlib
import re
import subprocess
import sys

import pytest

import velmora
import velmora_py
from statements import account_attrs, document, make_statement
from velmora.report import html, labels, model, money

import generated

D = decimal.Decimal
NB = "\u00a0"
ACC = "40702810900000000001"
OTHER = "40702810500000000002"


@pytest.mark.parametrize("text, shown", [
    ("0", "0,00"), ("-0.00", "0,00"), ("5", "5,00"), ("1234567.89", f"1{NB}234{NB}567,89"),
    ("-1234.5", f"-1{NB}234,50"), ("0.001", "0,001"), ("999", "999,00"), ("1000", f"1{NB}000,00"),
    ("100.000", "100,000"), ("-0.5", "-0,50"),
    ("79228162514264337593543950.335", f"79{NB}228{NB}162{NB}514{NB}264{NB}337{NB}593{NB}543{NB}950,335"),
])
def test_russian_amounts_are_exact(text, shown):
    assert money.russian(money.amount(text)) == shown


def test_sums_never_round():
    values = [money.amount("0.1")] * 10 + [money.amount("79228162514264337593543950335"), money.amount("0.0000000000000000000000000001")]
    total = money.add(*values)
    assert total == D("79228162514264337593543950336.0000000000000000000000000001")


def doc(number, date, value, payer=None, payee=None, **extra):
    changes = {"Номер": number, "Дата": date, "Сумма": value}
    if payer:
        changes["ПлательщикСчет"] = payer
    if payee:
        changes["ПолучательСчет"] = payee
    changes.update(extra)
    return document(**changes)


def figures(sections):
    statement = velmora_py.parse(make_statement(sections=sections))
    return model.statement_figures("t", statement)


def test_running_balance_follows_posting_dates_and_marks_disagreements():
    other = "40702810500000000002"
    fig = figures([
        account_attrs(ACC, date_start="01.03.2024", date_end="10.03.2024", start_amount="100.00",
                      end_amount="130.00"),
        account_attrs(ACC, date_start="11.03.2024", date_end="12.03.2024", start_amount="131.00",
                      end_amount="131.00"),
        # income posted on the 4th although dated the 2nd; two on one day
        doc("1", "02.03.2024", "50.00", payer=other, payee=ACC, ДатаПоступило="04.03.2024"),
        doc("2", "05.03.2024", "15.00", payer=ACC, payee=other),
        doc("3", "05.03.2024", "5.50", payer=ACC, payee=other),
        doc("4", "20.03.2024", "1.00", payer=ACC, payee=other),     # outside every section
    ])
    (acc,) = fig.accounts
    got = [(p.when.day, p.kind, p.value, p.disagreement is not None) for p in acc.points]
    assert got == [(1, "opening", D("100.00"), False), (4, "running", D("150.00"), False),
                   (5, "running", D("129.50"), False), (10, "closing", D("130.00"), True),
                   (11, "opening", D("131.00"), True), (12, "closing", D("131.00"), False)]
    assert (acc.intervals[0].income, acc.intervals[0].expense) == (D("50.00"), D("20.50"))
    assert [r.direction for r in fig.rows] == ["in", "out", "out", "out"]


@pytest.mark.parametrize("days, unit", [(1, "day"), (62, "day"), (63, "week"), (366, "week"), (367, "month")])
def test_period_choice(days, unit):
    first = datetime.date(2024, 1, 1)
    assert model.granularity(first, first + (days - 1) * model.DAY) == unit


def test_buckets_cover_every_period_between_the_first_and_last_posting():
    def posting(y, m, d, v):
        return model.Posting(datetime.date(y, m, d), D(v), None)
    moves = [posting(2023, 11, 30, "10"), posting(2023, 12, 5, "-4"), posting(2024, 2, 1, "1"),
             posting(2024, 2, 29, "-2.5")]
    unit, bars = model.buckets(moves)
    assert unit == "week"
    assert [b.start for b in bars][:2] == [datetime.date(2023, 11, 27), datetime.date(2023, 12, 4)]
    assert len(bars) == 14 and sum(b.income for b in bars) == D("11")
    moves.append(posting(2024, 12, 2, "3"))
    unit, bars = model.buckets(moves)
    assert unit == "month"
    assert [(b.start.isoformat(), b.income, b.expense) for b in bars[:5]] == [
        ("2023-11-01", D("10"), 0), ("2023-12-01", 0, D("4")), ("2024-01-01", 0, 0),
        ("2024-02-01", D("1"), D("2.5")), ("2024-03-01", 0, 0)]
    assert len(bars) == 14 and bars[-1].income == D("3")


def test_top_counterparties_by_inn_then_name_largest_first():
    sections = [account_attrs(ACC, date_start="01.03.2024", start_amount="0")]
    for n in range(12):        # twelve payers, payer n pays n+1 times 10.00
        for k in range(n + 1):
            sections.append(doc(f"{n}-{k}", "02.03.2024", "10.00", payer=OTHER, payee=ACC,
                                ПлательщикИНН=f"77000000{n:02d}", Плательщик1=f"Payer {n:02d}"))
    # INN 0 counts by name: two names, one of them tied with "Payer 11"'s total
    for k in range(12):
        sections.append(doc(f"z{k}", "03.03.2024", "10.00", payer=OTHER, payee=ACC, ПлательщикИНН="0",
                            Плательщик1="Zeta" if k < 11 else "Alpha"))
    (acc,) = figures(sections).accounts
    assert [(p.name, p.total, p.count) for p in acc.top_in[:3]] == [
        ("Payer 11", D("120.00"), 12), ("Payer 10", D("110.00"), 11), ("Zeta", D("110.00"), 11)]
    assert len(acc.top_in) == 10 and acc.top_out == []
    assert [p.total for p in acc.top_in] == sorted((p.total for p in acc.top_in), reverse=True)


def test_both_languages_have_every_text_and_every_check_kind():
    assert set(labels.TEXTS["ru"]) == set(labels.TEXTS["en"])
    for lang in labels.LANGUAGES:
        assert {f"kind_{k}" for k in velmora.checks.KINDS} <= set(labels.TEXTS[lang])
    with pytest.raises(ValueError, match="language"):
        velmora.report(b"", lang="de")


def test_script_json_cannot_end_the_script_element():
    text = html.script_json(["</script><!-- & \u2028\u2029 >"])
    assert not re.search("[<>&\u2028\u2029]", text)
    import json
    assert json.loads(text) == ["</script><!-- & \u2028\u2029 >"]


def test_hostile_text_is_escaped():
    case = generated.statement(count=8, hostile=True, broken=1)
    page = velmora.report(case.text.encode())
    for needle in ("<script>window", "<img", "<b>", "onerror=\""):
        assert needle not in page
    assert "&lt;script&gt;window.__pwned=4&lt;/script&gt;" in page      # the header's sender, as text
    assert "\\u003cscript\\u003ewindow.__pwned=1" in page                 # the purpose, inside the JSON
    assert page.count("<script") == 3     # the page's own: rows, texts and code



def test_the_page_of_the_examples_references_nothing_outside_it():
    examples = sorted(pathlib.Path(__file__).resolve().parents[3].joinpath("examples").glob("*.txt"))
    page = velmora.report(examples)
    assert not re.search(r"https?:|//[a-z]|\bsrc=|@import|url\(|\bhref=\"[^#]", page)


def test_sources_may_be_paths_bytes_statements_or_a_list(tmp_path):
    path = tmp_path / "a.txt"
    text = generated.statement(count=5).text
    path.write_text(text, encoding="utf-8")
    statement = velmora_py.parse(text)
    pages = [velmora.report(path), velmora.report(str(path)), velmora.report(text.encode()),
             velmora.report(statement), velmora.report([statement, text.encode()], lang="en")]
    assert all(p.count('class="statement"') == 1 for p in pages[:4])
    assert pages[4].count('class="statement"') == 2 and '<html lang="en">' in pages[4]
    with pytest.raises(TypeError, match="int"):
        velmora.report([1])
    with pytest.raises(velmora_py.ParseError):
        velmora.report(b"not a statement")


def test_command_writes_the_report_and_reports_files_it_cannot_read(tmp_path):
    good = tmp_path / "good.txt"
    good.write_text(generated.statement(count=5, broken=1).text, encoding="utf-8")
    out = tmp_path / "r.html"
    run = subprocess.run([sys.executable, "-m", "velmora", "report", str(good), "-o", str(out), "--lang", "en"],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    assert f"{good}:" in run.stderr and "warning" in run.stderr
    assert '<html lang="en">' in out.read_text(encoding="utf-8")
    run = subprocess.run([sys.executable, "-m", "velmora", "report", str(good), str(tmp_path / "missing.txt"),
                          "-o", str(out), "--strict"], capture_output=True, text=True)
    assert run.returncode == 1 and "missing.txt" in run.stderr
    run = subprocess.run([sys.executable, "-m", "velmora", "report", str(good), "-o", "-"],
                         capture_output=True, text=True)
    assert run.returncode == 0 and run.stdout.startswith("<!DOCTYPE html>")
