#!/usr/bin/env python3
"""Checks the built Windows programs in dist/win64 and dist/win32 by their PE headers.

For every .exe and .com of a target folder:
  - PE32 with machine i386 (0x14c) in win32, PE32+ with machine AMD64 (0x8664) in win64;
  - an executable image, not a DLL;
  - imports (plain and delay-loaded) only from Windows system DLLs (SYSTEM_DLLS, api-ms-win-crt-*);
  - the subsystem the program needs (GUI 2 or console 3, see PROGRAMS);
  - win32 only: subsystem version 4.0 or lower, so that Windows 95 loads it.
Update.exe must carry Swaplet.exe of the same folder, byte for byte, as resource "IDR_XDATA" of type
"XDATA".

Usage: pecheck.py --dist <dist folder> [--targets win64 win32]
Exit code 0 when every program passes, 1 otherwise (also when no program is found at all or a target
folder is missing: build first with scripts/build).
"""
import argparse
import os
import struct
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
    "shlwapi.dll", "wininet.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll", "ws2_32.dll",
    "version.dll", "msvcrt.dll",
}
SUBSYSTEM_GUI = 2
SUBSYSTEM_CONSOLE = 3
# The deliverables and the subsystem each needs; any other program found is checked without one.
PROGRAMS = {
    "update.exe": SUBSYSTEM_GUI,
    "swaplet.exe": SUBSYSTEM_GUI,
    "langpin.com": SUBSYSTEM_CONSOLE,
    "mkserver.exe": SUBSYSTEM_CONSOLE,
    "mkstrings.exe": SUBSYSTEM_CONSOLE,
}
TARGETS = {
    # target: (optional-header magic, machine, label)
    "win32": (0x10B, 0x14C, "PE32/i386"),
    "win64": (0x20B, 0x8664, "PE32+/AMD64"),
}
IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002
IMAGE_FILE_DLL = 0x2000
MAX_ENTRIES = 4096  # bound on descriptors and resource entries read from a file


class PeError(Exception):
    pass


def is_system_dll(name):
    n = name.lower()
    return n in SYSTEM_DLLS or n.startswith("api-ms-win-crt-")


class PeImage:
    """The parts of a PE file the checks need, read with bounds checks on every offset."""

    def __init__(self, data):
        self.data = data
        if len(data) < 0x40 or data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = self.u32(0x3C)
        if self.bytes(pe, 4) != b"PE\0\0":
            raise PeError("no PE signature")
        (self.machine, nsections, _, _, _, opt_size, self.characteristics) = struct.unpack_from(
            "<HHIIIHH", self.bytes(pe + 4, 20))
        opt = pe + 24
        self.magic = self.u16(opt)
        if self.magic == 0x10B:
            dirs_at, image_base = 96, self.u32(opt + 28)
        elif self.magic == 0x20B:
            dirs_at, image_base = 112, struct.unpack_from("<Q", self.bytes(opt + 24, 8))[0]
        else:
            raise PeError("unknown optional header magic 0x%x" % self.magic)
        if opt_size < dirs_at:
            raise PeError("optional header too small")
        self.image_base = image_base
        self.subsystem = self.u16(opt + 68)
        self.subsystem_version = (self.u16(opt + 48), self.u16(opt + 50))
        ndirs = min(self.u32(opt + dirs_at - 4), (opt_size - dirs_at) // 8, 16)
        self.dirs = [struct.unpack_from("<II", self.bytes(opt + dirs_at + 8 * i, 8)) for i in range(ndirs)]
        self.sections = []
        for i in range(nsections):
            s = self.bytes(opt + opt_size + 40 * i, 40)
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", s, 8)
            self.sections.append((va, max(vsize, rawsize), rawptr, rawsize))

    def bytes(self, off, n):
        if off < 0 or n < 0 or off + n > len(self.data):
            raise PeError("offset 0x%x (+%d) outside the file" % (off, n))
        return self.data[off:off + n]

    def u16(self, off):
        return struct.unpack_from("<H", self.bytes(off, 2))[0]

    def u32(self, off):
        return struct.unpack_from("<I", self.bytes(off, 4))[0]

    def offset(self, rva):
        for va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rawsize:
                    raise PeError("RVA 0x%x has no bytes in the file" % rva)
                return rawptr + rva - va
        raise PeError("RVA 0x%x in no section" % rva)

    def cstring(self, rva, limit=512):
        off = self.offset(rva)
        end = self.data.find(b"\0", off, off + limit)
        if end < 0:
            raise PeError("unterminated name at RVA 0x%x" % rva)
        return self.data[off:end].decode("latin-1")

    def directory(self, index):
        return self.dirs[index] if index < len(self.dirs) else (0, 0)

    def imports(self):
        """Names of the DLLs in the import table and the delay-load table."""
        names = []
        rva, size = self.directory(1)
        if rva:
            off = self.offset(rva)
            for i in range(MAX_ENTRIES):
                oft, _, _, name, ft = struct.unpack_from("<IIIII", self.bytes(off + 20 * i, 20))
                if (oft, name, ft) == (0, 0, 0):
                    break
                names.append(self.cstring(name))
            else:
                raise PeError("import table without end")
        rva, size = self.directory(13)
        if rva:
            off = self.offset(rva)
            for i in range(MAX_ENTRIES):
                attributes, name = struct.unpack_from("<II", self.bytes(off + 32 * i, 8))
                if name == 0:
                    break
                if not attributes & 1:  # old form: a virtual address
                    name -= self.image_base
                names.append(self.cstring(name))
            else:
                raise PeError("delay-load table without end")
        return names

    def resource(self, type_name, res_name):
        """Bytes of the first resource with these string type and name (any language), or None."""
        rva, _ = self.directory(2)
        if not rva:
            return None
        base = self.offset(rva)

        def entries(dir_off):
            named, ids = struct.unpack_from("<HH", self.bytes(base + dir_off + 12, 4))
            if named + ids > MAX_ENTRIES:
                raise PeError("resource directory too large")
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.bytes(base + dir_off + 16 + 8 * i, 8))
                label = None
                if name & 0x80000000:
                    length = self.u16(base + (name & 0x7FFFFFFF))
                    label = self.bytes(base + (name & 0x7FFFFFFF) + 2, 2 * length).decode("utf-16-le")
                yield label, target

        def find(dir_off, wanted):
            for label, target in entries(dir_off):
                if label is not None and label.upper() == wanted and target & 0x80000000:
                    return target & 0x7FFFFFFF
            return None

        type_dir = find(0, type_name)
        name_dir = find(type_dir, res_name) if type_dir is not None else None
        if name_dir is None:
            return None
        for _, target in entries(name_dir):  # the first language
            if target & 0x80000000:
                raise PeError("resource tree deeper than three levels")
            data_rva, size = struct.unpack_from("<II", self.bytes(base + target, 8))
            return self.bytes(self.offset(data_rva), size)
        return None


