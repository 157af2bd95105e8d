#!/usr/bin/env bash
# Runs the commands that README.md shows, as a new user would, in a copy
# of the source tree in a scratch folder:
#   1. with --two-commands, the README's two commands (bash tools/example.sh,
#      bash tools/test.sh: several minutes), in the copy;
#   2. every block fenced as ```sh, in the README's order, in one shell
#      that starts in the copy, with HOME set to the scratch folder (so
#      that ~/.local and ~/iono are there). The host file of the cluster
#      example names node1 and node2; the check puts localhost in their
#      place (with their slots, which may be more than its cores: waiting
#      processes are told to yield, as --oversubscribe would);
#   3. the files shown after a "<!-- check-readme: the file F -->" mark,
#      compared with F (a path of the copy, or ~/... after the blocks ran);
#   4. the README's transcripts (blocks fenced as ```text that start with
#      "$ "): what append prints, a refused argument, mpirun without
#      --oversubscribe on a machine of fewer cores than processes, and
#      ptsummary on the quick start's fit.
#
# usage: tools/check-readme.sh [--two-commands] [--keep] [SCRATCH]
#   --two-commands  also run the two commands (step 1)
#   --keep          leave the scratch folder (by default removed on success)
#   SCRATCH         the scratch folder (new or empty; default: a new one
#                   under $TMPDIR)
# Exit status: 0 every command worked as written, 1 one did not (its block
# and output are shown), 2 wrong arguments.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
top="$(dirname "$here")"
two_commands=0 keep=0 scratch=""

usage() {  # the head of this file, without its comment marks
  sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
}

while [ $# -gt 0 ]; do
  case $1 in
    --help) usage; exit 0 ;;
    --two-commands) two_commands=1 ;;
    --keep) keep=1 ;;
    -*) echo "check-readme: unknown option $1 (see $0 --help)" >&2; exit 2 ;;
    *)
      [ -z "$scratch" ] || { echo "check-readme: one SCRATCH only" >&2; exit 2; }
      scratch=$1
      ;;
  esac
  shift
done
if [ -z "$scratch" ]; then
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/check-readme.XXXXXX")
else
  mkdir -p "$scratch"
  [ -z "$(ls -A "$scratch")" ] || { echo "check-readme: $scratch is not empty" >&2; exit 2; }
  scratch="$(cd "$scratch" && pwd)"
fi
src="$scratch/src"
home="$scratch/home"
log="$scratch/log"
mkdir -p "$src" "$home" "$log"

fail() {
  echo "check-readme: $*" >&2
  echo "check-readme: everything is in $scratch" >&2
  exit 1
}

# The source tree as a clone would have it, with the changes not yet
# committed: the files git knows or would add, without build trees.
(cd "$top" && git ls-files -z --cached --others --exclude-standard |
  tar --null -T - -cf -) | tar -xf - -C "$src"
readme="$src/README.md"
echo "== a copy of the source tree in $src"

if [ $two_commands = 1 ]; then
  for cmd in "bash tools/example.sh" "bash tools/test.sh"; do
    grep -qF "$cmd" "$readme" || fail "the README no longer shows $cmd"
    echo "== $cmd"
    start=$SECONDS
    (cd "$src" && $cmd) >"$log/${cmd##*/}.log" 2>&1 ||
      fail "$cmd failed (see $log/${cmd##*/}.log)"
    echo "   done in $((SECONDS - start)) s"
  done
fi

# Step 2: the ```sh blocks, each announced with its line in the README.
script="$scratch/readme-blocks.sh"
awk '
  /^```sh$/ { inblock = 1; n++; print "echo \"== README block " n " (line " NR + 1 ") at ${SECONDS} s\""; next }
  /^```/ && inblock { inblock = 0; next }
  inblock { print }
' "$readme" >"$script.raw"
grep -q '^node1 slots=2$' "$script.raw" && grep -q '^node2 slots=2$' "$script.raw" ||
  fail "the cluster example no longer names node1 and node2 (update $0)"
sed -e 's/^node1 slots=2$/localhost slots=4/' -e '/^node2 slots=2$/d' \
  "$script.raw" >"$script"
