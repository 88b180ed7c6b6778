#!/usr/bin/env python3
"""Checks the headers of the built plug-in DLL: its export table, its imports
(MERION.dll by number, TESSEL.dll by name, no runtime DLLs, no listed service
from a system DLL), the .code section of the trampoline area, and the delay
import of ORVALE.dll.

GNU ld leaves the Delay Import Directory entry of the PE header empty for the
delay-import libraries that dlltool makes, so the ORVALE.dll descriptor is
found by scanning the image for it.

Usage: check_dll.py [eksportzam.dll] [--def platform/orvale_delay.def]
Prints one line per check and exits nonzero when any check fails."""
import argparse
import os
import re
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

IMAGE_SCN_CNT_CODE = 0x20
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_READ = 0x40000000
IMAGE_SCN_MEM_WRITE = 0x80000000
DIR_EXPORT, DIR_IMPORT, DIR_DELAY_IMPORT = 0, 1, 13

EXPORT_FIRST, EXPORT_LAST = 30001, 30009
EXPORTS_WITH_CODE = {30001, 30008, 30009}
TESSEL_IMPORTS = {"wsprintfA", "InterlockedCompareExchange", "InterlockedExchange",
                  "InterlockedDecrement", "InterlockedIncrement"}
RUNTIME_DLL = re.compile(r"^lib(gcc|stdc\+\+|winpthread)", re.IGNORECASE)


