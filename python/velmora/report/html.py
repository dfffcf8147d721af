"""The report page: one self-contained HTML file. The style sheet and the
script are inline; the Content-Security-Policy allows no network access and
only the page's own script (by its hash), so even text that slipped past
escaping could neither run nor load anything. Every text from a statement is
escaped here, and the document rows travel as JSON that the script inserts
with textContent."""

import base64
import datetime
import hashlib
import json
from collections.abc import Callable, Sequence
from functools import cache
from html import escape
from importlib import resources

from velmora.report import svg
from velmora.report.model import AccountFigures, Row, StatementFigures
from velmora.report.money import amount, russian

# Columns of the documents table: label key and how the script sorts it.
COLUMNS = (("date", "date"), ("number", "text"), ("type", "text"), ("amount", "amount"),
           ("direction", "text"), ("counterparty", "text"), ("inn", "text"), ("purpose", "text"))


@cache
def asset(name: str) -> str:
    return resources.files("velmora.report").joinpath(name).read_text(encoding="utf-8")


def script_json(value: object) -> str:
    """JSON to stand inside a <script> element: "<", ">" and "&" as \\u
    escapes, so no "</script>" or "<!--" can end or change the element, and
    U+2028/U+2029 escaped for older script parsers."""
    text = json.dumps(value, ensure_ascii=False, separators=(",", ":"))
    for char in "<>&\u2028\u2029":
        text = text.replace(char, f"\\u{ord(char):04x}")
    return text


class Page:
    """Formats for one language."""

    def __init__(self, lang: str, texts: dict[str, str]):
        self.lang, self.t = lang, texts

    def date(self, when: datetime.date) -> str:
        return when.strftime("%d.%m.%Y") if self.lang == "ru" else when.isoformat()

    def iso_date(self, text: str | None) -> str:
        """A date velmora_py rendered ("2024-04-03"), shown the reader's way."""
        if not text:
            return ""
        try:
            return self.date(datetime.date.fromisoformat(text))
        except ValueError:
            return text

    def bucket(self, unit: str) -> Callable[[datetime.date], str]:
        if unit == "month":
            return lambda when: when.strftime("%m.%Y") if self.lang == "ru" else when.strftime("%Y-%m")
        return self.date

    def money(self, text: str | None) -> str:
        return "" if text is None else russian(amount(text))


def cell(value: object, cls: str = "") -> str:
    attr = f' class="{cls}"' if cls else ""
    return f"<td{attr}>{escape(str(value))}</td>"


def header_block(page: Page, fig: StatementFigures) -> str:
    t, h = page.t, fig.statement.header
    period = " — ".join(v for v in (h.get("ДатаНачала"), h.get("ДатаКонца")) if v)
    created = " ".join(v for v in (h.get("ДатаСоздания"), h.get("ВремяСоздания")) if v)
    items = [("sender", h.get("Отправитель")), ("receiver", h.get("Получатель")), ("period", period),
             ("created", created), ("encoding", fig.statement.encoding)]
    body = "".join(f"<dt>{escape(t[k])}</dt><dd>{escape(v or '—')}</dd>" for k, v in items)
    return f'<h3>{escape(t["header"])}</h3><dl class="header">{body}</dl>'


def intervals_table(page: Page, acc: AccountFigures) -> str:
    t = page.t
    heads = ["from", "to", "opening", "income", "expense", "closing"]
    head = "".join(f'<th{" class=num" if i > 1 else ""}>{escape(t[k])}</th>' for i, k in enumerate(heads))
    head += f'<th class="num">{escape(t["by_documents"])}: {escape(t["income"])} / {escape(t["expense"])} / {escape(t["closing"])}</th>'
    rows = []
    for r in acc.intervals:
        iv = r.interval
        derived = f"{russian(r.income)} / {russian(r.expense)} / {russian(r.running)}"
        rows.append("<tr>" + cell(page.iso_date(iv.date_start)) + cell(page.iso_date(iv.date_end))
                    + "".join(cell(page.money(v), "num") for v in (iv.start_amount, iv.total_income,
                                                                    iv.total_expense, iv.end_amount))
                    + cell(derived, "num") + "</tr>")
    return f"<h4>{escape(t['intervals'])}</h4><table><thead><tr>{head}</tr></thead><tbody>{''.join(rows)}</tbody></table>"


def account_block(page: Page, acc: AccountFigures) -> str:
    t = page.t
    parts = [f'<section class="account"><h3>{escape(t["account"])} {escape(acc.number)}</h3>',
             intervals_table(page, acc), f"<h4>{escape(t['balance'])}</h4>"]
    if acc.points:
        parts.append(f'<p class="muted">{escape(t["balance_note"])}</p>')
        parts.append(svg.balance_chart(acc.points, f"{t['balance']} {acc.number}", page.date))
        bad = [p for p in acc.points if p.disagreement]
        if bad:
            items = "".join(f"<li>{escape(page.date(p.when))}: {escape(p.disagreement or '')}</li>" for p in bad)
            parts.append(f'<h4 class="bad">{escape(t["disagreements"])}</h4><ul class="disagreements">{items}</ul>')
    else:
        parts.append(f'<p class="muted">{escape(t["no_balance"])}</p>')
    parts.append(f"<h4>{escape(t['flows'])}, {escape(t['per_' + acc.unit])}</h4>")
    if acc.buckets:
        parts.append(f'<p class="legend"><span class="in">■ {escape(t["income"])}</span> '
                     f'<span class="out">■ {escape(t["expense"])}</span></p>')
        parts.append(svg.flow_chart(acc.buckets, f"{t['flows']} {acc.number}", page.bucket(acc.unit),
                                    (t["income"], t["expense"])))
    else:
        parts.append(f'<p class="muted">{escape(t["no_flows"])}</p>')
    parts.append('<div class="tops">')
    for key, parties, cls in (("top_in", acc.top_in, "in"), ("top_out", acc.top_out, "out")):
        parts.append(f"<div><h4>{escape(t[key])}</h4>")
        parts.append(svg.party_chart(parties, t[key], cls) if parties
                     else f'<p class="muted">{escape(t["none"])}</p>')
        parts.append("</div>")
    parts.append("</div></section>")
    return "".join(parts)


