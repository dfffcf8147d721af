"""Makes docs/report.png: the report of the bundled UTF-8 example, opened in
headless Chromium (make report-screenshot)."""

import pathlib
import shutil
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

import velmora

root = pathlib.Path(__file__).resolve().parents[1]
with tempfile.TemporaryDirectory() as folder:
    page = pathlib.Path(folder) / "report.html"
    page.write_text(velmora.report(root / "examples" / "statement_utf8.txt"), encoding="utf-8")
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars", "--window-size=1100,1000"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    try:
        driver.get(page.as_uri())
        height = driver.execute_script("return document.documentElement.scrollHeight")
        driver.set_window_size(1100, height)
        target = root / "docs" / "report.png"
        driver.save_screenshot(str(target))
    finally:
        driver.quit()
print(target, file=sys.stderr)
