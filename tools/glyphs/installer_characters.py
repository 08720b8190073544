#!/usr/bin/python3
"""Writes the characters the installer can draw, for the subset of a CJK font it carries:
printable ASCII, every other printable character of the given UTF-8 files (window
descriptions, the sources with their message texts, the licence), and the button texts of
Qt's Simplified Chinese dialogs.

Usage: installer_characters.py <output> <file>...
"""
import sys

# Qt's own dialog texts in its Simplified Chinese translation: message box and picker buttons.
QT_DIALOG_TEXTS = "确定取消是否关闭打开选择文件夹名称目录查看后退前进上一级新建详细信息列表类型大小修改日期"


def main():
    output, files = sys.argv[1], sys.argv[2:]
    characters = {chr(c) for c in range(0x20, 0x7F)}
    characters.update(QT_DIALOG_TEXTS)
    for name in files:
        with open(name, encoding="utf-8") as text:
            characters.update(c for c in text.read() if ord(c) >= 0x80 and c.isprintable())
    with open(output, "w", encoding="utf-8") as out:
        out.write("".join(sorted(characters)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
