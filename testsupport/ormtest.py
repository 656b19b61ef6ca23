"""What every Python test needs: where the build tree and the sources are, scratch folders
outside the build tree that are removed at the end, running a program with its status and
output captured, and peer tools that may be missing (a skip on a developer's machine, a
failure on CI). CTest puts this folder on PYTHONPATH and sets ORM_BUILD_DIR and ORM_SOURCE_DIR."""
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77  # CTest's SKIP_RETURN_CODE for the Python tests


def build_dir():
    """The build tree under test."""
    return os.path.abspath(os.environ.get("ORM_BUILD_DIR") or "build")


def source_dir():
    """The source tree: ORM_SOURCE_DIR, else the one this module sits in."""
    return os.path.abspath(os.environ.get("ORM_SOURCE_DIR") or
                           os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))


def program(name):
    """A program of the build tree: bin/NAME, or tests/NAME for the test-only tools."""
    path = os.path.join(build_dir(), "bin", name)
    return path if os.path.exists(path) else os.path.join(build_dir(), "tests", name)


def message_file():
    """The build tree's own English message file."""
    return os.path.join(build_dir(), "dat", "en_msgs.txt")


def on_ci():
    return os.environ.get("CI") == "true"


def skip(reason):
    """Ends the test: skipped on a developer's machine, failed on CI (CI=true)."""
    if on_ci():
        print("FAIL: CI=true and not available:", reason)
        sys.exit(1)
    print("SKIP:", reason)
    sys.exit(SKIP)


def missing(*tools):
    """The peer tools of the list that are not on PATH."""
    return [t for t in tools if not shutil.which(t)]


def need(*tools):
    """Ends the test (see skip) when a peer tool is not installed."""
    absent = missing(*tools)
    if absent:
        skip("not installed: " + " ".join(absent))


def run(args, cwd=None, stdin=None, env=None, timeout=120, binary=False):
    """Runs a program; returns the CompletedProcess with stdout and stderr captured."""
    full = dict(os.environ, ORM_REGISTRY="")
    full.update(env or {})
    text = {} if binary else {"text": True, "errors": "replace"}
    return subprocess.run(args, cwd=cwd, env=full, input=stdin, capture_output=True, timeout=timeout,
                          stdin=None if stdin is not None else subprocess.DEVNULL, **text)


class Workdir:
    """A scratch folder in the system's temporary folder, removed with everything in it at the end."""

    def __init__(self, prefix="orm_test_"):
        self.path = tempfile.mkdtemp(prefix=prefix)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.remove()

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)

    def file(self, name):
        return os.path.join(self.path, name)

    def write(self, name, text):
        path = self.file(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)
        return path

    def read(self, name):
        with open(self.file(name), errors="replace") as f:
            return f.read()

    def exists(self, name):
        return os.path.exists(self.file(name))

    def run(self, args, stdin=None, timeout=60, env=None):
        return run(args, cwd=self.path, stdin=stdin, env=env, timeout=timeout)

    def tool(self, name, *args, timeout=300):
        """A program of the build tree, run in this folder. The time limit is generous: a
        sanitizer build on a machine busy with parallel tests can take a minute for a build."""
        return self.run([program(name)] + list(args), timeout=timeout)
