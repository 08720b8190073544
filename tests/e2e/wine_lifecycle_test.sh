#!/usr/bin/env bash
# The whole life of an install in a real Wine prefix, as a Wine user meets it: a prefix made by
# `wine wineboot -i`, the installer clicked through on a virtual X server (install, then the
# finish button), the product's window, its plug-in class, Wine's own registry and
# Add/Remove Programs list, the launchers; then the product's uninstaller with /S, after which
# nothing the install made is left. Run once without a Wine server during the install and once
# with a persistent one (`wineserver -p`), whose in-memory registry the installer must write
# through. The uninstaller runs as a user starts it: with /S, from the 卸载 launcher's command, or
# from the Start menu's 卸载.lnk (the last two answer its two questions); each leaves nothing,
# whatever folder it starts in. Everything lives in a temporary HOME and prefix.
#
# Another program's menu entries and desktop launcher, made by Wine's own tools, are there
# first; they are byte for byte the same after the install and after the uninstall. Each run
# then adds one life: a reinstall into the same folder, a reinstall into another folder (Wine's
# list shows one Talvimo throughout), or a second system root in the same HOME whose menu
# survives the first root's uninstall.
#
# Usage: wine_lifecycle_test.sh <VostrelSetup> [server|noserver] [silent|launcher|link]
#                               [inplace|moved|tworoots]
set -uo pipefail
setup=$1
mode=${2:-noserver}
uninstall_by=${3:-silent}
life=${4:-inplace}
failures=0
passed=0
check() { # description, command...
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1))
  else
    failures=$((failures + 1))
    echo "FAIL ($mode, $uninstall_by, $life): $what" >&2
  fi
}

