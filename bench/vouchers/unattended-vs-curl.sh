#!/bin/sh
# A whole unattended run of Pelko (start, load, stage, build, post, report) posting COUNT plain vouchers of four
# lines from a text file to tallysim, against one curl process sending the very request bodies tallysim received
# over one kept connection. Runs taken by turns; prints the median of each and their ratio, and Pelko's CPU time
# per voucher (user + system of the whole process, which posts on one thread).
#
#   bench/vouchers/unattended-vs-curl.sh BUILD_DIR [COUNT] [ROUNDS]      (defaults: 10000 vouchers, 5 rounds)
set -eu
build=${1:?usage: $0 BUILD_DIR [COUNT] [ROUNDS]}
count=${2:-10000}
rounds=${3:-5}
pelko=$build/src/pelko
tallysim=$build/tools/tallysim/tallysim
command -v curl >/dev/null || { echo "curl is missing (apt-get install curl)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "python3 is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'kill $sim 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config" "$work/sheet" "$work/bodies" "$work/runtime"
chmod 700 "$work/runtime"

python3 - "$count" "$work/sheet/QuickTransactions.csv" <<'PY'
import sys
count, path = int(sys.argv[1]), sys.argv[2]
with open(path, "w") as f:
    f.write("ID,VchType,VchDate,VchNo,SrNo,RefNo,DrLedger,CrLedger,Amount,Narration,AdjMethod,AdjName,AdjDate,AdjAmount\n")
    for i in range(1, count + 1):
        # Four lines: two debits and two credits under one ID.
        f.write(f"S-{i},Sales,20240401,{i},1,INV-{i},Sundry Debtor,Sales,{1000 + i % 997}.50,Goods sold {i},,,,\n")
        f.write(f"S-{i},Sales,20240401,{i},2,INV-{i},Freight Outward,Output VAT,112.50,Goods sold {i},,,,\n")
PY

start_sim() {
    rm -f "$work/sim.log"
    "$tallysim" --port 0 --company "Bench Traders" --current "Bench Traders" --ledger "Sundry Debtor" \
        --ledger Sales --ledger "Output VAT" --ledger "Freight Outward" --log "$work/sim.log" >"$work/sim.out" &
    sim=$!
    while ! grep -q listening "$work/sim.out" 2>/dev/null; do sleep 0.05; done
    port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/sim.out" | head -1)
}

run_pelko() {
    rm -f "$work/home/Pelko10.DAT"*
    start=$(date +%s.%N)
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" PELKO_HOME="$work/home" \
        XDG_RUNTIME_DIR="$work/runtime" \
        /usr/bin/time -f "%U %S" -o "$work/cpu" "$pelko" XLS "$work/sheet/QuickTransactions.csv" QUICKTRANSACTIONS \
        "Bench Traders" "$work/report.txt" 127.0.0.1 "$port" POSTSILENT
    end=$(date +%s.%N)
    echo "$start $end" | awk '{printf "%.3f\n", $2 - $1}'
}

# The bodies of the imports one run sent, for curl to send again.
start_sim
run_pelko >/dev/null
echo "$(grep -c CREATED "$work/report.txt") of $count vouchers CREATED" >&2
kill $sim; wait $sim 2>/dev/null || true
python3 - "$work/sim.log" "$work/bodies" "$work/curl.cfg" <<'PY'
import sys, re
log, folder, config = sys.argv[1], sys.argv[2], sys.argv[3]
data = open(log, "rb").read()
parts = re.split(rb"--- request \d+\r?\n", data)[1:]
n = 0
entries = []
if True:
    for part in parts:
        head, _, body = part.partition(b"\r\n\r\n") if b"\r\n\r\n" in part else part.partition(b"\n\n")
        if b"Import Data" not in body:
            continue
        n += 1
        path = f"{folder}/{n}.xml"
        open(path, "wb").write(body.rstrip(b"\n") if body.endswith(b"\n\n") else body)
        entries.append(f'url = "http://127.0.0.1:PORT/"\ndata-binary = "@{path}"\noutput = "/dev/null"\n')
open(config, "w").write("next\n".join(entries))
print(n, "import bodies", file=sys.stderr)
PY

pelko_times=""; curl_times=""; cpus=""
for round in $(seq "$rounds"); do
    start_sim
    pelko_times="$pelko_times $(run_pelko)"
    cpus="$cpus $(awk '{print $1 + $2}' "$work/cpu")"
    kill $sim; wait $sim 2>/dev/null || true
    start_sim
    sed "s/PORT/$port/" "$work/curl.cfg" >"$work/curl.run"
    start=$(date +%s.%N)
    curl -s -K "$work/curl.run" -H "Content-Type: text/xml"
    end=$(date +%s.%N)
    curl_times="$curl_times $(echo "$start $end" | awk '{printf "%.3f\n", $2 - $1}')"
    kill $sim; wait $sim 2>/dev/null || true
done

median() { echo "$@" | tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
p=$(median $pelko_times); c=$(median $curl_times); cpu=$(median $cpus)
echo "pelko, whole unattended run: $p s  (runs:$pelko_times)"
echo "curl, same bodies, one kept connection: $c s  (runs:$curl_times)"
echo "ratio pelko/curl: $(echo "$p $c" | awk '{printf "%.2f", $1 / $2}')"
echo "pelko CPU per voucher (user + system, whole process): $(echo "$cpu $count" | awk '{printf "%.1f", $1 * 1e6 / $2}') us"