blocks=$(grep -c '^echo "== README block' "$script")
echo "== the README's $blocks sh blocks (HOME=$home)"
start=$SECONDS
(cd "$src" && HOME="$home" OMPI_MCA_mpi_yield_when_idle=1 bash -euo pipefail -x "$script") >"$log/blocks.log" 2>&1 || {
  tail -30 "$log/blocks.log" >&2
  fail "a README block failed (the whole output: $log/blocks.log)"
}
echo "   done in $((SECONDS - start)) s"

# Step 3: the files the README shows.
n=0
while IFS= read -r line; do
  target=${line#*check-readme: the file }
  target=${target% -->}
  case $target in
    "~/"*) path="$home/${target#\~/}" ;;
    *) path="$src/$target" ;;
  esac
  awk -v mark="$line" '
    $0 == mark { found = 1; next }
    found == 1 && /^```/ { found = 2; next }
    found == 2 && /^```/ { exit }
    found == 2 { print }
  ' "$readme" >"$scratch/shown"
  cmp -s "$scratch/shown" "$path" ||
    fail "the README shows another $target than $path holds: $(diff "$scratch/shown" "$path" | head -5)"
  n=$((n + 1))
done < <(grep '^<!-- check-readme: the file ' "$readme")
echo "== $n files shown are the files"

# Step 4: the transcripts, each checked for its command in the README and
# its output.
need() {  # need TEXT: the README still shows TEXT
  grep -qF -- "$1" "$readme" || fail "the README no longer shows: $1"
}
export PATH="$home/.local/bin:$PATH"
run="$scratch/transcripts"
mkdir -p "$run"

need "\$ printf \"'all.dat'\\n'day_maxima_1.dat'\\n\" | append"
cp "$home/iono/day_maxima_1.dat" "$run/"
got=$(cd "$run" && printf "'all.dat'\n'day_maxima_1.dat'\n" | append)
[ "$got" = "$(printf " read all.dat\n enter filename 1\n read day_maxima_1.dat")" ] ||
  fail "append printed: $got"

need 'ionoscan: unknown option -x (see ionoscan --help)'
got=$(ionoscan -x 2>&1 >/dev/null) && fail "ionoscan -x did not fail"
[ "$got" = "ionoscan: unknown option -x (see ionoscan --help)" ] ||
  fail "ionoscan -x said: $got"

need '$ mpirun -np 4 ptfit < answers > ptfit.out      # on a 2-core machine'
if [ "$(id -u)" -eq 0 ]; then  # as the README says root must
  export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
fi
need 'There are not enough slots available in the system to satisfy the 4'
if [ "$(nproc)" -lt 4 ]; then
  if (cd "$home/iono/fit" && mpirun -np 4 ptfit <answers >"$run/slots.out" 2>&1); then
    fail "mpirun -np 4 ran on $(nproc) cores"
  fi
  grep -qF 'There are not enough slots available in the system to satisfy the 4' \
    "$run/slots.out" || fail "mpirun -np 4 failed otherwise: $(head -5 "$run/slots.out")"
else
  echo "   (mpirun -np 4 not checked: $(nproc) cores have 4 slots)"
fi

# ptsummary on the quick start's fit of one process (the MPI examples
# have run in its folder since): the run again, in a folder of its own.
need '$ ptsummary --params params.txt --burn 2'
mkdir -p "$run/fit"
cp "$home/iono/all.dat" "$run/"
cp "$home/iono/fit/answers" "$home/iono/fit/params.txt" "$run/fit/"
(cd "$run/fit" && ptfit <answers >ptfit.out && ptsummary --params params.txt --burn 2) \
  >"$run/ptsummary.out" || fail "ptfit or ptsummary failed in $run/fit"
head -1 "$run/ptsummary.out" | grep -q ': 1 process, 1 ladder, 10 complete blocks of 4000 moves; blocks 1-2 burnt in, 32000 samples a ladder kept$' ||
  fail "ptsummary's first line: $(head -1 "$run/ptsummary.out")"
need "$(head -1 "$run/ptsummary.out" | sed 's/^[^:]*:/:/')"
header=$(sed -n 2p "$run/ptsummary.out")
need "$header"
[ "$(tail -1 "$run/ptsummary.out")" = "no warnings" ] ||
  fail "ptsummary warned: $(tail -3 "$run/ptsummary.out")"
echo "== the transcripts: append, a refused argument, mpirun's slots, ptsummary"

echo "== every command of the README worked as written"
[ $keep = 1 ] || rm -rf "$scratch"