for tool in wine wineserver Xvfb xdotool desktop-file-validate /usr/bin/python3 gio; do
  command -v "$tool" >/dev/null || { echo "wine_lifecycle_test: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d /tmp/wine-lifecycle-XXXXXX)
export HOME=$work/home
export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config
export XDG_RUNTIME_DIR=$work/runtime
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'XDG_DESKTOP_DIR="$HOME/Desktop"\n' >"$XDG_CONFIG_HOME/user-dirs.dirs"
# The desktop's base menu, as a desktop installs it system-wide: every merged menu file and
# launcher folder of the user's below Applications.
export XDG_CONFIG_DIRS=$work/xdg XDG_DATA_DIRS=$work/xdg-data
mkdir -p "$XDG_CONFIG_DIRS/menus" "$XDG_DATA_DIRS"
cat >"$XDG_CONFIG_DIRS/menus/applications.menu" <<'MENU'
<!DOCTYPE Menu PUBLIC "-//freedesktop//DTD Menu 1.0//EN"
"http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd">
<Menu>
  <Name>Applications</Name>
  <DefaultAppDirs/>
  <DefaultDirectoryDirs/>
  <DefaultMergeDirs/>
</Menu>
MENU

source "$(dirname "$0")/../../scripts/virtual-display.sh"
xvfb=
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  # The root goes only after every Wine process of it has ended.
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
start_virtual_display || { echo "wine_lifecycle_test: Xvfb did not start" >&2; exit 1; }

# Every entry below a folder with its type and link target, and the hash of every file.
tree_hashes() {
  (
    cd "$1" || exit 1
    find . ! -path './.cache*' -printf '%p %y %l\n' | sort
    find . ! -path './.cache*' -type f -print0 | sort -z | xargs -0 -r sha256sum
  )
}
# An unattended install into the current root: switches...
install_unattended() {
  "$setup" /VERYSILENT "$@" >/dev/null 2>&1
}
# The tag in the names of a root's launchers, icons and menu files.
root_tag() { # root
  grep -rlF "WINEPREFIX=$1\"" "$XDG_DATA_HOME/applications" | head -n 1 |
    sed -E 's/.*-([0-9a-f]{8})\.desktop$/\1/'
}
# The number of Talvimo entries in Wine's Add/Remove Programs list. A run of Wine's list that
# fails itself (its server going away under it while the installer starts and stops Wine) is run
# again, so that only what the registry holds is counted; three failures in a row say so.
listed() {
  local out attempt
  for attempt in 1 2 3; do
    if out=$(wine uninstaller --list 2>/dev/null); then
      printf '%s\n' "$out" | grep -c Talvimo
      return
    fi
  done
  echo "wine-failed"
}

wine wineboot -i >/dev/null 2>&1
wineserver -w
# Another program installed first: its Start-menu and desktop links, saved through Wine's shell
# (WScript.Shell), which runs Wine's menu builder on them.
profile="C:\\users\\$(id -un)"
make_link="$work/make-link.js"
cat >"$make_link" <<'SCRIPT'
var fso = new ActiveXObject("Scripting.FileSystemObject");
var path = WScript.Arguments(0);
if (!fso.FolderExists(fso.GetParentFolderName(path)))
  fso.CreateFolder(fso.GetParentFolderName(path));
var link = new ActiveXObject("WScript.Shell").CreateShortcut(path);
link.TargetPath = WScript.Arguments(1);
link.Save();
SCRIPT
for link in "$profile\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Other Tools\\Notepad.lnk" \
  "$profile\\Desktop\\Notepad.lnk"; do
  wine cscript //nologo "$(winepath -w "$make_link" 2>/dev/null)" "$link" 'C:\windows\notepad.exe' \
    >/dev/null 2>&1
done
wineserver -w
check "Wine made the other program's menu entry" \
  test -f "$XDG_DATA_HOME/applications/wine/Programs/Other Tools/Notepad.desktop"
other_before=$(tree_hashes "$HOME")
# What the prefix holds before the install, to compare with what the uninstall leaves.
files_before=$(cd "$WINEPREFIX/drive_c" && find . | sort)
home_before=$other_before
if [ "$mode" = server ]; then
  wineserver -p
fi


"$setup" &
app=$!
read -r options_id x y <<<"$(wait_window 'Talvimo' 30)"
sleep 0.5
xdotool mousemove $((x + 294)) $((y + 359)) click 1
progress=$(wait_window 'Talvimo' 20 "$options_id")
read -r progress_id _ _ <<<"$progress"
finish=$(wait_window 'Talvimo' 120 "$progress_id")
read -r _ x y <<<"$finish"
sleep 0.5
xdotool mousemove $((x + 288)) $((y + 315)) click 1
status=1
for _ in $(seq 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
wait "$app"
status=$?
app=
check "the installer exits with 0" test "$status" -eq 0

install='C:\Program Files\Vostrel\'
install_dir="$WINEPREFIX/drive_c/Program Files/Vostrel"
# The lines of the earlier tree that are no longer there.
missing_lines() { # before-tree, now-tree
  comm -23 <(sort <<<"$1") <(sort <<<"$2")
}
check "the other program's files are untouched by the install" \
  test -z "$(missing_lines "$other_before" "$(tree_hashes "$HOME")")"
if ! wait_window 'Talvimo 播放器' 60 >/dev/null; then
  # What there is instead, for the report: the product's processes and the windows by name.
  {
    echo "FAIL ($mode): the product's window opens"
    echo "processes:"
    ps -eo pid,stat,etime,args | grep -iE 'mervo|regsvr32|wineserver' | grep -v grep
    echo "windows:"
    for id in $(xdotool search --name . 2>/dev/null); do
      echo "  $id $(xdotool getwindowname "$id" 2>/dev/null)"
    done
  } >&2
  failures=$((failures + 1))
else
  passed=$((passed + 1))
fi
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Talvimo'
check "Wine reads the start-with-Windows value" wine reg query "$run_key" /v mervo
for value in DisplayName UninstallString DisplayIcon DisplayVersion URLInfoAbout URLUpdateInfo \
  Publisher InstallLocation EstimatedSize NoModify NoRepair; do
  check "Wine reads the uninstall value $value" wine reg query "$uninstall_key" /v "$value"
done
check "Wine's Add/Remove Programs lists the product" \
  bash -c 'wine uninstaller --list 2>/dev/null | grep -q Talvimo'
# The finish button starts the registration without waiting for it.
plugin_key='HKCR\CLSID\{6A3C2F41-8B7D-4E59-9C1A-2D5E7F804B13}\InprocServer32'
registered() { wine reg query "$plugin_key" 2>/dev/null | grep -qi npmervo.dll; }
for _ in $(seq 60); do registered && break; sleep 0.5; done
check "the plug-in's class is registered" registered
launchers=$(grep -rlF --include='*.desktop' 'Vostrel' "$XDG_DATA_HOME/applications" "$HOME/Desktop")
check "launchers are made" test -n "$launchers"
# The desktop's menu, read by a freedesktop menu parser: each entry's place and command.
menu_entries() {
  /usr/bin/python3 - <<'PYTHON'
import xdg.Menu

def walk(menu, path):
    for entry in menu.getEntries():
        if isinstance(entry, xdg.Menu.Menu):
            yield from walk(entry, path + [entry.getName()])
        elif isinstance(entry, xdg.Menu.MenuEntry):
            yield "/".join(path + [entry.DesktopEntry.getName()]) + " " + entry.DesktopEntry.getExec()

for line in walk(xdg.Menu.parse(), []):
    print(line)
PYTHON
}
# The number of menu entries Wine > Programs > Talvimo > Talvimo that start the root's product.
talvimo_entries() { # root
  menu_entries | grep -F 'Wine/Programs/Talvimo/Talvimo ' | grep -cF "WINEPREFIX=$1\""
}
check "the menu shows Wine > Programs > Talvimo > Talvimo" test "$(talvimo_entries "$WINEPREFIX")" -eq 1
for launcher in $launchers; do
  check "$launcher validates" desktop-file-validate "$launcher"
  check "$launcher has an icon" grep -q '^Icon=' "$launcher"
  check "$launcher names its program's window class" grep -qE '^StartupWMClass=[a-z]+\.exe$' \
    "$launcher"
done

check "Wine's list has one Talvimo" test "$(listed)" -eq 1
case $life in
  inplace)
    # Installed again into the same folder: still one product, one entry, one menu entry.
    install_unattended
    check "the reinstall in place succeeds" test $? -eq 0
    check "Wine's list has one Talvimo after the reinstall" test "$(listed)" -eq 1
    check "the menu shows the product once after the reinstall" \
      test "$(talvimo_entries "$WINEPREFIX")" -eq 1
    ;;
  moved)
    # Installed again into another folder: the product moves there. Wine's list, read over and
    # over while it moves, never shows two entries or none.
    install_unattended '/DIR=C:\Apps\Talvimo' &
    mover=$!
    counts=()
    while kill -0 "$mover" 2>/dev/null; do counts+=("$(listed)"); done
    wait "$mover"
    check "the move succeeds" test $? -eq 0
    counts+=("$(listed)")
    check "Wine's list shows one Talvimo throughout the move (${counts[*]})" \
      test -z "$(printf '%s\n' "${counts[@]}" | grep -vx 1)"
    check "the earlier folder is gone" test ! -e "$install_dir"
    install='C:\Apps\Talvimo\'
    install_dir="$WINEPREFIX/drive_c/Apps/Talvimo"
    check "the uninstall entry names the new folder" \
      bash -c "wine reg query '$uninstall_key' /v InstallLocation | grep -qF 'C:\Apps\Talvimo'"
    check "the start-with-Windows value starts the moved product" \
      bash -c "wine reg query '$run_key' /v mervo | grep -qF 'C:\Apps\Talvimo\mervo.exe'"
    check "the menu shows the moved product once" test "$(talvimo_entries "$WINEPREFIX")" -eq 1
    check "no launcher names the earlier folder" \
      bash -c "! grep -rqF 'Program Files' '$XDG_DATA_HOME/applications' '$HOME/Desktop'"
    ;;
  tworoots)
    # A second system root in the same HOME, with the product installed into it too.
    second=$work/prefix2
    WINEPREFIX=$second wine wineboot -i >/dev/null 2>&1
    WINEPREFIX=$second wineserver -w
    second_files_before=$(cd "$second/drive_c" && find . | sort)
    WINEPREFIX=$second install_unattended
    check "the install into the second root succeeds" test $? -eq 0
    check "the menu shows each root's product" \
      test "$(talvimo_entries "$WINEPREFIX")$(talvimo_entries "$second")" = 11
    first_and_second=$(tree_hashes "$HOME")
    first_tag=$(root_tag "$WINEPREFIX")
    second_tag=$(root_tag "$second")
    check "each root's files carry a tag of their own" \
      test -n "$first_tag" -a -n "$second_tag" -a "$first_tag" != "$second_tag"
    ;;
