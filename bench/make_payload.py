#!/usr/bin/env python3
"""Deterministic installation payloads for bench/install.

  make_payload.py standard DIR [MiB]   ~2,000 files of mixed text, structured and random data (200)
  make_payload.py small DIR            20,000 files of 1-8 KiB
  make_payload.py huge DIR [MiB]       one file of mixed blocks (1024)

The same arguments always give the same bytes. Text is drawn from a fixed vocabulary (compresses
like prose and source), structured data is CSV and JSON-like records with numbers (compresses like
logs and tables), random data does not compress (like media or already compressed files).
"""
import os
import random
import sys

WORDS = ("the of and to in is that for it as was with be by on not he this are or his from at which "
         "but have an they you were her she there been one all we their has would when if so no will "
         "install folder file version registry window value system shared library update service "
         "config manager driver resource string buffer stream record header section chunk offset "
         "static const return void int char struct class namespace include define public private "
         "template typename size_t uint32_t std vector string map error result status handle").split()


def text_pool(rng, lines=40000):
    pool = []
    for _ in range(lines):
        n = rng.randint(3, 14)
        indent = "    " * rng.randint(0, 3)
        pool.append(indent + " ".join(rng.choice(WORDS) for _ in range(n)) + rng.choice([".", ";", " {", ",", ""]))
    return pool


def text_bytes(rng, pool, size):
    out = []
    total = 0
    while total < size:
        lines = rng.choices(pool, k=64)
        block = "\n".join(lines) + "\n"
        out.append(block)
        total += len(block)
    return "".join(out).encode()[:size]


def structured_bytes(rng, size):
    out = []
    total = 0
    row = rng.randint(0, 10**6)
    while total < size:
        row += rng.randint(1, 9)
        if rng.random() < 0.5:
            line = "%d,%s,%d.%02d,%s,%08x\n" % (row, rng.choice(WORDS), rng.randint(0, 99999), rng.randint(0, 99),
                                                rng.choice(("ok", "warn", "fail", "skip")), rng.getrandbits(32))
        else:
            line = '{"id": %d, "name": "%s_%d", "size": %d, "flags": [%d, %d], "ok": %s}\n' % (
                row, rng.choice(WORDS), rng.randint(0, 999), rng.randint(0, 1 << 24), rng.randint(0, 255),
                rng.randint(0, 255), rng.choice(("true", "false")))
        out.append(line)
        total += len(line)
    return "".join(out).encode()[:size]


def random_bytes(rng, size):
    return rng.randbytes(size)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def mixed(rng, pool, kind, size):
    if kind == 0:
        return text_bytes(rng, pool, size)
    if kind == 1:
        return structured_bytes(rng, size)
    return random_bytes(rng, size)


def standard(folder, mib):
    rng = random.Random(20261210)
    pool = text_pool(rng)
    count = 2000
    # Sizes spread over three orders of magnitude, scaled to the total.
    weights = [rng.lognormvariate(0, 1.4) for _ in range(count)]
    scale = mib * 1024 * 1024 / sum(weights)
    for i, w in enumerate(weights):
        size = max(1, int(w * scale))
        # By bytes roughly 45 % text, 30 % structured, 25 % random.
        kind = rng.choices((0, 1, 2), weights=(45, 30, 25))[0]
        path = os.path.join(folder, "d%02d" % (i % 23), "s%d" % (i % 7), "f%04d.%s" % (i, ("txt", "csv", "bin")[kind]))
        write(path, mixed(rng, pool, kind, size))


def small(folder):
    rng = random.Random(8)
    pool = text_pool(rng, 5000)
    for i in range(20000):
        kind = rng.choices((0, 1, 2), weights=(45, 30, 25))[0]
        size = rng.randint(1024, 8192)
        path = os.path.join(folder, "d%03d" % (i % 100), "f%05d.%s" % (i, ("txt", "csv", "bin")[kind]))
        write(path, mixed(rng, pool, kind, size))


def huge(folder, mib):
    rng = random.Random(1024)
    pool = text_pool(rng, 5000)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "huge.bin"), "wb") as f:
        for _ in range(mib):
            kind = rng.choices((0, 1, 2), weights=(45, 30, 25))[0]
            f.write(mixed(rng, pool, kind, 1024 * 1024))


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("standard", "small", "huge"):
        sys.exit(__doc__)
    kind, folder = sys.argv[1], sys.argv[2]
    if kind == "standard":
        standard(folder, int(sys.argv[3]) if len(sys.argv) > 3 else 200)
    elif kind == "small":
        small(folder)
    else:
        huge(folder, int(sys.argv[3]) if len(sys.argv) > 3 else 1024)


if __name__ == "__main__":
    main()
