#!/usr/bin/env bash
# The package test (as root): builds the Debian package with CPack, installs it with dpkg,
# checks the installed files and runs the installed program, then removes and purges it and
# checks that nothing is left but the configuration the program created (kept on remove, gone
# on purge unless another product's files stand beside it). The machine is left as it was, even
# when a check fails.
#
#   scripts/test-package.sh        (build folder: build/ or $MSP_BUILD_DIR, configured already)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_BUILD_DIR:-$top/build}
programme=/opt/zelto/Program

echec() { echo "test-package: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || echec "needs root (it installs the package with dpkg); run it as root or through sudo."
[ -f "$build/CMakeCache.txt" ] || echec "no build in $build: run bash scripts/build.sh first."

# One package test at a time on a machine: two would install and remove the same package. The
# lock is taken on dpkg's own folder, which always exists, so no lock file is left behind
# (dpkg locks files inside it with fcntl, which does not meet flock).
exec 9</var/lib/dpkg
flock -w 600 9 || echec "another package test has held the lock for 10 minutes."

# The test removes and purges the package and /opt/zelto: never on a machine that uses them.
if dpkg-query -W -f='${db:Status-Status}' module-special 2>/dev/null | grep -qv '^not-installed$'; then
  echec "module-special is installed here ($(dpkg-query -W -f='${db:Status-Status}' module-special)); the test would remove it. Run it on a machine without it (dpkg -P module-special)."
fi
[ ! -e /opt/zelto ] || echec "/opt/zelto exists here; the test would remove what it holds. Run it on a machine without it."

# dpkg refuses at once while another dpkg or apt holds its lock: wait for it a while.
dpkg_() {
  local sortie rc essai
  for essai in $(seq 1 90); do
    rc=0
    sortie=$(dpkg "$@" 2>&1) || rc=$?
    if [ "$rc" -ne 0 ] && grep -qi "lock" <<<"$sortie" && [ "$essai" -lt 90 ]; then
      sleep 2
      continue
    fi
    printf '%s\n' "$sortie"
    return "$rc"
  done
}

work=$(mktemp -d)
nettoyer() {
  local rc=$?
  if dpkg-query -W -f='${db:Status-Status}' module-special 2>/dev/null | grep -qv '^not-installed$'; then
    dpkg_ -P module-special >/dev/null || echo "test-package: could not purge module-special: run dpkg -P module-special" >&2
  fi
  rm -rf /opt/zelto "$work"
  exit "$rc"
}
trap nettoyer EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# What the package may touch; the caches are the desktop's, rebuilt by dpkg triggers.
releve() {
  find /opt /usr/bin /usr/share/applications /usr/share/icons/hicolor \
    ! -name icon-theme.cache ! -name mimeinfo.cache -print 2>/dev/null | LC_ALL=C sort
}
# How it differs from the record $1 (a file of $work): "+path" is new, "-path" is gone.
ecart() { LC_ALL=C comm -3 "$work/$1" <(releve) | sed 's/^\t/+/; t; s/^/-/' | tr '\n' ' '; }

# --- build ------------------------------------------------------------------------------------
cmake --build "$build" --target module-special >/dev/null
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; echec "cpack failed"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/module-special_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || echec "cpack made no $deb"

# --- the package's control fields and contents -----------------------------------------------
[ "$(dpkg-deb -f "$deb" Package)" = module-special ] || echec "package name: $(dpkg-deb -f "$deb" Package)"
depends=$(dpkg-deb -f "$deb" Depends)
noms=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
# Computed by dpkg-shlibdeps (Qt, C++ runtime) plus what is loaded at run time.
for d in libqt6widgets6 libqt6xml6 libqt6core6 libstdc++6 libc6 libfbclient2 qt6-qpa-plugins; do
  grep -qxF "$d" <<<"$noms" || echec "Depends lacks $d: $depends"
done
attendu="/opt/zelto/Program/module-special
/usr/bin/module-special
/usr/share/applications/module-special.desktop
/usr/share/icons/hicolor/scalable/apps/module-special.svg"
dpkg-deb -c "$deb" >"$work/contenu"
contenu=$(awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' "$work/contenu" | LC_ALL=C sort)
[ "$contenu" = "$attendu" ] || echec "package holds other files than the program's:
$contenu"
grep -q ' \./usr/bin/module-special -> /opt/zelto/Program/module-special$' "$work/contenu" \
  || echec "/usr/bin/module-special is not a link to $programme/module-special"

# --- install ----------------------------------------------------------------------------------
releve >"$work/avant"
dpkg_ -i "$deb" >/dev/null || echec "dpkg -i $deb failed"
installe=$(dpkg -L module-special | while read -r f; do [ -d "$f" ] || echo "$f"; done | LC_ALL=C sort)
[ "$installe" = "$attendu" ] || echec "dpkg -L lists:
$installe"
[ -x "$programme/module-special" ] || echec "$programme/module-special is not executable"
desktop-file-validate /usr/share/applications/module-special.desktop || echec "the desktop entry does not validate"
releve >"$work/installe"

# --- run the installed program ----------------------------------------------------------------
# A private home and temporary folder: the program writes its per-user folder and logs there.
mkdir -p "$work/home" "$work/temp"
lancer() {
  env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_DATA_HOME="$work/home/.local/share" TEMP="$work/temp" LANG=C.UTF-8 "$@"
}
# Through the link in /usr/bin: the program must still find its root under /opt/zelto.
lancer module-special --config >"$work/config" 2>"$work/config.err" \
  || { cat "$work/config.err" >&2; echec "module-special --config failed"; }
grep -qx "Fichier=$programme/zeltoQ58.conf" "$work/config" \
  || echec "--config through /usr/bin read another file: $(cat "$work/config")"
grep -qx "Racine=/opt/zelto/" "$work/config" || echec "--config: $(grep ^Racine= "$work/config")"
[ -f "$programme/zeltoQ58.conf" ] || echec "--config did not create $programme/zeltoQ58.conf"
lancer "$programme/module-special" --config >"$work/config2" || echec "$programme/module-special --config failed"
grep -qx "Fichier=$programme/zeltoQ58.conf" "$work/config2" || echec "--config from $programme read another file"
lancer module-special --help >"$work/aide" || echec "module-special --help failed"
# --version prints the package's version; a build that does not know the option yet refuses it
# as unknown (exit 64), and then --help above stands for it.
rc=0
v=$(lancer module-special --version 2>"$work/version.err") || rc=$?
if [ "$rc" -eq 64 ] && grep -q "option inconnue : --version" "$work/version.err"; then
  echo "test-package: this build has no --version option yet; checked --help" >&2
else
  [ "$rc" -eq 0 ] || { cat "$work/version.err" >&2; echec "module-special --version exited $rc"; }
  [ "$v" = "module-special $version" ] || echec "--version printed: $v"
fi
[ "$(ecart installe)" = "+$programme/zeltoQ58.conf " ] || echec "running the program left: $(ecart installe)"

# --- remove: only the configuration stays -----------------------------------------------------
dpkg_ -r module-special >/dev/null || echec "dpkg -r failed"
[ "$(ecart avant)" = "+/opt/zelto +$programme +$programme/zeltoQ58.conf " ] \
  || echec "after dpkg -r, left: $(ecart avant)"
# --- purge: nothing stays ---------------------------------------------------------------------
dpkg_ -P module-special >/dev/null || echec "dpkg -P failed"
[ -z "$(ecart avant)" ] || echec "after dpkg -P, left: $(ecart avant)"
[ ! -e /opt/zelto ] || echec "/opt/zelto is left after purge"

# --- remove without a configuration: dpkg takes the folders, not /opt ------------------------
dpkg_ -i "$deb" >/dev/null || echec "second dpkg -i failed"
dpkg_ -r module-special >/dev/null || echec "dpkg -r failed (second install)"
[ -z "$(ecart avant)" ] || echec "after dpkg -r of a program never run: $(ecart avant)"
dpkg_ -P module-special >/dev/null || echec "dpkg -P failed (second install)"

# --- purge beside another product: its files and the shared configuration stay ----------------
dpkg_ -i "$deb" >/dev/null || echec "third dpkg -i failed"
lancer module-special --config >/dev/null || echec "module-special --config failed (third install)"
echo "another product" >"$programme/club.bin"
dpkg_ -P module-special >/dev/null || echec "dpkg -P failed (third install)"
[ -f "$programme/zeltoQ58.conf" ] && [ -f "$programme/club.bin" ] \
  || echec "purge removed the files of a product installed beside the program"
[ ! -e "$programme/module-special" ] && [ ! -e /usr/bin/module-special ] \
  || echec "purge left the program's files"

echo "test-package: $(basename "$deb") installs, runs from $programme and removes cleanly"
