#!/usr/bin/env bash
# Builds the Debian package from a build tree, checks its metadata, unpacks
# it into a temporary root and runs both programs from there.
#   package.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d "${TMPDIR:-/tmp}/deskmap-package-XXXXXX")"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null) || fail "cpack did not build the package"
deb="$(ls "$work"/out/deskmap_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libicu libxcb1 libsystemd0; do
  grep "$library" <<<"$depends" >/dev/null || fail "Depends lacks $library: $depends"
done

dpkg-deb -x "$deb" "$work/root"
root="$work/root/usr"
extension=share/gnome-shell/extensions/deskmap@quillary.com
for file in bin/deskmap bin/deskmap-app lib/deskmap/modules/libdeskmap-curl.so \
            lib/deskmap/modules/libdeskmap-secret-service.so lib/deskmap/modules/libdeskmap-dbus.so \
            $extension/metadata.json $extension/extension.js $extension/logic.js \
            share/doc/deskmap/copyright share/doc/deskmap/changelog.gz \
            share/man/man1/deskmap.1.gz share/man/man1/deskmap-app.1.gz \
            share/bash-completion/completions/deskmap share/zsh/vendor-completions/_deskmap \
            share/fish/vendor_completions.d/deskmap.fish \
            share/applications/com.quillary.deskmap.desktop \
            share/metainfo/com.quillary.deskmap.metainfo.xml \
            share/icons/hicolor/scalable/apps/deskmap.svg; do
  [ -e "$root/$file" ] || fail "the package lacks $file"
done
# The GNOME Shell extension in the form for the Shell of this build machine.
shell_major="$(gnome-shell --version 2>/dev/null | grep -o '[0-9]\+' | head -1 || true)"
if [ -n "$shell_major" ]; then
  grep -q "\"$shell_major\"" "$root/$extension/metadata.json" ||
    fail "the extension is not for GNOME Shell $shell_major"
fi
grep -q '"uuid": "deskmap@quillary.com"' "$root/$extension/metadata.json" || fail "the extension's uuid"
# The KWin script is built into the programs (so each always loads its own).
for program in deskmap deskmap-app; do
  grep -q 'com.quillary.deskmap.KWin' "$root/bin/$program" || fail "$program lacks its KWin script"
done
desktop-file-validate "$root/share/applications/com.quillary.deskmap.desktop" ||
  fail "the desktop entry is not valid"
appstreamcli validate --no-net "$root/share/metainfo/com.quillary.deskmap.metainfo.xml" >/dev/null ||
  fail "the metainfo is not valid"

# The checks every Debian package passes: nothing to report.
lintian_out="$(lintian --tag-display-limit 0 "$deb" 2>&1)" || true
if grep -E '^[EW]: ' <<<"$lintian_out" >/dev/null; then
  fail "lintian reports: $lintian_out"
fi

# One version, from the CMake project, in the package and both programs.
version="$(dpkg-deb -f "$deb" Version)"
[ "$("$root/bin/deskmap" --version)" = "deskmap $version" ] || fail "deskmap --version"
"$root/bin/deskmap-app" --version | grep -qx "deskmap-app $version" || fail "deskmap-app --version"
grep -q "Recommends: .*qt6-wayland" <(dpkg-deb -f "$deb") || fail "no Recommends: qt6-wayland"
grep -q "<release version=\"$version\"" "$root/share/metainfo/com.quillary.deskmap.metainfo.xml" ||
  fail "the metainfo's release is not $version"
zcat "$root/share/doc/deskmap/changelog.gz" | head -1 | grep -q "^deskmap ($version)" ||
  fail "the changelog's entry is not $version"
if dpkg-deb -f "$deb" Description | grep -q ';'; then fail "the description holds a list separator"; fi

# The manual pages render without a warning and name every command and
# option that --help lists, so the two cannot drift apart.
for page in deskmap deskmap-app; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=100 man --warnings -l "$root/share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "man $page warns: $warnings"
done
manual="$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$root/share/man/man1/deskmap.1.gz" 2>/dev/null)"
commands="$("$root/bin/deskmap" --help | awk '/^Subcommands:/ { on = 1; next } on && NF { print $1 }')"
[ -n "$commands" ] || fail "deskmap --help lists no commands"
for command in $commands; do
  grep -qw -- "$command" <<<"$manual" || fail "the manual page lacks the command $command"
  for option in $("$root/bin/deskmap" "$command" --help | grep -oE -- '--[a-z-]+' | sort -u); do
    grep -q -- "$option" <<<"$manual" || fail "the manual page lacks $command $option"
  done
done
app_manual="$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$root/share/man/man1/deskmap-app.1.gz" 2>/dev/null)"
for option in $(env -u DISPLAY "$root/bin/deskmap-app" --help | grep -oE -- '--[a-z-]+' | sort -u); do
  grep -q -- "$option" <<<"$app_manual" || fail "the deskmap-app manual page lacks $option"
done
spaces="$(env -u DISPLAY "$root/bin/deskmap" spaces --desktop demo)" ||
  fail "deskmap spaces --desktop demo"
grep "Space 12" <<<"$spaces" >/dev/null || fail "deskmap spaces --desktop demo printed no Space 12"
# The completions, driven as each shell drives them.
bash_completes() { # LINE: the candidates bash offers at its end, sorted, on one line
  bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    COMP_LINE="$2"; COMP_POINT=${#COMP_LINE}
    read -r -a COMP_WORDS <<<"$COMP_LINE"
    [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 ))
    _deskmap deskmap "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' \
    _ "$root/share/bash-completion/completions/deskmap" "$1"
}
[ "$(bash_completes "deskmap su")" = "summarize " ] || fail "bash: commands ($(bash_completes "deskmap su"))"
[ "$(bash_completes "deskmap summarize --provider ")" = "codex cursor local openai openrouter " ] ||
  fail "bash: providers"
[ "$(bash_completes "deskmap key --provider ")" = "local openai openrouter " ] || fail "bash: key providers"
[ "$(bash_completes "deskmap check-client ")" = "codex cursor " ] || fail "bash: clients"
mkdir "$work/scenarios" && touch "$work/scenarios/day.json"
(cd "$work/scenarios" && [ "$(bash_completes "deskmap spaces --desktop ")" = "day.json demo gnome i3 kde sway x11 " ]) ||
  fail "bash: desktops and scenario files"
fish_completes() { fish -c "source $root/share/fish/vendor_completions.d/deskmap.fish; complete -C'$1'" | cut -f1 | sort | tr '\n' ' '; }
[ "$(fish_completes "deskmap su")" = "summarize " ] || fail "fish: commands ($(fish_completes "deskmap su"))"
[ "$(fish_completes "deskmap watch --provider ")" = "codex cursor local openai openrouter " ] ||
  fail "fish: providers"
[ "$(fish_completes "deskmap key ")" = "clear save status " ] || fail "fish: key actions"
zsh -n "$root/share/zsh/vendor-completions/_deskmap" || fail "zsh cannot parse its completion"
zsh -fc "fpath=($root/share/zsh/vendor-completions \$fpath); autoload -Uz compinit && compinit -u -D && autoload -Uz _deskmap && whence -w _deskmap" >/dev/null ||
  fail "zsh cannot load its completion"

echo "package: 1 passed, 0 failed"
