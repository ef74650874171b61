#!/usr/bin/env python3
"""Makes a sample Skylume disc as the product ships it, and an update case.

Standard library only. Writes under OUT:

  disc/                    the disc's root, to be presented as /mnt/dvd/:
    dvd_version.txt        common text header (I / 900 / DVD) and a VERSION line
    <set>/directory.txt.zip  the zipped manifest ("directory.txt")
    <set>/Skylume/...zip   one archive per listed file, named after its path
  fresh_expected/          the product folder as a fresh Linux install leaves it
  update_product/          an older version installed, with the user's own files,
                           a product file the user modified and a file the new
                           version drops; like every product folder it holds the
                           four marker folders, each with files
  update_expected/         that folder once updated, the modified file overwritten
  sample.txt               what the disc holds, one "key value" line each

Contents, modes and dates are fixed by a seed, so two runs make the same disc.
The expected trees carry the files' modes and modification times (the archive
dates as local time), the link, and the fixed folders every install makes.
"""

import argparse
import hashlib
import os
import random
import shutil
import time
import zipfile

SET_NAME = "Skylume 10"   # the install set: the disc's folder and the product's new name
TOP = "Skylume/"          # the product's own top folder in every manifest path
FIXED_FOLDERS = ["Output", "Output/FMS plans", "Output/logbooks", "Output/movies",
                 "Output/situations", "Resources", "Resources/preferences"]
PLATFORM_ANY, OS_MAC, OS_WINDOWS, OS_LINUX, LINUX_ONLY = 0, 1, 2, 3, 6
WANTED_ON_LINUX = {PLATFORM_ANY, OS_LINUX, LINUX_ONLY}


class Entry:
    """One listed file of the new version, with what it replaced."""

    def __init__(self, rel, data, mode=0o644, platform=PLATFORM_ANY, date=None,
                 link=False, older=(), gone=False):
        self.rel = rel            # path below the product folder
        self.data = data          # bytes; for a link, its target
        self.mode = mode
        self.platform = platform
        self.date = date or (2008, 3, 1, 12, 0, 0)
        self.link = link
        self.older = list(older)  # contents of older versions, oldest first
        self.gone = gone          # the new version drops this file


def md5(data):
    return hashlib.md5(data).hexdigest()


def kb(size):
    return (size + 1023) // 1024


def file_date(index):
    """A DOS-representable date (even seconds) that differs between files."""
    return (2008, 3, 1 + index % 28, 6 + index % 12, index % 60, (index * 2) % 60)


def small_text(rng, index):
    words = ["runway", "heading", "flaps", "trim", "vector", "altimeter", "squawk",
             "glide", "slope", "beacon", "taxi", "hold", "short", "cleared"]
    lines = ["%d %s" % (index, " ".join(rng.choice(words) for _ in range(8)))
             for _ in range(1 + index % 5)]
    return ("\n".join(lines) + "\n").encode()


