#!/usr/bin/env python3
"""The installer on Linux: the packer's file checked by an independent reader (hashlib, gzip,
struct), then the test front end installing, repairing and removing a packed tree, refusing bad
installers without leaving anything behind, and downloading feature installers over HTTP."""
import filecmp
import glob
import gzip
import hashlib
import http.server
import os
import pwd
import shutil
import stat
import struct
import subprocess
import sys
import threading

from ormtest import Workdir, build_dir, need, program, skip, source_dir

MARKER = bytes([0xA3, 0xA2, 0xA1, 0xA0, 0x9F, 0x9E, 0x9D, 0x9C])
FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAIL:", what)


# --- an independent reader and writer of the installer file -----------------------------------

def fingerprint(image):
    return image[23040:23056].hex().upper()


def read_installer(path):
    """Checks the layout; returns (N, M, manifest text, [entry bytes])."""
    data = open(path, "rb").read()
    n = 204800
    while data[n:n + 8] != MARKER:
        n += 1024
        assert n < len(data), "no marker at an aligned offset"
    header_n, m = struct.unpack("<II", data[n + 8:n + 16])
    assert header_n == n, "N differs from the marker's offset"
    assert len(data) == m + 16, "the digest ends the file"
    assert hashlib.md5(data[:m]).digest() == data[m:], "MD5 of [0, M)"
    raw = gzip.decompress(data[n + 16:m])
    entries, at = [], 0
    while at < len(raw):
        (size,) = struct.unpack("<I", raw[at:at + 4])
        entries.append(raw[at + 4:at + 4 + size])
        at += 4 + size
    assert at == len(raw), "the entries fill the stream exactly"
    manifest = entries[0].decode("latin-1")
    assert manifest.split("\n")[0] == fingerprint(data), "the first line is the fingerprint"
    return n, m, manifest, entries[1:]


def write_installer(image, manifest, files, path):
    """An installer made without the packer: for manifests the packer would not write."""
    n = 204800
    while n < len(image):
        n += 1024
    raw = b"".join(struct.pack("<I", len(e)) + e for e in [manifest.encode("latin-1")] + files)
    stream = gzip.compress(raw)
    body = image.ljust(n, b"\0") + MARKER + struct.pack("<II", n, n + 16 + len(stream)) + stream
    with open(path, "wb") as f:
        f.write(body + hashlib.md5(body).digest())
    os.chmod(path, 0o755)


# --- running the test front end ----------------------------------------------------------------

class Setup:
    """A scratch world: TEMP, HOME (the Start menu), a registry file and an installer."""

    def __init__(self, w):
        self.w = w
        for d in ("temp", "home"):
            os.makedirs(w.file(d), exist_ok=True)
        self.registry = w.file("registry.txt")

    def env(self, extra=None):
        env = dict(os.environ, ORM_REGISTRY=self.registry, TEMP=self.w.file("temp"), HOME=self.w.file("home"),
                   ASAN_OPTIONS="detect_leaks=0")
        env.pop("TMP", None)
        env.update(extra or {})
        return env

    def run(self, installer, script, extra_env=None, user=None):
        path = self.w.write("script-%d.txt" % len(script), "\n".join(script) + "\n")
        args = [installer, path]
        if user:
            entry = pwd.getpwnam(user)
            args = ["setpriv", "--reuid=%d" % entry.pw_uid, "--regid=%d" % entry.pw_gid, "--clear-groups"] + args
        r = subprocess.run(args, env=self.env(extra_env), capture_output=True, text=True, timeout=300,
                           stdin=subprocess.DEVNULL)
        return r.returncode, r.stdout + r.stderr

    def registry_text(self):
        return open(self.registry).read() if os.path.exists(self.registry) else ""

    def leftovers(self):
        return glob.glob(self.w.file("temp/bx*"))


def image():
    return program("installer_headless")


