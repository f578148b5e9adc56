#!/usr/bin/env bash
# The install and the Debian package: the files they hold, what Debian's validators say of
# them, and the installed programs at work with the source and build trees out of reach.
#
#   install_and_package.sh CMAKE CPACK SOURCE_DIR BUILD_DIR VERSION APP_ID
set -euo pipefail
export LC_ALL=C
cmake=$1 cpack=$2 source_dir=$(realpath "$3") build_dir=$(realpath "$4") version=$5 app_id=$6

work=$(mktemp -d /tmp/wayfarer-packaging.XXXXXX)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
step() { echo "== $*"; }

expected_files() {
  local name
  for name in wayfarer wayfarer-catalogue wayfarer-search; do echo "usr/bin/$name"; done
  echo "usr/share/applications/$app_id.desktop"
  echo "usr/share/doc/wayfarer/changelog.gz"
  echo "usr/share/doc/wayfarer/copyright"
  for name in 16 22 24 32 48 64 128 256 512; do echo "usr/share/icons/hicolor/${name}x$name/apps/$app_id.png"; done
  echo "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  for name in wayfarer wayfarer-catalogue wayfarer-search; do echo "usr/share/man/man1/$name.1.gz"; done
  echo "usr/share/metainfo/$app_id.metainfo.xml"
}

# desktop-file-validate and appstreamcli on the tree below ROOT/usr: neither an error nor a
# warning (appstreamcli's infos and pedantic notes are advice, and pass).
validate_tree() {
  local root=$1 what=$2 report
  report=$(desktop-file-validate "$root/usr/share/applications/$app_id.desktop" 2>&1) ||
    fail "desktop-file-validate fails on $what"
  [ -z "$report" ] || fail "desktop-file-validate on $what: $report"
  report=$(appstreamcli validate --no-net --no-color "$root/usr/share/metainfo/$app_id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate fails on $what: $report"
  if grep -E '^[EW]: ' <<<"$report"; then fail "appstreamcli validate warns on $what"; fi
  report=$(appstreamcli validate-tree --no-net --no-color "$root/usr" 2>&1) ||
    fail "appstreamcli validate-tree fails on $what: $report"
  if grep -E '^[EW]: ' <<<"$report"; then fail "appstreamcli validate-tree warns on $what"; fi
  echo "$what: desktop-file-validate and appstreamcli pass"
}

step "install into a staging folder"
DESTDIR=$stage "$cmake" --install "$build_dir" --prefix /usr --strip >"$work/install.log" ||
  { cat "$work/install.log"; exit 1; }
diff <(expected_files | sort) <(cd "$stage" && find . -type f -printf '%P\n' | sort) ||
  fail "the install holds other files than these (< missing, > unexpected)"
if find "$stage" -type d ! -perm 755 | grep .; then fail "these folders are not 755"; fi
validate_tree "$stage" "the staged install"

step "nothing installed names the source or the build tree"
# In UTF-8, and in UTF-16 as Qt's string literals hold it.
utf16_pattern() {
  local text=$1 pattern="" c i
  for ((i = 0; i < ${#text}; i++)); do
    c=${text:i:1}
    [[ $c =~ [[:alnum:]] ]] || c="\\$c"
    pattern+="$c\\x00"
  done
  echo "$pattern"
}
for tree in "$source_dir" "$build_dir"; do
  if grep -rlF "$tree" "$stage"; then fail "the files above name $tree"; fi
  if grep -rlaP "$(utf16_pattern "$tree")" "$stage"; then fail "the files above name $tree in UTF-16"; fi
done

step "the installed programs, with the source and build trees hidden"
# A private mount namespace lays an empty folder over each tree, as if it were deleted.
unshare_options=(--mount)
[ "$(id -u)" -eq 0 ] || unshare_options+=(--map-root-user)
if ! unshare "${unshare_options[@]}" true 2>/dev/null; then
  echo "SKIP: this machine does not allow a private mount namespace (unshare ${unshare_options[*]})"
  exit 77
fi
hidden_run() {
  unshare "${unshare_options[@]}" env -i PATH=/usr/bin:/bin HOME="$work" XDG_RUNTIME_DIR="$work" LC_ALL=C \
    bash -c 'set -e
      mount -t tmpfs tmpfs "$1"; mount -t tmpfs tmpfs "$2"; shift 2; cd /
      [ -z "$(ls -A '"$source_dir"')" ]
      exec "$@"' hide "$build_dir" "$source_dir" "$@"
}
hidden_run "$stage/usr/bin/wayfarer" --tour "$work/tour" >"$work/tour.log" 2>&1 ||
  { cat "$work/tour.log"; fail "the installed wayfarer --tour failed"; }
for picture in 1-welcome 2-results 3-next-page 4-like 5-detail 6-error 7-no-results 8-wide; do
  [ "$(head -c 8 "$work/tour/$picture.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "the tour saved no picture $picture.png"
done
hidden_run "$stage/usr/bin/wayfarer-search" rome >"$work/search.txt" 2>&1 ||
  { cat "$work/search.txt"; fail "the installed wayfarer-search rome failed"; }
grep -q Colosseum "$work/search.txt" || fail "the installed wayfarer-search found no Colosseum for rome"

step "each manual page in step with its program"
for program in wayfarer wayfarer-search wayfarer-catalogue; do
  page=$(gzip -dc "$stage/usr/share/man/man1/$program.1.gz" | sed 's/\\-/-/g')
  grep -q "^\.TH .* \"Wayfarer $version\" " <<<"$page" || fail "$program.1 is not of version $version"
  for option in $("$stage/usr/bin/$program" --help | grep -oE '^  (-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+'); do
    grep -qF -- "$option" <<<"$page" || fail "$program.1 lacks $option"
  done
done

step "the Debian package"
"$cpack" --config "$build_dir/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$work/package/wayfarer_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$work/package"; fail "cpack made no $(basename "$deb")"; exit 1; }
diff <(expected_files | sort) <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort) ||
  fail "the package holds other files than these (< missing, > unexpected)"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
# dpkg-shlibdeps names each linked library's package with the version it needs.
for library in libc6 libqt6widgets6 libqt6svg6 libcurl4 libsimdjson14 libssl3; do
  grep -qE "(^|, )$library \(>= [^)]+\)" <<<"$depends" || fail "the package does not depend on $library"
done
mkdir "$work/unpacked"
dpkg-deb --extract "$deb" "$work/unpacked"
validate_tree "$work/unpacked" "the package"
# Lintian: no error and no warning. Running as root is only advised against.
if ! lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2> >(grep -v 'running with root privileges' >&2); then
  fail "lintian finds errors or warnings in the package"
else
  echo "lintian passes on $(basename "$deb")"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "the install and the package pass"
