"""Deterministic statements for the report tests, with what the report must
show for them worked out here from the generated values (not from the
report's code)."""

import dataclasses
import datetime
import random

from consistent_statements import D, DAY, Doc, Section, complete_account, complete_inn, written

OWN_BIC = "044525974"
HOSTILE = [
    "<script>window.__pwned=1</script>",
    '<img src=x onerror="window.__pwned=2">',
    "\"quoted' & </script><script>window.__pwned=3</script>",
    "Оплата «Ёлки» \u2028 по счёту <b>№ 7</b>",
]


@dataclasses.dataclass
class Expected:
    text: str
    documents: int               # rows of the documents table
    points: int                  # points of the balance line
    bars: int                    # bars of the flow chart
    top_in: int
    top_out: int
    warnings: int


def party(rng, n):
    bic = "044525225"
    account = complete_account("408178100" + f"{n:010d}", bic)
    inn = complete_inn(f"{770000000 + n:09d}")
    return account, bic, inn, None


def statement(count=240, days=40, seed=7, hostile=False, broken=0, wrong_closing=False):
    """One account, `count` documents over `days` days, `broken` documents
    that cannot be built (each a warning), and, with hostile, purposes and
    names that try to run script in the page."""
    rng = random.Random(seed)
    own = (complete_account("407028100" + "0000000042", OWN_BIC), OWN_BIC, complete_inn("770100123"), None)
    first = datetime.date(2024, 3, 1)
    last = first + (days - 1) * DAY
    others = [party(rng, n) for n in range(1, 16)]
    docs, income, expense, posting_days = [], D(0), D(0), set()
    incoming_parties, outgoing_parties = set(), set()
    for i in range(count):
        when = first + rng.randrange(days) * DAY
        value = D(rng.randrange(1, 10**8)) / 100
        other = rng.choice(others)
        doc = Doc(str(i + 1), when, written(value, 2), other, own)
        if rng.random() < 0.5:
            doc.payer, doc.payee = own, other
            expense += value
            outgoing_parties.add(other[2])
        else:
            income += value
            incoming_parties.add(other[2])
        posting_days.add(when)
        docs.append(doc)
    opening = D("1000000.00")
    closing = opening + income - expense + (D("0.01") if wrong_closing else 0)
    section = Section(own[0], first, last, {"НачальныйОстаток": written(opening, 2),
                                            "ВсегоПоступило": written(income, 2),
                                            "ВсегоСписано": written(expense, 2),
                                            "КонечныйОстаток": written(closing, 2)})
    lines = ["1CClientBankExchange", "ВерсияФормата=1.03", "Кодировка=Windows",
             "Отправитель=" + ("Бухгалтерия <script>window.__pwned=4</script>" if hostile else "Бухгалтерия"),
             f"ДатаНачала={first:%d.%m.%Y}", f"ДатаКонца={last:%d.%m.%Y}"]
    lines += section.lines()
    for i, doc in enumerate(docs):
        block = doc.lines()
        if hostile and i < len(HOSTILE):
            block = [f"НазначениеПлатежа={HOSTILE[i]}" if l.startswith("НазначениеПлатежа=") else l
                     for l in block]
            block.insert(-1, f"Плательщик1=ООО \"Ромашка\" {HOSTILE[i]}")
        lines += block
    for n in range(broken):
        lines += ["СекцияДокумент=Платежное поручение", f"Номер=X{n}", f"Дата={first:%d.%m.%Y}",
                  "Сумма=12,5<script>window.__pwned=5</script>", "КонецДокумента"]
    lines.append("КонецФайла")
    span = (max(posting_days) - min(posting_days)).days + 1
    return Expected("\n".join(lines) + "\n", count, 2 + len(posting_days), 2 * span,
                    min(10, len(incoming_parties)), min(10, len(outgoing_parties)), broken)
