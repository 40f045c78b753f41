#!/bin/bash
# The tallyvox-report program as a script runs it: the three exports to files and
# to standard output, sorts one after another, selections, the tables, --help,
# bad options (status 2), a missing call file and a target that cannot be written.
# Usage: program_test.sh PATH-TO-tallyvox-report
report=$1
source "$(dirname "$0")/../kit/program_kit.sh"

# Lines in UTF-8 to a Windows-1251 file with CR LF line ends.
cp1251() {
    sed 's/$/\r/' | iconv -f UTF-8 -t WINDOWS-1251
}

# A header block, calls of three lines and three trunks (one call without a
# trunk), a short line and a line with month 13.
cp1251 >"$work/calls.txt" <<'CALLS'
       Данные на  07-05-2004 09:05:03 
       Начало         Продолжит   Абонент      СЛ     Номер
07-05-2004 12:34:56   00:01:05   201( 112)   (2)05     123456               
07*05*2004 09:04:06   00:00:45   123(    )       5                          
08-05-2004 10:00:00   00:59:50   201( 112)               8123456            
08-05-2004 11:00:00   00:00:10   202(  21)       5     8800                 
short
08-13-2004 11:00:00   00:00:10   202(  21)       5     8800                 
CALLS

"$report" --help >"$work/help" 2>&1 || fail "--help exits with $?"
for option in --sort-lines --sort-trunks --program --hardware --prefix --date-format --calls \
    --lines --trunks --tariffs --from --to --period --csv --xlsx --check-tariffs \
    --directory --check-directory --check-alerts --alerts; do
    grep -q -- "$option" "$work/help" || fail "--help does not document $option"
done

# Mistakes in the options: the usage on stderr and status 2, nothing written.
for arguments in "--bogus" "" "$work/calls.txt --sort-lines size" \
    "$work/calls.txt --program 12a" "$work/calls.txt --program 1 --hardware 2" \
    "$work/calls.txt --lines" "$work/calls.txt $work/calls.txt"; do
    # shellcheck disable=SC2086
    "$report" $arguments >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "\"$arguments\" exits with $status, not 2"
    grep -q '^usage: tallyvox-report' "$work/err" || fail "\"$arguments\" does not show the usage"
    [ ! -s "$work/out" ] || fail "\"$arguments\" wrote to standard output"
done

"$report" "$work/missing.txt" --lines "$work/l.txt" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "a missing call file exits with $status, not 1"
grep -q "cannot read $work/missing.txt: No such file or directory" "$work/err" ||
    fail "a missing call file: $(cat "$work/err")"
[ ! -e "$work/l.txt" ] || fail "an export was written from a missing call file"

"$report" "$work/calls.txt" --trunks "$work/no/such/folder/t.txt" --lines "$work/l.txt" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "an unwritable target exits with $status, not 1"
grep -q "cannot write $work/no/such/folder/t.txt" "$work/err" || fail "unwritable: $(cat "$work/err")"
[ -s "$work/l.txt" ] || fail "the export that could be written was not"

# The line export, byte for byte (the data two columns right of the titles).
expect_lines() {
    printf '%s\n' \
        'Апп.АЛ     Прг.АЛ      Исх. трафик    Вх. трафик     Общий трафик' \
        '201         112         01:00:55       00:00:00        01:00:55            ' \
        '123                     00:00:00       00:00:45        00:00:45         ' \
        '202         21          00:00:10       00:00:00        00:00:10           ' | cp1251
}
echo old >"$work/lines.txt"
"$report" "$work/calls.txt" --lines "$work/lines.txt" || fail "the line export exits with $?"
cmp -s "$work/lines.txt" <(expect_lines) || fail "line export: $(od -c "$work/lines.txt" | head)"

# The same bytes on standard output; two sorts in turn: by hardware number, then
# by outgoing traffic (equal traffic keeps the hardware order).
"$report" "$work/calls.txt" --lines - >"$work/stdout" || fail "--lines - exits with $?"
cmp -s "$work/stdout" "$work/lines.txt" || fail "--lines - differs from the file"
"$report" "$work/calls.txt" --sort-lines hardware --sort-lines out --lines - |
    iconv -f WINDOWS-1251 -t UTF-8 | tail -n +2 | cut -c1-3 | tr -d '\n' >"$work/order"
