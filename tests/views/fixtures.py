#!/usr/bin/env python3
"""Archives for the view tests, written with Python's zipfile (and Info-ZIP zip for encryption).

  fixtures.py OUTDIR   writes the archives into OUTDIR, each with "<name>.expect": one line per
                       file member: name as stored TAB compressed size TAB size TAB
                       YYYY-MM-DD HH:MM TAB E or -
"""
import os
import random
import subprocess
import sys
import zipfile


def add(z, name, data, when, method=zipfile.ZIP_DEFLATED):
    zi = zipfile.ZipInfo(name, date_time=when)
    zi.compress_type = method
    zi.external_attr = 0o644 << 16
    z.writestr(zi, data)


def expect(path):
    lines = []
    with zipfile.ZipFile(path) as z:
        for zi in z.infolist():
            if zi.filename.endswith("/"):
                continue
            y, mo, d, h, mi, _ = zi.date_time
            lines.append("%s\t%d\t%d\t%04d-%02d-%02d %02d:%02d\t%s" % (
                zi.filename, zi.compress_size, zi.file_size, y, mo, d, h, mi, "E" if zi.flag_bits & 1 else "-"))
    with open(path[:-4] + ".expect", "w") as f:
        f.write("\n".join(lines) + "\n")


def nested(out):
    rnd = random.Random(11)
    path = os.path.join(out, "nested.zip")
    with zipfile.ZipFile(path, "w") as z:
        add(z, "top.txt", "top level text\n" * 40, (2021, 3, 4, 5, 6, 0))
        add(z, "readme.txt", "read me first\n", (1999, 12, 31, 23, 59, 0), zipfile.ZIP_STORED)
        add(z, "a/", b"", (2020, 1, 1, 0, 0, 0), zipfile.ZIP_STORED)
        add(z, "a/z.txt", "zzz " * 500, (2010, 7, 8, 9, 10, 0))
        add(z, "a/b/x.txt", "x marks the spot\n", (2005, 1, 2, 3, 4, 0))
        add(z, "a/b/c/y.txt", "why\n" * 3000, (2030, 11, 22, 13, 44, 0))
        add(z, "docs/readme.md", "# docs\n" * 100, (2015, 6, 1, 12, 0, 0))
        add(z, "docs/img/p.png", bytes(rnd.getrandbits(8) for _ in range(2000)), (1980, 1, 1, 0, 0, 0),
            zipfile.ZIP_STORED)
        add(z, "docs/img/big.bin", bytes(rnd.getrandbits(8) for _ in range(70000)), (2107, 12, 31, 23, 58, 0))
        add(z, "emptydir/", b"", (2020, 1, 1, 0, 0, 0), zipfile.ZIP_STORED)
    expect(path)


def search(out):
    path = os.path.join(out, "search.zip")
    when = (2022, 2, 2, 2, 2, 0)
    with zipfile.ZipFile(path, "w") as z:
        add(z, "m1.txt", "the logfile is here\n", when)
        add(z, "m2.txt", "see the catalog now\n", when)
        add(z, "m3.txt", "write it to the log.\n", when)
        add(z, "m4.txt", "nothing to see here\n", when)
        add(z, "m5.txt", "this one ends with Log", when)
        add(z, "m6.bin", b"\x00\x00binary\x00LOG\x00tail", when, zipfile.ZIP_STORED)
        add(z, "m7.txt", "x" * 65534 + "needle", when)
        add(z, "readme.txt", "nothing\n", when)
        add(z, "real.txt", "nothing\n", when)
        add(z, "reader.txt", "nothing\n", when)
        add(z, "sub/deep.txt", "a log line\n", when)
        add(z, "sub/other.txt", "no hit\n", when)
    expect(path)


def longnames(out):
    path = os.path.join(out, "longnames.zip")
    when = (2019, 9, 9, 9, 9, 0)
    # 1000 characters; the listing keeps the first 255: folders deep and D..D, file n..n.
    long_name = "deep/" + "D" * 150 + "/" + "n" * 841 + ".txt"
    with zipfile.ZipFile(path, "w") as z:
        add(z, long_name, "long\n", when)
        add(z, "short/s.txt", "short\n", when)
        add(z, "P" * 1000, "flat long\n", when)
    expect(path)


def encrypted(out):
    src = os.path.join(out, "encsrc")
    os.makedirs(src, exist_ok=True)
    for name, text in (("secret1.txt", "first secret\n"), ("secret2.txt", "second secret\n"),
                       ("plain.txt", "nothing secret\n"), ("another.txt", "plain again\n")):
        with open(os.path.join(src, name), "w") as f:
            f.write(text)
    path = os.path.join(out, "encrypted.zip")
    subprocess.check_call(["zip", "-q", "-X", "-P", "secret", path, "secret1.txt", "secret2.txt"], cwd=src)
    subprocess.check_call(["zip", "-q", "-X", path, "plain.txt", "another.txt"], cwd=src)
    expect(path)


def main():
    out = os.path.abspath(sys.argv[1])
    os.makedirs(out, exist_ok=True)
    nested(out)
    search(out)
    longnames(out)
    encrypted(out)


if __name__ == "__main__":
    main()
