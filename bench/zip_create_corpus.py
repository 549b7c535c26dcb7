#!/usr/bin/env python3
"""Makes the corpus of the archive-creation benchmark (bench/run_zip_create.sh).

corpus/      a mixed folder of about 1 GiB: 20 000 small files (1-32 KiB; four in five text, one
             in five random bytes) in 200 folders, a 320 MiB text log, 200 MiB of random bytes
             and 200 MiB of text and random halves.
small1000/   1 000 small text files (1-8 KiB) to add to an existing archive.
Deterministic: the same seed gives the same bytes.
"""
import os
import random
import sys

work = sys.argv[1]
rng = random.Random(11)
words = [("w%d" % i).encode() for i in range(4000)]
lines = []
size = 0
while size < (8 << 20):
    line = b" ".join(rng.choice(words) for _ in range(12)) + b"\n"
    lines.append(line)
    size += len(line)
block = b"".join(lines)


def text(n):
    start = rng.randrange(0, len(block) - n)
    return block[start:start + n]


def noise(n):
    return rng.getrandbits(8 * n).to_bytes(n, "little")


root = os.path.join(work, "corpus")
for i in range(20000):
    d = os.path.join(root, "small", "d%03d" % (i % 200))
    os.makedirs(d, exist_ok=True)
    n = rng.randint(1024, 32768)
    binary = i % 5 == 0
    with open(os.path.join(d, "f%05d.%s" % (i, "bin" if binary else "txt")), "wb") as f:
        f.write(noise(n) if binary else text(n))
os.makedirs(os.path.join(root, "large"), exist_ok=True)
mib = 1 << 20
with open(os.path.join(root, "large", "text.log"), "wb") as f:
    for i in range(320):
        f.write(text(mib))
with open(os.path.join(root, "large", "random.bin"), "wb") as f:
    for _ in range(200):
        f.write(noise(mib))
with open(os.path.join(root, "large", "mixed.dat"), "wb") as f:
    for i in range(200):
        f.write(noise(mib) if i % 2 else text(mib))

small = os.path.join(work, "small1000")
for i in range(1000):
    d = os.path.join(small, "d%02d" % (i % 20))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "n%04d.txt" % i), "wb") as f:
        f.write(text(rng.randint(1024, 8192)))
