"""Deterministic generator of realistic statements for the benchmarks.

    python bench/gen_statement.py --size-mb 20 --encoding cp1251 -o out.txt

A statement has the header that bank-client exports carry, three accounts
with four intervals each, and as many documents of about sixty attribute
lines as the requested size needs: most of the known keys, empty values,
keys that no record uses, Cyrillic names and purposes of 40-200 characters.
windows-1251 output uses CRLF line ends, UTF-8 output LF.
"""

import argparse
import random
import sys

COMPANIES = [
    "ООО \"Северная верфь\"", "АО \"Балтийская Металлоторговля\"", "ООО «Кедр Софт»",
    "ИП Ковалёва Марина Сергеевна", "ПАО \"Уральский трубный завод\"", "ООО \"Зелёный квадрат\"",
    "АО «Транспортная компания Восток»", "ООО \"Агрохолдинг Приволжье\"", "ИП Смирнов Олег Игоревич",
    "ООО «Облачные системы»", "ГУП \"Водоканал Санкт-Петербурга\"", "ООО \"Мебельная фабрика Ель\"",
]
BANKS = [
    ("ПАО СБЕРБАНК", "044525225", "30101810400000000225", "г. Москва"),
    ("АО \"АЛЬФА-БАНК\"", "044525593", "30101810200000000593", "г. Москва"),
    ("Банк ВТБ (ПАО)", "044030707", "30101810200000000707", "г. Санкт-Петербург"),
    ("АО \"ТБанк\"", "044525974", "30101810145250000974", "г. Москва"),
]
WORDS = [
    "оплата", "по", "счету", "договору", "за", "поставку", "товара", "услуги", "аренду", "помещения",
    "транспортные", "работы", "согласно", "акту", "в", "т.ч.", "НДС", "20%", "без", "налога",
    "предоплата", "возврат", "излишне", "перечисленных", "средств", "лицензионное", "вознаграждение",
    "металлопрокат", "сервисное", "обслуживание", "№", "от", "года", "месяц", "март", "апрель",
]
UNUSED = ["КвитанцияДата", "КвитанцияВремя", "КвитанцияСодержание", "СрокАкцепта", "ВидАккредитива",
          "УсловиеОплаты1", "ПлатежПоПредст", "ДополнУсловия", "НомерСчетаПоставщика", "ДатаОтсылкиДок"]


def account_number(rng):
    return "40702810" + "".join(rng.choice("0123456789") for _ in range(12))


def date(rng, year=2024):
    return f"{rng.randint(1, 28):02d}.{rng.randint(1, 12):02d}.{year}"


def amount(rng):
    return f"{rng.randint(1, 5_000_000)}.{rng.randint(0, 99):02d}"


def purpose(rng):
    target = rng.randint(40, 200)
    words = []
    while sum(len(w) + 1 for w in words) < target:
        words.append(rng.choice(WORDS))
    return " ".join(words)[:target]


def party(rng, prefix, lines):
    name = rng.choice(COMPANIES)
    inn = "".join(rng.choice("0123456789") for _ in range(10))
    acc = account_number(rng)
    bank, bic, cor, city = rng.choice(BANKS)
    lines += [f"{prefix}Счет={acc}", f"{prefix}=ИНН {inn} {name}", f"{prefix}ИНН={inn}",
              f"{prefix}1={name}", f"{prefix}2=", f"{prefix}3=", f"{prefix}4=",
              f"{prefix}РасчСчет={acc}", f"{prefix}Банк1={bank}", f"{prefix}Банк2={city}",
              f"{prefix}БИК={bic}", f"{prefix}Корсчет={cor}", f"{prefix}КПП={inn[:4]}01001"]


def document(rng, number):
    kind = "Платежное поручение" if rng.random() < 0.9 else "Банковский ордер"
    when = date(rng)
    text = purpose(rng)
    lines = [f"СекцияДокумент={kind}", f"Номер={number}", f"Дата={when}", f"Сумма={amount(rng)}"]
    party(rng, "Плательщик", lines)
    lines.append(f"ДатаСписано={when if rng.random() < 0.5 else ''}")
    party(rng, "Получатель", lines)
    lines.append(f"ДатаПоступило={when if rng.random() < 0.5 else ''}")
    lines += ["ВидПлатежа=электронно", "ВидОплаты=01", "Код=0", "КодНазПлатежа=", "Очередность=5",
              "СрокПлатежа=", f"НазначениеПлатежа={text}"]
    for i in range(0, min(len(text), 6 * 35), 35):
        lines.append(f"НазначениеПлатежа{i // 35 + 1}={text[i:i + 35]}")
    lines += ["СтатусСоставителя=", "ПоказательКБК=", "ОКАТО=", "ПоказательОснования=",
              "ПоказательПериода=", "ПоказательНомера=", "ПоказательДаты=", "ПоказательТипа="]
    lines += [f"{key}=" for key in rng.sample(UNUSED, rng.randint(3, len(UNUSED)))]
    lines.append("КонецДокумента")
    return lines


def statement_lines(size_bytes, encoding, seed=1):
    rng = random.Random(seed)
    accounts = [account_number(rng) for _ in range(3)]
    lines = ["1CClientBankExchange", "ВерсияФормата=1.03",
             f"Кодировка={'Windows' if encoding == 'cp1251' else 'UTF-8'}",
             "Отправитель=Бухгалтерия предприятия, редакция 3.0", "Получатель=",
             "ДатаСоздания=01.01.2025", "ВремяСоздания=09:15:02",
             "ДатаНачала=01.01.2024", "ДатаКонца=31.12.2024"]
    lines += [f"РасчСчет={a}" for a in accounts] + ["Документ=Платежное поручение"]
    for number in accounts:
        for quarter in range(4):
            lines += ["СекцияРасчСчет", f"ДатаНачала=01.{quarter * 3 + 1:02d}.2024",
                      f"ДатаКонца=28.{quarter * 3 + 3:02d}.2024", f"РасчСчет={number}",
                      f"НачальныйОстаток={amount(rng)}", f"ВсегоПоступило={amount(rng)}",
                      f"ВсегоСписано={amount(rng)}", f"КонечныйОстаток={amount(rng)}", "КонецРасчСчет"]
    eol = 2 if encoding == "cp1251" else 1

    def size_of(block):
        return sum(len(line.encode(encoding)) + eol for line in block)

    size = size_of(lines)
    number = 1
    while size < size_bytes:
        doc = document(rng, number)
        size += size_of(doc)
        lines += doc
        number += 1
    lines.append("КонецФайла")
    return lines


def generate(size_bytes, encoding="utf-8", seed=1):
    """The statement as bytes: windows-1251 with CRLF, or UTF-8 with LF."""
    lines = statement_lines(size_bytes, encoding, seed)
    eol = "\r\n" if encoding == "cp1251" else "\n"
    return (eol.join(lines) + eol).encode(encoding)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size-mb", type=float, default=20)
    parser.add_argument("--encoding", choices=["utf-8", "cp1251"], default="utf-8")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args(argv)
    data = generate(int(args.size_mb * 1_000_000), args.encoding, args.seed)
    with open(args.output, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
