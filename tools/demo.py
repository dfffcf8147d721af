"""Parses the bundled example statements and prints what they hold."""

import pathlib
import sys

import velmora_py

EXAMPLES = pathlib.Path(__file__).resolve().parent.parent / "examples"


def cut(text, width):
    text = text or ""
    return text if len(text) <= width else text[: width - 1] + "…"


def show(path):
    print(f"== {path.name}")
    try:
        statement = velmora_py.parse(path.read_bytes())
    except velmora_py.ParseError as error:
        detail = getattr(error, "detail", None)
        where = f":{detail.lineno}" if detail is not None else ""
        print(f"{path.name}{where}: {error}")
        return False
    print(f"encoding: {statement.encoding}")
    print("header:")
    for key, value in statement.header.items():
        print(f"  {key} = {value}")
    for number, account in statement.accounts.items():
        print(f"account {number}")
        for iv in account.intervals:
            print(f"  {iv.date_start} .. {iv.date_end or '?'}: opening {iv.start_amount},"
                  f" in {iv.total_income or '-'}, out {iv.total_expense or '-'},"
                  f" closing {iv.end_amount or '?'}")
    print(f"documents ({len(statement.documents)}):")
    for doc in statement.documents:
        print(f"  {doc.doc_date}  №{doc.doc_number:<5} {doc.amount:>12}  "
              f"{cut(doc.counterparty_1 or doc.counterparty, 28):<28} -> "
              f"{cut(doc.payee_1 or doc.payee, 28):<28}  {cut(doc.purpose, 40)}")
    for lineno, message in statement.warnings:
        print(f"warning: line {lineno}: {message}")
    return True


def main(paths):
    files = [pathlib.Path(p) for p in paths] or sorted(EXAMPLES.glob("*.txt"))
    ok = all([show(path) for path in files])
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
