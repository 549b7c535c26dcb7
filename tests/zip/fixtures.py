#!/usr/bin/env python3
"""ZIP fixtures written with Python's zipfile, and the listing Python reads from any archive.

  fixtures.py OUTDIR          writes the Python-made fixtures into OUTDIR
  fixtures.py --nocd OUTDIR   cuts the central directory off OUTDIR/zip_deflated.zip into nocd.zip
  fixtures.py --expect A.zip  prints what zipfile reads from A.zip, in kelvora-cli's listing form:
                              a header line "# files N compressed C uncompressed U entries E",
                              then per file member: size TAB compressed TAB YYYY-MM-DD HH:MM TAB
                              E or - TAB name as stored (cut to 255 bytes, '\\' shown as '/').
"""
import os
import struct
import sys
import zipfile
import zlib

FIXED = (2020, 1, 2, 3, 4, 6)


class OemInfo(zipfile.ZipInfo):
    """A member whose name is stored in code page 437 without the UTF-8 flag."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp437"), self.flag_bits & ~0x800


def info(name, method=zipfile.ZIP_STORED, when=FIXED, cls=zipfile.ZipInfo):
    zi = cls(name, date_time=when)
    zi.compress_type = method
    zi.external_attr = 0o644 << 16
    return zi


def many(out):
    # More than 65 535 entries: needs the zip64 end of central directory.
    with zipfile.ZipFile(os.path.join(out, "py_zip64_many.zip"), "w", allowZip64=True) as z:
        for i in range(70000):
            z.writestr(info("d%03d/f%05d.txt" % (i % 100, i)), "%d\n" % i)


def big(out):
    # A member over 4 GiB from a sparse source: zip64 sizes, small on disk.
    src = os.path.join(out, "sparse.bin")
    size = (4 << 30) + (1 << 20) + 123
    with open(src, "wb") as f:
        f.truncate(size)
        for off, text in ((0, b"KELVORA-START"), (1 << 31, b"MIDDLE"), (size - 3, b"END")):
            f.seek(off)
            f.write(text)
    os.utime(src, (1600000000, 1600000000))
    with zipfile.ZipFile(os.path.join(out, "py_zip64_big.zip"), "w", allowZip64=True) as z:
        z.writestr(info("before.txt"), "small member before the big one\n")
        z.write(src, "big/huge.bin", compress_type=zipfile.ZIP_DEFLATED, compresslevel=1)
        z.writestr(info("after.txt", zipfile.ZIP_DEFLATED), "small member after the big one\n" * 10)
    os.remove(src)


def oem(out):
    with zipfile.ZipFile(os.path.join(out, "py_oem_names.zip"), "w") as z:
        for name, data in (("Gr\u00fc\u00dfe.txt", "greetings\n"), ("\u00c4rger/\u00f6l.txt", "oil\n"),
                           ("caf\u00e9 \u00e0 la carte.txt", "menu\n")):
            zi = info(name, zipfile.ZIP_DEFLATED, cls=OemInfo)
            zi.create_system = 0
            z.writestr(zi, data)


def mixed(out):
    with zipfile.ZipFile(os.path.join(out, "py_mixed_methods.zip"), "w") as z:
        z.writestr(info("a_stored.txt"), "stored member\n" * 50)
        z.writestr(info("b_bzip2.txt", zipfile.ZIP_BZIP2), "bzip2 member\n" * 50)
        z.writestr(info("c_lzma.txt", zipfile.ZIP_LZMA), "lzma member\n" * 50)
        z.writestr(info("d_deflated.txt", zipfile.ZIP_DEFLATED), "deflated member\n" * 50)


def hostile(out):
    with zipfile.ZipFile(os.path.join(out, "hostile.zip"), "w") as z:
        for name in ("../evil.txt", "/abs.txt", "C:\\x.txt", "a/../../b.txt", "..\\evil2.txt",
                     "good.txt", "a/../c.txt", "sub/ok.txt"):
            z.writestr(info(name), "content of " + name + "\n")


def data_offset(path, name):
    with zipfile.ZipFile(path) as z:
        zi = z.getinfo(name)
    with open(path, "rb") as f:
        f.seek(zi.header_offset)
        head = f.read(30)
    nlen, xlen = struct.unpack("<HH", head[26:30])
    return zi.header_offset + 30 + nlen + xlen, zi


def flip(path, offset):
    with open(path, "r+b") as f:
        f.seek(offset)
        b = f.read(1)
        f.seek(offset)
        f.write(bytes([b[0] ^ 0xFF]))


def damaged(out):
    p = os.path.join(out, "badcrc_stored.zip")
    with zipfile.ZipFile(p, "w") as z:
        z.writestr(info("first.txt"), "first\n")
        z.writestr(info("payload.txt"), "".join("payload line %d\n" % i for i in range(400)))
        z.writestr(info("last.txt"), "last\n")
    off, zi = data_offset(p, "payload.txt")
    flip(p, off + zi.compress_size // 2)

    p = os.path.join(out, "badcrc_deflated.zip")
    with zipfile.ZipFile(p, "w") as z:
        z.writestr(info("payload.txt", zipfile.ZIP_DEFLATED),
                   "".join("deflated payload line %d\n" % i for i in range(20000)))
        z.writestr(info("ok.txt"), "ok\n")
    off, zi = data_offset(p, "payload.txt")
    flip(p, off + zi.compress_size // 2)

    # A deflate stream whose first block claims the reserved block type: inflate fails at once.
    p = os.path.join(out, "baddata_deflated.zip")
    with zipfile.ZipFile(p, "w") as z:
        z.writestr(info("broken.txt", zipfile.ZIP_DEFLATED), "".join("broken line %d\n" % i for i in range(5000)))
        z.writestr(info("intact.txt"), "intact\n")
    off, zi = data_offset(p, "broken.txt")
    with open(p, "r+b") as f:
        f.seek(off)
        b = f.read(1)[0]
        f.seek(off)
        f.write(bytes([b | 0x06]))

    # A stored member whose recorded size is shorter than its data.
    p = os.path.join(out, "overlong.zip")
    body = b"0123456789" * 1000
    with zipfile.ZipFile(p, "w") as z:
        z.writestr(info("overlong.bin"), body)
        z.writestr(info("fine.txt"), "fine\n")
    off, zi = data_offset(p, "overlong.bin")
    short = len(body) - 2500
    with open(p, "r+b") as f:
        f.seek(zi.header_offset + 22)  # local header: uncompressed size
        f.write(struct.pack("<I", short))
    data = bytearray(open(p, "rb").read())
    cd = data.find(b"PK\x01\x02")
    struct.pack_into("<I", data, cd + 24, short)  # central header: uncompressed size
    open(p, "wb").write(bytes(data))


def no_central_directory(out):
    # Every member complete, the central directory gone: what the repair rebuilds.
    src = os.path.join(out, "zip_deflated.zip")
    with zipfile.ZipFile(src) as z:
        start = min(zi.header_offset for zi in z.infolist())
        cd = z.start_dir
    data = open(src, "rb").read()
    open(os.path.join(out, "nocd.zip"), "wb").write(data[start:cd])


def longname(out):
    with zipfile.ZipFile(os.path.join(out, "longname.zip"), "w") as z:
        z.writestr(info("dir/" + "n" * 300 + ".txt"), "long\n")
        z.writestr(info("short.txt"), "short\n")


def raw_name(zi):
    if zi.flag_bits & 0x800:
        return zi.orig_filename.encode("utf-8")
    return zi.orig_filename.encode("cp437")


def unicode_path_field(extra, stored):
    pos = 0
    while pos + 4 <= len(extra):
        fid, size = struct.unpack_from("<HH", extra, pos)
        body = extra[pos + 4:pos + 4 + size]
        if fid == 0x7075 and size >= 5 and body[0] == 1:
            if struct.unpack_from("<I", body, 1)[0] == zlib.crc32(stored):
                try:
                    return body[5:].decode("utf-8")
                except UnicodeDecodeError:
                    return None
            return None
        pos += 4 + size
    return None


def true_name(zi):
    """The name as its maker meant it: UTF-8 flag, Unicode path field, unmarked UTF-8, else CP437."""
    stored = raw_name(zi)
    if zi.flag_bits & 0x800:
        return stored.decode("utf-8")
    field = unicode_path_field(zi.extra, stored)
    if field is not None:
        return field
    try:
        return stored.decode("utf-8")
    except UnicodeDecodeError:
        return stored.decode("cp437")


def shown_name(zi):
    """What a Western Windows shows: the true name in CP1252, '?' for what it cannot hold."""
    return true_name(zi).encode("cp1252", "replace")


def names(out):
    """Names the program must show as written: UTF-8 with the flag, CP437 bytes without it."""
    with zipfile.ZipFile(os.path.join(out, "py_utf8_names.zip"), "w") as z:
        for name, data in (("Gr\u00fc\u00dfe/\u00dcbersicht.txt", "overview\n"),
                           ("\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.txt", "greek\n"),
                           ("\u0396\u03b7\u03c4\u03ac.txt", "zeta\n"),
                           ("gr\u00fc\u00dfe.txt", "search me\n")):
            z.writestr(info(name, zipfile.ZIP_DEFLATED), data)
    # The Info-ZIP Unicode path field: used when its checksum matches the stored name, ignored
    # when it is stale (the entry was renamed by a tool that kept the old field).
    with zipfile.ZipFile(os.path.join(out, "py_unicode_field.zip"), "w") as z:
        for stored, field, crc_of in ((b"Gruesse.txt", "Gr\u00fc\u00dfe.txt", b"Gruesse.txt"),
                                      (b"renamed.txt", "stale-\u00e4.txt", b"something else")):
            zi = info(stored.decode("ascii"), zipfile.ZIP_DEFLATED)
            text = field.encode("utf-8")
            zi.extra = struct.pack("<HHBI", 0x7075, 5 + len(text), 1, zlib.crc32(crc_of)) + text
            z.writestr(zi, "field\n")
    # Raw CP437 bytes without the flag, as Windows' compressed folders write them.
    with zipfile.ZipFile(os.path.join(out, "py_cp437_raw.zip"), "w") as z:
        for name, data in (("filename_with_\u00e6o\u00e5.txt", "nordic\n"), ("\u00c4pfel/\u00d6l.txt", "oil\n")):
            zi = info(name, zipfile.ZIP_DEFLATED, cls=OemInfo)
            zi.create_system = 0
            z.writestr(zi, data)


def expect(path):
    lines = []
    files = comp = unc = 0
    with zipfile.ZipFile(path) as z:
        infos = z.infolist()
    for zi in infos:
        name = raw_name(zi)
        base = name.replace(b"\\", b"/").rsplit(b"/", 1)[-1]
        comp += zi.compress_size
        unc += zi.file_size
        if not base:
            continue
        files += 1
        y, mo, d, h, mi, _ = zi.date_time
        shown = shown_name(zi)[:255].replace(b"\\", b"/")
        lines.append(b"%d\t%d\t%04d-%02d-%02d %02d:%02d\t%s\t%s\n" % (
            zi.file_size, zi.compress_size, y, mo, d, h, mi, b"E" if zi.flag_bits & 1 else b"-", shown))
    head = b"# files %d compressed %d uncompressed %d entries %d\n" % (files, comp, unc, len(infos))
    sys.stdout.buffer.write(head + b"".join(lines))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--expect":
        expect(sys.argv[2])
        return
    if len(sys.argv) == 3 and sys.argv[1] == "--nocd":
        no_central_directory(sys.argv[2])
        return
    out = sys.argv[1]
    for make in (many, big, oem, mixed, hostile, damaged, longname, names):
        make(out)


if __name__ == "__main__":
    main()