def pack(w, template, tree, out, resources=None):
    folder = w.file("template")
    os.makedirs(folder, exist_ok=True)
    for name, text in (resources or {"licence.txt": "Our licence.\n"}).items():
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)
    with open(os.path.join(folder, "manifest.in"), "w") as f:
        f.write(template)
    r = subprocess.run([program("ormpack"), image(), os.path.join(folder, "manifest.in"), tree, out],
                       capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    return out


VARIABLES = ("[Variables]\nManufacturer=BRYLLEX Software\nProduct=ORMC-Lite\nVersion=9.50\nPatchLevel=PL2\n"
             "Description=ORMC-Lite C compiler\nShortcutFolderName=ORMC-Lite\n")
INSTALL = ["next", "click 302", "next", "settext 201 %s", "next", "next"]


def small_template(extra_features="", components="Component=Compiler\nDescription=Compiler\nRequired=yes\nCompiler\n"):
    return ("[Resources]\nLICENCE=licence.txt\n" + VARIABLES + "[Features]\nFeature=Compiler\n@tree bin\n@tree dat\n"
            + extra_features + "[Components]\n" + components + "[Shortcuts]\nDriver=bin\\ormcl\n[Run]\n")


def small_tree(w):
    tree = w.file("tree")
    os.makedirs(tree + "/bin", exist_ok=True)
    os.makedirs(tree + "/dat/sub", exist_ok=True)
    with open(tree + "/bin/ormcl", "wb") as f:
        f.write(os.urandom(30000))
    with open(tree + "/dat/en_msgs.txt", "w") as f:
        f.write("messages\n")
    with open(tree + "/dat/sub/empty.txt", "w"):
        pass
    return tree


# --- the cases -----------------------------------------------------------------------------------

def packed_file():
    with Workdir("orm_inst_") as w:
        tree = small_tree(w)
        out = pack(w, small_template(), tree, w.file("setup"))
        n, m, manifest, entries = read_installer(out)
        check(n % 1024 == 0 and n >= 204800, "N is 204800 + 1024k")
        check(os.path.getsize(image()) <= n, "the image fits before N")
        check("\nLICENCE=licence.txt\t13\n" in manifest, "resource size written: " + manifest)
        check("bin\\\normcl\t30000\n" in manifest and "dat\\sub\\\nempty.txt\t0\n" in manifest,
              "folders and sizes from the tree: " + manifest)
        expected = [b"Our licence.\n", open(tree + "/bin/ormcl", "rb").read(), b"messages\n", b""]
        check(entries == expected, "entries in the manifest's order")
        raw = open(out, "rb").read()
        stream = w.file("stream.gz")
        with open(stream, "wb") as f:
            f.write(raw[n + 16:m])
        check(subprocess.run(["gzip", "-t", stream]).returncode == 0, "gzip -t passes on the stream")
        # Our extraction gives the same bytes as the independent split.
        s = Setup(w)
        code, text = s.run(out, [line % w.file("inst") if "%s" in line else line for line in INSTALL])
        check(code == 0, "install of the small tree: " + text)
        for i, name in enumerate(["bin/ormcl", "dat/en_msgs.txt", "dat/sub/empty.txt"]):
            split = w.file("entry%d" % i)
            with open(split, "wb") as f:
                f.write(entries[i + 1])
            check(subprocess.run(["cmp", split, w.file("inst/" + name)]).returncode == 0, name + " cmp-equal")

        # The packer refuses an image that holds the marker where the reader would find it.
        bad = bytearray(open(image(), "rb").read())
        bad[204800 + 1024 * 3:204800 + 1024 * 3 + 8] = MARKER
        with open(w.file("bad-image"), "wb") as f:
            f.write(bad)
        r = subprocess.run([program("ormpack"), w.file("bad-image"), w.file("template/manifest.in"), tree,
                            w.file("refused")], capture_output=True, text=True)
        check(r.returncode == 1 and "marker" in r.stderr and not os.path.exists(w.file("refused")),
              "an image with the marker at an aligned offset is refused: " + r.stderr)


def bad_input():
    with Workdir("orm_inst_") as w:
        tree = small_tree(w)
        good = pack(w, small_template(), tree, w.file("setup"))
        n, m, manifest, entries = read_installer(good)
        data = open(good, "rb").read()
        s = Setup(w)

        def refused(name, body, text):
            path = w.file(name)
            if body is not None:
                with open(path, "wb") as f:
                    f.write(body)
                os.chmod(path, 0o755)
            code, out = s.run(path, [line % w.file("inst") if "%s" in line else line for line in INSTALL])
            check(code == 1, name + ": exit 1 (%d)" % code)
            check("box Fatal error: " + text + " -> ok" in out, name + ": shows " + repr(text) + ": " + out)
            check(not s.leftovers(), name + ": no bx folder left")
            check(not os.path.exists(w.file("inst")), name + ": nothing installed")
            check("ORMC-Lite" not in s.registry_text(), name + ": no keys")

        # In M a set bit is cleared: a larger M reads as a file cut short (below).
        m_byte = next(i for i in (n + 13, n + 14, n + 12) if data[i])
        for where, offset, bit in (("image", 1000, 0x20), ("header N", n + 9, 0x20),
                                   ("header M", m_byte, data[m_byte] & -data[m_byte]), ("stream", n + 40, 0x20),
                                   ("stream end", m - 1, 0x20), ("digest", m + 3, 0x20)):
            flipped = bytearray(data)
            flipped[offset] ^= bit
            refused("flip-" + where.replace(" ", "-"), bytes(flipped), "Installer is corrupt or truncated")
        refused("cut-stream", data[:n + 100], "Can't read entire filecheck: %d" % (m - (n + 100)))
        refused("cut-before-marker", data[:n - 10], "Can't find the manifest")

        img = open(image(), "rb").read()
        files = entries
        # The signature is compared byte for byte: in lower case, and with one digit changed
        # (an image whose fingerprint bytes hold no hex letter, as a Release build's may, has
        # the same fingerprint in both cases).
        mark = fingerprint(img)
        wrong = {"changed": mark[:-1] + ("1" if mark[-1] == "0" else "0")}
        if mark.lower() != mark:
            wrong["lower"] = mark.lower()
        for name, signature in sorted(wrong.items()):
            write_installer(img, manifest.replace(mark, signature, 1), files, w.file(name))
            refused(name, None, "Invalid manifest signature")
        write_installer(img, manifest.replace("[Run]\n", ""), files, w.file("norun"))
        refused("norun", None, "Invalid manifest format")
        write_installer(img, manifest.replace("ormcl\t30000", "ormcl\t29999"), files, w.file("size"))
        refused("size", None, "File size does not match - file 1:%s/bin/ormcl 29999/30000" % w.file("inst"))
        # An unselected feature's entry with the wrong size names no path.
        two = small_template("Feature=Docs\ndocs\\\nreadme.txt\n", "Component=Compiler\nRequired=yes\nCompiler\n"
                             "Component=Docs\nSelected=no\nDocs\n")
        os.makedirs(tree + "/docs", exist_ok=True)
        with open(tree + "/docs/readme.txt", "w") as f:
            f.write("read me\n")
        docs = pack(w, two, tree, w.file("docs"))
        _, _, docs_manifest, docs_entries = read_installer(docs)
        write_installer(img, docs_manifest.replace("readme.txt\t8", "readme.txt\t9"), docs_entries, w.file("skipped"))
        refused("skipped", None, "File size does not match - file 4:(skipped) 9/8")

        # A disk that fills during extraction: everything written is taken back.
        code, out = s.run(good, [line % w.file("inst") if "%s" in line else line for line in INSTALL],
                          {"ORM_INSTALLER_WRITE_BUDGET": "20000"})
        check(code == 1 and "Write error on %s/bin/ormcl" % w.file("inst") in out, "disk full: " + out)
        check(not os.path.exists(w.file("inst")) and not s.leftovers(), "disk full leaves nothing")
        check("ORMC-Lite" not in s.registry_text(), "disk full leaves no keys")

        # The same on a real file system that fills: a tmpfs of 16 KiB takes half the driver.
        small = w.file("small")
        os.makedirs(small)
        if mount_small_tmpfs(small):
            try:
                code, out = s.run(good, [line % (small + "/inst") if "%s" in line else line for line in INSTALL])
                check(code == 1 and "box Fatal error: Write error on %s/inst/bin/ormcl -> ok" % small in out,
                      "full tmpfs: " + out)
                check(os.listdir(small) == [] and not s.leftovers(), "full tmpfs: nothing left: %r" % os.listdir(small))
                check("ORMC-Lite" not in s.registry_text(), "full tmpfs: no keys")
            finally:
                subprocess.run(["umount", small])

        # A target the user may not write (as nobody: root ignores modes).
        if os.getuid() == 0 and shutil.which("setpriv"):
            locked = w.file("locked")
            os.makedirs(locked)
            os.chmod(locked, 0o755)
            for d in (w.path, w.file("temp"), w.file("home")):
                os.chmod(d, 0o777)
            os.chmod(good, 0o755)
            open(s.registry, "a").close()
            os.chmod(s.registry, 0o666)
            for f in os.listdir(w.path):
                if f.startswith("script"):
                    os.chmod(w.file(f), 0o644)
            os.chmod(os.path.dirname(w.path), os.stat(os.path.dirname(w.path)).st_mode | 0o005)
            code, out = s.run(good, [line % (locked + "/inst") if "%s" in line else line for line in INSTALL],
                              user="nobody")
            check(code == 1 and "Failed to create folder %s/inst" % locked in out, "unwritable target: " + out)
            check(os.listdir(locked) == [] and not s.leftovers(), "unwritable target leaves nothing")


def mount_small_tmpfs(folder):
    """Mounts a 16 KiB tmpfs on the folder. Where mounting is not allowed the case is left out,
    except on CI, which runs as root: there it is a failure."""
    r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=16k,mode=0755", "tmpfs", folder], capture_output=True,
                       text=True)
    if r.returncode == 0:
        return True
    if os.environ.get("CI") == "true":
        check(False, "CI=true: cannot mount a tmpfs: " + r.stderr)
    else:
        print("SKIP (full tmpfs): cannot mount a tmpfs:", r.stderr.strip())
    return False


