#!/usr/bin/env python3
"""The shipped project end to end: scripts/demo builds the Larkspan distribution and
installs it with the driver; this checks what the installation left behind (every file
with its date, the program folder's links, the uninstall entry, the help registrations)
and the pictures of the main form (the gradient and the raised title)."""
import os
import pathlib
import subprocess
import sys

root = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(root / "scripts"))
import larkspan_product as product  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def dest_paths():
    dirs = {d.name: d for d in product.directories()}

    def path(name):
        if name in ("Install1", "Group1"):
            return "c:\\Vorne"
        d = dirs[name]
        return path(d.parent) + d.dest_dir

    return {f.component: path(f.directory.name) + "\\" + f.name for f in product.files()}, product.files()


def pixel(png, x, y):
    out = subprocess.run(["convert", str(png), "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-"], check=True,
                         capture_output=True, text=True).stdout
    rgb = out.splitlines()[1].split("(")[1].split(")")[0].split(",")
    return tuple(int(float(v)) for v in rgb[:3])


def main():
    build = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "build"
    output = build / "shipped-e2e-output"
    env = dict(os.environ, QLRY_NO_BOOTSTRAP="1", QLRY_DEMO_AUTO="1", QLRY_BUILD_DIR=str(build),
               QLRY_DEMO_OUTPUT=str(output), QLRY_DEMO_UNINSTALL="1")
    result = subprocess.run([str(root / "scripts" / "demo")], env=env, stdin=subprocess.DEVNULL)
    check(result.returncode == 0, f"scripts/demo ended with {result.returncode}")
    summary = (output / "summary.txt").read_text(errors="replace")
    lines = summary.splitlines()

    check("  (222 files)" in lines, "not 221 + 1 files below c:\\Vorne")
    check("  (47 links)" in lines, "not 47 links in the program folder")
    check(any(l.endswith("\\Programs\\Larkspan 7.030B:") for l in lines), "no program folder Larkspan 7.030B")
    for sub in ["Packages", "Delphi Demos", "Documentation", "CBuilder Demos", "Other Components"]:
        check(any(f"\\Larkspan 7.030B\\{sub}\\" in l for l in lines), f"no sub-folder {sub}")
    check("  DisplayName = Larkspan" in lines, "no uninstall entry")
    check("  UninstallString = c:\\Vorne\\Uninstall\\uninstall.exe Larkspan" in lines, "wrong UninstallString")
    check("    Entries = 268" in lines, "the uninstall entry does not list the 221 files and 47 links")
    check("  LARKSPAN.HLP = c:\\Vorne\\Larkspan\\Help" in lines, "help file not registered")
    check("  LARKSPAN.CNT = c:\\Vorne\\Larkspan\\Help" in lines, "help contents not registered")

    listed = {}
    for line in lines:
        parts = line.split()
        if len(parts) >= 4 and parts[0][:2] == "19" and "c:\\Vorne\\" in line:
            listed[line[line.index("c:\\Vorne\\"):].lower()] = parts[0] + " " + parts[1]
    paths, files = dest_paths()
    for f in files:
        date = listed.get(paths[f.component].lower())
        check(date == f.date.strftime("%Y-%m-%d %H:%M:%S"),
              f"{paths[f.component]}: date {date}, expected {f.date}")

    welcome = output / "01-WelcomeForm.png"
    check(welcome.exists(), "no picture of the welcome page")
    if welcome.exists():
        top, bottom = pixel(welcome, 900, 40), pixel(welcome, 900, 760)
        check(top[2] > 200 and top[0] < 40 and top[1] < 40, f"top of the backdrop is not blue: {top}")
        check(max(bottom) < 30, f"bottom of the backdrop is not black: {bottom}")
        title = [pixel(welcome, x, 50) for x in range(2, 220, 3)]
        check(any(min(p) > 200 for p in title), "no white highlight of the raised title")
        check(any(max(p) < 60 for p in title), "no dark title text")
    # The uninstall program removes all of it again.
    uninstalled = (output / "uninstall-summary.txt")
    check(uninstalled.exists(), "no summary of the uninstall")
    if uninstalled.exists():
        after = uninstalled.read_text(errors="replace").splitlines()
        check("  (0 files)" in after, "files left below c:\\Vorne after the uninstall")
        check("  (0 links)" in after, "links left in the program folder after the uninstall")
        check(not any(l.startswith("  DisplayName") for l in after), "the uninstall entry is still there")
    for failure in failures[:40]:
        print("FAIL:", failure)
    print(f"shipped end to end: {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
