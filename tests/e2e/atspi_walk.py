#!/usr/bin/python3
"""Walks the installer's accessibility tree as a screen reader does (AT-SPI through pyatspi)
and checks that the window of one step is there with every control a user needs: its role,
its name and, for check boxes, its state.

Usage: atspi_walk.py options|progress|finish [seconds to wait for the window]
Prints what is missing and exits with 1; exits with 0 when everything is found.
"""
import sys
import time

import pyatspi

TITLE = "Talvimo安装向导"

# step: (window name, [(role, name, checked or None)]); an empty name matches any name.
EXPECTED = {
    "options": (TITLE + " - 安装选项", [
        ("push button", "最小化", None),
        ("push button", "关闭", None),
        ("push button", "一键安装", None),
        ("check box", "阅读并同意", True),
        ("link", "许可协议", None),
        ("push button", "展开自定义选项", None),
        ("link", "自定义选项", None),
        ("text", "安装位置", None),
        ("push button", "浏览", None),
        ("check box", "生成桌面快捷方式", True),
        ("check box", "添加到快速启动栏", True),
        ("check box", "开机自动启动", True),
    ]),
    "progress": (TITLE + " - 正在安装", [
        ("push button", "最小化", None),
        ("push button", "关闭", None),
        ("progress bar", "安装进度", None),
        ("status bar", "", None),
    ]),
    "finish": (TITLE + " - 安装完成", [
        ("push button", "完成安装", None),
    ]),
}


def descendants(node):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def find_window(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for window in app:
            if window is not None and window.name == name:
                return window
    return None


def main():
    step = sys.argv[1]
    wait = float(sys.argv[2]) if len(sys.argv) > 2 else 20
    window_name, controls = EXPECTED[step]
    deadline = time.monotonic() + wait
    window = None
    while window is None and time.monotonic() < deadline:
        try:
            window = find_window(window_name)
        except Exception:  # the application may be busy; ask again
            window = None
        if window is None:
            time.sleep(0.3)
    if window is None:
        print(f"{step}: no window named {window_name}")
        return 1
    seen = []
    for node in descendants(window):
        states = node.getState()
        seen.append((node.getRoleName(), node.name, states.contains(pyatspi.STATE_CHECKED),
                     states.contains(pyatspi.STATE_SHOWING)))
    missing = 0
    for role, name, checked in controls:
        found = [s for s in seen if s[0] == role and (not name or s[1] == name)]
        if not found:
            print(f"{step}: missing {role} '{name}'")
            missing += 1
        elif checked is not None and found[0][2] != checked:
            print(f"{step}: {role} '{name}' checked is {found[0][2]}, not {checked}")
            missing += 1
    if missing:
        print(f"{step}: the tree holds " + "; ".join(f"{r} '{n}'" for r, n, _, _ in seen))
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
