"""`velmora check` and the checks line of `velmora show`, in subprocesses."""

import subprocess

import pytest

from installed_command import COMMAND, ROOT

OWN = "40702810400000007777"  # a valid key at 044525974
OTHER = "40702810938000012345"  # a valid key at 044525225


def statement(closing="130.00", payee_inn="500100732259", number2="2"):
    lines = [
        "1CClientBankExchange", "ВерсияФормата=1.03", "ДатаНачала=01.04.2024", "ДатаКонца=30.04.2024",
        "СекцияРасчСчет", "ДатаНачала=01.04.2024", "ДатаКонца=30.04.2024", f"РасчСчет={OWN}",
        "НачальныйОстаток=100.00", "ВсегоПоступило=50.00", "ВсегоСписано=20.00",
        f"КонечныйОстаток={closing}", "КонецРасчСчет",
    ]
    for number, payer, payer_bic, payee, payee_bic, amount in (
            ("1", OTHER, "044525225", OWN, "044525974", "50.00"),
            (number2, OWN, "044525974", OTHER, "044525225", "20")):
        lines += ["СекцияДокумент=Платежное поручение", f"Номер={number}", "Дата=03.04.2024",
                  f"Сумма={amount}", "НазначениеПлатежа=Оплата", f"ПлательщикСчет={payer}",
                  f"ПлательщикБИК={payer_bic}", "ПлательщикИНН=7707083893", "ПлательщикБанк1=Банк",
                  f"ПолучательСчет={payee}", f"ПолучательБИК={payee_bic}",
                  f"ПолучательИНН={payee_inn}", "ПолучательБанк1=Банк", "КонецДокумента"]
    return "\n".join(lines + ["КонецФайла"]) + "\n"


def run(*args, stdin=None):
    return subprocess.run([COMMAND, *map(str, args)], input=stdin, capture_output=True, text=True,
                          timeout=120)


@pytest.fixture
def files(tmp_path):
    good = tmp_path / "good.txt"
    good.write_text(statement(), encoding="utf-8")
    bad = tmp_path / "bad.txt"
    bad.write_text(statement(closing="131.00", payee_inn="500100732250"), encoding="utf-8")
    return good, bad


def test_a_clean_statement_passes(files):
    good, _ = files
    result = run("check", good)
    assert result.returncode == 0, result.stderr
    assert result.stdout == f"{good}: checks: all passed\n"


def test_findings_one_line_each_then_a_summary(files):
    _, bad = files
    result = run("check", bad)
    assert result.returncode == 1
    assert result.stdout.splitlines() == [
        f"{bad}: balance: account {OWN}: opening 100.00 + income 50.00 − expense 20.00 = 130.00, "
        "but the closing balance is 131.00",
        f"{bad}: inn: document 0 (number 1 of 2024-04-03): payee_inn \"500100732250\" has a wrong "
        "check digit",
        f"{bad}: inn: document 1 (number 2 of 2024-04-03): payee_inn \"500100732250\" has a wrong "
        "check digit",
        f"{bad}: checks: 3 findings (balance 1, inn 2)",
    ]


@pytest.mark.parametrize("ignore, status, summary", [
    (["--ignore", "inn"], 1, "checks: 1 finding (balance 1)"),
    (["--ignore", "inn,balance"], 0, "checks: all passed"),
    (["--ignore", "inn", "--ignore", "balance"], 0, "checks: all passed"),
])
def test_ignored_kinds_are_left_out(files, ignore, status, summary):
    _, bad = files
    result = run("check", bad, *ignore)
    assert result.returncode == status
    assert result.stdout.splitlines()[-1] == f"{bad}: {summary}"


def test_an_unknown_kind_is_a_usage_error(files):
    result = run("check", files[0], "--ignore", "inn,nonsense")
    assert result.returncode == 2
    assert "unknown check kind nonsense" in result.stderr


def test_a_folder_gives_its_statement_files_in_order(tmp_path, files):
    good, bad = files
    (tmp_path / "sub").mkdir()
    (tmp_path / "sub" / "later.TXT").write_text(statement(), encoding="utf-8")
    (tmp_path / "notes.md").write_text("not a statement")
    result = run("check", tmp_path)
    assert result.returncode == 1
    summaries = [line for line in result.stdout.splitlines() if ": checks: " in line]
    assert [line.split(": checks: ")[0] for line in summaries] == [
        str(bad), str(good), str(tmp_path / "sub" / "later.TXT")]


def test_an_empty_folder_and_a_parse_error_fail(tmp_path, files):
    empty = tmp_path / "empty"
    empty.mkdir()
    broken = tmp_path / "broken.dat"
    broken.write_text("not a statement\n")
    result = run("check", empty, broken, files[0])
    assert result.returncode == 1
    assert f"{empty}: no .txt statement files" in result.stderr
    assert f"{broken}: " in result.stderr
    assert result.stdout == f"{files[0]}: checks: all passed\n"


def test_standard_input(files):
    result = run("check", "-", stdin=files[1].read_text(encoding="utf-8"))
    assert result.returncode == 1
    assert result.stdout.splitlines()[-1] == "<stdin>: checks: 3 findings (balance 1, inn 2)"


def test_show_adds_a_checks_line(files):
    good, bad = files
    result = run("show", good, bad)
    assert result.returncode == 0
    lines = result.stdout.splitlines()
    assert lines.count("checks: all passed") == 1
    assert lines.count("checks: 3 findings (balance 1, inn 2)") == 1
