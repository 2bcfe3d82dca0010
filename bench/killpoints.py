#!/usr/bin/python3
"""Kill points: runs `quillmere-clean move` and `quillmere-clean archive` on a
tree of files and kills each with SIGKILL after k milliseconds, for k spread
over the whole run (measured first). After each kill every file must be whole
in at least one place (where it was, at the target, or in an archive); then
the same command runs again to the end, and must leave nothing of the killed
one behind (hidden copies, move records, partial archives).

    killpoints.py BUILD_DIR [--points N] [--files N] [--keep]

The move needs a second file system for its target: a tmpfs mounted for the
run (as root), else /dev/shm when it is another file system. Exit status 0
when every case kept the promise, 77 when the machine cannot run it (no
second file system); with QUILLMERE_FAULT_FIGURES set, one line per case
goes there (see tests/common/FaultFigures.h).
"""
import argparse
import hashlib
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import zipfile

ARCHIVES = ".Archives Bin"
SKIPPED = 77  # what CTest takes for a skipped test


def make_tree(root, files, seed=2000):
    rng = random.Random(seed)
    for i in range(files):
        folder = os.path.join(root, "d%02d" % (i % 40), "e%d" % (i % 3))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%04d.bin" % i), "wb") as out:
            out.write(rng.randbytes(rng.randint(0, 24000)))


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def manifest(root):
    """relative path -> digest of every file below root."""
    result = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                result[os.path.relpath(path, root)] = digest(path)
    return result


def archived(drive, folder_name):
    """relative path below the folder -> digest, for every archive made."""
    result = {}
    folder = os.path.join(drive, ARCHIVES)
    if not os.path.isdir(folder):
        return result
    for name in os.listdir(folder):
        if not name.endswith(".ZIP"):
            continue
        with zipfile.ZipFile(os.path.join(folder, name)) as z:
            for info in z.infolist():
                if info.is_dir() or not info.filename.startswith(folder_name + "/"):
                    continue
                data = z.read(info)
                rel = info.filename[len(folder_name) + 1:]
                result.setdefault(rel, set()).add(hashlib.sha256(data).hexdigest())
    return result


def lost_files(before, places):
    lost = []
    for rel, want in before.items():
        if not any(want in (p.get(rel) if isinstance(p.get(rel), set) else {p.get(rel)})
                   for p in places):
            lost.append(rel)
    return lost


def leftovers(target_dir, drive, state):
    """What a killed command may leave and the next one must remove."""
    left = []
    if target_dir and os.path.isdir(target_dir):
        left += [n for n in os.listdir(target_dir) if n.startswith(".quillmere-move-")]
    moves = os.path.join(state, "quillmere", "moves")
    if os.path.isdir(moves):
        left += ["record " + n for n in os.listdir(moves)]
    archives = os.path.join(drive, ARCHIVES)
    if os.path.isdir(archives):
        left += [n for n in os.listdir(archives) if n.endswith(".part")]
        # An archive the catalogue does not name is one nobody finds again.
        catalogued = set()
        try:
            with open(os.path.join(archives, "archives.ini"), errors="replace") as ini:
                catalogued = {line.split("=", 1)[0].strip().upper() for line in ini if "=" in line}
        except OSError:
            pass
        left += ["uncatalogued " + n for n in os.listdir(archives)
                 if n.endswith(".ZIP") and n.upper() not in catalogued]
    return left


def second_file_system(work):
    """A folder on another file system than work, and how to give it back:
    a tmpfs of its own where it may mount one, else /dev/shm."""
    folder = os.path.join(work, "other-drive")
    os.makedirs(folder)
    if os.geteuid() == 0 and subprocess.call(
            ["mount", "-t", "tmpfs", "-o", "size=512m", "tmpfs", folder]) == 0:
        return folder, lambda: subprocess.call(["umount", "-l", folder])
    if os.stat("/dev/shm").st_dev != os.stat(work).st_dev and os.access("/dev/shm", os.W_OK):
        folder = tempfile.mkdtemp(prefix="quillmere-kill-", dir="/dev/shm")
        return folder, lambda: shutil.rmtree(folder, ignore_errors=True)
    print("killpoints: skipped: the move needs a second file system (root to mount one, "
          "or /dev/shm)")
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(SKIPPED)


