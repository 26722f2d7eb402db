#!/usr/bin/env python3
"""Scores a speech timeline (film-speech --timeline) against a made film's truth.

  score_timeline.py FILM.truth TIMELINE [TIMELINE2]

Prints the share of spoken frames found, of music-only frames marked speech,
of frames outside every cue marked speech by background kind, and with a
second timeline how many frames the two differ in and where.
"""
import sys


def read_truth(path):
    t = {"music": [], "speech": [], "cue": [], "background": []}
    for line in open(path):
        w = line.split()
        if not w or w[0].startswith("#"):
            continue
        if w[0] == "duration":
            t["duration"] = int(w[1])
        elif w[0] == "background":
            t["background"].append((int(w[1]) // 10, int(w[2]) // 10, w[3]))
        else:
            t[w[0]].append((int(w[1]) // 10, int(w[2]) // 10))
    return t


def share(frames, spans):
    total = hits = 0
    for a, b in spans:
        for f in range(a, b):
            total += 1
            hits += f < len(frames) and frames[f] == "1"
    return hits / total if total else 0.0, total


def main():
    truth = read_truth(sys.argv[1])
    frames = open(sys.argv[2]).read().strip()
    found, _ = share(frames, truth["speech"])
    music, _ = share(frames, truth["music"])
    in_cue = [False] * max(len(frames), truth["duration"] // 10 + 1)
    for a, b in truth["cue"]:
        for f in range(a, min(b, len(in_cue))):
            in_cue[f] = True
    by_kind = {}
    for a, b, kind in truth["background"]:
        outside = [(f, f + 1) for f in range(a, b) if not in_cue[f]]
        s, n = share(frames, outside)
        tot = by_kind.setdefault(kind, [0.0, 0])
        tot[0] += s * n
        tot[1] += n
    kinds = " ".join("%s %.3f" % (k, v[0] / v[1]) for k, v in sorted(by_kind.items()) if v[1])
    print("found %.3f music-only %.3f false-alarm by background: %s" % (found, music, kinds))
    if len(sys.argv) > 3:
        other = open(sys.argv[3]).read().strip()
        diff = [i for i in range(min(len(frames), len(other))) if frames[i] != other[i]]
        print("frames %d vs %d, differing %d" % (len(frames), len(other), len(diff)), diff[:20])


if __name__ == "__main__":
    main()