def new_version(small_files, large_kb, rng):
    """The product as the disc ships it."""
    entries = []
    for i in range(small_files):
        folder = "Resources/scenery/region %02d/tile %02d/" % (i % 17, (i // 17) % 9)
        entries.append(Entry(folder + "obj_%05d.txt" % i, small_text(rng, i), date=file_date(i)))
    # Large files: compressible text and incompressible noise.
    for n, size in enumerate(large_kb):
        if n % 2 == 0:
            block = b"".join(small_text(rng, j) for j in range(64))
            data = (block * (size * 1024 // len(block) + 1))[:size * 1024]
            entries.append(Entry("Resources/textures/terrain_%d.txt" % n, data, date=file_date(n)))
        else:
            entries.append(Entry("Resources/textures/photo_%d.raw" % n, rng.randbytes(size * 1024),
                                 date=file_date(n)))
    manual = b"Skylume manual\n\nPress INSTALL.\n"
    entries += [
        Entry("Resources/docs/manual.txt", manual, date=(2008, 2, 14, 9, 30, 0)),
        Entry("Manual.txt", b"Resources/docs/manual.txt", mode=0o777, link=True),
        Entry("Skylume-x86", b"#!/bin/sh\necho Skylume 10\n", mode=0o755, platform=OS_LINUX,
              date=(2008, 3, 2, 8, 0, 0), older=[b"#!/bin/sh\necho Skylume 9\n"]),
        Entry("Resources/plugins/linux only.so", b"\x7fELF linux only plugin\n", mode=0o755,
              platform=LINUX_ONLY),
        Entry("Skylume.app/Contents/MacOS/Skylume", b"mac executable\n", mode=0o755, platform=OS_MAC),
        Entry("Skylume.exe", b"MZ windows executable\n", platform=OS_WINDOWS),
        Entry("Resources/plugins/platform four.dat", b"never wanted\n", platform=4),
        Entry("Resources/plugins/platform five.dat", b"never wanted\n", platform=5),
        Entry("Resources/empty.txt", b""),
        # The other marker folders by which the installer knows a product folder
        # ("Airfoils", "Instructions", "Output", "Resources"), each with files.
        Entry("Airfoils/NACA 2412.afl", b"NACA 2412\nthickness 0.12 camber 0.02\n", date=(2008, 2, 20, 10, 0, 0),
              older=[b"NACA 2412\nthickness 0.12\n"]),
        Entry("Airfoils/NACA 0012.afl", b"NACA 0012\nthickness 0.12 symmetric\n", date=(2008, 2, 20, 10, 2, 0)),
        Entry("Instructions/Getting started.txt", b"Getting started with Skylume\n\nPress FLY.\n",
              date=(2008, 2, 14, 9, 32, 0)),
        Entry("Output/FMS plans/Example route.fms", b"EGLL\nDVR\nLFPG\n", date=(2008, 2, 14, 9, 34, 0)),
        # The update case: a product file updated, one the user modified, one dropped.
        Entry("Resources/docs/readme.txt", b"Skylume 10 readme\n", older=[b"Skylume 9 readme\n"]),
        Entry("Resources/settings.txt", b"gravity 9.81\nversion 10\n", older=[b"gravity 9.81\nversion 9\n"]),
        Entry("Resources/retired/old scenery.dat", b"", older=[b"retired scenery of 9\n"], gone=True),
    ]
    return entries


def link_signature(entry, by_rel):
    """A link is read through: its signature is the one of the file it names."""
    target = os.path.normpath(os.path.join(os.path.dirname(entry.rel), entry.data.decode()))
    return md5(by_rel[target].data)


def manifest_text(entries):
    by_rel = {e.rel: e for e in entries}
    lines = ["I", "900 version", "INSTALLER"]
    folder = None
    for e in entries:
        path = TOP + e.rel
        cut = path.rfind("/") + 1
        if path[:cut] != folder:
            folder = path[:cut]
            lines.append("DIR " + folder)
        name = path[cut:]
        for old in e.older:
            lines.append("FILE 0 %d 0 %d %d %s %s" % (e.platform, kb(len(old)), kb(len(old)), md5(old), name))
        if e.gone:
            sig, size = "GONE", 0
        else:
            sig = link_signature(e, by_rel) if e.link else md5(e.data)
            size = kb(len(e.data))
        # The download size is the archive's, known only once it is written.
        lines.append("FILE 0 %d 0 %d %d %s %s" % (e.platform, e.archive_kb if not e.gone else 0, size, sig, name))
    return "\n".join(lines) + "\n"


def zip_info(name, entry):
    info = zipfile.ZipInfo(name, date_time=entry.date)
    info.create_system = 3  # Unix: the upper attribute half holds the mode
    kind = 0o120000 if entry.link else 0o100000
    info.external_attr = (kind | entry.mode) << 16
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def write_archive(path, entry):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zip_info(os.path.basename(entry.rel), entry), entry.data)
    entry.archive_kb = kb(os.path.getsize(path))


def write_disc(root, entries):
    os.makedirs(os.path.join(root, SET_NAME), exist_ok=True)
    with open(os.path.join(root, "dvd_version.txt"), "w") as f:
        f.write("I\n900 version\nDVD\nVERSION " + SET_NAME + "\n")
    for e in entries:
        if not e.gone:
            write_archive(os.path.join(root, SET_NAME, TOP + e.rel + ".zip"), e)
    info = zipfile.ZipInfo("directory.txt", date_time=(2008, 3, 3, 10, 0, 0))
    info.create_system = 3
    info.external_attr = 0o100644 << 16
    info.compress_type = zipfile.ZIP_DEFLATED
    with zipfile.ZipFile(os.path.join(root, SET_NAME, "directory.txt.zip"), "w") as z:
        z.writestr(info, manifest_text(entries))


def put(root, rel, data, mode=0o644, date=(2008, 1, 1, 0, 0, 0), link=False):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if link:
        os.symlink(data.decode(), path)
        return
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, mode)
    stamp = time.mktime(date + (0, 0, -1))
    os.utime(path, (stamp, stamp))


def put_entry(root, e):
    put(root, e.rel, e.data, e.mode, e.date, e.link)


def make_fixed_folders(root):
    for f in FIXED_FOLDERS:
        os.makedirs(os.path.join(root, f), exist_ok=True)


def write_fresh_expected(root, entries):
    make_fixed_folders(root)
    for e in entries:
        if e.platform in WANTED_ON_LINUX and not e.gone:
            put_entry(root, e)


USER_FILES = [("Output/logbooks/my flight.txt", b"EGLL to LFPG, 1:05\n"),
              ("Resources/my notes.txt", b"my own notes\n"),
              ("Output/situations/my approach.sit", b"user situation\n")]
MODIFIED = ("Resources/settings.txt", b"gravity 9.81\nversion 9\nmy own tweak\n")


def write_update_product(root, entries):
    """Skylume 9 as installed: the current small files, the older versions, the user's changes."""
    make_fixed_folders(root)
    for e in entries:
        if e.platform not in WANTED_ON_LINUX:
            continue
        if e.older:
            put(root, e.rel, e.older[-1], e.mode)
        elif not e.rel.startswith("Resources/textures/"):
            put_entry(root, e)  # already current: kept as it is
    put(root, MODIFIED[0], MODIFIED[1])
    for rel, data in USER_FILES:
        put(root, rel, data, date=(2009, 5, 5, 5, 5, 4))


def write_update_expected(root, entries):
    write_fresh_expected(root, entries)
    for rel, data in USER_FILES:
        put(root, rel, data, date=(2009, 5, 5, 5, 5, 4))


def write_summary(path, entries, large_kb):
    wanted = [e for e in entries if e.platform in WANTED_ON_LINUX and not e.gone]
    with open(path, "w") as f:
        f.write("set %s\n" % SET_NAME)
        f.write("listed %d\n" % len(entries))
        f.write("installed_files %d\n" % len(wanted))
        f.write("installed_bytes %d\n" % sum(len(e.data) for e in wanted if not e.link))
        f.write("large_kb %s\n" % ",".join(str(k) for k in large_kb))
        f.write("modified %s\n" % MODIFIED[0])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("out", help="folder to write (emptied first)")
    parser.add_argument("--small-files", type=int, default=3000)
    parser.add_argument("--large-kb", default="4096,4096,2048",
                        help="sizes of the large files in KiB, comma-separated; odd ones are incompressible")
    parser.add_argument("--seed", type=int, default=10)
    args = parser.parse_args()
    large_kb = [int(k) for k in args.large_kb.split(",") if k]
    os.umask(0o022)
    if os.path.isdir(args.out):
        shutil.rmtree(args.out)
    entries = new_version(args.small_files, large_kb, random.Random(args.seed))
    write_disc(os.path.join(args.out, "disc"), entries)
    write_fresh_expected(os.path.join(args.out, "fresh_expected"), entries)
    write_update_product(os.path.join(args.out, "update_product"), entries)
    write_update_expected(os.path.join(args.out, "update_expected"), entries)
    write_summary(os.path.join(args.out, "sample.txt"), entries, large_kb)


if __name__ == "__main__":
    main()