esac

# Answers the uninstaller's question and its closing message with Return (Yes is the default).
answer_uninstaller() {
  local box
  for _ in 1 2; do
    box=$(wait_window 'Talvimo 卸载程序' 60) || return 1
    xdotool windowfocus --sync "${box%% *}" key Return
    for _ in $(seq 50); do [ -n "$(window 'Talvimo 卸载程序')" ] || break; sleep 0.1; done
  done
}
case $uninstall_by in
  silent)
    wine "${install}UnInstall.exe" /S
    check "the uninstaller exits with 0" test $? -eq 0
    ;;
  launcher)
    uninstaller=$(grep -rlx 'Name=卸载' "$XDG_DATA_HOME/applications")
    check "there is a 卸载 launcher" test -n "$uninstaller"
    gio launch "$uninstaller"
    check "the uninstaller from the launcher asks and confirms" answer_uninstaller
    ;;
  link)
    start_menu="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu"
    wine start /unix "$start_menu/Programs/Talvimo/卸载.lnk"
    check "the uninstaller from the link asks and confirms" answer_uninstaller
    ;;
esac
# The uninstaller's temporary copy removes the rest once the uninstaller has ended. (No
# `wineserver -w` here: a persistent server never ends.)
for _ in $(seq 100); do [ -e "$install_dir" ] || break; sleep 0.2; done
check "no product file is left" test ! -e "$install_dir"
check "the start-with-Windows value is gone" bash -c "! wine reg query '$run_key' /v mervo"
check "the uninstall entry is gone" bash -c "! wine reg query '$uninstall_key'"
check "the plug-in's class is gone" bash -c "! wine reg query '$plugin_key'"
check "the menu no longer shows the product" test "$(talvimo_entries "$WINEPREFIX")" -eq 0
if [ "$life" = tworoots ]; then
  # The first root's uninstall took only what that root made: the second root's menu, launchers
  # and icons are as they were; then the second root's uninstaller leaves HOME as it was.
  check "the second root's menu still shows the product" test "$(talvimo_entries "$second")" -eq 1
  home_now=$(tree_hashes "$HOME")
  check "the first root's launchers, icons and menu files are gone" \
    bash -c '! grep -qF -- "$1" <<<"$2"' _ "-$first_tag" "$home_now"
  check "the second root's launchers, icons and menu files are untouched" \
    test -z "$(missing_lines "$(grep -F -- "-$second_tag" <<<"$first_and_second")" "$home_now")"
  WINEPREFIX=$second wine 'C:\Program Files\Vostrel\UnInstall.exe' /S
  check "the second root's uninstaller exits with 0" test $? -eq 0
  for _ in $(seq 100); do
    [ -e "$second/drive_c/Program Files/Vostrel" ] || break
    sleep 0.2
  done
  check "the second root's drive C: holds what it held before" \
    test "$(cd "$second/drive_c" && find . | sort)" = "$second_files_before"
  check "the menu no longer shows the second root's product" \
    test "$(talvimo_entries "$second")" -eq 0
  WINEPREFIX=$second wineserver -k >/dev/null 2>&1