def record(operation, fault, ok, lost):
    figures = os.environ.get("QUILLMERE_FAULT_FIGURES")
    if figures:
        with open(figures, "a") as out:
            out.write("%s\t%s\t%d\t%d\t-1\n" % (operation, fault, 1 if ok else 0, lost))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--points", type=int, default=50)
    parser.add_argument("--files", type=int, default=2000)
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    args = parser.parse_args()
    clean = os.path.join(os.path.abspath(args.build), "src", "app", "quillmere-clean")
    if not os.access(clean, os.X_OK):
        sys.exit("killpoints: %s is not built" % clean)

    work = tempfile.mkdtemp(prefix="quillmere-killpoints-")
    state = os.path.join(work, "state")
    env = dict(os.environ, XDG_STATE_HOME=state, QT_QPA_PLATFORM="offscreen")
    pristine = os.path.join(work, "pristine")
    make_tree(pristine, args.files)
    before = manifest(pristine)
    drive = os.path.join(work, "drive")
    os.makedirs(drive)
    other, give_back = second_file_system(work)
    failures = 0

    def run(command, kill_after=None):
        p = subprocess.Popen([clean] + command, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
        if kill_after is not None:
            time.sleep(kill_after / 1000.0)
            p.send_signal(signal.SIGKILL)
        _, err = p.communicate()
        return p.returncode, err.decode(errors="replace")

    def fresh_source():
        source = os.path.join(drive, "docs")
        shutil.rmtree(source, ignore_errors=True)
        shutil.copytree(pristine, source, symlinks=True)
        return source

    operations = {
        "move": lambda source: ["move", source, os.path.join(other, "moved")],
        "archive": lambda source: ["archive", source, "--drive", drive],
    }
    try:
        for operation, command in operations.items():
            source = fresh_source()
            start = time.monotonic()
            status, err = run(command(source))
            length_ms = (time.monotonic() - start) * 1000
            if status != 0:
                sys.exit("killpoints: %s failed without a kill: %s" % (operation, err))
            print("%s: %d files, a whole run takes %.0f ms" % (operation, len(before), length_ms))
            kept_all = 0
            lost_all = 0
            for i in range(args.points):
                k = length_ms * (i + 0.5) / args.points
                for leftover in [os.path.join(other, "moved"), os.path.join(other, "rest"),
                                 os.path.join(drive, ARCHIVES)]:
                    shutil.rmtree(leftover, ignore_errors=True)
                source = fresh_source()
                run(command(source), kill_after=k)
                places = [manifest(source), manifest(os.path.join(other, "moved")),
                          archived(drive, "docs")]
                lost = lost_files(before, places)
                # The next command finishes the job and tidies after the dead one;
                # a move whose copy was already in place takes the rest elsewhere.
                again = command(source)
                if operation == "move" and os.path.exists(os.path.join(other, "moved")):
                    again = ["move", source, os.path.join(other, "rest")]
                if os.path.exists(source):
                    status, err = run(again)
                else:
                    status, err = 0, ""
                places = [manifest(source), manifest(os.path.join(other, "moved")),
                          manifest(os.path.join(other, "rest")), archived(drive, "docs")]
                lost_after = lost_files(before, places)
                left = leftovers(other, drive, state)
                ok = not lost and not lost_after and not left and status == 0 and \
                    not os.path.exists(source)
                if not ok:
                    failures += 1
                    print("  k=%.0f ms: lost %d after the kill, %d after the next run; left %s; "
                          "next run %d %s" % (k, len(lost), len(lost_after), left, status,
                                              err.strip()[:300]))
                kept_all += ok
                lost_all += len(lost) + len(lost_after)
                record(operation + " (quillmere-clean)",
                       "SIGKILL after k ms, k spread over the whole run", ok,
                       len(lost) + len(lost_after))
            print("%s: %d of %d kill points kept every file and left nothing behind; "
                  "%d files lost" % (operation, kept_all, args.points, lost_all))
    finally:
        give_back()
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
