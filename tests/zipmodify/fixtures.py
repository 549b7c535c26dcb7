#!/usr/bin/env python3
"""Fixtures of the modification tests, and the raw comparison of an archive before and after a
rewrite.

  fixtures.py make OUTDIR
      writes the Python-made archives into OUTDIR (the Info-ZIP ones come from make_fixtures.sh)
  fixtures.py manifest FIXDIR OUTDIR
      the same comparison for every line of OUTDIR/manifest.txt (written by the Windows side):
      AFTER TAB BEFORE, then D TAB NAME (deleted), R TAB OLD TAB NEW (renamed), A TAB NAME (added)
  fixtures.py compare BEFORE AFTER [--deleted NAME ...] [--renamed OLD NEW ...] [--added NAME]
      checks AFTER against BEFORE: every file entry of BEFORE that was neither deleted nor renamed
      is in AFTER with the same raw data, flags, method, date, CRC, sizes, attributes, host system,
      extra fields (zip64 fields aside: they describe the layout) and comment; renamed entries the
      same under their new names; no directory entry is left; the archive comment is the same.
      Prints one line per difference and exits 1 when there is any.
"""
import os
import struct
import sys
import zipfile

FIXED = (2021, 3, 4, 5, 6, 8)


class RawName(zipfile.ZipInfo):
    """A member whose name is stored as the given bytes (code page 437 or 1252), no UTF-8 flag."""

    raw = b""

    def _encodeFilenameFlags(self):
        return self.raw, self.flag_bits & ~0x800


def info(name, method=zipfile.ZIP_DEFLATED, when=FIXED, attr=0o644, system=3):
    zi = zipfile.ZipInfo(name, date_time=when)
    zi.compress_type = method
    zi.external_attr = attr << 16
    zi.create_system = system
    return zi


def make(out):
    # Entry comments, private extra fields, both methods, DOS and Unix attributes, a folder entry.
    with zipfile.ZipFile(os.path.join(out, "py_comments.zip"), "w") as z:
        z.comment = b"archive comment kept by every rewrite"
        d = info("docs/", zipfile.ZIP_STORED, attr=0o40755)
        d.external_attr |= 0x10
        z.writestr(d, b"")
        a = info("docs/a.txt")
        a.comment = b"comment of a"
        a.extra = struct.pack("<HH", 0xCAFE, 6) + b"kelvor"
        z.writestr(a, "alpha line\n" * 500)
        b = info("docs/b.bin", zipfile.ZIP_STORED, when=(1999, 12, 31, 23, 59, 58))
        b.extra = struct.pack("<HH", 0x7A7A, 2) + b"zz"
        z.writestr(b, bytes(range(256)) * 40)
        c = info("top.txt", when=(2010, 6, 7, 8, 9, 10), attr=0, system=0)
        c.external_attr = 0x21  # read-only, archive
        c.comment = b"a DOS-made entry"
        z.writestr(c, "top level\n" * 100)
        z.writestr(info("deep/er/est/leaf.txt"), "leaf\n")
        z.writestr(info("empty.txt", zipfile.ZIP_STORED), b"")

    # Zip64 fields on small entries: the rewrite must not carry the old ones along.
    with zipfile.ZipFile(os.path.join(out, "py_zip64_small.zip"), "w", allowZip64=True) as z:
        for name, data in (("one.txt", "first\n" * 200), ("sub/two.txt", "second\n" * 300),
                           ("three.bin", os.urandom(5000))):
            with z.open(info(name), "w", force_zip64=True) as f:
                f.write(data.encode() if isinstance(data, str) else data)

    # Names in the OEM code page (437) and in the ANSI code page (1252), no UTF-8 flag.
    with zipfile.ZipFile(os.path.join(out, "py_codepages.zip"), "w") as z:
        for raw, data in ((b"gr\x81\xe1e.txt", "greetings (code page 437)\n"),
                          (b"\xe4rger.txt", "anger (code page 1252)\n"),
                          (b"plain.txt", "plain ASCII\n")):
            zi = RawName(raw.decode("latin-1"), date_time=FIXED)
            zi.raw = raw
            zi.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(zi, data)

    # UTF-8 names (flag bit 11) and a name longer than 259 characters.
    with zipfile.ZipFile(os.path.join(out, "py_names.zip"), "w") as z:
        z.writestr(info("\u00fcber/na\u00efve.txt"), "utf-8 name\n")
        z.writestr(info("l" + "o" * 290 + "ng.txt"), "a long name\n")
        z.writestr(info("Case.txt"), "upper\n")
        z.writestr(info("short.txt"), "short\n")

    # More than 65 535 members: the end of the central directory needs its zip64 form.
    with zipfile.ZipFile(os.path.join(out, "py_zip64_many.zip"), "w", allowZip64=True) as z:
        for i in range(70000):
            z.writestr(info("m%02d/e%05d.txt" % (i % 100, i), zipfile.ZIP_STORED), "%d\n" % i)

    # A member over 4 GiB (zeros, deflated small): zip64 sizes in both headers.
    with zipfile.ZipFile(os.path.join(out, "py_zip64_big.zip"), "w", allowZip64=True, compresslevel=1) as z:
        z.writestr(info("before.txt"), "small member before the big one\n")
        zeros = bytes(64 << 20)
        with z.open(info("big/zeros.bin"), "w", force_zip64=True) as f:
            for _ in range(65):
                f.write(zeros)
        z.writestr(info("after.txt"), "small member after the big one\n" * 10)

    # An archive behind a program, as a self-extractor carries it.
    with open(os.path.join(out, "py_comments.zip"), "rb") as f:
        body = f.read()
    with open(os.path.join(out, "prefixed.zip"), "wb") as f:
        f.write(b"MZ" + bytes(range(256)) * 16)
        f.write(body)

    # Many members, for the selection and tree tests.
    with zipfile.ZipFile(os.path.join(out, "py_many.zip"), "w") as z:
        for i in range(300):
            z.writestr(info("d%02d/f%03d.txt" % (i % 10, i)), "member %d\n" % i * (i % 7 + 1))


