#!/usr/bin/env bash
# Installs a built Sumdrill package into a fresh Debian root with the package tool (so that its
# dependencies come from the archive), writes worksheets there without a window, checks the
# PDF, removes the package again and finds none of its files left.
# Usage: tools/package-test.sh <package.deb> <work folder>
set -euo pipefail
deb=$(readlink -f "$1")
work=$(readlink -m "$2")
root="$work/root"
mirror=${SUMDRILL_DEBIAN_MIRROR:-http://deb.debian.org/debian}

log() { printf '\033[1m== %s\033[0m\n' "$*" >&2; }
fail() { echo "package test: $*" >&2; exit 1; }

cleanup() {
  for m in proc dev/pts dev sys; do
    mountpoint -q "$root/$m" 2>/dev/null && umount -l "$root/$m" || true
  done
}
trap cleanup EXIT

# The base system is downloaded once and kept; every run unpacks a fresh root from it.
base="$work/bookworm-minbase.tgz"
rm -rf "$root"
mkdir -p "$work"
if [ ! -f "$base" ]; then
  log "downloading a minimal bookworm"
  debootstrap --variant=minbase --make-tarball="$base.part" bookworm "$work/tarball-root" "$mirror" >&2
  mv "$base.part" "$base"
  rm -rf "$work/tarball-root"
fi
log "a fresh root"
debootstrap --variant=minbase --unpack-tarball="$base" bookworm "$root" "$mirror" >&2
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t sysfs sys "$root/sys"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

log "installing $(basename "$deb") with its dependencies"
cp "$deb" "$root/tmp/"
in_root apt-get update -q >&2
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")" >&2
# What the package put there: its files and links (folders may be shared with other packages).
mapfile -t files < <(in_root sh -c 'dpkg -L sumdrill | while read -r f; do [ -d "$f" ] || echo "$f"; done')
[ "${#files[@]}" -gt 5 ] || fail "the package installed only ${#files[@]} files"

log "sumdrill --pdf out.pdf --sheets 2 --answer-key"
in_root sh -c 'cd /tmp && sumdrill --version && sumdrill --pdf out.pdf --sheets 2 --answer-key' >&2
pdf="$root/tmp/out.pdf"
[ -s "$pdf" ] || fail "no PDF was written"
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" = 4 ] || fail "the PDF has $pages pages, not 4"
if pdffonts "$pdf" | awk 'NR > 2 && $(NF-4) != "yes" {bad = 1} END {exit !bad}'; then
  pdffonts "$pdf" >&2
  fail "a font of the PDF is not embedded"
fi
pdffonts "$pdf" | awk 'NR > 2 {print $1}' | grep -qi uming || fail "the Song face is not in the PDF"
[ -e "$root/usr/bin/SystemConfig.ini" ] && fail "the program wrote beside itself"

log "removing the package"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q sumdrill >&2
for f in "${files[@]}"; do
  if [ -e "$root$f" ] || [ -L "$root$f" ]; then
    fail "left after removal: $f"
  fi
done
[ -e "$root/usr/share/doc/sumdrill" ] && fail "left after removal: /usr/share/doc/sumdrill"
in_root dpkg -s sumdrill >/dev/null 2>&1 && fail "the package is still known to dpkg"
log "package test passed: 4 pages, fonts embedded, nothing left after removal"
