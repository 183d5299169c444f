"""Writes a UTF-8 text file as Shift-JIS (Windows code page 932) with CR LF
line ends, as Notepad on Japanese Windows reads it.

Fails, and writes nothing, when a character has no Shift-JIS form or when
the written bytes do not read back as the source: a manual must never ship
with a character silently replaced.
"""
import os
import sys


def fail(source, message):
    sys.exit(f"{source}: {message}")


def convert(source, target):
    with open(source, "rb") as f:
        raw = f.read()
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as error:
        fail(source, f"not UTF-8 at byte {error.start}")
    if text.startswith("\ufeff"):
        fail(source, "starts with a byte-order mark")
    text = text.replace("\r\n", "\n")
    if "\r" in text:
        fail(source, "holds a CR that ends no line")
    for number, line in enumerate(text.split("\n"), 1):
        for column, char in enumerate(line, 1):
            where = f"line {number}, column {column}: U+{ord(char):04X} {char!r}"
            try:
                back = char.encode("cp932").decode("cp932")
            except UnicodeEncodeError:
                fail(source, f"{where} has no Shift-JIS form")
            if back != char:
                fail(source, f"{where} reads back from Shift-JIS as U+{ord(back):04X} {back!r}")
    data = text.replace("\n", "\r\n").encode("cp932")
    back = data.decode("cp932").replace("\r\n", "\n")
    if back != text:
        lines = zip(text.split("\n"), back.split("\n"))
        number = next(i for i, (a, b) in enumerate(lines, 1) if a != b)
        fail(source, f"line {number} does not read back from Shift-JIS as written")
    temporary = target + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, target)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: shift_jis_text.py SOURCE TARGET")
    convert(sys.argv[1], sys.argv[2])
