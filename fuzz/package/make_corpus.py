#!/usr/bin/env python3
"""Writes the small seed files of fuzz_package, fuzz_project_ini and fuzz_packed_image into
fuzz/corpus/. JPEG streams come from ImageMagick's convert."""
import os
import struct
import subprocess

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "corpus")
MARKER = bytes((ord(c) + 1) & 0xFF for c in "{LPRESROURCE}")


def i32(v):
    return struct.pack("<i", v)


def package(records):
    return MARKER + i32(len(records)) + b"".join(i32(len(r)) + r for r in records)


def jpeg(w, h, colour):
    return subprocess.run(["convert", "-size", f"{w}x{h}", f"xc:{colour}", "-quality", "50", "jpg:-"],
                          check=True, capture_output=True).stdout


def string(s):
    return i32(len(s)) + s


def wave(amplitude, period, flags=b"\x01\x00\x01\x00"):
    return i32(amplitude) + i32(2) + i32(3) + i32(1) + flags + i32(period) + i32(1) + i32(0)


def packed_image(w, h, runs, regions=4, weather=(2, 50, 10, 15, 20)):
    out = b"LP060697" + string(b"Title") + string(b"") + string(jpeg(4, 3, "blue"))
    out += i32(regions) + b"".join(wave(3 + i, 360) for i in range(regions))
    mask = [w, h] + runs
    out += i32(len(mask)) + b"".join(i32(v) for v in mask)
    out += string(jpeg(w, h, "green")) + string(b"surf.wav")
    out += b"".join(i32(v) for v in weather) + i32(0)
    return out


def write(target, name, data):
    folder = os.path.join(root, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


filelist = b"[FileListHeader]\r\nHeader=1\r\n[FileList]\r\nLPImage0.lpp=1\r\nbeach.jpg=0\r\n"
settings = (b"[General]\r\nProductName=Sea\r\n[Default]\r\nDuration=0x1E\r\nSound=0\r\n"
            b"Speed=240\r\n[Advance]\r\nMusicFile=a.mid;b.mp3\r\n[Build]\r\nBuildSmallThumbs=0\r\n")
ui = b"[UI]\r\nUIFile=C:\\work\\Main.lui\r\n"
project = package([filelist, settings, ui])

write("fuzz_project_ini", "three_records.res", project)
write("fuzz_project_ini", "two_records.res", package([filelist, settings]))
write("fuzz_project_ini", "bad_name.res", package([b"[FileList]\r\n..\\x=1\r\n", b"", b""]))

names = b"C:\\pics\\LPImage0.lpp\r\nC:\\pics\\beach.jpg\r\n"
files = package([b"lpp bytes", b""])
write("fuzz_package", "screensaver.scr", b"MZ" + b"\0" * 40 + package([project, names, files, b"1\r\n0\r\n"]))
write("fuzz_package", "split_marker.bin", b"x" * 995 + package([b"abc"]))
write("fuzz_package", "empty.bin", package([]))
write("fuzz_package", "truncated.bin", package([b"abcdef"])[:-3])

write("fuzz_packed_image", "plain.lpp", packed_image(8, 6, [230, 51, 54, 102, 33]))
write("fuzz_packed_image", "crossing_rows.lpp", packed_image(3, 2, [10, 54]))
write("fuzz_packed_image", "one_region.lpp", packed_image(8, 6, [480], regions=1, weather=(1, 9, 3, 0, 0)))
write("fuzz_packed_image", "mask_only_size.lpp", packed_image(8, 6, []))
