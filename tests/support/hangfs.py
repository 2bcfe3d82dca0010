#!/usr/bin/python3
"""A read-only file system whose folder "stuck/dead" never answers, standing in for
a network share whose server has gone: examining it, or anything in it,
blocks until the file system process is killed (the blocked calls then fail
with ENOTCONN). Everything else answers at once.

    hangfs.py MOUNTPOINT     (runs in the foreground until killed)
"""
import errno
import stat
import sys
import threading
import time

try:
    from fusepy import FUSE, FuseOSError, Operations
except ImportError:
    from fuse import FUSE, FuseOSError, Operations

NEVER = threading.Event()
NOW = time.time()
FILES = {"/ok.txt": 1000, "/live/a.bin": 5000, "/stuck/dead/lost.bin": 7000}
# The kernel looks names up one at a time per folder, so a hung look-up
# holds its whole folder: "dead" sits in a folder of its own.
FOLDERS = {"/", "/live", "/stuck", "/stuck/dead"}


class HangFs(Operations):
    def _hang(self, path):
        if path == "/stuck/dead" or path.startswith("/stuck/dead/"):
            NEVER.wait()

    def getattr(self, path, fh=None):
        self._hang(path)
        if path in FOLDERS:
            return dict(st_mode=stat.S_IFDIR | 0o755, st_nlink=2, st_size=0,
                        st_atime=NOW, st_mtime=NOW, st_ctime=NOW)
        if path in FILES:
            return dict(st_mode=stat.S_IFREG | 0o644, st_nlink=1, st_size=FILES[path],
                        st_atime=NOW, st_mtime=NOW, st_ctime=NOW)
        raise FuseOSError(errno.ENOENT)

    def opendir(self, path):
        self._hang(path)
        return 0

    def readdir(self, path, fh):
        self._hang(path)
        prefix = path.rstrip("/") + "/"
        names = {p[len(prefix):].split("/")[0] for p in list(FILES) + list(FOLDERS)
                 if p.startswith(prefix) and p != prefix}
        return [".", ".."] + sorted(names)


if __name__ == "__main__":
    FUSE(HangFs(), sys.argv[1], foreground=True, ro=True, nothreads=False)
