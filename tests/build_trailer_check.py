#!/usr/bin/env python3
"""Reads the self-extract trailer of a real build on the host, independently of the program.

Runs the test setup program with -b under Wine (the framework installed in the prefix by
scripts/install-framework, as the build suite's fixture does), then takes the last 56
bytes of the setup.exe apart by the trailer's table:

    0   1   length of the marker, 14
    1  14   "SELFEXTRACTING" or "NOTSELFEXTRACT"
   15   1   0
   16   4   first byte of the appended setup.1
   20   4   last byte of the appended setup.1 (inclusive)
   24   4   first byte of the appended files.1
   28   4   last byte of the appended files.1 (inclusive)
   32  24   zero

and checks every offset against the setup.1, files.1 and loading program on disk. A
project without files must carry no files.1 and zero files.1 offsets. Exits non-zero on
the first difference.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

TRAILER = struct.Struct("<B14sBIIII24s")
assert TRAILER.size == 56


def read(path):
    with open(path, "rb") as f:
        return f.read()


def windows(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def prefix():
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".wine-run", "prefix")
    return os.environ.get("WINEPREFIX", default)


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def build(args, work, project):
    author = os.path.join(work, project, "author")
    dist = os.path.join(work, project, "dist")
    os.makedirs(author)
    setup = os.path.join(author, "setup.exe")
    shutil.copy(args.setup, setup)
    with open(os.path.join(author, "BUILD.INF"), "wb") as f:
        f.write(windows(dist).encode() + b"\r\n")
    env = dict(os.environ, QLRY_BUILD_PROJECT=project)
    with open(os.path.join(work, project + ".log"), "wb") as log:
        try:
            code = subprocess.call(["bash", args.wine_run, setup, "-b"], env=env, stdout=log,
                                   stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=180)
        except subprocess.TimeoutExpired:
            fail(project + ": the build did not end (a message box is probably waiting)")
    if code != 0:
        fail("%s: setup.exe -b ended with %d" % (project, code))
    return dist


def check(dist, loader, with_files, setup_members):
    exe = read(os.path.join(dist, "setup.exe"))
    setup1 = read(os.path.join(dist, "setup.1"))
    files1_path = os.path.join(dist, "files.1")
    if with_files != os.path.exists(files1_path):
        fail("files.1 %s" % ("missing" if with_files else "written for a project without files"))
    length, marker, zero, s1_first, s1_last, f1_first, f1_last, tail = TRAILER.unpack(exe[-56:])
    if length != 14 or marker != b"SELFEXTRACTING" or zero != 0 or tail != bytes(24):
        fail("trailer fields: %r %r %r %r" % (length, marker, zero, tail))
    if exe[:s1_first] != loader:
        fail("the bytes before setup.1 are not the loading program (%d)" % s1_first)
    if s1_last != s1_first + len(setup1) - 1 or exe[s1_first:s1_last + 1] != setup1:
        fail("setup.1 offsets %d..%d for %d bytes" % (s1_first, s1_last, len(setup1)))
    if with_files:
        files1 = read(files1_path)
        if f1_first != s1_last + 1 or f1_last != f1_first + len(files1) - 1 \
                or exe[f1_first:f1_last + 1] != files1:
            fail("files.1 offsets %d..%d for %d bytes" % (f1_first, f1_last, len(files1)))
        end = f1_last + 1
    else:
        if (f1_first, f1_last) != (0, 0):
            fail("files.1 offsets %d..%d without files.1" % (f1_first, f1_last))
        end = s1_last + 1
    if end + 56 != len(exe):
        fail("%d bytes between the archives and the trailer" % (len(exe) - 56 - end))
    # The appended setup.1 starts with its member count: the program and the presetup files.
    if struct.unpack_from("<i", exe, s1_first)[0] != setup_members:
        fail("setup.1 inside setup.exe does not hold %d members" % setup_members)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--setup", required=True, help="the test setup program (build_setup.exe)")
    parser.add_argument("--wine-run", required=True)
    args = parser.parse_args()

    drive_c = os.path.join(prefix(), "drive_c")
    loader_path = os.path.join(drive_c, "qlry-framework", "QuilloryLoadProgram.exe")
    if not os.path.exists(loader_path):
        fail("no framework in the prefix (scripts/install-framework)")
    loader = read(loader_path)
    sources = os.path.join(drive_c, "qlry-build-test", "src")
    os.makedirs(sources, exist_ok=True)
    for name, data in (("readme.txt", b"Read me first.\r\n"), ("data.bin", os.urandom(70000)),
                       ("presetup.txt", b"runs before the setup\r\n")):
        with open(os.path.join(sources, name), "wb") as f:
            f.write(data)
    work = tempfile.mkdtemp(prefix="qlry-trailer-")
    try:
        check(build(args, work, "FILES"), loader, True, 2)
        check(build(args, work, "EMPTY"), loader, False, 1)
    finally:
        shutil.rmtree(work, ignore_errors=True)
        for name in ("readme.txt", "data.bin", "presetup.txt"):
            try:
                os.remove(os.path.join(sources, name))
            except OSError:
                pass
    print("trailer check passed")


if __name__ == "__main__":
    main()
