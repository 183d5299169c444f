#!/usr/bin/env python3
"""A slow drive for bench/e2e.sh: a read-only FUSE pass-through of a folder
that answers each metadata question (attributes, a folder's listing, access,
the file system's figures, a link's target) after a delay, as a share across
a network does. The kernel is told to keep no answer, so that every question
of every run reaches it; questions are answered in threads of their own, so
that questions asked at once wait at once, as on a file server.

    python3 slow_drive.py FOLDER MOUNTPOINT [DELAY_MS]

It stays in the foreground until the mount point is unmounted
(fusermount -u MOUNTPOINT) or it is ended.
"""
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class SlowPassThrough(Operations):
    def __init__(self, folder, delay):
        self.folder = folder
        self.delay = delay

    def _real(self, path):
        return os.path.join(self.folder, path.lstrip("/"))

    def _wait(self):
        time.sleep(self.delay)

    def getattr(self, path, fh=None):
        self._wait()
        try:
            st = os.lstat(self._real(path))
        except OSError as error:
            raise FuseOSError(error.errno)
        keys = ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime", "st_mtime", "st_ctime")
        return {key: getattr(st, key) for key in keys}

    def readdir(self, path, fh):
        self._wait()
        try:
            return [".", ".."] + os.listdir(self._real(path))
        except OSError as error:
            raise FuseOSError(error.errno)

    def access(self, path, mode):
        self._wait()
        if not os.access(self._real(path), mode):
            raise FuseOSError(errno.EACCES)

    def statfs(self, path):
        self._wait()
        st = os.statvfs(self._real(path))
        keys = ("f_bavail", "f_bfree", "f_blocks", "f_bsize", "f_favail", "f_ffree", "f_files", "f_flag",
                "f_frsize", "f_namemax")
        return {key: getattr(st, key) for key in keys}

    def readlink(self, path):
        self._wait()
        return os.readlink(self._real(path))

    def open(self, path, flags):
        return os.open(self._real(path), flags)

    def read(self, path, size, offset, fh):
        os.lseek(fh, offset, os.SEEK_SET)
        return os.read(fh, size)

    def release(self, path, fh):
        os.close(fh)


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    delay = (float(sys.argv[3]) if len(sys.argv) == 4 else 5.0) / 1000.0
    FUSE(SlowPassThrough(os.path.abspath(sys.argv[1]), delay), sys.argv[2], foreground=True, nothreads=False,
         ro=True, attr_timeout=0, entry_timeout=0, negative_timeout=0)


if __name__ == "__main__":
    main()
