#!/usr/bin/env python3
"""Fixture of the wine tests: "setup" makes the build tree's prefix (once) and starts a
persistent wineserver for it; "cleanup" stops that server, and only that one."""
import os
import subprocess
import sys

import windows


def main():
    wine = windows.Wine()
    if sys.argv[1] == "cleanup":
        subprocess.run([wine.server, "-k"], env=wine.env, timeout=60)
        return 0
    os.makedirs(wine.prefix, exist_ok=True)
    # The server forks itself into the background and stays while the tests run; one left
    # running from an earlier run serves as well (it answers with a non-zero status).
    # It must not inherit CTest's output pipe, which would then never close.
    subprocess.run([wine.server, "-p"], env=wine.env, timeout=60, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not os.path.exists(os.path.join(wine.prefix, "system.reg")):
        # Not through pipes: the services that wineboot leaves running would hold them open.
        done = subprocess.run([wine.loader, "wineboot", "-i"], env=wine.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=300)
        if done.returncode != 0:
            print("FAIL: wineboot -i ended with", done.returncode)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
