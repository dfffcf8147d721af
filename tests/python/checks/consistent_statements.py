"""Generated statements that pass every check, built from the published
check-digit rules and exact decimal sums (written here independently of the
code under test), and the faults that can be planted in them one at a time."""

import dataclasses
import datetime
import decimal

from hypothesis import strategies as st

D = decimal.Decimal
DAY = datetime.timedelta(days=1)


def inn_digit(digits, weights):
    return str(sum(int(d) * w for d, w in zip(digits, weights)) % 11 % 10)


def complete_inn(prefix):
    if len(prefix) == 9:
        return prefix + inn_digit(prefix, [2, 4, 10, 3, 5, 9, 4, 6, 8])
    prefix += inn_digit(prefix, [7, 2, 4, 10, 3, 5, 9, 4, 6, 8])
    return prefix + inn_digit(prefix, [3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8])


def complete_account(digits19, bic):
    """A 20-digit account: the 19 digits with the control key put in 9th place."""
    bank = "0" + bic[4:6] if bic[6:] in ("000", "001", "002") or digits19.startswith("40102") else bic[6:]
    for key in "0123456789":
        account = digits19[:8] + key + digits19[8:]
        total = sum(int(c) * (7, 1, 3)[i % 3] for i, c in enumerate(bank + account))
        if total % 10 == 0:
            return account
    raise AssertionError("some key always fits")


def written(value, scale):
    return str(value.quantize(D(1).scaleb(-scale)))


def file_date(date):
    return date.strftime("%d.%m.%Y")


BICS = ["044525974", "044525225", "044030653", "044525000", "046577964"]


@dataclasses.dataclass
class Doc:
    number: str
    doc_date: datetime.date
    amount: str
    payer: tuple          # (account, bic, inn, kpp or None)
    payee: tuple
    income_date: datetime.date | None = None
    outcome_date: datetime.date | None = None

    def lines(self):
        out = ["СекцияДокумент=Платежное поручение", f"Номер={self.number}",
               f"Дата={file_date(self.doc_date)}", f"Сумма={self.amount}", "НазначениеПлатежа=Оплата"]
        for prefix, (account, bic, inn, kpp) in (("Плательщик", self.payer), ("Получатель", self.payee)):
            out += [f"{prefix}Счет={account}", f"{prefix}БИК={bic}", f"{prefix}ИНН={inn}",
                    f"{prefix}Банк1=Банк"]
            if kpp is not None:
                out.append(f"{prefix}КПП={kpp}")
        if self.income_date:
            out.append(f"ДатаПоступило={file_date(self.income_date)}")
        if self.outcome_date:
            out.append(f"ДатаСписано={file_date(self.outcome_date)}")
        return out + ["КонецДокумента"]


@dataclasses.dataclass
class Section:
    number: str
    start: datetime.date
    end: datetime.date | None
    values: dict          # key -> written amount

    def lines(self):
        out = ["СекцияРасчСчет", f"ДатаНачала={file_date(self.start)}"]
        if self.end:
            out.append(f"ДатаКонца={file_date(self.end)}")
        out.append(f"РасчСчет={self.number}")
        out += [f"{k}={v}" for k, v in self.values.items()]
        return out + ["КонецРасчСчет"]


@dataclasses.dataclass
class Generated:
    header: dict
    sections: list        # Section, by account, in order
    documents: list       # Doc
    accounts: list        # statement account numbers, in order

    def text(self):
        lines = ["1CClientBankExchange"] + [f"{k}={v}" for k, v in self.header.items()]
        for section in self.sections:
            lines += section.lines()
        for doc in self.documents:
            lines += doc.lines()
        return "\n".join(lines + ["КонецФайла"]) + "\n"


amounts = st.builds(lambda cents, scale: (D(cents) / 100, scale),
                    st.integers(1, 10**9), st.sampled_from([2, 2, 2, 3]))


@st.composite
def parties(draw, own=True):
    """A side of a payment; the statement's own accounts and those of the
    other sides are told apart by their balance accounts."""
    bic = draw(st.sampled_from(BICS))
    body = ("40702810" if own else "40817810") + "0" + "".join(draw(st.lists(st.sampled_from("0123456789"), min_size=10, max_size=10)))
    account = complete_account(body, bic)
    inn = complete_inn("".join(draw(st.lists(st.sampled_from("0123456789"),
                                             min_size=9, max_size=9)))
                       + ("" if draw(st.booleans()) else draw(st.sampled_from("0123456789"))))
    kpp = draw(st.sampled_from([None, "", "0", "770701001", "7707AB001"]))
    return account, bic, inn, kpp


@st.composite
def consistent_statements(draw):
    """Accounts with contiguous intervals whose balances, continuity and
    turnovers add up; documents with valid numbers, dated inside their
    interval, each crediting or debiting one of the statement's accounts."""
    count = draw(st.integers(1, 2))
    own = [draw(parties()) for _ in range(count)]
    while len({p[0] for p in own}) < count:
        own = [draw(parties()) for _ in range(count)]
    sections, documents = [], []
    first_day = datetime.date(2024, 1, 1) + draw(st.integers(0, 400)) * DAY
    last_day = first_day
    for party in own:
        day = first_day
        balance = draw(amounts)[0] * draw(st.sampled_from([1, -1]))
        intervals = draw(st.integers(1, 3))
        for n in range(intervals):
            length = draw(st.integers(1, 9))
            end = day + (length - 1) * DAY
            income = expense = D(0)
            for _ in range(draw(st.integers(0 if n else 1, 3))):
                value, scale = draw(amounts)
                doc_date = day + draw(st.integers(0, length - 1)) * DAY
                posted = doc_date + draw(st.integers(0, (end - doc_date).days)) * DAY
                other = draw(parties(own=False))
                doc = Doc(str(len(documents) + 1), doc_date, written(value, scale), other, party)
                if draw(st.booleans()):
                    doc.payer, doc.payee, doc.outcome_date = party, other, posted
                    expense += value
                else:
                    doc.income_date = posted
                    income += value
                documents.append(doc)
            closing = balance + income - expense
            open_end = n == intervals - 1 and length == 1 and draw(st.booleans())
            sections.append(Section(party[0], day, None if open_end else end, {
                "НачальныйОстаток": written(balance, draw(st.sampled_from([2, 3]))),
                "ВсегоПоступило": written(income, 2),
                "ВсегоСписано": written(expense, 2),
                "КонечныйОстаток": written(closing, 2)}))
            balance = closing
            day = end + DAY
            last_day = max(last_day, end)
    header = {"ВерсияФормата": "1.03", "Кодировка": "UTF-8",
              "ДатаНачала": file_date(first_day), "ДатаКонца": file_date(last_day)}
    order = draw(st.permutations(range(len(documents))))
    documents = [documents[i] for i in order]
    for i, doc in enumerate(documents):
        doc.number = str(i + 1)
    return Generated(header, sections, documents, [p[0] for p in own])
