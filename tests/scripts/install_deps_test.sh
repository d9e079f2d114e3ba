#!/usr/bin/env bash
# Checks scripts/install-deps.sh against a scripted apt: the script and a stand-in for its
# 32-bit probe are copied into a scratch folder, and apt-get, dpkg and dpkg-query are small
# fakes on PATH that record every call. Covers what once stopped the test command on a new
# machine: a failing index list, an i386 package on a machine that cannot execute it, and a
# package that cannot be installed.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/scripts" "$work/bin"
cp "$source_dir/scripts/install-deps.sh" "$work/scripts/"
cat >"$work/scripts/can-execute-32bit.sh" <<'EOF'
#!/bin/sh
exit "$FAKE_PROBE"
EOF

# The fake apt keeps its state in $FAKE: "installed" (one package a line), "broken" (packages
# that cannot be installed), "mismatched" (packages installable only with the release's own
# suite as target, as after a failed i386 list), "update-fails", "architectures", and "calls"
# (the log).
cat >"$work/bin/dpkg-query" <<'EOF'
#!/bin/sh
eval "package=\${$#}"
grep -qx "$package" "$FAKE/installed" && printf 'install ok installed'
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/bin/sh
echo "dpkg $*" >>"$FAKE/calls"
case "$1" in
  --print-foreign-architectures) cat "$FAKE/architectures" ;;
  --add-architecture) echo "$2" >>"$FAKE/architectures" ;;
esac
EOF
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/sh
echo "apt-get $*" >>"$FAKE/calls"
if [ "$1" = update ]; then
  if [ -e "$FAKE/update-fails" ]; then
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1234 != 5678). Mirror sync in progress?"
    exit 100
  fi
  exit 0
fi
simulate=0
suite=
previous=
for word in "$@"; do
  [ "$word" = -s ] && simulate=1
  [ "$previous" = -t ] && suite="$word"
  previous="$word"
done
for word in "$@"; do
  case "$word" in -*|install|"$suite") continue ;; esac
  if grep -qx "$word" "$FAKE/broken" || { [ -z "$suite" ] && grep -qx "$word" "$FAKE/mismatched"; }; then
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
  fi
done
if [ "$simulate" = 0 ]; then
  for word in "$@"; do
      case "$word" in -*|install|"$suite") continue ;; esac
    echo "$word" >>"$FAKE/installed"
  done
fi
EOF
chmod +x "$work"/bin/* "$work"/scripts/*

failures=0
fail() {
  echo "FAIL ($case_name): $1" >&2
  failures=$((failures + 1))
}

# Runs the copied script in a fresh fake machine. Arguments: the probe's answer (0 yes, 1 no),
# then what the machine is like: "update-fails", "broken=PACKAGE", "mismatched=PACKAGE".
run_case() {
  local probe="$1"
  shift
  export FAKE="$work/state-$case_name"
  mkdir -p "$FAKE"
  : >"$FAKE/installed" && : >"$FAKE/broken" && : >"$FAKE/mismatched"
  : >"$FAKE/architectures" && : >"$FAKE/calls"
  for trait in "$@"; do
    case "$trait" in
      update-fails) touch "$FAKE/update-fails" ;;
      broken=*) echo "${trait#broken=}" >>"$FAKE/broken" ;;
      mismatched=*) echo "${trait#mismatched=}" >>"$FAKE/mismatched" ;;
    esac
  done
  status=0
  PATH="$work/bin:$PATH" FAKE_PROBE="$probe" "$work/scripts/install-deps.sh" \
    >"$FAKE/stdout" 2>"$FAKE/stderr" || status=$?
}

case_name="no 32-bit, the index lists fail"
run_case 1 update-fails
[ "$status" -eq 0 ] || fail "exit $status: $(cat "$FAKE/stderr")"
grep -q 'going on with the package lists at hand' "$FAKE/stderr" || fail "no word on the failed lists"
grep -q i386 "$FAKE/calls" && fail "apt or dpkg was asked for i386: $(grep i386 "$FAKE/calls")"
grep -qx wine64 "$FAKE/installed" || fail "wine64 was not installed"

case_name="32-bit, the 32-bit Wine cannot be installed"
run_case 0 update-fails broken=wine32:i386
[ "$status" -ne 0 ] || fail "succeeded"
grep -q 'dpkg --add-architecture i386' "$FAKE/calls" || fail "the i386 architecture was not added"
[ "$(grep -c 'cannot install' "$FAKE/stderr")" -eq 1 ] || fail "not one line: $(cat "$FAKE/stderr")"
grep -q '^install-deps: cannot install wine32:i386: E: ' "$FAKE/stderr" ||
  fail "the line does not name wine32:i386: $(cat "$FAKE/stderr")"

case_name="32-bit, the 32-bit Wine only from the release's own suite"
run_case 0 update-fails mismatched=wine32:i386
[ "$status" -eq 0 ] || fail "exit $status: $(cat "$FAKE/stderr")"
grep -qx 'wine32:i386' "$FAKE/installed" || fail "wine32:i386 was not installed"
grep -q "^apt-get install .*-t $(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release) " "$FAKE/calls" ||
  fail "no install from the release's suite: $(cat "$FAKE/calls")"

case_name="32-bit, everything installable"
run_case 0
[ "$status" -eq 0 ] || fail "exit $status: $(cat "$FAKE/stderr")"
grep -qx 'wine32:i386' "$FAKE/installed" || fail "wine32:i386 was not installed"

case_name="a second run"
run_case 1
: >"$FAKE/calls"
PATH="$work/bin:$PATH" FAKE_PROBE=1 "$work/scripts/install-deps.sh" >/dev/null 2>&1 ||
  fail "failed"
grep -q apt-get "$FAKE/calls" && fail "apt was called again: $(cat "$FAKE/calls")"

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "install-deps: 5 cases passed"
