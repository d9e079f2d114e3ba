#!/usr/bin/env bash
# Builds the plug-in benchmarks and runs them; prints Markdown tables on stdout.
#
# 1. plugin_bench (5 repetitions, medians): each measurement for Tonvo, for the pass-through
#    plug-in made with the same framework and for the minimal C-style pass-through, and the
#    ratios. Extra arguments go to plugin_bench
#    (e.g. --benchmark_filter=HeldNotes).
# 2. peer_bench: the same note traffic through Tonvo, the pass-through and x42's mapkeyscale
#    (LV2, through lilv), interleaved, medians of 9 rounds. Its packages (x42-plugins,
#    liblilv-dev, lv2-dev) are installed here when missing, as root or through sudo; set
#    TONVO_BENCH_NO_PEER=1 to skip this part.
#
# Build and benchmark messages go to stderr; the tables alone go to stdout.
set -euo pipefail
cd "$(dirname "$0")/.."

peer=1
if [ "${TONVO_BENCH_NO_PEER:-0}" = 1 ]; then
  peer=0
fi
if [ "$peer" = 1 ]; then
  missing=()
  for package in x42-plugins liblilv-dev lv2-dev; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    as_root=()
    if [ "$(id -u)" -ne 0 ]; then
      as_root=(sudo)
    fi
    "${as_root[@]}" apt-get update >&2
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y --no-install-recommends "${missing[@]}" >&2
  fi
fi

targets=(plugin_bench)
if [ "$peer" = 1 ]; then
  targets+=(peer_bench)
fi
# The configure step looks for lilv again while it has not been found.
cmake --preset linux >&2
cmake --build --preset linux --target "${targets[@]}" >&2

json=$(mktemp)
trap 'rm -f "$json"' EXIT
build/linux/bench/plugin_bench --benchmark_format=json --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true "$@" >"$json"

python3 - "$json" <<'EOF'
import json
import sys

with open(sys.argv[1]) as f:
    report = json.load(f)

# Median CPU time per iteration in ns, and the iteration's counters, by run name. CPU time
# rather than wall-clock time, so that other programs taking the processor do not count.
scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
medians = {}
for run in report["benchmarks"]:
    if run.get("aggregate_name") != "median":
        continue
    if run.get("error_occurred"):
        sys.exit(f"{run['run_name']}: {run.get('error_message', 'failed')}")
    medians[run["run_name"]] = (run["cpu_time"] * scale[run["time_unit"]], run)

what = {
    "BM_NoteEvents": ("note on/off stream (effProcessEvents + processReplacing)", "ns/event"),
    "BM_HeldNotes": ("8 note pairs per 64-frame block, other notes held", "ns/event"),
    "BM_RandomStream": ("random playing, channels x keys, 16 events per 64 frames", "ns/event"),
    "BM_BlockedStream": ("the same, every note blocked by the map", "ns/event"),
    "BM_EmptyBlock": ("empty block (processReplacing)", "ns/call"),
    "BM_GetChunk": ("effGetChunk, program chunk", "ns/call"),
    "BM_SetChunk": ("effSetChunk, program chunk", "ns/call"),
    "BM_CreateDestroy": ("VSTPluginMain + effOpen + effClose", "ns/call"),
}

def per_unit(name):
    time, run = medians[name]
    if "events_per_block" in run:
        time /= run["events_per_block"]
    return time

def shown(value):
    if value >= 100:
        return f"{value:.0f}"
    if value >= 10:
        return f"{value:.1f}"
    return f"{value:.2f}"

print("| what | block size, notes held or keys | Tonvo | pass-through | C pass-through | "
      "Tonvo / pass-through | Tonvo / C pass-through |")
print("|---|---:|---:|---:|---:|---:|---:|")
seen = set()
for name in medians:  # in the order the benchmark ran them
    parts = name.split("/")
    key = (parts[0], tuple(parts[2:]))
    if key in seen or parts[1] not in ("tonvo", "passthrough", "minimal"):
        continue
    seen.add(key)
    tonvo = "/".join([parts[0], "tonvo", *parts[2:]])
    passthrough = "/".join([parts[0], "passthrough", *parts[2:]])
    minimal = "/".join([parts[0], "minimal", *parts[2:]])
    if tonvo not in medians or passthrough not in medians:
        continue
    label, unit = what.get(parts[0], (parts[0], "ns/call"))
    block = parts[2] if len(parts) > 2 else "-"
    a, b = per_unit(tonvo), per_unit(passthrough)
    if minimal in medians:
        c = per_unit(minimal)
        floor, ratio = f"{shown(c)} {unit}", f"{a / c:.2f}"
    else:
        floor, ratio = "-", "-"
    print(f"| {label} | {block} | {shown(a)} {unit} | {shown(b)} {unit} | {floor} | "
          f"{a / b:.2f} | {ratio} |")
EOF

if [ "$peer" = 1 ]; then
  echo >&2
  echo >&2 "peer comparison:"
  echo
  build/linux/bench/peer_bench
fi
