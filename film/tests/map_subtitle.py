#!/usr/bin/env python3
"""Applies a known mapping to a subtitle's times: what the old release's
subtitle (INPUT) is, given the cues where the new release speaks them.

  map_subtitle.py IN OUT [--fps FROM:TO] [--shift MS] [--add AT:LEN]... [--cut AT:LEN]...

Times map old -> new as the tool's segments do: t x ratio + shift, truncated
toward zero, where ratio = FROM/TO with the exact NTSC rates (23.976 is
24000/1001, 29.97 is 30000/1001, 59.94 is 60000/1001). --add AT:LEN puts a
scene of LEN ms into the new release before the old time AT (later cues move
LEN later); --cut AT:LEN removes the old release's cues in [AT, AT+LEN) and
moves later ones LEN earlier. With --inverse the mapping runs new -> old: give
the mapping of the old release to the new, and OUT is the old release's
subtitle made from the new one's cues. Writes OUT as SRT (UTF-8, LF) and
OUT.map: one line per OUT cue, "IN-cue-number new-start-ms".
"""
import argparse
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_test_film import read_cues  # noqa: E402

NTSC = {"23.976": (24000, 1001), "29.97": (30000, 1001), "59.94": (60000, 1001)}


def rate(text):
    num, den = NTSC.get(text, (float(text), 1))
    return num / den


def srt_time(ms):
    return "%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("input")
    p.add_argument("output")
    p.add_argument("--fps", default="1:1")
    p.add_argument("--shift", type=int, default=0)
    p.add_argument("--add", action="append", default=[])
    p.add_argument("--cut", action="append", default=[])
    p.add_argument("--inverse", action="store_true")
    a = p.parse_args()
    src, dst = a.fps.split(":")
    ratio = rate(src) / rate(dst)
    edits = sorted([(int(x.split(":")[0]), int(x.split(":")[1])) for x in a.add] +
                   [(int(x.split(":")[0]), -int(x.split(":")[1])) for x in a.cut])

    def forward(t):
        """Old time -> new time, None when cut."""
        moved = 0
        for at, length in edits:
            if length < 0 and at <= t < at - length:
                return None
            if t >= at:
                moved += length
        return math.trunc(t * ratio + a.shift + moved)

    def inverse(t):
        """New time -> old time, None when in an added scene."""
        base = (t - a.shift) / ratio
        moved = 0
        for at, length in edits:
            new_at = math.trunc(at * ratio + a.shift + moved)
            if length > 0 and new_at <= t < new_at + length:
                return None
            if t >= new_at + max(length, 0):
                moved += length
        return math.trunc(base - moved / ratio)

    mapping = inverse if a.inverse else forward
    out, table = [], []
    for n, (start, end, text) in enumerate(read_cues(a.input), 1):
        s, e = mapping(start), mapping(end)
        if s is None or e is None:
            continue
        out.append((s, e, text))
        table.append((n, start if a.inverse else s))
    with open(a.output, "w", encoding="utf-8") as f:
        for n, (s, e, text) in enumerate(out, 1):
            f.write("%d\n%s --> %s\n%s\n\n" % (n, srt_time(s), srt_time(e), text))
    with open(a.output + ".map", "w") as f:
        for n, new in table:
            f.write("%d %d\n" % (n, new))


if __name__ == "__main__":
    main()
