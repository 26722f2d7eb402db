#!/usr/bin/env python3
"""Showing large texts: the real program through tessaly-drive, against targets.

    vexrun/driver/text_benchmark.py [BUILD_DIR] [--runs N]

Two figures, each the best of N runs (the machine is shared):
  - paste-100000: a 100,000-cue subtitle (about 8 MB) on the clipboard,
    Ctrl+V into the subtitle box, until the window is drawn with it:
    target 1 s;
  - long-line-10MB: a subtitle whose one dialogue line holds 10 MB, dropped,
    adjusted (two segments) and the window drawn with the output: target 2 s.
The driver's own timing of each line is used (--timing); a line's handlers
and the box's work run within it, and `shot` draws the whole window. The exit
status is 1 when a figure misses its target.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

TARGETS = {"paste-100000": 1.0, "long-line-10MB": 2.0}


def time_text(ms):
    return "%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)


def write_cues(path, cues):
    with open(path, "wb") as f:
        for i in range(cues):
            start = 1000 + i * 3000
            f.write(("%d\r\n%s --> %s\r\n第%d句字幕 line %d of the film\r\n\r\n" % (
                i + 1, time_text(start), time_text(start + 2000), i + 1, i + 1)).encode("utf-8"))


def write_long_line(path, size):
    # Dialogue words with blanks, and one stretch without any break at all.
    words = "第一句字幕 the quick brown fox jumps over the lazy dog, ".encode("utf-8")
    body = (words * (size // len(words)))[: size - 300000] + b"x" * 300000
    with open(path, "wb") as f:
        f.write(b"1\r\n00:00:01,000 --> 00:00:02,000\r\n" + body + b"\r\n\r\n")
        f.write(b"2\r\n00:00:05,000 --> 00:00:06,000\r\nend\r\n")


def drive(build, script):
    exe = os.path.join(build, "bin", "tessaly-drive")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    p = subprocess.run([exe, "--timing"], input=script.encode("utf-8"), capture_output=True, env=env, timeout=600)
    err = p.stderr.decode("utf-8", "replace")
    if p.returncode != 0:
        sys.exit("tessaly-drive failed (%d):\n%s" % (p.returncode, err))
    return {int(n): float(t) for n, t in re.findall(r"line (\d+) \(\w+\) took ([0-9.]+) s", err)}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(here, "..", "..", "build"))
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    best = {}
    with tempfile.TemporaryDirectory() as tmp:
        cues = os.path.join(tmp, "cues.srt")
        write_cues(cues, 100000)
        long_line = os.path.join(tmp, "long-line.srt")
        write_long_line(long_line, 10 * 1000 * 1000)
        shot = os.path.join(tmp, "window.png")
        paste = "clipfile %s\npaste 编辑框1\nshot %s\nquit\n" % (cues, shot)  # lines 2 and 3
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
            t = drive(args.build, paste)
            best["paste-100000"] = min(best.get("paste-100000", 1e9), t[2] + t[3])
            t = drive(args.build, adjust)
            best["long-line-10MB"] = min(best.get("long-line-10MB", 1e9), t[1] + t[8] + t[9])
    failed = False
    print("%-16s %10s %10s %8s" % ("figure", "best (s)", "target (s)", "ratio"))
    for key, target in TARGETS.items():
        ratio = best[key] / target
        failed = failed or ratio > 1
        print("%-16s %10.3f %10.3f %8.2f%s" % (key, best[key], target, ratio, "  MISSED" if ratio > 1 else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
