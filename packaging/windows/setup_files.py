#!/usr/bin/env python3
"""Writes the NSIS include that installs and removes the files of a staged
install (cmake --install into FOLDER): the macros ZuntInstallFiles and
ZuntRemoveFiles, and the estimated size.

The text files that name the example folder C:\\zunt (the user guide, the
NppExec script) are not copied but written by the installer line by line in
UTF-8, with the real folder in its place, so that they match the zip's files
byte for byte when the folder is C:\\zunt.

Usage: setup_files.py FOLDER OUTPUT.nsh
"""
import os
import sys

EXAMPLE_FOLDER = "C:\\zunt"
# The longest string an NSIS instruction takes is 1,024 characters.
MAX_PIECE = 800


def nsis_string(text):
    """Returns text as an NSIS string in double quotes, $INSTDIR kept."""
    escaped = (text.replace("$", "$$").replace('"', '$\\"').replace("\r", "$\\r")
               .replace("\n", "$\\n").replace("\t", "$\\t"))
    return '"' + escaped.replace("$$INSTDIR", "$INSTDIR") + '"'


def lines(text, name):
    """Returns the lines of a file's text with their line ends."""
    result = text.splitlines(keepends=True)
    if any(len(line) > MAX_PIECE for line in result):
        sys.exit("setup_files.py: %s has a line longer than %d characters" % (name, MAX_PIECE))
    return result


def main(folder, output):
    files = []
    for root, dirs, names in os.walk(folder):
        dirs.sort()
        for name in sorted(names):
            files.append(os.path.relpath(os.path.join(root, name), folder))
    size = sum(os.path.getsize(os.path.join(folder, f)) for f in files)
    out = ["; Made by packaging/windows/setup_files.py from " + os.path.basename(folder) + ".",
           "!define ZUNT_SIZE_KB %d" % ((size + 1023) // 1024), "",
           "!macro ZuntInstallFiles"]
    current = None
    for relative in files:
        windows = relative.replace("/", "\\")
        sub = os.path.dirname(relative).replace("/", "\\")
        if sub != current:
            out.append('  SetOutPath "$INSTDIR%s"' % ("\\" + sub if sub else ""))
            current = sub
        path = os.path.join(folder, relative)
        with open(path, "rb") as f:
            data = f.read()
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError:
            text = None
        if text is not None and EXAMPLE_FOLDER in text:
            text = text.replace(EXAMPLE_FOLDER, "$INSTDIR")
            out.append("  ClearErrors")
            out.append('  FileOpen $0 "$INSTDIR\\%s" w' % windows)
            for line in lines(text, relative):
                out.append("  !insertmacro WriteUtf8 $0 " + nsis_string(line))
            out.append("  FileClose $0")
            out.append("  IfErrors 0 +2")
            out.append('    Abort "$(CannotWrite) $INSTDIR\\%s"' % windows)
        else:
            out.append('  File "%s"' % os.path.abspath(path))
    out += ["!macroend", "", "!macro ZuntRemoveFiles"]
    for relative in files:
        out.append('  Delete "$INSTDIR\\%s"' % relative.replace("/", "\\"))
    folders = set()
    for f in files:
        while os.path.dirname(f):
            f = os.path.dirname(f)
            folders.add(f)
    # The deepest first; each only when empty, so that the user's files stay.
    for f in sorted(folders, key=lambda f: (-f.count("/"), f)):
        out.append('  RMDir "$INSTDIR\\%s"' % f.replace("/", "\\"))
    out += ["!macroend", ""]
    with open(output, "w", encoding="utf-8") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