def registry_values(s):
    """REGEDIT4 text as {key: {value: text or int}}, keys and names as written."""
    keys, current = {}, None
    for line in s.registry_text().splitlines():
        if line.startswith("["):
            current = keys.setdefault(line[1:-1], {})
        elif line.startswith('"') and current is not None:
            name, _, value = line[1:].partition('"=')
            if value.startswith("dword:"):
                current[name] = int(value[6:], 16)
            else:
                current[name] = value[1:-1].replace('\\"', '"').replace("\\\\", "\\")
    return keys


PRODUCT = "HKEY_LOCAL_MACHINE\\SOFTWARE\\BRYLLEX Software\\ORMC-Lite\\9.50"
UNINSTALL = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORMC-Lite 9.50PL2"
# What `ormcl --chip=16F877 --output=intel blink.as` runs, and what it reads.
PROGRAMS = ("ormcl", "ormasm", "ormlink", "ormhex", "ormpatch", "ormconv")


def toolchain_tree(w):
    tree = w.file("tree")
    os.makedirs(tree + "/bin")
    for name in PROGRAMS:
        shutil.copy2(os.path.join(build_dir(), "bin", name), tree + "/bin")
    for top in ("dat", "lib"):
        shutil.copytree(os.path.join(build_dir(), top), tree + "/" + top)
    return tree


