#!/usr/bin/env bash
# Smoke test against the kernel's own DVB core: builds the virtual DVB driver vidtv from
# Debian's kernel source for Debian's kernel, boots that kernel under qemu (software emulation)
# with a small initramfs, and checks the frontend with a static probe and, once
# build/linuxdvb/libkestrune.so exists, the program with the Linux DVB tuner library.
# Needs: qemu-system-x86 linux-source-X.Y linux-headers-amd64 busybox-static cpio kmod gcc
# python3, and apt access to download the matching linux-image package (never installed).
# Environment: BUILD_DIR (build), VIDTV_IF_MHZ (IFs vidtv locks on), VIDTV_SHIFT_KHZ (its
# tolerance, below 256), VIDTV_TIMEOUT (seconds for the guest), JOBS.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build}
[[ $build = /* ]] || build=$root/$build
work=$build/vidtv
if_mhz=${VIDTV_IF_MHZ:-"1200 1550 1900"}
shift_khz=${VIDTV_SHIFT_KHZ:-250}
guest_timeout=${VIDTV_TIMEOUT:-300}
jobs=${JOBS:-2}
start=$(date +%s)
stamp() { echo "   $1 ($(( $(date +%s) - start )) s)"; }

missing() {
  if [ "${CI:-}" = true ]; then
    echo "vidtv smoke test cannot run: $1" >&2
    exit 1
  fi
  echo "== vidtv smoke test skipped: $1"
  exit 0
}

for tool in qemu-system-x86_64 cpio gcc python3 modinfo apt-get dpkg-deb make; do
  command -v "$tool" >/dev/null || missing "$tool is not installed"
done
installed() { dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${Version}\n' "$@" 2>/dev/null |
  awk '$1 == "ii" { print $2, $3 }'; }
[ -n "$(installed busybox-static)" ] || missing "busybox-static is not installed"
# The source, headers and image must be one kernel version.
read -r src_pkg version < <(installed 'linux-source-*' | sort -V -k2 | tail -n1) ||
  missing "no linux-source package is installed"
tarball=/usr/src/$src_pkg.tar.xz
[ -f "$tarball" ] || missing "$tarball is missing"
headers_pkg=$(installed 'linux-headers-*-amd64' | awk -v v="$version" '$2 == v && $1 != "linux-headers-amd64" { print $1 }' | head -n1)
[ -n "$headers_pkg" ] || missing "no linux-headers-*-amd64 of version $version (that of $src_pkg)"
krel=${headers_pkg#linux-headers-}
kbuild=/usr/src/linux-headers-$krel
kwork=$work/$krel-$version
mkdir -p "$kwork"
echo "== vidtv smoke test: kernel $krel ($version)"

# The kernel image is unpacked, never installed, so no kernel hooks run.
image_deb=$kwork/linux-image.deb
if [ ! -s "$image_deb" ]; then
  dl=$(mktemp -d)
  chmod 755 "$dl"
  if ! (cd "$dl" && apt-get download -q "linux-image-$krel=$version") >"$dl/log" 2>&1; then
    cat "$dl/log" >&2
    rm -rf "$dl"
    missing "cannot download linux-image-$krel=$version"
  fi
  mv "$dl"/linux-image-*.deb "$image_deb"
  rm -rf "$dl"
fi
image=$kwork/image
if [ ! -f "$image/boot/vmlinuz-$krel" ]; then
  mkdir -p "$image"
  dpkg-deb --fsys-tarfile "$image_deb" | tar -x -C "$image" "./boot/vmlinuz-$krel"
  dpkg-deb -c "$image_deb" | awk '{ print $NF }' | grep '\.ko' >"$kwork/image-modules"
fi
stamp "kernel image ready"

# vidtv, built out of tree from the packaged source.
src=$kwork/vidtv
if [ ! -f "$src/Makefile" ]; then
  mkdir -p "$src"
  tar -xJf "$tarball" -C "$src" --strip-components=5 --wildcards '*/drivers/media/test-drivers/vidtv/*'
fi
if ! ls "$src"/*.ko >/dev/null 2>&1 || [ -n "$(find "$src" -name '*.[ch]' -newer "$src/dvb-vidtv-bridge.ko")" ]; then
  make -s -C "$kbuild" M="$src" CONFIG_DVB_VIDTV=m -j"$jobs" modules >"$kwork/build.log" 2>&1 ||
    { cat "$kwork/build.log" >&2; echo "vidtv did not build" >&2; exit 1; }
fi
vermagic=$(modinfo -F vermagic "$src/dvb-vidtv-bridge.ko")
[ "${vermagic%% *}" = "$krel" ] || { echo "vidtv built for ${vermagic%% *}, not $krel" >&2; exit 1; }
stamp "vidtv modules built"

# The kernel modules vidtv needs, found through modinfo and taken from the image package.
mods=$kwork/modules
mkdir -p "$mods"
cp "$src"/dvb-vidtv-*.ko "$mods/"
order=()
visit() {
  local name=$1 file dep
  file=$mods/$name.ko
  [[ " ${order[*]} " = *" $name "* ]] && return
  if [ ! -f "$file" ]; then
    local path
    path=$(grep -E "/(${name//[-_]/[-_]})\.ko$" "$kwork/image-modules" | head -n1)
    [ -n "$path" ] || { echo "module $name is not in linux-image-$krel" >&2; exit 1; }
    dpkg-deb --fsys-tarfile "$image_deb" | tar -x -O "$path" >"$file"
  fi
  for dep in $(modinfo -F depends "$file" | tr ',' ' '); do visit "$dep"; done
  order+=("$name")
}
# The bridge asks for the demod and tuner by name rather than by symbol: they come first.
for m in dvb-vidtv-demod dvb-vidtv-tuner dvb-vidtv-bridge; do visit "$m"; done
stamp "modules: ${order[*]}"

gcc -static -O2 -Wall -Werror -o "$work/fe-probe" linuxdvb/smoke/fe-probe.c

# The frequencies: vidtv takes Ku-band kHz and subtracts a universal LNB's oscillator.
valid=() ku=()
for mhz in $if_mhz; do
  khz=$(( mhz * 1000 ))
  valid+=("$khz")
  if (( khz < 1950000 )); then ku+=($(( khz + 9750000 ))); else ku+=($(( khz + 10600000 ))); fi
done
(( shift_khz > 0 && shift_khz < 256 )) || { echo "VIDTV_SHIFT_KHZ must be 1..255" >&2; exit 1; }
# Tunes that must not lock: past the tolerance, and far from all (beyond the kernel's zigzag).
off=($(( valid[0] + 2 * shift_khz )))
for (( far = 960000; far < 2150000; far += 50000 )); do
  ok=1
  for k in "${valid[@]}"; do (( far > k - 30000 && far < k + 30000 )) && ok=0; done
  (( ok )) && { off+=("$far"); break; }
done
near=$(( valid[0] + shift_khz / 2 ))

# The initramfs.
rootfs=$work/initramfs
rm -rf "$rootfs"
mkdir -p "$rootfs/bin" "$rootfs/modules"
cp /bin/busybox "$rootfs/bin/busybox"
cp linuxdvb/smoke/init "$rootfs/init"
chmod 755 "$rootfs/init"
cp "$work/fe-probe" "$rootfs/fe-probe"
for m in "${order[@]}"; do cp "$mods/$m.ko" "$rootfs/modules/"; done
echo "${order[*]}" >"$rootfs/modules/order"
cat >"$rootfs/smoke.conf" <<EOF
VIDTV_FREQS=$(IFS=,; echo "${ku[*]}")
VIDTV_SHIFT=$shift_khz
PROBE_KHZ="${valid[*]} $near ${off[*]}"
SCAN_TIMEOUT=$(( guest_timeout > 90 ? guest_timeout - 60 : 30 ))
EOF
program=0
if [ -f "$build/linuxdvb/libkestrune.so" ] && [ -x "$build/bin/vextral" ]; then
  program=1
  mkdir -p "$rootfs/vextral"
  cp "$build/bin/vextral" "$build/linuxdvb/libkestrune.so" linuxdvb/smoke/Vextral.ini \
    linuxdvb/smoke/busy.ini "$rootfs/vextral/"
  for lib in $(for f in "$build/bin/vextral" "$build/linuxdvb/libkestrune.so"; do ldd "$f"; done |
               awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\/.*[^:]$/ { print $1 }' | sort -u); do
    cp -L --parents "$lib" "$rootfs/"
  done
  echo "   packed the program with build/linuxdvb/libkestrune.so"
else
  echo "   program part skipped: $build/linuxdvb/libkestrune.so is not built"
fi
initrd=$work/initramfs.cpio.gz
(cd "$rootfs" && find . | cpio -o -H newc --quiet | gzip -1) >"$initrd"
stamp "initramfs $(du -k "$initrd" | cut -f1) KiB"

log=$work/guest.log
rm -f "$log"
rc=0
timeout "$guest_timeout" qemu-system-x86_64 -accel tcg -m 512 -smp 1 -nodefaults -display none \
  -no-reboot -serial "file:$log" -kernel "$image/boot/vmlinuz-$krel" -initrd "$initrd" \
  -append "console=ttyS0 panic=-1 quiet loglevel=3" </dev/null || rc=$?
[ "$rc" = 124 ] && echo "vidtv smoke test: the guest ran past $guest_timeout s" >&2
stamp "guest finished"
grep '^SMOKE ' "$log" | tr -d '\r' | sed 's/^SMOKE /   | /'
if ! python3 linuxdvb/smoke/check.py "$log" "$shift_khz" "$program" "${valid[*]}" "$near" "${off[*]}"; then
  echo "the guest's whole output: $log" >&2
  exit 1
fi
echo "== vidtv smoke test passed in $(( $(date +%s) - start )) s"
