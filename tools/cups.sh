#!/usr/bin/env bash
# A private CUPS server with one PDF queue, for the printing tests.
#
#   eval "$(tools/cups.sh start)"   starts it and prints the export lines that point clients at
#                                   it: CUPS_SERVER (its socket), SUMDRILL_CUPS_QUEUE (the queue),
#                                   SUMDRILL_CUPS_PDF_OUT (where the queue writes its PDFs),
#                                   SUMDRILL_CUPS_DIR (everything else of it)
#   tools/cups.sh stop              stops the server named by SUMDRILL_CUPS_DIR (or by the
#                                   directory given as argument) and removes its files
#
# The server lives in one temporary directory: configuration, spool, cache, logs and a unix
# socket; it listens on nothing else, browses nothing and leaves any system cupsd alone. Needs
# root (the PDF backend runs as root), cups and printer-driver-cups-pdf.
#
# The PDF backend reads its settings from a fixed directory, /etc/cups, choosing the file by
# the queue's device URI: "cups-pdf:/<tag>" reads cups-pdf-<tag>.conf. So each server writes
# one such file with a tag of its own and removes it when it stops; no other file there is
# touched.
set -euo pipefail

PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
QUEUE=Sumdrill_PDF

fail() {
    echo "cups.sh: $*" >&2
    exit 1
}

start() {
    [ "$(id -u)" -eq 0 ] || fail "must run as root (the PDF backend runs as root)"
    command -v cupsd >/dev/null || fail "cupsd is missing (package cups)"
    [ -x /usr/lib/cups/backend/cups-pdf ] || fail "the cups-pdf backend is missing (printer-driver-cups-pdf)"
    [ -f "$PPD" ] || fail "$PPD is missing"

    local dir tag
    dir=$(mktemp -d /tmp/sumdrill-cups.XXXXXX)
    # Filters run as lp and must reach the spool below.
    chmod 755 "$dir"
    tag=sumdrill-${dir##*.}
    mkdir -p "$dir"/{etc/ppd,spool,cache,state,tmp,log,pdf,pdf-spool}
    chmod 1777 "$dir/tmp"
    chmod 777 "$dir/pdf"
    echo "$tag" >"$dir/tag"

    # The queue's description: the PDF driver's, with unprintable borders on A4 and Letter and
    # three paper sources beside the automatic one, so that a client reading the queue has
    # margins and bins to find (the PDF backend ignores both). Output files are named after
    # the job's title rather than a title found in the document.
    sed -e 's|^\*DefaultTitlePref: .*|*DefaultTitlePref: 1|' -e 's|^\*DefaultLogType: .*|*DefaultLogType: 3|' \
        -e 's|^\*ImageableArea A4/A4: .*|*ImageableArea A4/A4: "12 18 583 824"|' \
        -e 's|^\*ImageableArea Letter/US Letter: .*|*ImageableArea Letter/US Letter: "18 18 594 774"|' \
        "$PPD" >"$dir/queue.ppd"
    cat >>"$dir/queue.ppd" <<'EOF'
*OpenUI *InputSlot/Media Source: PickOne
*OrderDependency: 20 AnySetup *InputSlot
*DefaultInputSlot: Auto
*InputSlot Auto/Automatic: ""
*InputSlot Upper/Upper Tray: ""
*InputSlot Manual/Manual Feed: ""
*InputSlot Tray3/Tray 3: ""
*CloseUI: *InputSlot
EOF

    cat >"$dir/etc/cupsd.conf" <<EOF
LogLevel warn
MaxLogSize 0
# The documents clients sent stay in the spool (d<job>-001) until the server stops: the PDF
# queue's output goes through PostScript and loses the text of the fonts, the document sent
# keeps it.
PreserveJobFiles Yes
Listen $dir/cups.sock
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess default
  JobPrivateValues default
  SubscriptionPrivateAccess default
  SubscriptionPrivateValues default
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
    cat >"$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
FileDevice No
User lp
Group lp
SystemGroup root
EOF
    cat >"/etc/cups/cups-pdf-$tag.conf" <<EOF
Out $dir/pdf
AnonDirName $dir/pdf
Spool $dir/pdf-spool
Log $dir/log
LogType 3
Grp root
UserUMask 0000
AnonUMask 0000
EOF

    # Foreground mode so that the process id is the server's; detached from our output so that
    # the caller's $(...) returns.
    setsid cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
        </dev/null >"$dir/log/cupsd.out" 2>&1 &
    echo $! >"$dir/cupsd.pid"

    local i
    for i in $(seq 1 100); do
        [ -S "$dir/cups.sock" ] && lpstat -h "$dir/cups.sock" -r >/dev/null 2>&1 && break
        kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || {
            cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
            stop_dir "$dir"
            fail "cupsd did not start"
        }
        sleep 0.1
    done
    if ! lpadmin -h "$dir/cups.sock" -p "$QUEUE" -E -v "cups-pdf:/$tag" -P "$dir/queue.ppd" \
        -D "Sumdrill test PDF printer" >&2 ||
        ! lpadmin -h "$dir/cups.sock" -d "$QUEUE" >&2; then
        cat "$dir/log/error_log" >&2 2>/dev/null || true
        stop_dir "$dir"
        fail "could not add the PDF queue"
    fi

    echo "export CUPS_SERVER=$dir/cups.sock"
    echo "export SUMDRILL_CUPS_QUEUE=$QUEUE"
    echo "export SUMDRILL_CUPS_PDF_OUT=$dir/pdf"
    echo "export SUMDRILL_CUPS_DIR=$dir"
}

stop_dir() {
    local dir=$1 pid tag i
    case "$dir" in
    /tmp/sumdrill-cups.*) ;;
    *) fail "not a server directory of ours: $dir" ;;
    esac
    if [ -f "$dir/cupsd.pid" ]; then
        pid=$(cat "$dir/cupsd.pid")
        if kill "$pid" 2>/dev/null; then
            for i in $(seq 1 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
    fi
    if [ -f "$dir/tag" ]; then
        tag=$(cat "$dir/tag")
        rm -f "/etc/cups/cups-pdf-$tag.conf"
    fi
    rm -rf "$dir"
}

case "${1:-}" in
start) start ;;
stop)
    dir=${2:-${SUMDRILL_CUPS_DIR:-}}
    [ -n "$dir" ] || fail "stop: no server directory (SUMDRILL_CUPS_DIR is not set)"
    [ -d "$dir" ] || exit 0
    stop_dir "$dir"
    ;;
*)
    echo "usage: tools/cups.sh start | stop [dir]" >&2
    exit 2
    ;;
esac
