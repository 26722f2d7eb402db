#!/usr/bin/env python3
"""Showing large texts: the real program through tessaly-drive, against targets.

    vexrun/driver/text_benchmark.py [BUILD_DIR] [--runs N]

Three figures, each the best of N runs (the machine is shared):
  - paste-100000: a 100,000-cue subtitle (about 8 MB) on the clipboard,
    Ctrl+V into the subtitle box, until the window is drawn with it:
    target 1 s;
  - drop-gbk-100000: the same subtitle in GBK dropped on the window (the
    box decodes it with our GBK table) until the window is drawn: target 1 s;
  - long-line-10MB: a subtitle whose one dialogue line holds 10 MB, dropped,
    adjusted (two segments) and the window drawn with the output: target 2 s.
The driver's own timing of each line is used (--timing); a line's handlers
and the box's work run within it, and `shot` draws the whole window. The exit
status is 1 when a figure misses its target.
"""
import argparse
import os
import sys
import tempfile

from benchmark import drive, report, write_subtitle

TARGETS = {"paste-100000": 1.0, "drop-gbk-100000": 1.0, "long-line-10MB": 2.0}


def write_long_line(path, size):
    # Dialogue words with blanks, and one stretch without any break at all.
    words = "第一句字幕 the quick brown fox jumps over the lazy dog, ".encode("utf-8")
    body = (words * (size // len(words)))[: size - 300000] + b"x" * 300000
    with open(path, "wb") as f:
        f.write(b"1\r\n00:00:01,000 --> 00:00:02,000\r\n" + body + b"\r\n\r\n")
        f.write(b"2\r\n00:00:05,000 --> 00:00:06,000\r\nend\r\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(here, "..", "..", "build"))
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    best = {}
    with tempfile.TemporaryDirectory() as tmp:
        cues = os.path.join(tmp, "cues.srt")
        write_subtitle(cues, 100000)
        gbk_cues = os.path.join(tmp, "cues-gbk.srt")
        write_subtitle(gbk_cues, 100000, "gbk")
        long_line = os.path.join(tmp, "long-line.srt")
        write_long_line(long_line, 10 * 1000 * 1000)
        shot = os.path.join(tmp, "window.png")
        paste = "clipfile %s\npaste 编辑框1\nshot %s\nquit\n" % (cues, shot)  # lines 2 and 3
        drop_gbk = "drop %s\nshot %s\nquit\n" % (gbk_cues, shot)  # lines 1 and 2
        adjust = "\n".join([
            "drop " + long_line,  # line 1
            "set 编辑框2 00:00:01,000",
            "set 编辑框4 00:00:03,000",
            "set 编辑框6 00:00:05,000",
            "set 掩码编辑框1 00:00:01,040",
            "set 掩码编辑框3 00:00:03,120",
            "set 掩码编辑框5 00:00:05,200",
            "click 按钮1",  # line 8
            "shot " + shot,  # line 9
            "quit",
        ]) + "\n"
        for _ in range(args.runs):
            _, t, _ = drive(args.build, paste, timeout=600)
            best["paste-100000"] = min(best.get("paste-100000", 1e9), t[2] + t[3])
            _, t, _ = drive(args.build, drop_gbk, timeout=600)
            best["drop-gbk-100000"] = min(best.get("drop-gbk-100000", 1e9), t[1] + t[2])
            _, t, _ = drive(args.build, adjust, timeout=600)
            best["long-line-10MB"] = min(best.get("long-line-10MB", 1e9), t[1] + t[8] + t[9])
    return report(best, TARGETS)


if __name__ == "__main__":
    sys.exit(main())
