#!/usr/bin/env bash
# The native plugin in a real file manager: Double Commander, on a virtual display, opens a sample
# archive with Enter, copies every entry out (F5), packs a file into a folder of the archive (F5)
# and deletes a folder (F8), then opens a copy without extension by its content (Ctrl+PgDn) and
# deletes an entry there, all by keystrokes. Every result is checked byte for byte with the
# quillpack tool. Skipped (77) where Double Commander, openbox, xdotool, Xvfb or ImageMagick are
# missing.
# Usage: doublecmd_test.sh PLUGIN TOOL SAMPLES_DIR WORK_DIR
set -u
for command in doublecmd openbox xdotool Xvfb import sha256sum; do
    command -v "$command" >/dev/null || { echo "SKIP: $command is missing"; exit 77; }
done

plugin=$(realpath "$1") tool=$(realpath "$2") samples=$(realpath "$3") work=$4
rm -rf "$work"
mkdir -p "$work/config" "$work/home" "$work/L" "$work/R" "$work/expected/scripts"
work=$(cd "$work" && pwd)
pids=()
# Newest first, so the display goes last. The file manager is killed outright: asked to quit, it
# saves its settings, which can hang once the display is going.
cleanup() {
    local index
    [ -n "${doublecmd_pid:-}" ] && kill -9 "$doublecmd_pid" 2>/dev/null
    for ((index = ${#pids[@]} - 1; index >= 0; index--)); do
        kill "${pids[index]}" 2>/dev/null
        wait "${pids[index]}" 2>/dev/null
    done
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    [ -n "${DISPLAY:-}" ] && import -window root "$work/failure.png" 2>/dev/null &&
        echo "screenshot: $work/failure.png"
    exit 1
}

# Polls `command...` every 0.1 s for up to 60 s: windows and files are waited for, never slept on.
wait_for() {
    local what=$1
    shift
    local deadline=$((SECONDS + 60))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || fail "timed out waiting for $what"
        sleep 0.1
    done
}

# The files the test works on, and a home of its own so that nothing outside is touched.
cp "$samples/addon.pbo" "$work/L/addon.pbo"
chmod u+w "$work/L/addon.pbo"
# The same archive without its extension, which only detection by content opens. Its name sorts
# before the archive's, so that End still finds the archive.
cp "$samples/addon.pbo" "$work/L/0mission"
chmod u+w "$work/L/0mission"
printf 'hint "packed by Double Commander";\n' >"$work/R/zz_added.sqf"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.data" \
    XDG_CACHE_HOME="$work/home/.cache"

# The plugin registered for .pbo; the title shows the active panel's folder (for a panel showing
# an archive, the archive's folder or none); folders are listed on the window's own thread and
# at once, not on a thread of their own or when first shown.
cat >"$work/config/doublecmd.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<doublecmd DCVersion="1.0.10" ConfigVersion="13">
  <Behaviours>
    <ShowCurDirTitleBar>True</ShowCurDirTitleBar>
    <ListFilesInThread>False</ListFilesInThread>
    <DelayLoadingTabs>False</DelayLoadingTabs>
  </Behaviours>
  <Plugins>
    <WcxPlugins>
      <WcxPlugin Enabled="True">
        <ArchiveExt>pbo</ArchiveExt>
        <Path>$plugin</Path>
        <Flags>207</Flags>
      </WcxPlugin>
    </WcxPlugins>
  </Plugins>
</doublecmd>
EOF

# A display of its own, with a window manager: without one, keys do not reach the window.
Xvfb -displayfd 3 -screen 0 1024x640x24 -nolisten tcp >"$work/xvfb.log" 2>&1 3>"$work/display" &
pids+=($!)
wait_for "the virtual display" test -s "$work/display"
export DISPLAY=":$(head -n1 "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for "the window manager" xdotool get_num_desktops

doublecmd --config-dir="$work/config" -L "$work/L" -R "$work/R" >"$work/doublecmd.log" 2>&1 &
doublecmd_pid=$!
pids+=($!)
window_title() { xdotool getwindowname "$main_window"; }
title_shows() { window_title | grep -qF "$1"; }
title_shows_no() { window_title && ! window_title | grep -qF "$1"; }
wait_for "the main window" xdotool search --onlyvisible --name ' - Double Commander'
main_window=$(xdotool search --onlyvisible --name ' - Double Commander' | head -n1)
wait_for "the panels" title_shows "($work/L/)"

# Hashes of the extracted files against the sample's manifest.
manifest_matches() {
    local entry sha
    while IFS=$'\t' read -r entry sha; do
        [ "$(sha256sum <"$work/R/${entry//\\//}" | cut -d' ' -f1)" = "$sha" ] || return 1
    done < <(awk -F'\t' '$1 == "addon.pbo" && $7 != "" {print $2 "\t" $7}' "$samples/manifest.tsv")
}
dialog_open() { xdotool search --onlyvisible --name "$1"; }
dialog_closed() { ! xdotool search --onlyvisible --name "$1"; }
# Keys go to the window that has the focus: each sequence first gives it to the right one (which
# fails while the window manager has not taken a new window on yet).
activate() {
    wait_for "window $1 to take the focus" timeout 5 xdotool windowactivate --sync "$1"
}
main_keys() {
    activate "$main_window"
    xdotool key "$@"
}
# Some keys start work that later keys must wait for (listing a folder or the archive); its only
# sign is on the screen. Still: three captures in a row alike, and unlike capture $1 if given.
screen_still() {
    import -window root "rgb:$work/now.rgb" || return 1
    if cmp -s "$work/now.rgb" "$work/last.rgb"; then still=$((still + 1)); else still=0; fi
    mv "$work/now.rgb" "$work/last.rgb"
    [ $still -ge 2 ] && { [ -z "${1:-}" ] || ! cmp -s "$work/last.rgb" "$1"; }
}
# A window busy with earlier keys may drop new ones: while the screen has not changed, the keys
# are pressed again every 3 s. Only for keys that do no harm when repeated, and that change the
# screen (End before Home Down Down, so that the cursor moves whatever its place).
main_keys_and_settle() {
    activate "$main_window"
    import -window root "rgb:$work/before.rgb"
    cp "$work/before.rgb" "$work/last.rgb"
    local deadline=$((SECONDS + 60)) press_again=0
    still=0
    until screen_still "$work/before.rgb"; do
        [ $SECONDS -lt $deadline ] || fail "timed out waiting for the screen after the keys $*"
        if [ $SECONDS -ge $press_again ] && cmp -s "$work/last.rgb" "$work/before.rgb"; then
            xdotool key "$@"
            press_again=$((SECONDS + 3))
        fi
        sleep 0.1
    done
}
# Starts the operation a dialog asks about.
confirm_dialog() {
    wait_for "the dialog '$1'" dialog_open "$1"
    activate "$(xdotool search --onlyvisible --name "$1" | head -n1)"
    xdotool key Return
}

# Enter on the archive opens it (the title keeps its folder; Enter on anything else would change
# it); all its entries are copied out to the right panel.
still=0
wait_for "the panels to be drawn" screen_still
main_keys_and_settle End
main_keys_and_settle Return
title_shows "($work/L/)" || fail "Enter did not open the archive: $(window_title)"
main_keys_and_settle ctrl+a
main_keys F5
confirm_dialog '^Copy file\(s\)$'
wait_for "the extracted entries" manifest_matches
wait_for "the copy dialog to close" dialog_closed '^Copy file\(s\)$'
[ "$(find "$work/R" -type f | wc -l)" -eq 6 ] || fail "extraction made other files: $(find "$work/R")"
# Each extracted file has its entry's time (0 is no time: the file keeps its own).
while IFS=$'\t' read -r entry stamp; do
    [ "$(stat -c %Y "$work/R/${entry//\\//}")" = "$stamp" ] || fail "$entry does not have the time $stamp"
done < <(awk -F'\t' '$1 == "addon.pbo" && $6 != "" && $6 != "0" {print $2 "\t" $6}' "$samples/manifest.tsv")

# A screenshot of the archive's entries, once the right panel has shown what was copied.
still=0
wait_for "the screen to settle" screen_still
import -window root "$work/listing.png"

# What a Windows host makes of the same file: the tool packs the same inode (same creation time).
cp "$work/L/addon.pbo" "$work/expected/addon.pbo"
ln "$work/R/zz_added.sqf" "$work/expected/scripts/zz_added.sqf"
"$tool" pack "$work/expected/addon.pbo" -C "$work/expected" scripts/zz_added.sqf >/dev/null ||
    fail "the tool could not pack the expected archive"

# Into the archive's scripts folder, then over to the right panel to pack the new file.
main_keys_and_settle End
main_keys_and_settle Home Down Down
main_keys_and_settle Return
main_keys Tab
wait_for "the right panel" title_shows "($work/R/)"
main_keys End F5
confirm_dialog '^Copy file\(s\)$'
wait_for "the packed file" cmp -s "$work/L/addon.pbo" "$work/expected/addon.pbo"
"$tool" list "$work/L/addon.pbo" | grep -qF 'scripts\zz_added.sqf' || fail "the packed entry is misnamed"
wait_for "the pack dialog to close" dialog_closed '^Copy file\(s\)$'

# Back in the archive: up to its root and the scripts folder deleted, the packed file with it.
"$tool" delete "$work/expected/addon.pbo" 'scripts\*.*' || fail "the tool could not delete"
main_keys Tab
wait_for "the left panel" title_shows_no "($work/R/)"
main_keys_and_settle BackSpace
main_keys_and_settle End
main_keys_and_settle Home Down Down
main_keys F8
confirm_dialog '^Double Commander$'
wait_for "the deleted folder" cmp -s "$work/L/addon.pbo" "$work/expected/addon.pbo"
"$tool" extract "$work/L/addon.pbo" -C "$work/final" >/dev/null || fail "the archive does not extract"
# Four entries, and the archive's prefix and version beside them.
[ "$(find "$work/final" -type f | wc -l)" -eq 6 ] || fail "unexpected entries: $(find "$work/final")"

# Out of the archive to its folder, where the cursor lands on it; one up is the copy without
# extension, which Ctrl+PgDn opens by its content. Its last entry (a file) is deleted there.
entries_in() { "$tool" list "$work/L/0mission" | tail -n1; }
before=$(entries_in)
main_keys_and_settle BackSpace
main_keys_and_settle Up
main_keys_and_settle ctrl+Next
main_keys_and_settle End
main_keys F8
confirm_dialog '^Double Commander$'
wait_for "the entry deleted from the archive opened by content" test "$(entries_in)" != "$before"
"$tool" verify "$work/L/0mission" >/dev/null || fail "the archive opened by content is damaged"

echo "doublecmd_test: all checks passed"
