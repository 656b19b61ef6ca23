#!/usr/bin/env python3
"""The x86_64 installer under wine64 on one virtual display, driven by installer_driver.exe as
a user would click: a corrupt installer refused; an install with a licence, three components
and feature installers fetched over HTTP and FTP (served on 127.0.0.1) and carried as a
resource, every page pictured and its controls checked against the page layout; a second
install over the first; the installed driver at work; removal by the kept setup program."""
import glob
import http.server
import logging
import os
import shutil
import subprocess
import sys
import threading
import time

import windows
from windows import check

sys.path.insert(0, os.path.join(windows.SOURCE, "installer", "tests"))
sys.path.insert(0, os.path.join(windows.SOURCE, "testsupport"))
from installer_test import read_installer  # noqa: E402  (the independent reader)

UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ORMC-Lite 9.50PL2"
ENVIRONMENT = r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment"
TITLE = "Installing ORMC-Lite C compiler"
TARGET = r"C:\ORMC test"
# What `ormcl --chip=16F877 --output=intel blink.as` runs.
PROGRAMS = ("ormcl", "ormasm", "ormlink", "ormhex", "ormpatch", "ormconv")
TEMPLATE = ("[Resources]\nLICENCE=licence.txt\nWAITER=wait_tool.exe\n[Variables]\nManufacturer=BRYLLEX Software\n"
            "Product=ORMC-Lite\nVersion=9.50\nPatchLevel=PL2\nDescription=ORMC-Lite C compiler\n"
            "ShortcutFolderName=ORMC-Lite\n[Features]\nFeature=Toolchain\n@tree bin\n@tree dat\n@tree lib\n"
            "Feature=Web\nInstaller=http://127.0.0.1/web/web_tool.exe\nFeature=Archive\n"
            "Installer=ftp://127.0.0.1/ftp_tool.exe\nFeature=Waiting\nInstaller=WAITER\n"
            "[Components]\nComponent=Toolchain\nDescription=ORMC-Lite C compiler\nRequired=yes\nToolchain\n"
            "Component=Downloads\nDescription=Tools from the web\nWeb\nArchive\n"
            "Component=Waiting\nDescription=A tool that takes its time\nWaiting\n"
            "[Shortcuts]\nDriver=bin\\ormcl.exe\n[Run]\n")

# The controls of each page: id (None: the page names none), window classes, text (None: any;
# a trailing "*": a prefix), place in dialog units. "optional" ones may be hidden.
FRAME = ("static", "button")
BUTTONS = [(102, ("button",), "< Back", (244, 250, 40, 15)), (101, ("button",), "Next", (285, 250, 40, 15)),
           (2, ("button",), "Cancel", (335, 250, 40, 15))]
PAGES = {
    "welcome": [],
    "licence": [(301, ("edit",), None, (25, 75, 350, 150)),
                (302, ("button",), "I &accept the terms of the licence agreement", (25, 230, 350, 10))],
    # Three components: n = 3 check boxes above the folder edit.
    "installdir": [(None, FRAME, None, (25, 160, 350, 80)),
                   (250, ("button",), "ORMC-Lite C compiler", (30, 165, 340, 10)),
                   (254, ("button",), "** Tools from the web", (30, 180, 340, 10)),
                   (258, ("button",), "A tool that takes its time", (30, 195, 340, 10)),
                   (201, ("edit",), None, (30, 210, 340, 10)),
                   (None, ("edit",), "Space required: *", (30, 225, 170, 10)),
                   (None, ("edit",), "Space available: *", (205, 225, 165, 10))],
    "configuration": [(None, ("static",), "  Language to use for messages", (25, 206, 350, 35)),
                      (None, ("combobox",), "English", (30, 216, 96, 9)),
                      (303, ("button",), "Add to environment path", (175, 220, 96, 9))],
    "copyfiles": [(501, ("edit",), None, (25, 162, 350, 62)),
                  ("optional", ("msctls_progress32",), None, (25, 230, 350, 10)),
                  (None, ("static",), "Installing components - Please wait, this may take several minutes",
                   (25, 75, 175, 60))],
    "complete": [],
    "maintenance": [(None, FRAME, None, (25, 205, 350, 35)),
                    (602, ("button",), "Repair the installation", (30, 210, 340, 10)),
                    (601, ("button",), "&Remove the installation", (30, 225, 340, 10))],
}


