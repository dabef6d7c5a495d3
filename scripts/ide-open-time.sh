#!/usr/bin/env bash
# How long the addon dialog takes to appear in the real Code::Blocks (under a private Xvfb)
# after its command, on a Brisken tree of 1000 addons with a project of 10000 files inside
# them, beside an empty tree (no addons) with a one-file project: the IDE's own cost of showing
# the dialog. Each session runs the command RUNS times; the time runs from the key press to
# the dialog's window being mapped (polled with xdotool). Also prints the IDE's resident size
# before the first command and its peak while the dialog opens. Not part of CI.
#   scripts/ide-open-time.sh [RUNS] [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs=${1:-7}
build_dir=${2:-"$root/build"}
"$root/scripts/build.sh" "$build_dir" >/dev/null
module="$build_dir/libBrisken.so"
zip="$build_dir/Brisken.zip"
# shellcheck source=../tests/e2e/ide_session.sh
source "$root/tests/e2e/ide_session.sh"
export IDE_LOG_TAG=ide-open-time

work=$(mktemp -d /tmp/brisken-open-time-XXXXXX)
trap 'ide_stop; rm -rf "$work"' EXIT

# make_tree BASE ADDONS FILES: a Brisken tree with ADDONS addons and a project
# apps/demos/big/big.cbp whose FILES files lie in turn in 1000 addon folders (present or not);
# one main.cpp when FILES is 1.
make_tree() {
    python3 - "$@" <<'PY'
import os, sys
base, addons, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for d in ("apps/demos/big", "libs", "addons"):
    os.makedirs(os.path.join(base, d), exist_ok=True)
names = ["addon%04d" % a for a in range(max(addons, 1000))]
for n in names[:addons]:
    os.makedirs(os.path.join(base, "addons", n, "src"), exist_ok=True)
    with open(os.path.join(base, "addons", n, "install.xml"), "w") as f:
        f.write('<?xml version="1.0"?>\n<install><add/></install>\n')
units = (["../../../addons/%s/src/file%04d.cpp" % (names[f % len(names)], f // len(names))
          for f in range(files)] if files > 1 else ["main.cpp"])
with open(os.path.join(base, "apps/demos/big/big.cbp"), "w") as f:
    f.write('<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>\n<CodeBlocks_project_file>\n'
            '\t<FileVersion major="1" minor="6" />\n\t<Project>\n\t\t<Option title="big" />\n'
            '\t\t<Option compiler="gcc" />\n\t\t<Build>\n\t\t\t<Target title="Release">\n'
            '\t\t\t\t<Option output="bin/Release/app" prefix_auto="1" extension_auto="1" />\n'
            '\t\t\t\t<Option type="1" />\n\t\t\t\t<Option compiler="gcc" />\n\t\t\t</Target>\n'
            '\t\t</Build>\n')
    for u in units:
        f.write('\t\t<Unit filename="%s" />\n' % u)
    f.write('\t</Project>\n</CodeBlocks_project_file>\n')
PY
}

kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
now_ms() { local t=${EPOCHREALTIME/./}; echo $(( t / 1000 )); }

# session NAME ADDONS FILES: prints one line: the times in ms, their median, and memory.
session() {
    local name=$1 tree="$work/$1/brisken"
    make_tree "$tree" "$2" "$3"
    ide_prepare "$work/$name" "$module" "$zip" "$tree"
    ide_start_x
    ide_start "$tree/apps/demos/big/big.cbp"
    local main times=() rss hwm
    main=$(find_window " - Code::Blocks")
    sleep 2 # let the IDE finish parsing the project in the background
    rss=$(kb "$IDE_PID" VmRSS)
    echo 5 >"/proc/$IDE_PID/clear_refs" 2>/dev/null || true
    for ((r = 0; r < runs; r++)); do
        xdotool windowfocus --sync "$main"
        local t0 t1 dialog=""
        t0=$(now_ms)
        xdotool key --window "$main" ctrl+alt+shift+h
        until dialog=$(find_window "^Brisken Addon Plugin$") && [[ -n "$dialog" ]]; do
            (( $(now_ms) - t0 < 60000 )) || { ide_log "the dialog did not open"; return 1; }
        done
        t1=$(now_ms)
        times+=($((t1 - t0)))
        (( r == 0 )) && hwm=$(kb "$IDE_PID" VmHWM)
        ide_click_and_wait_closed "$dialog" 340 435 || { ide_log "the dialog did not close"; return 1; }
        sleep 0.5
    done
    local median
    median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    printf '%-34s %6s ms   (%s)   IDE %d MiB, peak while opening %d MiB\n' \
        "$name ($2 addons, $3 files)" "$median" "${times[*]}" $((rss / 1024)) $((hwm / 1024))
    ide_stop
}

echo "median time from the command to the addon dialog on screen, in the real IDE ($runs runs):"
session empty-tree 0 1
session large-tree 1000 10000
# Where the difference lies: the list of 1000 addons alone, and the project of 10000 files alone.
session addons-only 1000 1
session project-only 0 10000