fi
check "Wine's list no longer has the product" \
  bash -c '! wine uninstaller --list 2>/dev/null | grep -q Talvimo'
files_after=$(cd "$WINEPREFIX/drive_c" && find . | sort)
home_after=$(tree_hashes "$HOME")
if [ "$life" = tworoots ]; then
  # The icon theme's size folders the first root's install made held the second root's icons
  # when the first uninstaller ran; no install records a folder that existed before it, so
  # they stay behind, empty.
  size_folders='^\./\.local/share/icons/hicolor/[0-9]+x[0-9]+(/apps)? d $'
  home_before=$(grep -vE "$size_folders" <<<"$home_before")
  home_after=$(grep -vE "$size_folders" <<<"$home_after")
fi
check "drive C: holds what it held before" test "$files_after" = "$files_before"
check "HOME holds what it held before, byte for byte" test "$home_after" = "$home_before"
if [ "$failures" -gt 0 ]; then
  echo "drive C: before / after:" >&2
  diff <(echo "$files_before") <(echo "$files_after") >&2
  echo "HOME before / after:" >&2
  diff <(echo "$home_before") <(echo "$home_after") >&2
fi

echo "$mode, uninstalled by $uninstall_by, $life: $passed passed, $failures failed"
[ "$failures" -eq 0 ]
