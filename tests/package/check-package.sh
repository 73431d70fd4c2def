#!/usr/bin/env bash
# Checks of the Debian package that CPack makes from the install rules.
#   check-package.sh build CPACK CONFIG FOLDER     make the package afresh in FOLDER
#   check-package.sh contents FOLDER ICON_SIZES    the files it installs, where and how
#   check-package.sh control FOLDER VERSION        its name, version and dependencies
#   check-package.sh desktop-entry FOLDER          its desktop entry, validated
#   check-package.sh mime-type FOLDER              the case files' type, valid and declared
# ICON_SIZES is a comma-separated list such as 16,32,256. Every check after `build` reads
# the one .deb in FOLDER. Exits 1, listing every problem found, when a check fails.
set -uo pipefail

problems=0
fail() {
  echo "FAIL: $*" >&2
  problems=$((problems + 1))
}
finish() {
  if [ "$problems" -gt 0 ]; then
    echo "$problems problem(s) found" >&2
    exit 1
  fi
  echo "ok"
}

# The path of the single package in folder $1; exits when there is not exactly one.
the_package() {
  local found=("$1"/*.deb)
  if [ ${#found[@]} -ne 1 ] || [ ! -f "${found[0]}" ]; then
    echo "FAIL: expected exactly one .deb in $1, found: ${found[*]}" >&2
    exit 1
  fi
  echo "${found[0]}"
}

# The width and height of a PNG file, read from its header, as "WxH".
png_size() {
  local bytes
  bytes=$(od -An -tu1 -j16 -N8 "$1" | tr -s ' \n' ' ')
  read -r w1 w2 w3 w4 h1 h2 h3 h4 <<<"$bytes"
  echo "$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))x$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))"
}

build() {
  local cpack=$1 config=$2 folder=$3
  rm -rf "$folder"
  mkdir -p "$folder"
  if ! "$cpack" -G DEB --config "$config" -B "$folder" >"$folder/cpack.log" 2>&1; then
    cat "$folder/cpack.log" >&2
    fail "cpack could not make the package"
  fi
  the_package "$folder" >/dev/null
  finish
}

contents() {
  local deb icon_sizes
  deb=$(the_package "$1") || exit 1
  IFS=, read -r -a icon_sizes <<<"$2"

  local expected=(
    usr/bin/kurimo
    usr/bin/kurimo-batch
    usr/share/applications/kurimo.desktop
    usr/share/mime/packages/kurimo.xml
    usr/share/icons/hicolor/scalable/apps/kurimo.svg
  )
  for size in "${icon_sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/kurimo.png")
  done

  local listing
  listing=$(dpkg-deb -c "$deb") || {
    fail "dpkg-deb cannot list $deb"
    finish
  }
  declare -A mode_of=()
  while read -r mode owner _size _date _time path _rest; do
    path=${path#./}
    [ -z "$path" ] && continue
    [ "$owner" = root/root ] || fail "$path is owned by $owner, not root/root"
    case "$path" in
      usr/*) ;;
      *) fail "$path lies outside /usr" ;;
    esac
    [ "${mode:0:1}" = d ] && continue
    mode_of[$path]=$mode
  done <<<"$listing"

  for path in "${expected[@]}"; do
    [ -n "${mode_of[$path]+set}" ] || fail "missing: /$path"
  done
  for path in "${!mode_of[@]}"; do
    local wanted=0
    for e in "${expected[@]}"; do [ "$e" = "$path" ] && wanted=1; done
    [ "$wanted" = 1 ] || fail "stray file in the package: /$path (${mode_of[$path]})"
  done
  for program in usr/bin/kurimo usr/bin/kurimo-batch; do
    [ -z "${mode_of[$program]+set}" ] || [ "${mode_of[$program]}" = -rwxr-xr-x ] ||
      fail "/$program has mode ${mode_of[$program]}, not -rwxr-xr-x"
  done
  for path in "${!mode_of[@]}"; do
    case "$path" in
      usr/bin/*) ;;
      *) [ "${mode_of[$path]}" = -rw-r--r-- ] || fail "/$path has mode ${mode_of[$path]}, not -rw-r--r--" ;;
    esac
  done

  # Each PNG sits in the folder of its own size, and the programs are the real thing.
  local tree
  tree=$(mktemp -d)
  trap 'rm -rf "$tree"' RETURN
  dpkg-deb -x "$deb" "$tree"
  for size in "${icon_sizes[@]}"; do
    local png="$tree/usr/share/icons/hicolor/${size}x${size}/apps/kurimo.png"
    [ -f "$png" ] || continue
    local actual
    actual=$(png_size "$png")
    [ "$actual" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $actual"
  done
  head -c 1000 "$tree/usr/share/icons/hicolor/scalable/apps/kurimo.svg" 2>/dev/null |
    grep -q '<svg' || fail "the scalable icon is not an SVG image"
  for program in kurimo kurimo-batch; do
    [ -f "$tree/usr/bin/$program" ] || continue
    [ "$(head -c 4 "$tree/usr/bin/$program" | od -An -c | tr -d ' ')" = '177ELF' ] ||
      fail "/usr/bin/$program is not an executable file"
    if readelf -S "$tree/usr/bin/$program" 2>/dev/null | grep -q '\.debug_info'; then
      fail "/usr/bin/$program still carries debugging information"
    fi
  done
  finish
}

# Whether the installed package $1 satisfies the relation "$2 $3" ("" for any version).
installed_satisfies() {
  local version
  version=$(dpkg-query -W -f='${db:Status-Abbrev}|${Version}' "$1" 2>/dev/null | head -n 1) ||
    return 1
  [ "${version:0:2}" = ii ] || return 1
  version=${version#*|}
  [ -z "$2" ] && return 0
  dpkg --compare-versions "$version" "$2" "$3"
}

control() {
  local deb version
  deb=$(the_package "$1") || exit 1
  version=$2

  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = kurimo ] || fail "Package is '$(field Package)', not kurimo"
  [ "$(field Version)" = "$version-1" ] || fail "Version is '$(field Version)', not $version-1"
  [ "$(field Section)" = science ] || fail "Section is '$(field Section)', not science"
  [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "Architecture is '$(field Architecture)', not $(dpkg --print-architecture)"
  local name_and_address='^[^<]+ <[^@>]+@[^>]+>$'
  [[ "$(field Maintainer)" =~ $name_and_address ]] ||
    fail "Maintainer '$(field Maintainer)' is not 'Name <address>'"
  [ -n "$(field Description)" ] || fail "no Description"

  local depends
  depends=$(field Depends)
  echo "Depends: $depends"
  declare -A named=()
  local entry
  IFS=, read -r -a entries <<<"$depends"
  for entry in "${entries[@]}"; do
    entry=$(echo "$entry" | xargs)
    [ -z "$entry" ] && continue
    # One package or a choice of them ("a | b"); each may carry a version relation.
    local satisfied=0 choice
    local relation_form='^ *([a-z0-9][a-z0-9+.-]+)(:[a-z0-9]+)? *(\((<<|<=|=|>=|>>) *([^)]+)\))? *$'
    IFS='|' read -r -a choices <<<"$entry"
    for choice in "${choices[@]}"; do
      if [[ "$choice" =~ $relation_form ]]; then
        local name=${BASH_REMATCH[1]} op=${BASH_REMATCH[4]} wanted=${BASH_REMATCH[5]}
        named[$name]=1
        case "$name" in
          *-dev | libgtest* | libbenchmark* | googletest | cmake | g++*)
            fail "a build-time package is a run-time dependency: $name" ;;
        esac
        local relation=""
        case "$op" in
          "<<") relation=lt ;; "<=") relation=le ;; "=") relation=eq ;;
          ">=") relation=ge ;; ">>") relation=gt ;;
        esac
        installed_satisfies "$name" "$relation" "$(echo "$wanted" | xargs)" && satisfied=1
      else
        fail "cannot read the dependency '$choice'"
      fi
    done
    # The build machine runs the programs, so it has everything they need installed.
    [ "$satisfied" = 1 ] || fail "not installed here at the version asked: $entry"
  done
  for needed in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6 \
    qt6-qpa-plugins fonts-ipafont-gothic; do
    [ -n "${named[$needed]+set}" ] || fail "Depends does not name $needed"
  done
  finish
}

desktop_entry() {
  local deb tree
  deb=$(the_package "$1") || exit 1
  tree=$(mktemp -d)
  trap 'rm -rf "$tree"' RETURN
  dpkg-deb -x "$deb" "$tree"
  local entry="$tree/usr/share/applications/kurimo.desktop"
  if [ ! -f "$entry" ]; then
    fail "no desktop entry in the package"
    finish
  fi

  # Hints are advice, not faults: the entry is deliberately in two main categories.
  local report
  if ! report=$(desktop-file-validate "$entry" 2>&1); then
    fail "desktop-file-validate rejects the entry"
  fi
  [ -n "$report" ] && echo "$report"
  if grep -E '(error|warning):' <<<"$report" >/dev/null; then
    fail "desktop-file-validate reports errors or warnings"
  fi

  value() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
  local exec icon
  exec=$(value Exec)
  exec=${exec%% *}
  [ -n "$exec" ] && [ -x "$tree/usr/bin/$exec" ] ||
    fail "Exec=$exec is not a program the package installs in /usr/bin"
  icon=$(value Icon)
  local icon_files=("$tree"/usr/share/icons/hicolor/*/apps/"$icon".png
    "$tree"/usr/share/icons/hicolor/*/apps/"$icon".svg)
  local any=0 file
  for file in "${icon_files[@]}"; do [ -f "$file" ] && any=1; done
  [ -n "$icon" ] && [ "$any" = 1 ] || fail "Icon=$icon is not an icon the package installs"
  [ "$(value Type)" = Application ] || fail "Type is not Application"
  [ "$(value Terminal)" = false ] || fail "Terminal is not false"
  [ "$(value Name)" = Kurimo ] || fail "Name is '$(value Name)', not Kurimo"
  for category in Science Education; do
    [[ ";$(value Categories)" == *";$category;"* ]] || fail "Categories lack $category"
  done
  # Japanese names and descriptions beside the English ones.
  for key in 'Name\[ja\]' 'GenericName' 'GenericName\[ja\]' 'Comment' 'Comment\[ja\]'; do
    [ -n "$(value "$key")" ] || fail "no ${key//\\/} in the entry"
  done
  for key in 'Name\[ja\]' 'GenericName\[ja\]' 'Comment\[ja\]'; do
    LC_ALL=C grep -q "^$key=.*[^ -~]" "$entry" || fail "${key//\\/} has no Japanese text"
  done
  finish
}

# The case files' type: a shared-mime-info file that the database takes without complaint,
# giving *.kurimo the type, a JSON sub-class with English and Japanese comments, and the
# desktop entry that opens such a file.
mime_type() {
  local deb tree
  deb=$(the_package "$1") || exit 1
  tree=$(mktemp -d)
  trap 'rm -rf "$tree"' RETURN
  dpkg-deb -x "$deb" "$tree"
  local type=application/x-kurimo
  local xml="$tree/usr/share/mime/packages/kurimo.xml"
  if [ ! -f "$xml" ]; then
    fail "no /usr/share/mime/packages/kurimo.xml in the package"
    finish
  fi
  if command -v xmllint >/dev/null; then
    xmllint --noout "$xml" || fail "kurimo.xml is not well-formed XML"
  fi
  if ! command -v update-mime-database >/dev/null; then
    fail "update-mime-database is missing (scripts/ensure-deps.sh installs shared-mime-info)"
    finish
  fi

  # A database of this one file, built as a desktop builds its own.
  local database="$tree/mime" report
  mkdir -p "$database/packages"
  cp "$xml" "$database/packages/"
  if ! report=$(update-mime-database -V "$database" 2>&1); then
    echo "$report" >&2
    fail "update-mime-database rejects kurimo.xml"
  fi
  if grep -iE '(error|warning|unknown|invalid)' <<<"$report" >/dev/null; then
    echo "$report" >&2
    fail "update-mime-database complains about kurimo.xml"
  fi
  grep -qx "[0-9]*:$type:\*\.kurimo" "$database/globs2" 2>/dev/null ||
    fail "*.kurimo is not given the type $type"
  grep -qx "$type application/json" "$database/subclasses" 2>/dev/null ||
    fail "$type is not a sub-class of application/json"
  local described="$database/${type}.xml"
  grep -q '<comment>[^<]' "$described" 2>/dev/null || fail "$type has no English comment"
  LC_ALL=C grep -q '<comment xml:lang="ja">.*[^ -~]' "$described" 2>/dev/null ||
    fail "$type has no Japanese comment"

  # The desktop entry opens such a file: it declares the type and passes the file on.
  local entry="$tree/usr/share/applications/kurimo.desktop"
  [[ ";$(sed -n 's/^MimeType=//p' "$entry" | head -n 1)" == *";$type;"* ]] ||
    fail "the desktop entry's MimeType does not name $type"
  [[ " $(sed -n 's/^Exec=//p' "$entry" | head -n 1) " == *" %f "* ]] ||
    fail "the desktop entry's Exec does not pass the file (%f)"
  finish
}

case "${1:-}" in
  build) build "$2" "$3" "$4" ;;
  contents) contents "$2" "$3" ;;
  control) control "$2" "$3" ;;
  desktop-entry) desktop_entry "$2" ;;
  mime-type) mime_type "$2" ;;
  *)
    echo "usage: $0 build|contents|control|desktop-entry|mime-type ..." >&2
    exit 2
    ;;
esac