TOPS = ("bin", "dat", "lib")


def tree_folders(tree, top):
    """A top folder and the folders below it, in the packer's order."""
    return [os.path.join(tree, top)] + sorted(
        os.path.join(root, d) for root, dirs, _ in os.walk(os.path.join(tree, top)) for d in dirs)


def tree_files(tree):
    """The files in the packer's order: each top folder, then its folders, sorted."""
    out = []
    for top in TOPS:
        for folder in tree_folders(tree, top):
            names = sorted(f for f in os.listdir(folder) if os.path.isfile(os.path.join(folder, f)))
            out += [os.path.relpath(os.path.join(folder, f), tree) for f in names]
    return out


def blink_hex(ormcl, w, name, env):
    work = w.file(name)
    os.makedirs(work)
    shutil.copy(os.path.join(source_dir(), "examples", "blink.as"), work)
    r = subprocess.run([ormcl, "--chip=16F877", "--output=intel", "blink.as"], cwd=work, env=env,
                       capture_output=True, text=True)
    check(r.returncode == 0, name + ": ormcl builds blink.as: " + r.stdout + r.stderr)
    path = os.path.join(work, "blink.hex")
    return open(path).read() if os.path.exists(path) else None


def install_repair_remove():
    with Workdir("orm_inst_") as w:
        tree = toolchain_tree(w)
        template = ("[Resources]\nLICENCE=licence.txt\n" + VARIABLES + "SupportURL=http://example.invalid/help\n"
                    "[Features]\nFeature=Toolchain\n@tree bin\n@tree dat\n@tree lib\n[Components]\nComponent=Toolchain\n"
                    "Description=ORMC-Lite\nRequired=yes\nToolchain\n[Shortcuts]\nDriver=bin\\ormcl\n[Run]\n")
        out = pack(w, template, tree, w.file("setup"))
        s = Setup(w)
        menu = w.file("home/.local/share/applications")
        os.makedirs(menu)
        inst = w.file("Programs/ORMC")
        os.makedirs(inst)   # an installation folder that exists already
        install = [line % inst if "%s" in line else line for line in INSTALL]
        code, text = s.run(out, install)
        check(code == 0, "install: " + text)
        for top in TOPS:
            r = subprocess.run(["diff", "-r", os.path.join(tree, top), os.path.join(inst, top)], capture_output=True,
                               text=True)
            check(r.returncode == 0, "diff -r " + top + ": " + r.stdout)
        check(not s.leftovers(), "the temporary folder is gone")

        keys = registry_values(s)
        check(keys.get(PRODUCT + "\\PL2") == {"InstDir": inst}, "InstDir under the product key: %r" % keys)
        check(keys.get(PRODUCT) == {"language": 9}, "language English: %r" % keys.get(PRODUCT))
        setup = inst + "/resources/setup.exe"
        check(keys.get(UNINSTALL) == {
            "DisplayName": "ORMC-Lite C compiler V9.50PL2", "DisplayVersion": "9.50",
            "HelpLink": "http://example.invalid/help", "NoModify": 1, "Publisher": "BRYLLEX Software",
            "UninstallString": '"%s"' % setup, "InstallLocation": '"%s"' % inst,
            "VersionMajor": 9, "VersionMinor": 50}, "uninstall entry: %r" % keys.get(UNINSTALL))
        check(open(setup, "rb").read() == open(out, "rb").read()[:read_installer(out)[0]],
              "setup.exe is the installer's first N bytes")

        # The installed manifest, worked out by hand from the tree and the Part's order.
        fp = fingerprint(open(image(), "rb").read())
        link = menu + "/BRYLLEX Software/ORMC-Lite/Driver.lnk"
        files = ["%InstDir%/" + f for f in tree_files(tree)] + [
            "%InstDir%/resources/setup.exe", "%InstDir%/resources/licence.txt", link, "%InstDir%/resources/manifest"]
        created = ["%InstDir%/" + os.path.relpath(d, tree) for top in TOPS for d in tree_folders(tree, top)] + [
            "%InstDir%/resources", menu + "/BRYLLEX Software", menu + "/BRYLLEX Software/ORMC-Lite"]
        golden = (fp + "\n[Variables]\nRemove=yes\nRepair=yes\nManufacturer=BRYLLEX Software\nProduct=ORMC-Lite\n"
                  "Version=9.50\nPatchLevel=PL2\nDescription=ORMC-Lite C compiler\nShortcutFolderName=ORMC-Lite\n"
                  "SupportURL=http://example.invalid/help\n"
                  "SETUP=%InstDir%/resources/setup.exe\nLICENCE=%InstDir%/resources/licence.txt\n[Files]\n" +
                  "".join(f + "\n" for f in files) + "[Folders]\n" + "".join(f + "\n" for f in reversed(created)) +
                  "%InstDir%\n[Shortcuts]\nDriver=bin\\ormcl\n[Run]\n")
        manifest = open(inst + "/resources/manifest").read()
        check(manifest == golden, "installed manifest:\n" + manifest + "\nexpected:\n" + golden)
        check(open(link).read().startswith("target=%s/bin/ormcl\n" % inst), "the link names the driver")

        # The installed driver finds its installation through the registry and builds the example.
        expected = blink_hex(os.path.join(build_dir(), "bin", "ormcl"), w, "built", dict(os.environ, ORM_REGISTRY=""))
        got = blink_hex(inst + "/bin/ormcl", w, "installed", dict(os.environ, ORM_REGISTRY=s.registry))
        check(expected is not None and got == expected, "the installed ormcl makes the build tree's hex")

        # Repair from the kept setup: the uninstall key and a link come back.
        text = s.registry_text()
        start = text.index("[" + UNINSTALL + "]")
        end = text.find("\n[", start + 1)
        with open(s.registry, "w") as f:
            f.write(text[:start] + (text[end + 1:] if end >= 0 else ""))
        os.remove(link)
        code, text = s.run(setup, ["click 602", "next", "click 302", "next", "next", "next"])
        check(code == 0 and "has been repaired" in text, "repair: " + text)
        check(UNINSTALL in registry_values(s) and os.path.exists(link), "repair restores the key and the link")

        # The full installer again, overwriting: a lost and a damaged file come back.
        os.remove(inst + "/bin/ormhex")
        with open(inst + "/dat/en_msgs.txt", "a") as f:
            f.write("damage\n")
        code, text = s.run(out, install[:4] + ["answer no", "answer yes"] + install[4:])
        check(code == 0 and "Is it OK to overwrite the previous installation? -> yes" in text, "overwrite: " + text)
        r = subprocess.run(["diff", "-r", tree + "/bin", inst + "/bin"], capture_output=True, text=True)
        check(r.returncode == 0 and filecmp.cmp(tree + "/dat/en_msgs.txt", inst + "/dat/en_msgs.txt", shallow=False),
              "overwrite restores the files: " + r.stdout)
        check(not glob.glob(inst + "/**/*.bxold", recursive=True), "no backups left after success")
        manifest = open(inst + "/resources/manifest").read()
        check("%InstDir%/bin\n" in manifest, "the overwrite keeps the folders of the first installation")

        # Removal: everything but a foreign file goes; the script is valid sh and finishes the job.
        with open(inst + "/foreign.txt", "w") as f:
            f.write("mine\n")
        code, text = s.run(setup, ["click 601", "next"], {"ORM_INSTALLER_HOLD_SCRIPT": "1"})
        check(code == 0 and "has been successfully uninstalled" in text, "remove: " + text)
        script = [line[7:] for line in text.splitlines() if line.startswith("start: ")]
        check(len(script) == 1 and script[0].endswith(".sh"), "a removal script is started: " + text)
        if script:
            check(subprocess.run(["sh", "-n", script[0]]).returncode == 0, "the script passes sh -n")
            subprocess.run(["sh", script[0]], cwd=w.path, timeout=60)
            check(not os.path.exists(script[0]), "the script deletes itself")
        check(sorted(os.listdir(inst)) == ["foreign.txt"], "only the foreign file is left: %r" % os.listdir(inst))
        check(not os.path.exists(menu + "/BRYLLEX Software"), "the Start-menu folders are gone")
        keys = registry_values(s)
        check(not [k for k in keys if k.startswith(PRODUCT) or k.startswith(UNINSTALL)], "the keys are gone: %r" % keys)


