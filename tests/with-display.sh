#!/usr/bin/env bash
# A private X server for GUI tests, so that they never need or touch the user's display: Xvfb on a free display that it
# picks itself. Run, it runs COMMAND there with BRISKEN_PRIVATE_DISPLAY set and stops the server after it:
#   tests/with-display.sh COMMAND...
# Sourced, it defines private_display, which starts one, exports DISPLAY and sets PRIVATE_DISPLAY_PID.
private_display() {
    local fd_file k
    unset DISPLAY
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" 2>/dev/null &
    PRIVATE_DISPLAY_PID=$!
    for (( k = 0; k < 150; ++k )); do [[ -s $fd_file ]] && break; sleep 0.2; done
    [[ -s $fd_file ]] && export DISPLAY=":$(head -n 1 "$fd_file")"
    rm -f "$fd_file"
    [[ -n ${DISPLAY:-} ]] || { kill "$PRIVATE_DISPLAY_PID" 2>/dev/null; return 1; }
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    private_display || { echo "with-display: Xvfb did not start" >&2; exit 1; }
    trap 'kill "$PRIVATE_DISPLAY_PID" 2>/dev/null; wait "$PRIVATE_DISPLAY_PID" 2>/dev/null' EXIT
    trap 'exit 143' TERM INT
    status=0
    BRISKEN_PRIVATE_DISPLAY=1 "$@" || status=$?
    exit "$status"
fi