def row_json(page: Page, row: Row) -> dict[str, object]:
    d = row.document
    cells = [page.iso_date(d.doc_date), d.doc_number, d.doc_type, page.money(d.amount),
             page.t["dir_" + row.direction], row.counterparty, row.inn, d.purpose]
    return {"c": cells, "d": d.doc_date, "a": d.amount}


def documents_block(page: Page, fig: StatementFigures, number: int) -> str:
    t = page.t
    heads = "".join(f'<th data-type="{kind}"{" class=num" if kind == "amount" else ""}>{escape(t[key])}</th>'
                    for key, kind in COLUMNS)
    data = script_json([row_json(page, row) for row in fig.rows])
    return (f'<h3>{escape(t["documents"])} ({len(fig.rows)})</h3>'
            f'<div class="doc-table" data-source="docs-{number}">'
            f'<div class="tools"><label>{escape(t["filter"])} '
            f'<input type="search" class="filter" placeholder="{escape(t["filter_hint"])}"></label>'
            f'<span class="shown muted"></span></div>'
            f"<table><thead><tr>{heads}</tr></thead><tbody></tbody></table>"
            f'<div class="pager"><button type="button" class="prev">{escape(t["prev"])}</button>'
            f'<span class="page"></span><button type="button" class="next">{escape(t["next"])}</button></div>'
            f"</div>"
            f'<script type="application/json" id="docs-{number}">{data}</script>')


def warnings_block(page: Page, fig: StatementFigures) -> str:
    t, warnings = page.t, fig.statement.warnings
    out = f'<h3>{escape(t["warnings"])} ({len(warnings)})</h3>'
    if not warnings:
        return out + f'<p class="muted">{escape(t["no_warnings"])}</p>'
    rows = "".join(f"<tr>{cell(lineno, 'num')}{cell(message)}</tr>" for lineno, message in warnings)
    return out + f'<table class="warnings"><thead><tr><th class="num">{escape(t["line"])}</th><th></th></tr></thead><tbody>{rows}</tbody></table>'


def findings_block(page: Page, fig: StatementFigures) -> str:
    t = page.t
    total = sum(len(group) for group in fig.findings.values())
    out = [f'<h3>{escape(t["findings"])} ({total})</h3>']
    if not total:
        return out[0] + f'<p class="muted">{escape(t["no_findings"])}</p>'
    documents = fig.statement.documents
    for kind, group in fig.findings.items():
        name = t.get("kind_" + kind, kind)
        out.append(f'<h4 class="kind" data-kind="{escape(kind)}">{escape(name)} '
                   f'<span class="muted">({escape(kind)}, {len(group)})</span></h4><ul class="findings">')
        for f in group:
            where = []
            if f.account is not None:
                where.append(f"{t['account']} {f.account}")
            if f.document is not None:
                ref = {"index": f.document, "number": "?", "date": "?"}
                if 0 <= f.document < len(documents):
                    doc = documents[f.document]
                    ref.update(number=doc.doc_number, date=page.iso_date(doc.doc_date))
                where.append(t["document_ref"].format(**ref))
            out.append(f"<li>{escape(': '.join(where + [f.message]))}</li>")
        out.append("</ul>")
    return "".join(out)


def statement_block(page: Page, fig: StatementFigures, number: int) -> str:
    t = page.t
    parts = [f'<section class="statement" id="statement-{number}">',
             f'<h2>{escape(t["statement"])}: {escape(fig.label)}</h2>', header_block(page, fig)]
    if fig.accounts:
        parts += [account_block(page, acc) for acc in fig.accounts]
    else:
        parts.append(f'<p class="muted">{escape(t["no_accounts"])}</p>')
    parts += [documents_block(page, fig, number), warnings_block(page, fig), findings_block(page, fig),
              "</section>"]
    return "".join(parts)


def policy(script: str) -> str:
    digest = base64.b64encode(hashlib.sha256(script.encode("utf-8")).digest()).decode("ascii")
    return f"default-src 'none'; style-src 'unsafe-inline'; script-src 'sha256-{digest}'"


def page_html(figures: Sequence[StatementFigures], lang: str, texts: dict[str, str]) -> str:
    page = Page(lang, texts)
    script = asset("report.js")
    contents = "".join(f'<li><a href="#statement-{i}">{escape(fig.label)}</a></li>'
                       for i, fig in enumerate(figures))
    script_texts = {key: texts[key] for key in ("shown", "page")}
    return "".join([
        f'<!DOCTYPE html><html lang="{lang}"><head><meta charset="utf-8">',
        f'<meta http-equiv="Content-Security-Policy" content="{policy(script)}">',
        '<meta name="viewport" content="width=device-width, initial-scale=1">',
        f"<title>{escape(texts['title'])}</title><style>{asset('report.css')}</style></head><body>",
        f'<header><h1>{escape(texts["title"])}</h1><p class="muted">{escape(texts["generated_by"])}</p></header>',
        f'<nav><h4>{escape(texts["contents"])}</h4><ul>{contents}</ul></nav>' if len(figures) > 1 else "",
        "".join(statement_block(page, fig, i) for i, fig in enumerate(figures)),
        f'<script type="application/json" id="report-texts">{script_json(script_texts)}</script>',
        f"<script>{script}</script></body></html>\n",
    ])