# Next waits for the accepted licence, for the work, and for a choice of repair or removal.
NEXT_WAITS = ("licence", "copyfiles", "maintenance")


def under_display():
    """Runs this test again under xvfb-run, so that one display serves every run of the installer."""
    if os.environ.get("ORM_XVFB_DISPLAY") == "1":
        return
    if not shutil.which("xvfb-run"):
        windows.skip("xvfb-run is not installed")
    env = dict(os.environ, ORM_XVFB_DISPLAY="1")
    os.execvpe("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable] + sys.argv, env)


def win_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def dialog_bases(width, height):
    """The dialog base units that make a client area of 400 x 300 dialog units this size."""
    by = next((b for b in range(1, 64) if 300 * b // 8 == height), 0)
    return (width // 100 if width % 100 == 0 else 0), by


def check_page(page, window, controls):
    """The visible controls are the page's and the three buttons, each at its place (±1 pixel)."""
    bx, by = dialog_bases(*(window or (0, 0)))
    check(bx and by, "%s: a client area of 400 x 300 dialog units: %r" % (page, window))
    expected = [(i, k, ("Finish" if page == "complete" else t) if i == 101 else t, r) for i, k, t, r in BUTTONS]
    visible = [c for c in controls if c["visible"]]
    for ident, kinds, text, (x, y, w, h) in PAGES[page] + expected:
        want = (x * bx // 4, y * by // 8, (x + w) * bx // 4, (y + h) * by // 8)
        # A closed drop-down list is as tall as its field, whatever height it was given.
        edges = 3 if "combobox" in kinds else 4
        found = [c for c in visible if c["class"].lower() in kinds and ident in (None, "optional", c["id"]) and
                 (text is None or c["text"] == text or (text.endswith("*") and c["text"].startswith(text[:-1]))) and
                 all(abs(a - b) <= 1 for a, b in zip(c["rect"][:edges], want[:edges]))]
        if found:
            visible.remove(found[0])
        else:
            check(ident == "optional", "%s: control %s %r %r at %r (pixels %r) not shown: %r" %
                  (page, ident, kinds, text, (x, y, w, h), want, controls))
    check(not visible, "%s: controls shown that the page does not have: %r" % (page, visible))
    nexts = [c["enabled"] for c in controls if c["id"] == 101]
    check(nexts == [page not in NEXT_WAITS], "%s: Next enabled only when the page lets the user go on" % page)


class Artifacts:
    """Pictures and control lists of the pages, in build/test-artifacts/installer/."""

    def __init__(self):
        self.folder = os.path.join(os.environ["ORM_BUILD_DIR"], "test-artifacts", "installer")
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.count = 0

    def picture(self, name, dump):
        self.count += 1
        stem = os.path.join(self.folder, "%02d-%s" % (self.count, name))
        with open(stem + ".txt", "w") as f:
            f.write(dump)
        # The window is drawn when two pictures in a row agree.
        previous = None
        for _ in range(30):
            xwd = subprocess.run(["xwd", "-silent", "-name", TITLE], capture_output=True).stdout
            if xwd and xwd == previous:
                break
            previous = xwd
        pnm = subprocess.run(["xwdtopnm"], input=xwd, capture_output=True).stdout
        png = subprocess.run(["pnmtopng"], input=pnm, capture_output=True).stdout
        with open(stem + ".png", "wb") as f:
            f.write(png)
        check(png.startswith(b"\x89PNG"), name + ": a picture of the window")
        if self.count == 1:
            # The test manifest names no ICON: an icon on the window is the one compiled in.
            icon = subprocess.run(["xprop", "-name", TITLE, "_NET_WM_ICON"], capture_output=True, text=True).stdout
            check("Icon (32 x 32)" in icon, "the window has the compiled-in icon: " + icon[:80])


def drive(wine, win64, installer, actions, artifacts=None):
    """Runs the driver on the installer; checks every page it pictures; returns its transcript."""
    args = [wine.loader, os.path.join(win64, "tests", "installer_driver.exe"), win_path(installer)] + actions
    driver = subprocess.Popen(args, env=wine.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
    watchdog = threading.Timer(200, driver.kill)
    watchdog.start()
    transcript, window, controls, listed = [], None, [], 0
    try:
        # Read up to the exit line only: a program started on the way may keep the pipe open.
        for raw in driver.stdout:
            line = raw.decode("latin-1").rstrip("\r\n")
            transcript.append(line)
            fields = line.split("\t")
            if fields[0] == "window":
                window, controls, listed = (int(fields[1]), int(fields[2])), [], len(transcript) - 1
            elif fields[0] == "control":
                controls.append({"id": int(fields[1]), "class": fields[2], "visible": fields[3] == "1",
                                 "enabled": fields[4] == "1",
                                 "rect": tuple(int(v) for v in fields[5:9]), "text": fields[9].replace("\\n", "\n")})
            elif line.startswith("shot "):
                name = line[5:]
                artifacts.picture(name, "\n".join(transcript[listed:]) + "\n")
                check_page(name, window, controls)
                driver.stdin.write(b"\n")
                driver.stdin.flush()
            elif line.startswith("exit "):
                break
        driver.stdin.close()
        driver.wait(timeout=60)
    finally:
        watchdog.cancel()
    return "\n".join(transcript)


def reg_query(wine, key, *more):
    return wine.run(["reg", "query", key] + list(more)).stdout.decode("latin-1")


class Feature(http.server.BaseHTTPRequestHandler):
    program = b""

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path != "/web/web_tool.exe":
            self.send_response(404)
            self.end_headers()
            return
        self.send_response(200)
        self.send_header("Content-Length", str(len(self.program)))
        self.end_headers()
        self.wfile.write(self.program)


def serve(folder, program):
    """HTTP on 127.0.0.1:80 and FTP on 127.0.0.1:21 (the installer's ports): the feature program."""
    try:
        from pyftpdlib.authorizers import DummyAuthorizer
    except ImportError:
        # Debian's python3-pyftpdlib, when another Python runs the tests; without the TLS
        # part, whose Debian bindings would not fit that Python.
        sys.path.append("/usr/lib/python3/dist-packages")
        sys.modules.setdefault("OpenSSL", None)
        try:
            from pyftpdlib.authorizers import DummyAuthorizer
        except ImportError:
            windows.skip("pyftpdlib is not installed")
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer
    # Quiet: a logger with a handler keeps the server from setting up its own on stderr.
    quiet = logging.getLogger("pyftpdlib")
    quiet.addHandler(logging.NullHandler())
    quiet.propagate = False
    with open(os.path.join(folder, "ftp_tool.exe"), "wb") as f:
        f.write(program)
    Feature.program = program
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(folder)
    handler = type("Handler", (FTPHandler,), {"authorizer": authorizer, "banner": "test"})
    try:
        web = http.server.ThreadingHTTPServer(("127.0.0.1", 80), Feature)
        ftp = FTPServer(("127.0.0.1", 21), handler)
    except OSError as e:
        windows.skip("cannot serve on ports 80 and 21 of 127.0.0.1: %s" % e)
    threading.Thread(target=web.serve_forever, daemon=True).start()
    threading.Thread(target=ftp.serve_forever, kwargs={"handle_exit": False}, daemon=True).start()
    return web, ftp


def pack_tree(work, win64):
    """The programs that build blink.as, with dat and lib, packed with the test manifest."""
    tree = os.path.join(work, "tree")
    os.makedirs(os.path.join(tree, "bin"))
    # Without their symbols: half the bytes to pack, check and extract.
    strip = shutil.which("x86_64-w64-mingw32-strip")
    for name in PROGRAMS:
        source, copy = os.path.join(win64, "bin", name + ".exe"), os.path.join(tree, "bin", name + ".exe")
        if strip:
            subprocess.run([strip, "-o", copy, source], check=True)
        else:
            shutil.copy(source, copy)
    for top in ("dat", "lib"):
        shutil.copytree(os.path.join(win64, top), os.path.join(tree, top))
    template = os.path.join(work, "manifest.in")
    with open(template, "w") as f:
        f.write(TEMPLATE)
    shutil.copy(os.path.join(windows.SOURCE, "installer", "shipped", "licence.txt"), work)
    shutil.copy(os.path.join(win64, "tests", "installer_feature.exe"), os.path.join(work, "wait_tool.exe"))
    setup = os.path.join(work, "setup.exe")
    packer = os.path.join(os.environ["ORM_BUILD_DIR"], "tests", "ormpack")
    subprocess.run([packer, os.path.join(win64, "installer.exe"), template, tree, setup], check=True)
    return setup


def temp_folders(wine):
    return set(glob.glob(wine.drive_c("users", "*", "AppData", "Local", "Temp", "bx*")))


def path_entry(wine):
    """The system PATH as `reg query` shows it: (type, value), or None."""
    for line in reg_query(wine, ENVIRONMENT, "/v", "PATH").splitlines():
        fields = line.split(None, 2)
        if len(fields) == 3 and fields[0].upper() == "PATH":
            return fields[1], fields[2]
    return None


def main():
    under_display()
    for tool in ("file", "xwd", "xprop", "xwdtopnm", "pnmtopng"):
        if not shutil.which(tool):
            windows.skip(tool + " is not installed")
    wine = windows.Wine()
    # The feature downloads go to the servers here, never through a proxy.
    for name in ("http_proxy", "https_proxy", "ftp_proxy", "HTTP_PROXY", "HTTPS_PROXY", "FTP_PROXY"):
        wine.env.pop(name, None)
    # The virtual display has no window manager, which wine would wait for at every window it
    # hides (two seconds each): its windows manage themselves.
    wine.run(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"])
    win64 = windows.tree("win64")
    for name in ("installer.exe", "tests/installer_driver.exe", "tests/installer_feature.exe"):
        if not os.path.exists(os.path.join(win64, name)):
            windows.skip("the x86_64 tree has no " + name)
    work = windows.scratch("installer")
    mark = os.path.join(work, "ran.txt")
    wine.env["ORM_TEST_MARK"] = win_path(mark)
    served = os.path.join(work, "served")
    os.makedirs(served)
    web, ftp = serve(served, open(os.path.join(win64, "tests", "installer_feature.exe"), "rb").read())
    path_before = path_entry(wine)
    artifacts = Artifacts()
    try:
        setup = pack_tree(work, win64)
        n, m, _, _ = read_installer(setup)
        data = bytearray(open(setup, "rb").read())
        data[n + 40] ^= 0x20
        bad = os.path.join(work, "bad.exe")
        with open(bad, "wb") as f:
            f.write(data)
        temp_before = temp_folders(wine)
        out = drive(wine, win64, bad, ["box=ok"])
        check("box Fatal error: Installer is corrupt or truncated" in out and "exit 1" in out,
              "a corrupt installer shows its box and exits 1: " + out)
        check(temp_folders(wine) == temp_before, "the corrupt installer leaves no temporary folder")

        target = wine.drive_c("ORMC test")
        shutil.rmtree(target, ignore_errors=True)
        out = drive(wine, win64, setup, [
            "shot=welcome", "click=101", "shot=licence", "click=302", "click=101", "shot=installdir",
            "settext=201=" + TARGET, "click=101", "shot=configuration", "click=303", "start=101", "held",
            "shot=copyfiles", "release", "shot=complete", "click=101"], artifacts)
        check("exit 0" in out, "the click-through install ends with 0: " + out)
        check(os.path.isfile(os.path.join(target, "bin", "ormcl.exe")), "the driver is installed")
        ran = open(mark).read().split() if os.path.exists(mark) else []
        check(ran == ["web_tool.exe", "ftp_tool.exe", "wait_tool.exe"],
              "the HTTP, FTP and resource installers ran in feature order: %r" % ran)

        # Again over the first, without the extra components: overwrite, and PATH once more.
        out = drive(wine, win64, setup, ["click=101", "click=302", "click=101", "click=254", "click=258",
                                         "settext=201=" + TARGET, "click=101", "box=no", "box=yes", "click=303",
                                         "click=101", "click=101"])
        check("box Previous Installation: Is it OK to overwrite the previous installation?" in out and
              "exit 0" in out, "the second install overwrites the first: " + out)
        ran = open(mark).read().split() if os.path.exists(mark) else []
        check(len(ran) == 3, "unselected features run nothing: %r" % ran)
        _, path = path_entry(wine) or ("", "")
        check([p.lower() for p in path.split(";")].count(TARGET.lower() + "\\bin") == 1,
              "PATH holds the bin folder once after two installs: " + path)

        entry = reg_query(wine, UNINSTALL)
        check("DisplayName    REG_SZ    ORMC-Lite C compiler V9.50PL2" in entry and
              r'UninstallString    REG_SZ    "C:\ORMC test\resources\setup.exe"' in entry, "uninstall entry: " + entry)
        links = glob.glob(wine.drive_c("users", "*", "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                                       "Programs", "BRYLLEX Software", "ORMC-Lite", "Driver.lnk"))
        kind = subprocess.run(["file"] + links[:1], capture_output=True, text=True).stdout if links else ""
        check("MS Windows shortcut" in kind, "the Start-menu link is a shell link: " + kind)

        blink = os.path.join(work, "blink")
        os.makedirs(blink)
        shutil.copy(os.path.join(windows.SOURCE, "examples", "blink.as"), blink)
        done = wine.run([os.path.join(target, "bin", "ormcl.exe"), "--chip=16F877", "--output=intel", "blink.as"],
                        cwd=blink)
        native = os.path.join(work, "native")
        os.makedirs(native)
        shutil.copy(os.path.join(windows.SOURCE, "examples", "blink.as"), native)
        windows.run_native([os.path.join(windows.native_bin(), "ormcl"), "--chip=16F877", "--output=intel",
                            "blink.as"], cwd=native)
        check(done.returncode == 0 and os.path.exists(os.path.join(blink, "blink.hex")) and
              windows.lf(open(os.path.join(blink, "blink.hex"), "rb").read()) ==
              windows.lf(open(os.path.join(native, "blink.hex"), "rb").read()),
              "the installed ormcl.exe builds blink.as as the native build does")

        kept = os.path.join(target, "resources", "setup.exe")
        out = drive(wine, win64, kept, ["shot=maintenance", "click=601", "click=101", "box=yes", "click=101"],
                    artifacts)
        check("exit 0" in out, "removal by the kept setup ends with 0: " + out)
        # The fixture's server stays up, so wait for the removal batch's work, not for the server.
        for _ in range(600):
            if not os.path.exists(target):
                break
            time.sleep(0.1)
        left = [os.path.join(r, f) for r, _, fs in os.walk(target) for f in fs] if os.path.exists(target) else []
        check(not left and not os.path.exists(target), "no tree is left: %r" % left)
        check("ORMC-Lite" not in reg_query(wine, r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall") and
              "9.50" not in reg_query(wine, r"HKLM\Software\BRYLLEX Software\ORMC-Lite"), "no keys are left")
        # The downloads stay in the first install's temporary folder; nothing else is left.
        new = temp_folders(wine) - temp_before
        check(len(new) <= 1 and all(sorted(os.listdir(d)) == ["ftp_tool.exe", "web_tool.exe"] for d in new),
              "only the downloads are left in a temporary folder: %r" % {d: os.listdir(d) for d in new})
        for folder in new:
            shutil.rmtree(folder, ignore_errors=True)
    finally:
        web.shutdown()
        try:
            ftp.close_all()
        except OSError:
            pass
        if path_before:
            kind, value = path_before
            wine.run(["reg", "add", ENVIRONMENT, "/v", "PATH", "/t", kind, "/d", value, "/f"])
        shutil.rmtree(work, ignore_errors=True)
    windows.finish()


if __name__ == "__main__":
    main()