# ---- raw reading ----

def strip_zip64(extra):
    out, i = b"", 0
    while i + 4 <= len(extra):
        hid, n = struct.unpack_from("<HH", extra, i)
        if i + 4 + n > len(extra):
            break
        if hid != 1:
            out += extra[i:i + 4 + n]
        i += 4 + n
    return out + extra[i:]


def raw_entries(path):
    """name bytes -> dict of the entry's raw properties, in central directory order."""
    entries = []
    with open(path, "rb") as f, zipfile.ZipFile(path) as z:
        for zi in z.infolist():
            f.seek(zi.header_offset)
            h = f.read(30)
            sig, ver, flag, method, tm, dt, crc, cs, us, nlen, xlen = struct.unpack("<IHHHHHIIIHH", h)
            if sig != 0x04034B50:
                raise ValueError("%s: no local header for %r" % (path, zi.filename))
            lname = f.read(nlen)
            lextra = f.read(xlen)
            data = f.read(zi.compress_size)
            descriptor = None
            if zi.flag_bits & 8:
                d = f.read(24)
                descriptor = d[:4] == b"PK\x07\x08"
            raw_name = zi.orig_filename.encode("utf-8" if zi.flag_bits & 0x800 else "cp437")
            entries.append({
                "name": raw_name, "local_name": lname, "flag": zi.flag_bits, "local_flag": flag,
                "method": zi.compress_type, "date_time": zi.date_time, "crc": zi.CRC,
                "compress_size": zi.compress_size, "file_size": zi.file_size,
                "create_system": zi.create_system, "create_version": zi.create_version,
                "external_attr": zi.external_attr, "internal_attr": zi.internal_attr,
                "central_extra": strip_zip64(zi.extra), "local_extra": strip_zip64(lextra),
                "comment": zi.comment, "data": data, "descriptor": descriptor,
            })
        comment = z.comment
    return entries, comment