class Image:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("not an MZ image")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, nsections = struct.unpack_from("<HH", d, pe + 4)
        optional_size = struct.unpack_from("<H", d, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", d, optional)[0]
        if magic != 0x10B:
            raise ValueError("not a PE32 image (optional header magic %#x)" % magic)
        self.image_base = struct.unpack_from("<I", d, optional + 28)[0]
        self.size_of_image = struct.unpack_from("<I", d, optional + 56)[0]
        count = struct.unpack_from("<I", d, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", d, optional + 96 + 8 * i) for i in range(count)]
        self.sections = []
        for i in range(nsections):
            s = optional + optional_size + 40 * i
            name = d[s:s + 8].rstrip(b"\0").decode("latin-1")
            vsize, va, rsize, rptr = struct.unpack_from("<IIII", d, s + 8)
            characteristics = struct.unpack_from("<I", d, s + 36)[0]
            self.sections.append(dict(name=name, vsize=vsize, va=va, rsize=rsize, rptr=rptr,
                                      characteristics=characteristics))

    def section_of(self, rva):
        for s in self.sections:
            if s["va"] <= rva < s["va"] + max(s["vsize"], s["rsize"]):
                return s
        return None

    def read(self, rva, size):
        """Bytes at an RVA; zeros past a section's raw data; None outside every section."""
        s = self.section_of(rva)
        if s is None:
            return None
        offset = rva - s["va"]
        raw = self.data[s["rptr"] + offset: s["rptr"] + min(offset + size, s["rsize"])] if offset < s["rsize"] else b""
        return raw + b"\0" * (size - len(raw))

    def u32(self, rva):
        b = self.read(rva, 4)
        return None if b is None else struct.unpack("<I", b)[0]

    def text(self, rva, limit=512):
        out = b""
        while len(out) < limit:
            c = self.read(rva + len(out), 1)
            if c is None or c == b"\0":
                return out.decode("latin-1")
            out += c
        return None

    def thunk_names(self, rva):
        """Names (or '#ordinal') listed by a 32-bit import name table at rva."""
        names = []
        while True:
            entry = self.u32(rva + 4 * len(names))
            if not entry:
                return names
            if entry & 0x80000000:
                names.append("#%d" % (entry & 0xFFFF))
            else:
                names.append(self.text(entry + 2))


def imports(image):
    """{dll name: [imported names]} of the ordinary import directory."""
    rva, size = image.directories[DIR_IMPORT]
    result = {}
    if not rva:
        return result
    at = rva
    while True:
        fields = image.read(at, 20)
        lookup, _, _, name, first = struct.unpack("<IIIII", fields)
        if not (lookup or name or first):
            return result
        result.setdefault(image.text(name), []).extend(image.thunk_names(lookup or first))
        at += 20


def delay_descriptors(image, dll):
    """Every 32-byte delay-import descriptor in the image for dll: attributes 1
    (RVAs), its name, and a module handle, IAT and INT inside the image."""
    found = []
    for s in image.sections:
        raw = image.data[s["rptr"]: s["rptr"] + s["rsize"]]
        for offset in range(0, len(raw) - 31, 4):
            attrs, name, hmod, iat, int_ = struct.unpack_from("<5I", raw, offset)
            if attrs != 1 or not all(0 < x < image.size_of_image for x in (name, hmod, iat, int_)):
                continue
            if (image.text(name, 64) or "").lower() != dll.lower():
                continue
            found.append(dict(rva=s["va"] + offset, section=s["name"], hmod=hmod, iat=iat,
                              names=image.thunk_names(int_)))
    return found


def exports(image):
    rva, size = image.directories[DIR_EXPORT]
    if not rva:
        return None
    (_, _, _, _, _, base, nfunctions, nnames, functions, names, ordinals) = struct.unpack(
        "<IIHHIIIIIII", image.read(rva, 40))
    addresses = [image.u32(functions + 4 * i) for i in range(nfunctions)]
    return dict(base=base, addresses=addresses, names=nnames)


def listed_services(def_path):
    services, started = [], False
    for line in open(def_path):
        line = line.split(";")[0].strip()
        if line == "EXPORTS":
            started = True
        elif started and line:
            services.append(line.split()[0].split("@")[0])
    return services


class Report:
    def __init__(self):
        self.failed = 0
        self.passed = 0

    def check(self, name, expected, got):
        if expected == got:
            self.passed += 1
            print("ok   %s" % name)
        else:
            self.failed += 1
            print("FAIL %s: expected %s, got %s" % (name, expected, got))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dll", nargs="?", default=os.path.join(ROOT, "build", "win32", "eksportzam.dll"))
    parser.add_argument("--def", dest="def_path", default=os.path.join(ROOT, "platform", "orvale_delay.def"))
    args = parser.parse_args()
    image = Image(args.dll)
    services = listed_services(args.def_path)
    r = Report()
    print("check_dll: %s" % args.dll)
    r.check("machine is i386", "0x14c", hex(image.machine))

    # Exports: 30001 to 30009 by number only; 30002 to 30007 empty.
    table = exports(image)
    if table is None:
        r.check("export table", "present", "absent")
    else:
        r.check("export ordinal base", EXPORT_FIRST, table["base"])
        r.check("export entries", EXPORT_LAST - EXPORT_FIRST + 1, len(table["addresses"]))
        r.check("exported names", 0, table["names"])
        empty = sorted(table["base"] + i for i, a in enumerate(table["addresses"]) if a == 0)
        r.check("empty exports", list(range(30002, 30008)), empty)
        with_code = sorted(table["base"] + i for i, a in enumerate(table["addresses"])
                           if a and image.section_of(a)
                           and image.section_of(a)["characteristics"] & IMAGE_SCN_MEM_EXECUTE)
        r.check("exports leading to code", sorted(EXPORTS_WITH_CODE), with_code)

    imported = imports(image)
    merion = {d: n for d, n in imported.items() if d.lower() == "merion.dll"}
    r.check("MERION.dll imports", ["#30005"], sorted(sum(merion.values(), [])))
    tessel = {d: n for d, n in imported.items() if d.lower() == "tessel.dll"}
    r.check("TESSEL.dll imports", sorted(TESSEL_IMPORTS), sorted(sum(tessel.values(), [])))
    elsewhere = sorted("%s!%s" % (d, n) for d, names in imported.items() if d.lower() != "tessel.dll"
                       for n in names if n in TESSEL_IMPORTS)
    r.check("TESSEL.dll's five imported from elsewhere (wsprintfA from USER32.dll among them)", [], elsewhere)
    r.check("runtime DLLs imported", [], sorted(d for d in imported if RUNTIME_DLL.match(d)))
    direct = sorted("%s!%s" % (d, n) for d, names in imported.items() for n in names if n in services)
    r.check("listed services imported directly", [], direct)

    # The trampoline area: a 32-byte section of its own, read and execute only.
    code = [s for s in image.sections if s["name"] == ".code"]
    r.check(".code sections", 1, len(code))
    if code:
        s = code[0]
        r.check(".code size", 32, s["vsize"])
        flags = s["characteristics"] & (IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_WRITE)
        r.check(".code access", "read, execute", ", ".join(
            word for bit, word in ((IMAGE_SCN_MEM_READ, "read"), (IMAGE_SCN_MEM_EXECUTE, "execute"),
                                   (IMAGE_SCN_MEM_WRITE, "write")) if flags & bit))
        r.check(".code contents", "32 zero bytes",
                "32 zero bytes" if image.read(s["va"], 32) == b"\0" * 32 else image.read(s["va"], 32).hex())

    # The delay import of ORVALE.dll.
    rva, size = image.directories[DIR_DELAY_IMPORT] if len(image.directories) > DIR_DELAY_IMPORT else (0, 0)
    print("     (Delay Import Directory entry: rva %#x, size %#x)" % (rva, size))
    descriptors = delay_descriptors(image, "ORVALE.dll")
    r.check("ORVALE.dll delay-import descriptors", 1, len(descriptors))
    if descriptors:
        d = descriptors[0]
        print("     (descriptor at rva %#x in %s, %d services)" % (d["rva"], d["section"], len(d["names"])))
        r.check("services missing from the ORVALE.dll delay import", [],
                sorted(set(services) - set(d["names"])))
        r.check("services in the ORVALE.dll delay import not listed", [],
                sorted(set(d["names"]) - set(services)))
        r.check("ORVALE.dll delay-import entries", len(services), len(d["names"]))
    print("%d passed, %d failed" % (r.passed, r.failed))
    return 1 if r.failed else 0


if __name__ == "__main__":
    sys.exit(main())
