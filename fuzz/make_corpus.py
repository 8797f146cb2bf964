#!/usr/bin/env python3
"""Writes the hand-made seeds of fuzz/corpus/. The targets read their choices through
FuzzedDataProvider: numbers from the end of the input, strings and byte runs from the front,
so a seed is built as two lists that meet in the middle."""
import os
import struct
import sys


class Seed:
    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order the target consumes them

    def num(self, value, width=1):  # an integral taken from the end, most significant last
        for i in range(width):
            self.back.append((value >> (8 * i)) & 0xFF)

    def string(self, text):  # a ConsumeRandomLengthString: "\\" then any byte ends it
        self.front += text.replace(b"\\", b"\\\\") + b"\\ "

    def bytes(self, data):
        self.front += data

    def answer(self, status, data=b""):  # a well-formed answer of FuzzedTransport
        self.num(1)  # not raw
        self.num(status)
        self.num(len(data), 2)
        self.bytes(data)

    def raw(self, poll, read):  # raw bytes for the poll and the read
        self.num(0)
        self.num(len(poll))
        self.bytes(poll)
        self.num(len(read), 2)
        self.bytes(read)

    def data(self):
        return bytes(self.front + self.back[::-1])


def entry(name, size, entry_size=40, field=0x07000400):
    body = name.ljust(entry_size - 8, b"\0")[: entry_size - 8]
    return body + struct.pack("<I", field) + struct.pack(">I", size)


def chunk(entries, entry_size=40):
    return struct.pack(">HH", len(entries), 0) + b"".join(entry(n, s, entry_size) for n, s in entries)


def file_list(entries, per_chunk, limit=None, paths=()):
    s = Seed()
    s.num(1)  # handset type 1
    if limit is None:
        s.num(1)
    else:
        s.num(0)
        s.num(limit + 0x80000000, 4)  # signed values count up from the lowest
    for _ in range(3):
        s.num(1)
    s.num(len(paths))
    for p in paths:
        s.string(p)
    s.num(0)  # no volume information
    s.num(0x12345678, 4)
    s.answer(0x80, struct.pack(">H", len(entries)))
    for i in range(0, len(entries), per_chunk):
        s.answer(0x80, chunk(entries[i : i + per_chunk]))
    s.answer(0x70)
    return s.data()


def handset_answers():
    seeds = {}
    s = Seed()  # open, then read 10 bytes
    s.string(b"/a/x.txt")
    s.num(0x21, 4)
    s.num(0)
    s.answer(0x80, b"\0\0\0\0")
    s.string(b"")
    s.num(0, 4)
    s.num(1)
    s.num(10, 2)  # the range of the size needs two bytes
    s.answer(0x80, b"0123456789")
    seeds["open_read"] = s.data()
    s = Seed()  # volumes and free space
    s.string(b"")
    s.num(0, 4)
    s.num(8)
    s.answer(0x80, "/a\ufffe/b".encode("utf-16-be") + b"\0\0")
    s.string(b"")
    s.num(0, 4)
    s.num(9)
    s.answer(0x80, struct.pack(">I", 123456))
    seeds["volumes"] = s.data()
    s = Seed()  # a raw answer larger than the area, then an error status
    s.string(b"/a/d")
    s.num(5, 4)
    s.num(13)
    s.raw(b"\0\x01\x10\x00", b"\x01" + b"\0" * 20)
    s.string(b"/a/d")
    s.num(0, 4)
    s.num(5)
    s.answer(0x70)
    seeds["raw_too_long"] = s.data()
    return seeds


def strings(*texts, rest=b""):  # strings from the front, their count from the end
    s = Seed()
    for t in texts:
        s.string(t)
    return s.data() + rest


def cli(*args, stdin=b""):
    s = Seed()
    s.num(len(args))
    for a in args:
        s.string(a)
    return s.front + stdin + s.back[::-1]


def mount(*ops):  # (operation, path, other)
    s = Seed()
    for op, path, other in ops:
        s.string(path)
        s.string(other)
        s.num(op)
        if op == 2:
            s.num(0)
        elif op == 9:
            s.num(1)
    return s.data()


