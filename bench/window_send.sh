#!/usr/bin/env bash
# A 10,000-row mailing through the window code offscreen: (a) test mode, (b) live to Postfix's
# smtp-sink, and (c) smtp-source sending the same number of messages of the same size over one
# connection to the same sink, as the ceiling. Three runs each; medians and the ratio (b)/(c).
# Usage: bench/window_send.sh [BUILD_DIR] [ROWS]
set -euo pipefail
build=${1:-build/release}
rows=${2:-10000}
bin="$build/bench/bench_window_send"
if [ ! -x /usr/sbin/smtp-sink ]; then
    echo 'postfix postfix/main_mailer_type select No configuration' | debconf-set-selections
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq postfix >/dev/null
fi
port=$((20000 + RANDOM % 20000))
/usr/sbin/smtp-sink -u nobody 127.0.0.1:$port 256 &
sink=$!
trap 'kill $sink 2>/dev/null || true' EXIT
sleep 0.5

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
test_rates=(); live_rates=(); source_rates=()
for run in 1 2 3; do
    out=$("$bin" "$rows" test 127.0.0.1 "$port"); echo "  $out"
    test_rates+=("$(sed -E 's/.*= ([0-9]+) rows\/s.*/\1/' <<<"$out")")
    out=$("$bin" "$rows" live 127.0.0.1 "$port"); echo "  $out"
    live_rates+=("$(sed -E 's/.*= ([0-9]+) rows\/s.*/\1/' <<<"$out")")
    # The window's messages are about 1 KB: the same size for the ceiling.
    start=$(date +%s.%N)
    /usr/sbin/smtp-source -d -s 1 -m "$rows" -l 1024 -f bench@example.org -t p@example.org 127.0.0.1:$port
    end=$(date +%s.%N)
    rate=$(awk -v n="$rows" -v a="$start" -v b="$end" 'BEGIN {printf "%.0f", n / (b - a)}')
    echo "  smtp-source: $rows messages = $rate msg/s"
    source_rates+=("$rate")
done
t=$(printf '%s\n' "${test_rates[@]}" | median)
l=$(printf '%s\n' "${live_rates[@]}" | median)
s=$(printf '%s\n' "${source_rates[@]}" | median)
echo "medians: (a) test mode $t rows/s, (b) live $l rows/s, (c) smtp-source $s msg/s; (b)/(c) = $(awk -v l="$l" -v s="$s" 'BEGIN {printf "%.0f %%", 100 * l / s}')"