[ "$(cat "$work/order")" = "123202201" ] || fail "line order after two sorts: $(cat "$work/order")"

# The trunk export, sorted as text: the trunk-less calls first, under an empty cell.
"$report" "$work/calls.txt" --sort-trunks trunk --trunks - | iconv -f WINDOWS-1251 -t UTF-8 |
    tr -d '\r' | sed 's/ *$//' >"$work/trunks"
printf '%s\n' 'Апп.СЛ   Исх. трафик    Вх. трафик     Общий трафик' \
    '          00:59:50       00:00:00        00:59:50' \
    '(2)05     00:01:05       00:00:00        00:01:05' \
    '5         00:00:10       00:00:45        00:00:55' >"$work/expected"
diff "$work/expected" "$work/trunks" >&2 || fail "trunk export"

# The call export with a date pattern, a selection by program number and prefix,
# and a selection that keeps no call.
"$report" "$work/calls.txt" --date-format dd.MM.yyyy --program 112 --prefix 8 --calls - |
    iconv -f WINDOWS-1251 -t UTF-8 | tr -d '\r' >"$work/calls"
printf '%s\n' '        Начало         Длит.    Апп.  Прг.   СЛ     Набранный номер' \
    '08.05.2004  10:00:00  00:59:50  201   112           8123456        ' >"$work/expected"
diff "$work/expected" "$work/calls" >&2 || fail "call export with a selection"
"$report" "$work/calls.txt" --hardware 999 --calls - | tail -n 1 >"$work/none"
[ "$(cat "$work/none")" = "$(printf '  0  0%24s\r' '')" ] || fail "the empty row: $(od -c "$work/none")"
"$report" "$work/calls.txt" --date-format 'd MMM yy' --calls - | sed -n 2p | grep -q '^7 May 04  12:34:56' ||
    fail "the date pattern of the call export"

# Without an output option: the totals as tables, in UTF-8.
"$report" "$work/calls.txt" >"$work/tables" || fail "the tables exit with $?"
grep -q '^Кол-во строк: 7$' "$work/tables" || fail "no line count in the tables"
grep -q '^Апп. АЛ  Прг. АЛ  Исх. трафик  Вх. трафик  Общий трафик$' "$work/tables" ||
    fail "no line table: $(cat "$work/tables")"
grep -q '^202      21       00:00:10     00:00:00    00:00:10$' "$work/tables" || fail "line 202 row"
# Costs and periods. 07-05-2004 was a Friday, 08-05-2004 a Saturday.
printf '%s\r\n' 'prefix;name;price_per_minute;days' '1;Город;1,50;' '8;Межгород;3;' \
    '8;Межгород;2;6,7' >"$work/tariffs.csv"
"$report" --check-tariffs "$work/tariffs.csv" >"$work/out" || fail "--check-tariffs exits with $?"
grep -q "3 rows, no faults" "$work/out" || fail "--check-tariffs: $(cat "$work/out")"
printf '%s\n' 'prefix;name;price_per_minute' '1;a;x' '2;b;1.23456' >"$work/bad.csv"
"$report" --check-tariffs "$work/bad.csv" >"$work/out" 2>"$work/err"
[ $? -eq 1 ] || fail "a faulty table does not exit with 1"
grep -q '^line 2: price_per_minute "x"' "$work/err" && grep -q '^line 3: ' "$work/err" ||
    fail "faults: $(cat "$work/err")"
"$report" "$work/calls.txt" --tariffs "$work/bad.csv" --lines - >"$work/out" 2>/dev/null
[ $? -eq 1 ] && [ ! -s "$work/out" ] || fail "a faulty table still gave a report"

# The office directory: judged whole, every faulty line named.
printf '%s\n' 'line;name;department;valid_from;valid_to' '201;Иванова;Продажи;;2026-03-01' \
    '201;Петров;Продажи;2026-03-02;' >"$work/directory.csv"