KEPT = ("flag", "local_flag", "method", "date_time", "crc", "compress_size", "file_size", "create_system", "create_version",
        "external_attr", "internal_attr", "central_extra", "local_extra", "comment", "data", "descriptor")


def compare(before, after, deleted, renamed, added):
    problems = []
    b_entries, b_comment = raw_entries(before)
    a_entries, a_comment = raw_entries(after)
    a_by_name = {}
    for e in a_entries:
        if e["name"] in a_by_name:
            problems.append("%r is in the new archive twice" % e["name"])
        a_by_name[e["name"]] = e
        if e["local_name"] != e["name"]:
            problems.append("%r: local name %r differs" % (e["name"], e["local_name"]))
    if a_comment != b_comment:
        problems.append("archive comment %r became %r" % (b_comment, a_comment))
    expected = set()
    for e in b_entries:
        name = e["name"]
        # Directory entries that were not chosen stay, byte for byte, as every other entry.
        if name in deleted:
            if name in a_by_name and name not in renamed.values() and name not in added:
                problems.append("%r should be gone" % name)
            continue
        target = renamed.get(name, name)
        expected.add(target)
        got = a_by_name.get(target)
        if got is None:
            problems.append("%r (as %r) is missing" % (name, target))
            continue
        for k in KEPT:
            want = e[k]
            if k in ("flag", "local_flag") and target != name:
                # A new name is stored as new members are: UTF-8 with the mark unless plain ASCII.
                want = (want & ~0x800) | (0 if all(c < 0x80 for c in target) else 0x800)
            if got[k] != want:
                shown = (len(e[k]), len(got[k])) if k == "data" else (e[k], got[k])
                problems.append("%r: %s changed: %r -> %r" % (target, k, shown[0], shown[1]))
    for n in a_by_name:
        if n not in expected and n not in added:
            problems.append("unexpected entry %r" % n)
    for n in added:
        if n not in a_by_name:
            problems.append("added entry %r is missing" % n)
    return problems


def check_manifest(fixdir, outdir):
    failures = 0
    with open(os.path.join(outdir, "manifest.txt"), "rb") as f:
        lines = [l.rstrip(b"\r\n") for l in f if l.strip()]
    for line in lines:
        fields = line.split(b"\t")
        after, before = os.fsdecode(fields[0]), os.fsdecode(fields[1])
        deleted, renamed, added = set(), {}, set()
        i = 2
        while i < len(fields):
            if fields[i] == b"D":
                deleted.add(fields[i + 1])
                i += 2
            elif fields[i] == b"R":
                renamed[fields[i + 1]] = fields[i + 2]
                i += 3
            elif fields[i] == b"A":
                added.add(fields[i + 1])
                i += 2
            else:
                raise SystemExit("bad manifest field %r" % fields[i])
        problems = compare(os.path.join(fixdir, before), os.path.join(outdir, after), deleted, renamed, added)
        for p in problems:
            print("%s: %s" % (after, p))
        failures += bool(problems)
    print("%d archives compared, %d with differences" % (len(lines), failures))
    return 1 if failures or not lines else 0


def main(argv):
    if len(argv) == 4 and argv[1] == "manifest":
        return check_manifest(argv[2], argv[3])
    if len(argv) == 3 and argv[1] == "make":
        make(argv[2])
        return 0
    if len(argv) >= 4 and argv[1] == "compare":
        before, after = argv[2], argv[3]
        deleted, renamed, added = set(), {}, set()
        i = 4
        while i < len(argv):
            if argv[i] == "--deleted":
                deleted.add(os.fsencode(argv[i + 1]))
                i += 2
            elif argv[i] == "--renamed":
                renamed[os.fsencode(argv[i + 1])] = os.fsencode(argv[i + 2])
                i += 3
            elif argv[i] == "--added":
                added.add(os.fsencode(argv[i + 1]))
                i += 2
            else:
                raise SystemExit("unknown argument " + argv[i])
        problems = compare(before, after, deleted, renamed, added)
        for p in problems:
            print("%s: %s" % (os.path.basename(after), p))
        return 1 if problems else 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