def check_program(path, target):
    """Problems found in one program (empty list when it passes)."""
    magic, machine, label = TARGETS[target]
    name = os.path.basename(path).lower()
    with open(path, "rb") as f:
        data = f.read()
    try:
        img = PeImage(data)
        problems = []
        if img.magic != magic or img.machine != machine:
            problems.append("is magic 0x%x machine 0x%x, %s needs %s" % (img.magic, img.machine, target, label))
        if not img.characteristics & IMAGE_FILE_EXECUTABLE_IMAGE or img.characteristics & IMAGE_FILE_DLL:
            problems.append("is not an executable image (characteristics 0x%x)" % img.characteristics)
        for dll in img.imports():
            if not is_system_dll(dll):
                problems.append("imports %s, which is not a Windows system DLL" % dll)
        want = PROGRAMS.get(name)
        if want is not None and img.subsystem != want:
            problems.append("has subsystem %d, needs %d" % (img.subsystem, want))
        if want is None and img.subsystem not in (SUBSYSTEM_GUI, SUBSYSTEM_CONSOLE):
            problems.append("has subsystem %d, neither GUI nor console" % img.subsystem)
        if target == "win32" and img.subsystem_version > (4, 0):
            problems.append("needs subsystem version %d.%d; Windows 95 loads 4.0 at most" % img.subsystem_version)
        if name == "update.exe":
            problems += check_embedded_installer(img, os.path.join(os.path.dirname(path), "Swaplet.exe"))
        return problems
    except PeError as e:
        return ["is no readable PE file: %s" % e]


def check_embedded_installer(img, swaplet_path):
    embedded = img.resource("XDATA", "IDR_XDATA")
    if embedded is None:
        return ["has no resource IDR_XDATA of type XDATA (the installer)"]
    if not os.path.isfile(swaplet_path):
        return []  # compared once Swaplet.exe is in the folder as well
    with open(swaplet_path, "rb") as f:
        if f.read() != embedded:
            return ["carries an installer that differs from %s (Update.exe must be linked after the "
                    "Swaplet.exe beside it; did another build write this folder in between?)" % swaplet_path]
    return []


def programs_in(folder):
    if not os.path.isdir(folder):
        return None
    return sorted(n for n in os.listdir(folder)
                  if n.lower().endswith((".exe", ".com")) and os.path.isfile(os.path.join(folder, n)))


def run(dist, targets, out=sys.stdout):
    """Checks every target folder; returns the number of failures (missing folders and an empty dist count)."""
    failures = 0
    checked = 0
    for target in targets:
        folder = os.path.join(dist, target)
        names = programs_in(folder)
        if names is None:
            print("FAIL %s: folder %s missing (build it with scripts/build)" % (target, folder), file=out)
            failures += 1
            continue
        present = {n.lower() for n in names}
        for expected in sorted(PROGRAMS):
            if expected not in present:
                print("note %s: %s not built yet, skipped" % (target, expected), file=out)
        for n in names:
            problems = check_program(os.path.join(folder, n), target)
            checked += 1
            if problems:
                failures += 1
                for p in problems:
                    print("FAIL %s/%s %s" % (target, n, p), file=out)
            else:
                print("ok   %s/%s" % (target, n), file=out)
    if checked == 0:
        print("FAIL no program found in %s (build first with scripts/build)" % dist, file=out)
        failures += 1
    print("pecheck: %d program(s) checked, %d failure(s)" % (checked, failures), file=out)
    return failures


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--dist", required=True)
    ap.add_argument("--targets", nargs="+", default=["win64", "win32"], choices=sorted(TARGETS))
    args = ap.parse_args(argv)
    return 1 if run(args.dist, args.targets) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
