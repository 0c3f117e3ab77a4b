#!/usr/bin/env python3
"""Writes the installer benchmark's payload and the two descriptions of it.

    make_payload.py SOURCE_DIR WINDOWS_SOURCE_DIR PROJECT_OUT NSI_OUT NSIS_OUTFILE

SOURCE_DIR is where the files go on the host; WINDOWS_SOURCE_DIR is the same directory as
the setup program sees it (the project names it). The payload is the same bytes on every
run: a tree of text and source files of a few hundred bytes to some tens of kilobytes, and
a few binaries of a few megabytes that compress to about half their size. Prints the file
count and total size.
"""
import os
import random
import sys

WORDS = ("install setup archive directory file group component value index buffer stream "
         "window message result count offset length handle status option default version "
         "product library module section record entry source target path name size").split()
TYPES = ("int", "unsigned", "std::string", "bool", "double", "std::size_t", "HANDLE", "DWORD")

# (directory, number of text files, extensions), nested directories with a slash.
TREE = [
    ("", 6, [".txt"]),
    ("bin", 0, []),
    ("doc", 40, [".txt", ".html"]),
    ("doc/api", 50, [".html"]),
    ("include", 45, [".h"]),
    ("src", 60, [".cpp"]),
    ("src/platform", 45, [".cpp", ".h"]),
    ("src/engine", 40, [".cpp", ".h"]),
    ("samples", 30, [".cpp", ".txt"]),
    ("lang", 24, [".ini"]),
    ("data", 0, []),
]
# (directory, name, megabytes)
BINARIES = [
    ("bin", "engine.dll", 3.0),
    ("bin", "tools.exe", 2.0),
    ("bin", "runtime.dll", 1.5),
    ("data", "tables.dat", 4.0),
    ("data", "images.pak", 2.5),
]


def words(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n))


def source_text(rng, size):
    lines = ["// " + words(rng, 8), "#include <windows.h>", ""]
    total = 0
    while total < size:
        name = rng.choice(WORDS) + rng.choice(WORDS).capitalize() + str(rng.randrange(100))
        block = ["%s %s(%s a, %s b) {" % (rng.choice(TYPES), name, rng.choice(TYPES), rng.choice(TYPES))]
        for _ in range(rng.randrange(2, 12)):
            block.append("    if (a %s %d) return %s; // %s" % (rng.choice("<>="), rng.randrange(10000),
                                                            rng.choice(WORDS), words(rng, 4)))
        block += ["    return b;", "}", ""]
        total += sum(len(line) + 2 for line in block)
        lines += block
    return ("\r\n".join(lines) + "\r\n").encode()


def prose_text(rng, size):
    out = []
    total = 0
    while total < size:
        line = words(rng, rng.randrange(6, 16)).capitalize() + "."
        out.append(line)
        total += len(line) + 2
    return ("\r\n".join(out) + "\r\n").encode()


def binary(rng, size):
    # Runs of random bytes between tables of small integers and repeated records: deflate
    # gets it to about half.
    out = bytearray()
    records = [rng.randbytes(rng.randrange(16, 64)) for _ in range(64)]
    while len(out) < size:
        kind = rng.randrange(3)
        if kind == 0:
            out += rng.randbytes(rng.randrange(64, 1024))
        elif kind == 1:
            out += bytes(rng.randrange(16) for _ in range(rng.randrange(256, 2048)))
        else:
            for _ in range(rng.randrange(4, 32)):
                out += rng.choice(records)
    return bytes(out[:size])