def main(root):
    names = [(b"/a/mobile/ring.mp3", 1200), (b"/a/x.txt", 5), (b"/b/\xe9t\xe9", 0),
             (b"/a/mobile/pic/a.jpg", 999), (b"/a/" + b"n" * 32, 7)]
    corpus = {
        "handset_answers": handset_answers(),
        "file_list": {
            "two_chunks": file_list(names, 3),
            "limited": file_list(names, 1, limit=2, paths=(b"/a/new.bin", b"/a/x.txt")),
            "short": file_list(names[:2], 5),
        },
    }
    defaults = struct.pack("<13i", -1, 1, 1, 0, 624, 0, 446, 1, 0, 0, 1, 1, 1)
    corpus["settings"] = {
        "empty": b"",
        "defaults": defaults,
        "short": defaults[:13],
        "long": struct.pack("<i", 0x7FFFFFFF) + defaults[4:] + b"tail",
    }
    corpus["patch_file"] = {
        "skin": b"cp a.txt\r\nto /a/mobile/a.txt\r\nmd /a/mobile/new\r\nat 7\r\n"
        b"sa /a/mobile/x.mp3\r\nrm /a/keep.txt\r\nrd /a/mobile/new\r\n",
        "subdir": b"cp skin/b.bin\r\nto /a/b.bin\r\ncp ../a.txt\r\nto /a/c\r\n\r\nrm /a/b.bin\r\n",
        "lf_only": b"cp a.txt\nto /a/x\n",
    }
    corpus["update_documents"] = {
        "newer": strings(b"About Tollhaven V0.1.0", b"V011 https://example.org/tollhaven/",
                         rest=b"A new release is out.\0junk"),
        "same": strings(b"About Tollhaven V0.1.0", b"V010 http://example.org/x"),
        "hostile": strings(b"V", b"V999 file:///etc/passwd", rest=b"\xff" * 300),
    }
    corpus["cli_arguments"] = {
        "ls": cli(b"ls", b"-l", b"/a/"),
        "get": cli(b"--log", b"log.txt", b"get", b"/a/x", b"."),
        "backup": cli(b"-q", b"backup", b"here"),
        "restore": cli(b"restore", b"--yes", b"here"),
        "attr": cli(b"attr", b"/a/x", b"+r", b"-h"),
        "patch": cli(b"patch", b"-", stdin=b"cp a.txt\r\nto /a/x\r\n"),
    }
    corpus["backup_manifest"] = {
        "two": b"# tollhaven backup manifest 1\n# size, owner, attribute word, handset path\n"
        b"5\t07\t0004\t/a/x.txt\n1200\t16\t0021\t/a/mobile/r\\x01ing\xc3\xa9.mp3\n",
        "header_only": b"# tollhaven backup manifest 1\n",
        "someone_else": b"hello\n",
    }
    corpus["mount_paths"] = {
        "read": mount((0, b"/a/keep.txt", b""), (1, b"/a", b""), (2, b"/a/mobile/x.mp3", b"")),
        "write": mount((3, b"/a/new.txt", b"contents"), (4, b"/b/dir", b""),
                       (7, b"/a/new.txt", b"/a/old.txt"), (6, b"/a/new.txt", b""),
                       (5, b"/b/dir", b"")),
        "xattr": mount((10, b"/a/mobile/x.mp3", b""),
                       (8, b"/a/mobile/x.mp3", b"user.tollhaven.owner"),
                       (9, b"/a/keep.txt", b"0x0021")),
    }
    def dropped(directory, *names):  # (name, contents)
        d = Seed()
        d.string(directory)
        d.num(len(names) - 1)
        for name, contents in names:
            d.string(name)
            d.string(contents)
        return d.data()

    corpus["dropped_files"] = {
        "plain": dropped(b"/a/", (b"ring.mp3", b"ID3"), (b"pic.jpg", b"\xff\xd8")),
        "latin1": dropped(b"/b/mobile/", ("caf\u00e9 \u00fc.txt".encode(), b"x")),
        "cannot": dropped(b"/a/", ("\u65e5.txt".encode(), b"x"), (b"..", b""), (b"a/b", b"")),
    }
    for target, seeds in corpus.items():
        os.makedirs(os.path.join(root, target), exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(root, target, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus"))
