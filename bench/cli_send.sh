#!/usr/bin/env bash
# quillory-cli sending a 10,000-row job live to Postfix's smtp-sink, against smtp-source sending
# the same number of messages of the same size over one connection to the same sink, in the
# same run. Several runs; medians of messages/s for both and the ratio.
# Usage: bench/cli_send.sh [BUILD_DIR] [ROWS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/clirel}
rows=${2:-10000}
runs=${3:-5}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLORY_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target quillory-cli >/dev/null
cli="$build/src/cli/quillory-cli"

if [ ! -x /usr/sbin/smtp-sink ]; then
    echo 'postfix postfix/main_mailer_type select No configuration' | debconf-set-selections
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq postfix >/dev/null
fi

work=$(mktemp -d /tmp/quillory-cli-bench-XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# A newsletter of about 1 KB per message: a few personal fields in a fixed text.
{
    printf 'Name\tEmail\tTown\tNumber\r\n'
    for ((i = 1; i <= rows; i++)); do printf 'Person %d\tperson%d@example.org\tTown %d\t%d\r\n' $i $i $((i % 97)) $i; done
} >"$work/grid.txt"
{
    printf 'Dear {{Name}},\r\n\r\n'
    for i in 1 2 3 4 5 6 7 8 9; do
        printf 'This is paragraph %d of the monthly letter to our members in {{Town}}; it says little and says it plainly.\r\n' $i
    done
    printf '\r\nYour member number is {{Number}}.\r\n\r\nThe committee\r\n'
} >"$work/template.txt"
job=(--grid "$work/grid.txt" --template "$work/template.txt" --subject "Monthly letter" --from-address bench@example.org
    --from-name "Quillory Bench" --settings "$work/none.ini" --log "$work/bench.log")
: >"$work/none.ini"

# The size of one message as the server receives it, from the test server that stores them.
mkdir "$work/probe"
coproc probe { /usr/bin/python3 tests/smtp/smtp_test_server.py --dir "$work/probe"; }
pids+=("$probe_PID")
read -r _ probe_port <&"${probe[0]}"
head -n 2 "$work/grid.txt" >"$work/one.txt"
"$cli" send --grid "$work/one.txt" --template "$work/template.txt" --subject "Monthly letter" \
    --from-address bench@example.org --from-name "Quillory Bench" --settings "$work/none.ini" \
    --log "$work/probe.log" --live --host 127.0.0.1 --port "$probe_port" >/dev/null 2>&1
size=$(stat -c %s "$work"/probe/*.eml | head -n 1)
echo "message size: $size bytes"

port=$((20000 + RANDOM % 20000))
/usr/sbin/smtp-sink -u nobody 127.0.0.1:$port 256 &
pids+=($!)
sleep 0.5

now() { date +%s.%N; }
rate() { awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN {printf "%.0f", n / (b - a)}'; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
cli_rates=(); source_rates=()
for ((run = 1; run <= runs; run++)); do
    start=$(now)
    status=0
    "$cli" send "${job[@]}" --live --host 127.0.0.1 --port "$port" >"$work/out" 2>"$work/err" || status=$?
    end=$(now)
    if [ "$status" -ne 0 ]; then
        echo "quillory-cli failed with exit code $status:" >&2
        cat "$work/out" "$work/err" >&2
        exit 1
    fi
    r=$(rate "$rows" "$start" "$end")
    cli_rates+=("$r")
    start=$(now)
    /usr/sbin/smtp-source -d -s 1 -m "$rows" -l "$size" -f bench@example.org -t person@example.org 127.0.0.1:$port
    end=$(now)
    s=$(rate "$rows" "$start" "$end")
    source_rates+=("$s")
    echo "run $run: quillory-cli $r msg/s ($(head -n 1 "$work/out")), smtp-source $s msg/s"
done
c=$(printf '%s\n' "${cli_rates[@]}" | median)
s=$(printf '%s\n' "${source_rates[@]}" | median)
echo "medians over $runs runs of $rows messages: quillory-cli $c msg/s, smtp-source $s msg/s;" \
    "ratio $(awk -v c="$c" -v s="$s" 'BEGIN {printf "%.0f %%", 100 * c / s}') (goal: at least 50 %)"
