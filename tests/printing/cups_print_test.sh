#!/usr/bin/env bash
# Starts a CUPS server of its own (its own folder, socket and port, nothing of the
# system's print setup changed but a settings file of the PDF printer's queue,
# removed at the end), makes a PDF printer its default, runs the print test
# program against it and checks what came out: the job the program sent holds
# three pages, page N the lines of the N-th pupil's sheet in order, and the PDF
# the printer made has the same three pages. (The PDF printer goes through
# PostScript, which keeps the look of Japanese text but not the text itself, so
# its pages are compared with the sent ones as pictures.)
set -euo pipefail
program="$1"
fail() { echo "FAIL: $*" >&2; exit 1; }
[[ $(id -u) -eq 0 ]] || fail "the PDF printer's backend runs only for a print server started as root"

work=$(mktemp -d /tmp/karuvel-cups.XXXXXX)
queue="karuvel$$"
queue_conf="/etc/cups/cups-pdf-$queue.conf"
cupsd_pid=""
cleanup() {
  [[ -n "$cupsd_pid" ]] && kill "$cupsd_pid" 2>/dev/null && wait "$cupsd_pid" 2>/dev/null
  rm -f "$queue_conf"
  [[ -n "${KEEP_WORK:-}" ]] || rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work"/{spool,cache,state,log,out}
chmod 755 "$work"
cat >"$work/cups-files.conf" <<CONF
ServerRoot $work
RequestRoot $work/spool
CacheDir $work/cache
StateDir $work/state
TempDir $work/spool
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
Sandboxing Relaxed
CONF
cat >"$work/cupsd.conf" <<CONF
Listen $work/cups.sock
LogLevel warn
# The job as the program sent it stays in the spool folder, to be read back.
PreserveJobFiles Yes
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
CONF
# The PDF printer writes into this test's folder.
cat >"$queue_conf" <<CONF
Out $work/out
AnonDirName $work/out
Grp root
CONF
cupsd -f -c "$work/cupsd.conf" -s "$work/cups-files.conf" &
cupsd_pid=$!
export CUPS_SERVER="$work/cups.sock"
for _ in $(seq 1 100); do [[ -S "$work/cups.sock" ]] && lpstat -r >/dev/null 2>&1 && break; sleep 0.1; done
lpstat -r >/dev/null 2>&1 || fail "the print server did not start: $(cat "$work/log/error_log" 2>/dev/null)"
ppd_in=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[[ -f "$ppd_in" ]] || fail "no PDF printer description at $ppd_in (package printer-driver-cups-pdf)"
lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P "$ppd_in" 2>/dev/null
lpadmin -d "$queue"

KARUVEL_PRINT_EXPECT="$work/expected.txt" "$program"
[[ -s "$work/expected.txt" ]] || fail "the print test wrote no sheets"

pdf=""
for _ in $(seq 1 600); do
  pdf=$(ls "$work"/out/*.pdf 2>/dev/null | head -n 1 || true)
  [[ -n "$pdf" ]] && ! lpstat -o "$queue" 2>/dev/null | grep -q . && break
  sleep 0.1
done
[[ -n "$pdf" ]] || fail "no PDF came out of the printer: $(tail -n 20 "$work/log/error_log" 2>/dev/null)"
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[[ "$pages" == 3 ]] || fail "expected 3 pages (one per pupil), the printed PDF has $pages"
# The job is named after what it prints, in the print server's record of the job.
title=$(cat "$work/expected.txt.title")
[[ -n "$title" ]] || fail "the print test wrote no job name"
# (The server writes its record of a job a moment after the job, so it is waited for.)
named=""
for _ in $(seq 1 100); do
  if grep -qaF "$title" "$work"/spool/c* 2>/dev/null; then named=yes; break; fi
  sleep 0.1
done
[[ -n "$named" ]] || fail "no job named \"$title\" in the print server's records"
sent=$(ls "$work"/spool/d*-001 2>/dev/null | head -n 1 || true)
[[ -n "$sent" ]] || fail "the print server kept no copy of the job"
[[ "$(pdfinfo "$sent" | awk '/^Pages:/ {print $2}')" == 3 ]] || fail "the job sent holds $(pdfinfo "$sent" | awk '/^Pages:/ {print $2}') pages"

python3 - "$work/expected.txt" "$sent" "$pdf" "$work" <<'PY'
import subprocess, sys
expected_file, sent, printed, work = sys.argv[1:5]
# The sheets, one per pupil, follow each other on the panel with an empty line between.
expected = open(expected_file, encoding="utf-8").read().split("\n\n")
expected = [[l.strip() for l in s.splitlines() if l.strip()] for s in expected if s.strip()]
assert len(expected) == 3, f"expected three sheets, the panel showed {len(expected)}"
norm = lambda t: "".join(t.split())
for page, sheet in enumerate(expected, start=1):
    text = subprocess.run(["pdftotext", "-layout", "-f", str(page), "-l", str(page), sent, "-"],
                          capture_output=True, text=True, check=True).stdout
    lines = [norm(l) for l in text.splitlines() if l.strip()]
    at = 0
    for want in sheet:
        w = norm(want)
        while at < len(lines) and lines[at] != w:
            at += 1
        if at == len(lines):
            sys.exit(f"page {page}: line {want!r} not found in order; the page says:\n{text}")
        at += 1

def pgm(path, page, out):
    subprocess.run(["pdftoppm", "-gray", "-r", "100", "-f", str(page), "-l", str(page), "-singlefile", path, out], check=True, stderr=subprocess.DEVNULL)
    data = open(out + ".pgm", "rb").read()
    head, pos = [], 0
    while len(head) < 4:  # P5, width, height, maxval
        while data[pos:pos + 1].isspace(): pos += 1
        start = pos
        while not data[pos:pos + 1].isspace(): pos += 1
        head.append(data[start:pos])
    return int(head[1]), int(head[2]), data[pos + 1:]

def text_rows(w, h, px):
    """The bands of rows that hold ink: one per printed line."""
    bands, inside = 0, False
    for y in range(h):
        inked = any(v < 128 for v in px[y * w:(y + 1) * w])
        if inked and not inside:
            bands += 1
        inside = inked
    return bands

# The printer may fit the page to its printable area, so the pages are compared
# by what they hold (the same lines, about the same ink), not pixel by pixel.
for page in (1, 2, 3):
    w1, h1, a = pgm(sent, page, f"{work}/sent{page}")
    w2, h2, b = pgm(printed, page, f"{work}/printed{page}")
    rows_sent, rows_printed = text_rows(w1, h1, a), text_rows(w2, h2, b)
    ink_sent, ink_printed = sum(v < 128 for v in a), sum(v < 128 for v in b)
    if rows_sent != rows_printed or rows_sent < len(expected[page - 1]) or ink_printed == 0 \
            or abs(ink_sent - ink_printed) > ink_sent // 3:
        sys.exit(f"page {page}: the printed page does not hold the sent one "
                 f"(lines {rows_printed} / {rows_sent}, ink {ink_printed} / {ink_sent})")
print("printed: 3 pages, each its pupil's sheet")
PY