# --- downloads ------------------------------------------------------------------------------------

TOOL = b"#!/bin/sh\necho ran \"$0\" >> \"$ORM_TEST_MARK\"\n"


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path == "/missing":
            self.send_response(404)
            self.end_headers()
            return
        self.send_response(200)
        if self.path == "/disposition":
            self.send_header("Content-Disposition", 'attachment; filename="..\\\\..\\\\x.exe"')
        if self.path == "/short":
            self.send_header("Content-Length", str(len(TOOL) + 1000))
        elif self.path != "/nolength":
            self.send_header("Content-Length", str(len(TOOL)))
        self.end_headers()
        self.wfile.write(TOOL)


def downloads():
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = "http://127.0.0.1:%d" % server.server_port
    try:
        with Workdir("orm_inst_") as w:
            tree = small_tree(w)
            s = Setup(w)
            mark = w.file("ran.txt")

            def case(name, installers):
                s.registry = w.file("registry-%s.txt" % name)
                if os.path.exists(mark):
                    os.remove(mark)
                extra = "Feature=Extra\n" + "".join("Installer=%s\n" % i for i in installers)
                out = pack(w, small_template(extra, "Component=Compiler\nRequired=yes\nCompiler\nExtra\n"), tree,
                           w.file("setup-" + name))
                inst = w.file("inst-" + name)
                return s.run(out, [line % inst if "%s" in line else line for line in INSTALL],
                             {"ORM_TEST_MARK": mark}) + (inst,)

            code, text, inst = case("ok", [base + "/dir/tool.sh"])
            ran = open(mark).read() if os.path.exists(mark) else ""
            check(code == 0 and "/tool.sh" in ran, "200: the downloaded program runs: " + text)
            check(glob.glob(w.file("temp/bx*/tool.sh")), "the download stays in the temporary folder")
            check("bytes/second" not in text, "no rate shown for a quick download")
            for leftover in glob.glob(w.file("temp/bx*")):
                shutil.rmtree(leftover)

            code, text, inst = case("disposition", [base + "/disposition"])
            ran = open(mark).read() if os.path.exists(mark) else ""
            check(code == 0 and ran.strip().endswith("/x.exe") and "/../" not in ran,
                  "Content-Disposition keeps its last component: " + ran + text)
            check(not os.path.exists(w.file("x.exe")), "nothing written outside the download folder")
            for leftover in glob.glob(w.file("temp/bx*")):
                shutil.rmtree(leftover)

            code, text, inst = case("nolength", [base + "/nolength"])
            check(code == 0 and os.path.exists(mark), "a download without length runs: " + text)
            check("complete)" not in text, "no percentages without a length")
            for leftover in glob.glob(w.file("temp/bx*")):
                shutil.rmtree(leftover)

            code, text, inst = case("ftp", ["ftp://127.0.0.1/none.exe", base + "/second.sh"])
            check(code == 0 and "/second.sh" in (open(mark).read() if os.path.exists(mark) else ""),
                  "an FTP installer that cannot connect passes on to the next: " + text)
            for leftover in glob.glob(w.file("temp/bx*")):
                shutil.rmtree(leftover)

            for name, path, message in (("missing", "/missing", "Server response was 404"),
                                        ("short", "/short", "Download of %s/short incomplete" % base)):
                code, text, inst = case(name, [base + path])
                check(code == 1 and ("box Fatal error: %s -> ok" % message) in text, name + ": " + text)
                check(not os.path.exists(inst) and not s.leftovers(), name + ": nothing left behind")
                check("ORMC-Lite" not in s.registry_text(), name + ": no keys left")
    finally:
        server.shutdown()