"$report" --check-directory "$work/directory.csv" >"$work/out" ||
    fail "--check-directory exits with $?"
grep -q "2 rows, no faults" "$work/out" || fail "--check-directory: $(cat "$work/out")"
printf '%s\n' 'line;name;department;valid_from' '201;Иванова;Продажи;' '20x;Петров;Продажи;' \
    '202;Сидоров;;2026-13-01' >"$work/bad-directory.csv"
"$report" --check-directory "$work/bad-directory.csv" >"$work/out" 2>"$work/err"
[ $? -eq 1 ] || fail "a faulty directory does not exit with 1"
grep -q '^line 3: line "20x"' "$work/err" && grep -q '^line 4: ' "$work/err" ||
    fail "directory faults: $(cat "$work/err")"
# With a directory, the tables gain departments and cost centres: 201 passes from
# sales to accounts on 8 May, 123 and 202 are nobody's; the exports keep their bytes.
printf '%s\n' 'line;name;department;cost_centre;valid_from;valid_to' \
    '201;Иванова;Продажи;100;;2004-05-07' '201;Петров;Бухгалтерия;200;2004-05-08;' \
    >"$work/directory.csv"
"$report" "$work/calls.txt" --directory "$work/directory.csv" >"$work/out" ||
    fail "--directory exits with $?"
grep -q '^Бухгалтерия  *1  *00:59:50 ' "$work/out" && grep -q '^Продажи  *1  *00:01:05 ' "$work/out" &&
    grep -q '^Нет в справочнике: 123 202$' "$work/out" &&
    grep -q '^201  *112  *Петров  *Бухгалтерия  *01:00:55 ' "$work/out" ||
    fail "departments: $(cat "$work/out")"
"$report" "$work/calls.txt" --lines - >"$work/plain" &&
    "$report" "$work/calls.txt" --directory "$work/directory.csv" --lines - >"$work/named" &&
    cmp -s "$work/plain" "$work/named" || fail "a directory changed the line export"

# Alert rules: judged with their faults' lines, then what they fire in a period,
# each call as its line stands in the file. The alerts need no other output.
printf '%s\n' '[[rule]]' 'name = "Долгий"' 'level = "warning"' 'min_duration = "00:59:00"' \
    '[[rule]]' 'name = "Межгород"' 'level = "critical"' 'prefixes = ["8"]' >"$work/rules.toml"
"$report" --check-alerts "$work/rules.toml" >"$work/out" || fail "--check-alerts exits with $?"
grep -q "2 rules, no faults" "$work/out" || fail "--check-alerts: $(cat "$work/out")"
printf '%s\n' '[[rule]]' 'name = "x"' 'level = "loud"' >"$work/bad.toml"
"$report" --check-alerts "$work/bad.toml" 2>"$work/err"
[ $? -eq 1 ] && grep -q '^line 1: rule "x": level' "$work/err" || fail "faulty rules: $(cat "$work/err")"
"$report" "$work/calls.txt" --alerts "$work/rules.toml" --from 2004-05-08 >"$work/out" ||
    fail "--alerts exits with $?"
long=$(grep -a '00:59:50' "$work/calls.txt" | tr -d '\r')
other=$(grep -a '^08-05-2004 11:00' "$work/calls.txt" | tr -d '\r')
printf 'Долгий\t%s\nМежгород\t%s\nМежгород\t%s\n' "$long" "$long" "$other" >"$work/expected"
cmp -s "$work/out" "$work/expected" || fail "--alerts printed: $(cat "$work/out")"
"$report" "$work/calls.txt" --alerts "$work/rules.toml" --lines - >/dev/null 2>&1
[ $? -eq 2 ] || fail "--alerts with an export is not a mistake in the options"

# The Part's export keeps its bytes with a table; the period narrows it.
"$report" "$work/calls.txt" --tariffs "$work/tariffs.csv" --lines - >"$work/stdout"
cmp -s "$work/stdout" "$work/lines.txt" || fail "--tariffs changed the line export"
"$report" "$work/calls.txt" --from 2004-05-08 --to 2004-05-08 --lines - |
    iconv -f WINDOWS-1251 -t UTF-8 | tail -n +2 | cut -c1-3 | tr -d '\n' >"$work/order"
