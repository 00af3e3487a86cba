#!/usr/bin/env python3
"""Tests of pecheck.py: crafted PE files for each fault it must catch, a real program with one import
renamed, and the parser compared with objdump on the built programs."""
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pecheck  # noqa: E402

DIST = os.environ.get("UPD_DIST", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "dist"))
SECTION_RVA = 0x1000
SECTION_RAW = 0x200


def build_pe(bits=64, machine=None, subsystem=3, imports=("KERNEL32.dll",), delay=(), delay_old_form=False,
             characteristics=0x0022, subsys_version=(4, 0), resources=None, import_terminator=True):
    """A minimal PE image: headers, then one section holding imports, delay imports and resources."""
    magic = 0x20B if bits == 64 else 0x10B
    if machine is None:
        machine = 0x8664 if bits == 64 else 0x14C
    image_base = 0x400000
    sec = bytearray()

    def put(blob):
        while len(sec) % 4:
            sec.append(0)
        at = SECTION_RVA + len(sec)
        sec.extend(blob)
        return at

    def name_rva(name):
        return put(name.encode("latin-1") + b"\0")

    import_rva = 0
    if imports:
        descs = b"".join(struct.pack("<IIIII", 0, 0, 0, name_rva(n), 0x2000) for n in imports)
        import_rva = put(descs + (b"\0" * 20 if import_terminator else b""))
    delay_rva = 0
    if delay:
        entries = b""
        for n in delay:
            rva = name_rva(n)
            entries += struct.pack("<II", 0, rva + image_base) if delay_old_form else struct.pack("<II", 1, rva)
            entries += b"\0" * 24
        delay_rva = put(entries + b"\0" * 32)
    rsrc_rva = 0
    if resources:
        rsrc_rva = put(build_resources(resources, SECTION_RVA + len(sec) + (-len(sec) % 4)))

    opt_size = 224 if bits == 32 else 240
    dirs = [(0, 0)] * 16
    dirs[1] = (import_rva, 40)
    dirs[2] = (rsrc_rva, 0x100) if rsrc_rva else (0, 0)
    dirs[13] = (delay_rva, 64) if delay_rva else (0, 0)
    opt = bytearray(opt_size)
    struct.pack_into("<H", opt, 0, magic)
    if bits == 32:
        struct.pack_into("<I", opt, 28, image_base)
    else:
        struct.pack_into("<Q", opt, 24, image_base)
    struct.pack_into("<HH", opt, 48, *subsys_version)
    struct.pack_into("<H", opt, 68, subsystem)
    dirs_at = 96 if bits == 32 else 112
    struct.pack_into("<I", opt, dirs_at - 4, 16)
    for i, (rva, size) in enumerate(dirs):
        struct.pack_into("<II", opt, dirs_at + 8 * i, rva, size)

    head = bytearray(0x40)
    head[0:2] = b"MZ"
    struct.pack_into("<I", head, 0x3C, 0x40)
    head += b"PE\0\0" + struct.pack("<HHIIIHH", machine, 1, 0, 0, 0, opt_size, characteristics) + opt
    raw_size = (len(sec) + 0x1FF) & ~0x1FF
    head += b".data\0\0\0" + struct.pack("<IIIIIIHHI", len(sec), SECTION_RVA, raw_size, SECTION_RAW, 0, 0, 0, 0,
                                         0xC0000040)
    assert len(head) <= SECTION_RAW
    return bytes(head.ljust(SECTION_RAW, b"\0") + sec.ljust(raw_size, b"\0"))


def build_resources(resources, base_rva):
    """A three-level resource tree of string types and names, language 1033, at base_rva."""
    # resources: {(type, name): bytes}. Layout: root, one type dir per type, one name dir per entry,
    # data entries, strings, data.
    types = {}
    for (t, n), blob in resources.items():
        types.setdefault(t, []).append((n, blob))
    dir_size = lambda count: 16 + 8 * count  # noqa: E731
    layout = dir_size(len(types))
    type_dirs, name_dirs = {}, {}
    for t, items in types.items():
        type_dirs[t] = layout
        layout += dir_size(len(items))
    for t, items in types.items():
        for n, _ in items:
            name_dirs[(t, n)] = layout
            layout += dir_size(1)
    data_entries = {}
    for key in name_dirs:
        data_entries[key] = layout
        layout += 16
    strings = {}
    for s in sorted({t for t in types} | {n for items in types.values() for n, _ in items}):
        strings[s] = layout
        layout += 2 + 2 * len(s)
    blobs = {}
    for key in name_dirs:
        layout = (layout + 3) & ~3
        blobs[key] = layout
        layout += len(resources[key])
    out = bytearray(layout)

    def directory(at, entries):
        struct.pack_into("<IIHHHH", out, at, 0, 0, 0, 0, sum(1 for e in entries if e[0] is not None),
                         sum(1 for e in entries if e[0] is None))
        for i, (label, ident, target) in enumerate(entries):
            name = (0x80000000 | strings[label]) if label is not None else ident
            struct.pack_into("<II", out, at + 16 + 8 * i, name, target)

    directory(0, [(t, 0, 0x80000000 | type_dirs[t]) for t in types])
    for t, items in types.items():
        directory(type_dirs[t], [(n, 0, 0x80000000 | name_dirs[(t, n)]) for n, _ in items])
    for key, at in name_dirs.items():
        directory(at, [(None, 1033, data_entries[key])])
        struct.pack_into("<IIII", out, data_entries[key], base_rva + blobs[key], len(resources[key]), 0, 0)
        out[blobs[key]:blobs[key] + len(resources[key])] = resources[key]
    for s, at in strings.items():
        struct.pack_into("<H", out, at, len(s))
        out[at + 2:at + 2 + 2 * len(s)] = s.encode("utf-16-le")
    return bytes(out)


