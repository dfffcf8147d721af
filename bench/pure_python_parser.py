"""The parser a user would write instead of velmora, as a benchmark baseline.

It decodes, splits lines, walks the sections with a small state machine,
keeps a dict per section and builds records with decimal.Decimal and
datetime.date. It checks much less than velmora does; it is here only to
show what the same work costs in pure Python.
"""

import datetime
import decimal

DOCUMENT_KEYS = (
    "Номер", "ВидОплаты", "Дата", "НазначениеПлатежа", "Очередность", "Сумма", "ПлательщикИНН",
    "ПлательщикКПП", "ПлательщикБИК", "ПлательщикБанк1", "ПлательщикСчет", "Плательщик",
    "Плательщик1", "ДатаСписано", "ПлательщикРасчСчет", "ПлательщикКорсчет", "ПолучательИНН",
    "Получатель", "ПолучательСчет", "ПолучательКПП", "ПолучательБИК", "ПолучательБанк1",
    "ПолучательРасчСчет", "ПолучательКорсчет", "ДатаПоступило", "Плательщик2", "Плательщик3",
    "Плательщик4", "ПлательщикБанк2", "Получатель1", "Получатель2", "Получатель3", "Получатель4",
    "ПолучательБанк2", "ВидПлатежа", "СрокПлатежа", "Код", "КодНазПлатежа", "НазначениеПлатежа1",
    "НазначениеПлатежа2", "НазначениеПлатежа3", "НазначениеПлатежа4", "НазначениеПлатежа5",
    "НазначениеПлатежа6", "СтатусСоставителя", "ПоказательКБК", "ОКАТО", "ПоказательОснования",
    "ПоказательПериода", "ПоказательНомера", "ПоказательДаты", "ПоказательТипа",
)
DATE_KEYS = {"Дата", "ДатаСписано", "ДатаПоступило"}


def parse_date(text):
    day, month, year = text.split(".")
    return datetime.date(int(year), int(month), int(day))


def build_document(kind, attrs):
    record = {"СекцияДокумент": kind}
    for key in DOCUMENT_KEYS:
        value = attrs.get(key)
        if value and key in DATE_KEYS:
            value = parse_date(value)
        elif value and key == "Сумма":
            value = decimal.Decimal(value)
        record[key] = value or None
    return record


def build_interval(attrs):
    return {
        "date_start": parse_date(attrs["ДатаНачала"]),
        "date_end": parse_date(attrs["ДатаКонца"]) if attrs.get("ДатаКонца") else None,
        "start_amount": decimal.Decimal(attrs["НачальныйОстаток"]),
        "end_amount": decimal.Decimal(attrs["КонечныйОстаток"]) if attrs.get("КонечныйОстаток") else None,
        "total_income": decimal.Decimal(attrs["ВсегоПоступило"]) if attrs.get("ВсегоПоступило") else None,
        "total_expense": decimal.Decimal(attrs["ВсегоСписано"]) if attrs.get("ВсегоСписано") else None,
    }


def parse(data):
    try:
        text = data.decode("utf-8")
        encoding = "utf-8"
    except UnicodeDecodeError:
        text = data.decode("cp1251")
        encoding = "cp1251"
    lines = text.splitlines()
    if not lines or lines[0].strip() != "1CClientBankExchange":
        raise ValueError("not a statement")
    header, accounts, documents, warnings = {}, {}, [], []
    state, section, kind = "header", None, None
    for lineno, raw in enumerate(lines[1:], 2):
        line = raw.strip()
        if not line:
            continue
        if line == "СекцияРасчСчет":
            state, section = "account", {}
        elif line == "КонецРасчСчет":
            interval = build_interval(section)
            accounts.setdefault(section["РасчСчет"], []).append(interval)
            state = "between"
        elif line.startswith("СекцияДокумент="):
            state, section, kind = "document", {}, line.partition("=")[2].strip()
        elif line == "КонецДокумента":
            try:
                documents.append(build_document(kind, section))
            except (ValueError, decimal.InvalidOperation) as error:
                warnings.append((lineno, str(error)))
            state = "between"
        elif line == "КонецФайла":
            break
        else:
            key, sep, value = line.partition("=")
            if not sep:
                raise ValueError(f"line {lineno}: unrecognized line")
            if state == "header":
                header[key.strip()] = value.strip()
            elif state in ("account", "document"):
                section[key.strip()] = value.strip()
            else:
                raise ValueError(f"line {lineno}: attribute outside a section")
    for intervals in accounts.values():
        intervals.sort(key=lambda interval: interval["date_start"])
    return {"encoding": encoding, "header": header, "accounts": accounts,
            "documents": documents, "warnings": warnings}