[ "$(cat "$work/order")" = "201202" ] || fail "the period's line export: $(cat "$work/order")"

# The priced tables: 123456 (Friday, 1:05 → 2 min × 1,50), 8123456 on Saturday
# (60 min × 2), 8800 on Saturday (1 min × 2); the incoming call apart.
"$report" "$work/calls.txt" --tariffs "$work/tariffs.csv" >"$work/tables" || fail "priced tables"
grep -q '^Итого: 125,00; без тарифа: 0 исх. звонков; входящих: 1$' "$work/tables" ||
    fail "priced totals: $(cat "$work/tables")"
grep -q '^Межгород     2        61,00         122,00$' "$work/tables" || fail "destinations"

"$report" "$work/calls.txt" --tariffs "$work/tariffs.csv" --csv destinations="$work/d.csv" \
    --csv calls="$work/c.csv" --xlsx "$work/r.xlsx" || fail "CSV and workbook exit with $?"
head -c 3 "$work/d.csv" | od -An -tx1 | grep -q 'ef bb bf' || fail "no BOM in the CSV"
grep -q '="8123456"' "$work/c.csv" || fail "the phone number is not kept as text"
unzip -l "$work/r.xlsx" | grep -q 'xl/worksheets/sheet4.xml' || fail "no sheet per view"

# Masking: the last digits of every dialled number as X in every export, the
# costs still those of the whole numbers; --department narrows every export.
"$report" "$work/calls.txt" --tariffs "$work/tariffs.csv" --mask-digits 3 --calls "$work/m.txt" \
    --csv calls="$work/m.csv" --xlsx "$work/m.xlsx" || fail "masked exports exit with $?"
unzip -p "$work/m.xlsx" >"$work/m.xml"
for masked in "$work/m.txt" "$work/m.csv" "$work/m.xml"; do
    grep -q '8123XXX' "$masked" && ! grep -q '8123456\|123456' "$masked" ||
        fail "$masked is not masked"
done
grep -q ';8123XXX"*;01:00:00;Межгород;120,00' "$work/m.csv" || fail "masked costs: $(cat "$work/m.csv")"
"$report" "$work/calls.txt" --mask-digits 2 --prefix 81234 --calls - | grep -q ' 81234XX ' ||
    fail "a prefix does not select by the whole number under masking"
"$report" "$work/calls.txt" --directory "$work/directory.csv" --department Бухгалтерия \
    --calls "$work/d.txt" --csv calls="$work/d.csv" --xlsx "$work/d.xlsx" ||
    fail "--department exits with $?"
unzip -p "$work/d.xlsx" xl/workbook.xml | grep -q 'name="Отделы".*name="Центры затрат"' ||
    fail "the workbook has no department and cost-centre sheets"
[ "$(grep -c '8123456' "$work/d.txt")" -eq 1 ] && [ "$(grep -c ' 201 ' "$work/d.txt")" -eq 1 ] &&
    [ "$(grep -c '^[0-9]' "$work/d.csv")" -eq 1 ] && grep -q ';112;Петров;Бухгалтерия;;="8123456";' "$work/d.csv" ||
    fail "--department: $(cat "$work/d.csv")"

for arguments in "$work/calls.txt --period lastyear" "$work/calls.txt --from 2004-13-01" \
    "$work/calls.txt --period today --from 2004-05-01" "$work/calls.txt --csv others=x.csv" \
    "$work/calls.txt --csv calls" "$work/calls.txt --from 2004-05-09 --to 2004-05-08"; do
    # shellcheck disable=SC2086
    "$report" $arguments >"$work/out" 2>"$work/err"
    [ $? -eq 2 ] || fail "\"$arguments\" does not exit with 2"
    grep -q '^usage: tallyvox-report' "$work/err" || fail "\"$arguments\" does not show the usage"
done
echo "tallyvox-report program: ok"