class Workspace(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="pecheck.")
        self.addCleanup(shutil.rmtree, self.tmp)

    def write(self, rel, data):
        path = os.path.join(self.tmp, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def problems(self, name, target, data):
        return pecheck.check_program(self.write(os.path.join(target, name), data), target)


class ProgramChecks(Workspace):
    def test_cases(self):
        # (case, file name, target folder, image, text expected in a problem or None for a pass)
        cases = [
            ("console win64 with system imports", "mkserver.exe", "win64",
             build_pe(64, imports=("KERNEL32.dll", "msvcrt.dll")), None),
            ("GUI win32, names in any case, CRT api sets", "Swaplet.exe", "win32",
             build_pe(32, subsystem=2, imports=("user32.DLL", "api-ms-win-crt-runtime-l1-1-0.dll", "WS2_32.dll")),
             None),
            ("an unknown program, GUI", "Other.exe", "win64", build_pe(64, subsystem=2), None),
            ("no import table at all", "mkstrings.exe", "win64", build_pe(64, imports=()), None),
            ("import of a DLL of ours", "mkserver.exe", "win64",
             build_pe(64, imports=("KERNEL32.dll", "ourlib.dll")), "imports ourlib.dll"),
            ("import of the thread runtime", "Langpin.com", "win32",
             build_pe(32, imports=("libwinpthread-1.dll",)), "imports libwinpthread-1.dll"),
            ("delay-loaded DLL of ours", "mkserver.exe", "win64", build_pe(64, delay=("ourlib.dll",)),
             "imports ourlib.dll"),
            ("delay-loaded DLL, old address form", "mkserver.exe", "win32",
             build_pe(32, delay=("ourold.dll",), delay_old_form=True), "imports ourold.dll"),
            ("32-bit program in win64", "mkserver.exe", "win64", build_pe(32), "PE32+/AMD64"),
            ("64-bit program in win32", "mkserver.exe", "win32", build_pe(64), "PE32/i386"),
            ("PE32+ header with i386 machine", "mkserver.exe", "win64", build_pe(64, machine=0x14C),
             "machine 0x14c"),
            ("console Update", "Update.exe", "win64", build_pe(64, subsystem=3), "subsystem 3, needs 2"),
            ("GUI Langpin", "Langpin.com", "win32", build_pe(32, subsystem=2), "subsystem 2, needs 3"),
            ("native subsystem, unknown program", "Other.exe", "win64", build_pe(64, subsystem=1),
             "neither GUI nor console"),
            ("win32 needing XP", "mkserver.exe", "win32", build_pe(32, subsys_version=(5, 1)),
             "subsystem version 5.1"),
            ("a DLL named .exe", "mkserver.exe", "win64", build_pe(64, characteristics=0x2022),
             "not an executable image"),
            ("no MZ", "mkserver.exe", "win64", b"ZM" + build_pe(64)[2:], "no MZ header"),
            ("cut in the headers", "mkserver.exe", "win64", build_pe(64)[:0x120], "outside the file"),
            ("cut in the import section", "mkserver.exe", "win64", build_pe(64)[:SECTION_RAW + 8], "no readable PE"),
            ("import table without end", "mkserver.exe", "win64",
             build_pe(64, imports=("KERNEL32.dll",) * (pecheck.MAX_ENTRIES + 4), import_terminator=False),
             "import table without end"),
        ]
        for case, name, target, image, expect in cases:
            with self.subTest(case):
                problems = self.problems(name, target, image)
                if expect is None:
                    self.assertEqual(problems, [])
                else:
                    self.assertTrue(any(expect in p for p in problems), problems)

    def test_embedded_installer_must_match_swaplet(self):
        swaplet = build_pe(64, subsystem=2, imports=("USER32.dll",))
        self.write("win64/Swaplet.exe", swaplet)
        cases = [
            ("identical", {("XDATA", "IDR_XDATA"): swaplet}, None),
            ("stale copy", {("XDATA", "IDR_XDATA"): swaplet[:-1] + b"\x01"}, "differs"),
            ("other name only", {("XDATA", "IDR_OTHER"): swaplet}, "no resource IDR_XDATA"),
            ("other type only", {("RCDATA", "IDR_XDATA"): swaplet}, "no resource IDR_XDATA"),
            ("no resources", None, "no resource IDR_XDATA"),
        ]
        for case, resources, expect in cases:
            with self.subTest(case):
                problems = self.problems("Update.exe", "win64", build_pe(64, subsystem=2, resources=resources))
                if expect is None:
                    self.assertEqual(problems, [])
                else:
                    self.assertTrue(any(expect in p for p in problems), problems)


class FolderRuns(Workspace):
    def run_quietly(self, targets):
        out = io.StringIO()
        return pecheck.run(self.tmp, targets, out), out.getvalue()

    def test_no_program_at_all_fails(self):
        os.makedirs(os.path.join(self.tmp, "win64"))
        os.makedirs(os.path.join(self.tmp, "win32"))
        failures, text = self.run_quietly(["win64", "win32"])
        self.assertGreater(failures, 0)
        self.assertIn("no program found", text)

    def test_missing_target_folder_fails_even_when_the_other_passes(self):
        self.write("win64/mkserver.exe", build_pe(64))
        failures, text = self.run_quietly(["win64", "win32"])
        self.assertEqual(failures, 1)
        self.assertIn("win32: folder", text)
        self.assertEqual(self.run_quietly(["win64"])[0], 0)

    def test_missing_programs_are_noted_and_bad_ones_fail(self):
        self.write("win64/mkserver.exe", build_pe(64))
        self.write("win32/mkserver.exe", build_pe(32))
        failures, text = self.run_quietly(["win64", "win32"])
        self.assertEqual(failures, 0, text)
        self.assertIn("note win32: update.exe not built yet", text)
        self.write("win32/readme.txt", b"not a program")
        self.write("win32/Langpin.com", build_pe(32, imports=("ourlib.dll",)))
        failures, text = self.run_quietly(["win64", "win32"])
        self.assertEqual(failures, 1, text)
        self.assertIn("FAIL win32/Langpin.com imports ourlib.dll", text)

    def test_command_line_exit_codes(self):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pecheck.py")
        self.write("win64/mkserver.exe", build_pe(64))
        ok = subprocess.run([sys.executable, script, "--dist", self.tmp, "--targets", "win64"], capture_output=True)
        self.assertEqual(ok.returncode, 0, ok.stdout)
        self.write("win64/bad.exe", build_pe(64, imports=("ourlib.dll",)))
        bad = subprocess.run([sys.executable, script, "--dist", self.tmp, "--targets", "win64"], capture_output=True)
        self.assertEqual(bad.returncode, 1, bad.stdout)


def built_programs():
    found = []
    for target in ("win64", "win32"):
        folder = os.path.join(DIST, target)
        for n in pecheck.programs_in(folder) or []:
            found.append((target, os.path.join(folder, n)))
    return found


class BuiltPrograms(Workspace):
    """The checker against real files of the build (skipped, with the reason shown, before a build)."""

    def test_real_program_with_one_import_renamed_fails(self):
        programs = [p for p in built_programs() if p[0] == "win64"]
        if not programs:
            self.skipTest("no built win64 program in %s" % DIST)
        target, path = programs[0]
        with open(path, "rb") as f:
            data = f.read()
        self.assertEqual(pecheck.check_program(path, target), [])
        self.assertIn(b"msvcrt.dll\0", data)
        renamed = data.replace(b"msvcrt.dll\0", b"ourcrt.dll\0", 1)  # same length: nothing else moves
        problems = self.problems(os.path.basename(path), target, renamed)
        self.assertTrue(any("imports ourcrt.dll" in p for p in problems), problems)

    def test_imports_agree_with_objdump(self):
        objdump = shutil.which("x86_64-w64-mingw32-objdump")
        programs = built_programs()
        if not objdump or not programs:
            self.skipTest("needs x86_64-w64-mingw32-objdump and a build")
        for target, path in programs:
            with self.subTest(path):
                text = subprocess.run([objdump, "-p", path], capture_output=True, text=True).stdout
                theirs = sorted(l.split("DLL Name:")[1].strip() for l in text.splitlines() if "DLL Name:" in l)
                with open(path, "rb") as f:
                    ours = sorted(pecheck.PeImage(f.read()).imports())
                self.assertEqual(ours, theirs)


if __name__ == "__main__":
    unittest.main()