def main():
    source, windows_source, project_out, nsi_out, nsis_outfile = sys.argv[1:6]
    rng = random.Random(20261211)
    files = []  # (directory, name, bytes)
    for directory, count, extensions in TREE:
        for i in range(count):
            ext = extensions[i % len(extensions)]
            size = int(rng.lognormvariate(8.8, 0.9))  # median about 6.6 KB
            size = max(200, min(size, 120000))
            text = source_text(rng, size) if ext in (".cpp", ".h") else prose_text(rng, size)
            base = rng.choice(WORDS) + "_" + rng.choice(WORDS)
            files.append((directory, "%s%03d%s" % (base, i, ext), text))
    for directory, name, megabytes in BINARIES:
        files.append((directory, name, binary(rng, int(megabytes * 1024 * 1024))))

    total = 0
    for directory, name, data in files:
        path = os.path.join(source, directory, name) if directory else os.path.join(source, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        total += len(data)

    # The install project: a directory object per directory, each file in its directory.
    dir_names = {"": "Install1"}
    lines = ["object formMain: TformMain", "  Caption = 'Setup'", "  Left = 0", "  Top = 0",
             "  Width = 320", "  Height = 240", "  object Install1: TInstall",
             "    DestDir = '\\Qlry Bench Product'",
             "    Information.ProductName = 'Qlry Bench Product'", "  end"]
    for n, (directory, _, _) in enumerate(t for t in TREE if t[0]):
        name = "Dir%d" % (n + 1)
        dir_names[directory] = name
        parent, _, leaf = directory.rpartition("/")
        lines += ["  object %s: TInstallDirectory" % name, "    Container = %s" % dir_names[parent],
                  "    Description = '%s'" % leaf, "    DestDir = '\\%s'" % leaf,
                  "    ArchiveFileType = psContainerArchiveFile", "    DestDirType = psContainerDestDir",
                  "  end"]
    for n, (directory, name, _) in enumerate(files):
        include = windows_source + ("\\" + directory.replace("/", "\\") if directory else "")
        lines += ["  object File%d: TInstallFile" % (n + 1), "    Container = %s" % dir_names[directory],
                  "    ArchiveFileType = psContainerArchiveFile", "    DestDirType = psContainerDestDir",
                  "    FileName = '%s'" % name, "    DestName = '%s'" % name,
                  "    IncludeFromDir = '%s'" % include, "    UniqueID = %d" % (n + 1), "  end"]
    lines += ["  object ifUninstallEXE: TUninstallEXE", "    Container = Install1",
              "    ArchiveFileType = psContainerArchiveFile", "    DestDirType = psContainerDestDir",
              "    FileName = 'uninstall.exe'", "    DestName = 'uninstall.exe'",
              "    IncludeFromDir = 'C:\\qlry-framework'", "    UniqueID = %d" % (len(files) + 1), "  end",
              "end", ""]
    with open(project_out, "w", newline="\r\n") as f:
        f.write("\n".join(lines))

    # The NSIS script: the same files, zlib per file, silent, an uninstaller and its entry.
    nsi = ["SetCompressor zlib", "Name \"Nsis Bench Product\"", "OutFile \"%s\"" % nsis_outfile,
           "InstallDir \"$PROGRAMFILES\\Nsis Bench Product\"", "RequestExecutionLevel admin",
           "SilentInstall silent", "Section"]
    by_dir = {}
    for directory, name, _ in files:
        by_dir.setdefault(directory, []).append(name)
    for directory, _, _ in TREE:
        names = by_dir.get(directory, [])
        if not names:
            continue
        nsi.append("SetOutPath \"$INSTDIR%s\"" % ("\\" + directory.replace("/", "\\") if directory else ""))
        for name in names:
            nsi.append("File \"%s\"" % os.path.join(source, directory, name))
    key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Nsis Bench Product"
    nsi += ["WriteUninstaller \"$INSTDIR\\uninstall.exe\"",
            "WriteRegStr HKLM \"%s\" \"DisplayName\" \"Nsis Bench Product\"" % key,
            "WriteRegStr HKLM \"%s\" \"UninstallString\" \"$INSTDIR\\uninstall.exe\"" % key,
            "SectionEnd", "Section \"Uninstall\"", "RMDir /r \"$INSTDIR\"",
            "DeleteRegKey HKLM \"%s\"" % key, "SectionEnd", ""]
    with open(nsi_out, "w") as f:
        f.write("\n".join(nsi))
    print("%d files, %d bytes" % (len(files), total))


if __name__ == "__main__":
    main()
