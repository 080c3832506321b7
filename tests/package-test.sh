#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root and checks it as a user's machine
# would meet it: the files and dependencies are there, the desktop entry and the MIME types are
# valid, lintian (when installed) finds nothing to warn of, and the installed batch command turns
# the sample project into the checked-in bytes.
#   package-test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "package-test: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" ||
  fail "cpack failed: $(cat "$scratch/cpack.log")"
debs=("$scratch"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one package, got: ${debs[*]}"
deb=${debs[0]}
root=$scratch/root
dpkg-deb -x "$deb" "$root"

for file in usr/bin/vlp5tovxp usr/bin/vlp5tovxp-cli usr/share/applications/vlp5tovxp.desktop \
  usr/share/icons/hicolor/scalable/apps/vlp5tovxp.svg usr/share/mime/packages/vlp5tovxp.xml \
  usr/share/man/man1/vlp5tovxp-cli.1.gz usr/share/man/man1/vlp5tovxp.1.gz \
  usr/share/doc/vlp5tovxp/copyright usr/share/doc/vlp5tovxp/changelog.gz; do
  [[ -f $root/$file ]] || fail "missing from the package: $file"
done
extra=$(cd "$root" && find . -type f | grep -v -e '^./usr/bin/' -e '^./usr/share/' || true)
[[ -z $extra ]] || fail "unexpected files in the package: $extra"

if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 ||
    fail "lintian: $(grep -v 'running with root privileges' "$scratch/lintian.log")"
fi

depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 qt6-qpa-plugins; do
  [[ $depends == *"$package"* ]] || fail "Depends lacks $package: $depends"
done
[[ $(dpkg-deb -f "$deb" Version) == "$("$root/usr/bin/vlp5tovxp-cli" --version | cut -d' ' -f2)" ]] ||
  fail "the package's version is not the program's"

# A file manager offers the window for old projects: the entry takes a file and names the type
# that the MIME database gives to *.vlp.
desktop=$root/usr/share/applications/vlp5tovxp.desktop
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -qx 'Exec=vlp5tovxp %F' "$desktop" || fail "the desktop entry takes no files"
mkdir -p "$scratch/mime/packages"
cp "$root/usr/share/mime/packages/vlp5tovxp.xml" "$scratch/mime/packages/"
update-mime-database "$scratch/mime" || fail "the MIME types are not valid"
vlp_type=$(sed -n 's/^[0-9]*:\([^:]*\):\*\.vlp$/\1/p' "$scratch/mime/globs2")
[[ -n $vlp_type ]] || fail "no MIME type for *.vlp"
grep -qx "MimeType=$vlp_type;" "$desktop" || fail "the desktop entry does not open $vlp_type"
grep -q ':\*\.vxp$' "$scratch/mime/globs2" || fail "no MIME type for *.vxp"

# The manual page describes every option the command knows.
manual=$(zcat "$root/usr/share/man/man1/vlp5tovxp-cli.1.gz")
for option in $("$root/usr/bin/vlp5tovxp-cli" --help | grep -o -- '--[a-z]*' | sort -u); do
  [[ $manual == *"\\-\\-${option#--}"* ]] || fail "the manual page lacks $option"
done

work=$scratch/work
mkdir "$work"
cp "$source/examples/demo.vlp" "$work/"
(cd "$work" && "$root/usr/bin/vlp5tovxp-cli" -q demo.vlp) || fail "the installed command failed"
# The new project names its old one by the absolute path; the fixture was made with demo.vlp.
sed "s|&quot;$work/demo.vlp&quot;|\&quot;demo.vlp\&quot;|" "$work/demo.vlp_converted.vxp" \
  >"$work/relative.vxp"
cmp "$work/relative.vxp" "$source/tests/data/demo.vlp_converted.vxp" ||
  fail "the installed command wrote other bytes than the fixture"
echo "package-test: $(basename "$deb") is complete and converts the sample project"
