"""Shared helpers of the Windows tests: the expected program list, the Windows build trees,
and running the x86_64 programs under wine64 in the build tree's own prefix."""
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# Every program each Windows bin/ must hold. A program whose folder is still missing from the
# source tree joins when the folder arrives: add its row here.
PROGRAMS = [
    ("ormcl", "driver"), ("ormannot", "listing/ormannot"), ("ormpre", "preprocessor"),
    ("ormparse", "parser"), ("ormcg", "codegen"), ("ormasm", "asmtools/ormasm"),
    ("ormlink", "linker"), ("ormhex", "outtools/ormhex"), ("ormpatch", "outtools/ormpatch"),
    ("ormconv", "converter"), ("ormarch", "asmtools/ormarch"), ("ormxref", "listing/ormxref"),
    ("ormtrim", "outtools/ormtrim"),
]


def expected_programs():
    return [name for name, folder in PROGRAMS
            if os.path.exists(os.path.join(SOURCE, folder, "CMakeLists.txt"))]


failures = []
passed = [0]


def check(condition, text):
    if condition:
        passed[0] += 1
    else:
        failures.append(text)
        print("FAIL:", text)
    return condition


def finish():
    print("%d checks passed, %d failed" % (passed[0], len(failures)))
    sys.exit(1 if failures else 0)


def skip(reason):
    """A missing tool or tree skips the test; in CI it fails it."""
    if os.environ.get("CI") == "true":
        print("FAIL (CI=true, so no skip):", reason)
        sys.exit(1)
    print("SKIP:", reason)
    sys.exit(SKIP)


def tree(kind):
    """The Windows build tree for kind "win32" or "win64" (from the environment CTest sets)."""
    path = os.environ.get("ORM_%s_DIR" % kind.upper(), "")
    if not path or not os.path.isdir(os.path.join(path, "bin")):
        skip("no %s build tree at %r (scripts/test.sh builds it)" % (kind, path))
    return path


def native_bin():
    return os.path.join(os.environ["ORM_BUILD_DIR"], "bin")


def lf(data):
    return data.replace(b"\r\n", b"\n")


def find_wine():
    """The wine64 loader and wineserver; Debian keeps the loader off PATH."""
    loader = shutil.which("wine64")
    if not loader:
        try:
            listed = subprocess.run(["dpkg", "-L", "wine64"], capture_output=True, text=True).stdout.split()
        except OSError:
            listed = []
        loader = next((p for p in listed if p.endswith("/wine64") and os.path.isfile(p)), None)
    if not loader:
        skip("wine64 is not installed")
    server = shutil.which("wineserver") or os.path.join(os.path.dirname(loader), "wineserver")
    if not os.path.isfile(server):
        skip("wineserver not found beside %s" % loader)
    return loader, server


class Wine:
    """wine64 with the build tree's prefix; the fixture made it and keeps its server running."""

    def __init__(self):
        self.loader, self.server = find_wine()
        self.prefix = os.path.join(os.environ["ORM_BUILD_DIR"], "wine-prefix")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", WINESERVER=self.server,
                        # No menu entries on the host, no Mono or Gecko prompts, and a program
                        # that crashes ends at once instead of waiting in the debugger.
                        WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml=;winedbg.exe=d")
        # Our programs' own variables must not leak in from the Linux side.
        for name in ("ORM_REGISTRY", "BXC_ERR_FILE", "TEMP", "TMP"):
            self.env.pop(name, None)

    def run(self, args, cwd=None, timeout=120, env=None):
        """Runs a Windows program (path and arguments); returns the CompletedProcess. Output
        goes through files: a wine service started on the way would hold a pipe open."""
        e = dict(self.env, **(env or {}))
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run([self.loader] + list(args), cwd=cwd, env=e, stdout=out, stderr=err,
                                  timeout=timeout)
            out.seek(0)
            err.seek(0)
            done.stdout, done.stderr = out.read(), err.read()
        return done

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def temp_dirs(self):
        """The files in every user's Temp folder of the prefix."""
        found = set()
        for top, dirs, files in os.walk(self.drive_c("users")):
            if os.path.basename(top).lower() == "temp":
                found.update(os.path.join(top, f) for f in files)
        return found


def run_native(args, cwd=None):
    env = dict(os.environ, ORM_REGISTRY="")
    return subprocess.run(args, cwd=cwd, env=env, capture_output=True, timeout=120)


def scratch(name):
    """A scratch folder whose name holds a blank."""
    return tempfile.mkdtemp(prefix="orm wine %s " % name)