# --- the delivered form ---------------------------------------------------------------------------

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
               "shell32.dll", "user32.dll", "wininet.dll"}


def delivered():
    """The i686 installer: a GUI PE32 importing system DLLs only, packed with the shipped manifest."""
    tree = os.environ.get("ORM_WIN32_DIR") or build_dir() + "-win32"
    exe = os.path.join(tree, "installer.exe")
    if not os.path.exists(exe):
        skip("no i686 build tree with installer.exe at " + tree)
    need("file", "i686-w64-mingw32-objdump")
    kind = subprocess.run(["file", exe], capture_output=True, text=True).stdout
    check("PE32 executable (GUI) Intel 80386" in kind, "a 32-bit GUI program: " + kind)
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True).stdout
    dlls = {line.split()[-1].lower() for line in dump.splitlines() if "DLL Name:" in line}
    check(dlls and dlls <= SYSTEM_DLLS, "only system DLLs imported (zlib inside): %r" % sorted(dlls))
    # The window's icon is compiled in: a group icon named BRYLLEX_ICON (type 14) and an icon
    # (type 3) as large as the image that the shipped .ico holds.
    ico = open(os.path.join(source_dir(), "installer", "shipped", "ormc.ico"), "rb").read()
    (image_size,) = struct.unpack("<I", ico[14:18])
    rsrc = dump[dump.find("Resource Directory section"):]
    check("ID: 0x00000e" in rsrc and "]: BRYLLEX_ICON," in rsrc and "ID: 0x000003" in rsrc,
          "a group icon named BRYLLEX_ICON: " + rsrc[:2000])
    check("Size: 0x%06x," % image_size in rsrc, "the icon image of ormc.ico (%d bytes)" % image_size)
    out = os.path.join(tree, "ormc-lite-setup.exe")
    shipped = os.path.join(source_dir(), "installer", "shipped", "manifest.in")
    r = subprocess.run([program("ormpack"), exe, shipped, tree, out], capture_output=True, text=True)
    check(r.returncode == 0, "the shipped installer packs: " + r.stderr)
    if r.returncode:
        return
    n, m, manifest, entries = read_installer(out)
    lines = manifest.split("\n")
    values = dict(line.split("=", 1) for line in lines if "=" in line and "\t" not in line)
    key = "Software\\%s\\%s\\%s\\%s" % (values["Manufacturer"], values["Product"], values["Version"], values["PatchLevel"])
    check(key.lower() == "software\\bryllex software\\ormc-lite\\9.50\\pl2",
          "the manifest's keys are the ones the programs read: " + key)
    check(lines.count("Required=yes") == 1 and sum(l.startswith("Component=") for l in lines) == 1,
          "one required component")
    check("ormcl.exe\t%d" % os.path.getsize(os.path.join(tree, "bin", "ormcl.exe")) in manifest,
          "the Windows tree's driver is carried")
    check("installer.exe" not in manifest, "the installer does not carry itself")
    headers = sorted(os.path.relpath(os.path.join(r, f), tree) for r, _, fs in os.walk(os.path.join(tree, "include"))
                     for f in fs)
    carried = []
    folder = None
    for line in lines:
        if line.endswith("\\"):
            folder = line
        elif folder and folder.lower().startswith("include") and "\t" in line:
            carried.append((folder + line.split("\t")[0]).replace("\\", "/"))
    check(headers and sorted(carried) == headers, "the include tree is carried: %r" % carried)


CASES = {"packed": (packed_file, bad_input), "cycle": (install_repair_remove,), "downloads": (downloads,),
         "delivered": (delivered,)}


def main():
    need("gzip", "cmp", "diff", "sh")
    for case in CASES[sys.argv[1]]:
        case()
    if FAILURES:
        print("%d failures" % len(FAILURES))
        sys.exit(1)
    print("ok")


if __name__ == "__main__":
    main()
