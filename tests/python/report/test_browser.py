"""Reports opened in headless Chromium, looked at as a person would: rows,
filtering, sorting, charts, no console errors, no network, nothing from the
file executed. Screenshots go to build/test-artifacts/report/."""

import datetime
import decimal
import json
import os
import pathlib
import shutil

import pytest

import velmora
import velmora_py

import generated
from conftest import ARTIFACTS

REQUIRED = bool(os.environ.get("VELMORA_REQUIRE_BROWSER"))
EXAMPLES = sorted(pathlib.Path(__file__).resolve().parents[3].joinpath("examples").glob("*.txt"))


def browser_or_skip():
    try:
        from selenium import webdriver
    except ImportError:
        webdriver = None
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    driver = shutil.which("chromedriver")
    if webdriver is None or not chromium or not driver:
        why = "selenium, chromium and chromedriver are needed for the browser tests"
        if REQUIRED:
            pytest.fail(why)
        pytest.skip(why)
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--window-size=1280,1000"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    from selenium.webdriver.chrome.service import Service
    return webdriver.Chrome(service=Service(driver), options=options)


@pytest.fixture(scope="module")
def browser():
    driver = browser_or_skip()
    yield driver
    driver.quit()


def open_report(browser, tmp_path, name, page):
    path = tmp_path / f"{name}.html"
    path.write_text(page, encoding="utf-8")
    browser.get_log("performance")           # forget what came before
    browser.get_log("browser")
    browser.get(path.as_uri())
    return path.as_uri()


def screenshot(browser, name):
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    height = browser.execute_script("return document.documentElement.scrollHeight")
    browser.set_window_size(1280, min(height, 8000))
    browser.save_screenshot(str(ARTIFACTS / f"{name}.png"))
    browser.set_window_size(1280, 1000)
    print(f"screenshot: {ARTIFACTS / (name + '.png')}")


def assert_clean(browser, uri):
    errors = [e for e in browser.get_log("browser") if e["level"] == "SEVERE"]
    assert errors == []
    urls = []
    for entry in browser.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message["method"] == "Network.requestWillBeSent":
            urls.append(message["params"]["request"]["url"])
    assert urls and set(urls) == {uri}


def tables(browser):
    return browser.find_elements("css selector", ".doc-table")


def visible_rows(table):
    """The cells' text as shown (one round trip, not one per cell)."""
    return table.parent.execute_script(
        "return Array.from(arguments[0].querySelectorAll('tbody tr'), "
        "tr => Array.from(tr.cells, td => td.innerText));", table)


def all_rows(table):
    """Every row, page after page."""
    rows = visible_rows(table)
    following = table.find_element("css selector", "button.next")
    while following.is_enabled():
        following.click()
        rows += visible_rows(table)
    return rows


def amount_of(text):
    return decimal.Decimal(text.replace("\u00a0", "").replace(" ", "").replace(",", "."))


def date_of(text):
    return datetime.datetime.strptime(text, "%d.%m.%Y").date()


def charts(browser, kind):
    return [(int(svg.get_attribute("data-count")),
             len(svg.find_elements("css selector", "circle.pt, rect.bar")))
            for svg in browser.find_elements("css selector", f"svg.{kind}")]


def test_examples(browser, tmp_path):
    statements = [velmora_py.parse(p.read_bytes()) for p in EXAMPLES]
    uri = open_report(browser, tmp_path, "examples", velmora.report(EXAMPLES))
    screenshot(browser, "examples")
    assert [len(all_rows(t)) for t in tables(browser)] == [len(s.documents) for s in statements]
    accounts = sum(len(s.accounts) for s in statements)
    assert len(charts(browser, "balance-chart")) == accounts
    for kind in ("balance-chart", "flow-chart", "party-chart"):
        assert all(declared == drawn > 0 for declared, drawn in charts(browser, kind))
    assert_clean(browser, uri)


def test_generated_statement_with_warnings_and_findings(browser, tmp_path):
    case = generated.statement(count=240, days=40, broken=2, wrong_closing=True)
    statement = velmora_py.parse(case.text.encode())
    uri = open_report(browser, tmp_path, "generated", velmora.report(statement))
    screenshot(browser, "generated")
    (table,) = tables(browser)
    assert len(visible_rows(table)) == 100          # one page
    assert len(all_rows(table)) == case.documents
    assert charts(browser, "balance-chart") == [(case.points, case.points)]
    assert charts(browser, "flow-chart") == [(case.bars, case.bars)]
    assert [c[0] for c in charts(browser, "party-chart")] == [case.top_in, case.top_out]
    assert len(browser.find_elements("css selector", "circle.pt.bad")) == 1    # the closing balance
    assert len(browser.find_elements("css selector", "table.warnings tbody tr")) == case.warnings
    kinds = [h.get_attribute("data-kind") for h in browser.find_elements("css selector", "h4.kind")]
    assert kinds == ["balance"]
    assert_clean(browser, uri)


def test_filter_and_sort(browser, tmp_path):
    case = generated.statement(count=240, days=40, seed=11)
    statement = velmora_py.parse(case.text.encode())
    open_report(browser, tmp_path, "sorting", velmora.report(statement))
    (table,) = tables(browser)
    amounts = sorted(decimal.Decimal(d.amount) for d in statement.documents)
    dates = sorted(datetime.date.fromisoformat(d.doc_date) for d in statement.documents)
    heads = table.find_elements("css selector", "th")

    heads[3].click()
    assert [amount_of(r[3]) for r in visible_rows(table)] == amounts[:100]
    heads[3].click()
    assert [amount_of(r[3]) for r in all_rows(table)] == amounts[::-1]
    heads[0].click()
    assert [date_of(r[0]) for r in visible_rows(table)] == dates[:100]

    # a payer's INN narrows the rows to that payer's documents, in any case
    inn = statement.documents[0].counterparty_inn
    wanted = sum(inn in (d.counterparty_inn, d.payee_inn) for d in statement.documents)
    box = table.find_element("css selector", "input.filter")
    box.send_keys(inn)
    shown = all_rows(table)
    assert 0 < len(shown) == wanted < case.documents and all(r[6] == inn for r in shown)
    box.clear()
    box.send_keys("НЕТ ТАКОГО ТЕКСТА")
    assert visible_rows(table) == []


def test_text_from_the_file_never_runs(browser, tmp_path):
    case = generated.statement(count=12, days=5, hostile=True, broken=1)
    uri = open_report(browser, tmp_path, "hostile", velmora.report(case.text.encode()))
    screenshot(browser, "hostile")
    assert browser.execute_script("return window.__pwned === undefined")
    (table,) = tables(browser)
    cells = [r[7] for r in all_rows(table)]
    for text in generated.HOSTILE[:3]:
        assert text in cells
    assert browser.find_elements("tag name", "img") == []
    assert browser.find_elements("css selector", "td b") == []
    assert "<script>window.__pwned=5</script>" in browser.find_element("css selector", "table.warnings").text
    assert_clean(browser, uri)


def test_ten_thousand_documents_are_paged(browser, tmp_path):
    case = generated.statement(count=10_000, days=400, seed=3)
    open_report(browser, tmp_path, "large", velmora.report(case.text.encode(), lang="en"))
    (table,) = tables(browser)
    assert len(visible_rows(table)) == 100
    assert table.find_element("css selector", ".shown").text == "Showing 10000 of 10000"
    assert table.find_element("css selector", ".page").text == "Page 1 of 100"
    assert charts(browser, "balance-chart") == [(case.points, case.points)]
    table.find_element("css selector", "input.filter").send_keys("2")
    assert len(visible_rows(table)) == 100
