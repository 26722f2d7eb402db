#!/usr/bin/env python3
"""Makes a test film whose speech is known, from a real subtitle.

Every cue's text is spoken with espeak-ng at the cue's start (cut at its end),
laid over a background that cycles through music-like chords, noise, silence
and a steady tone under noise, with a music-only stretch of a minute or more
in the middle, mixed with sox at the given speech-to-background ratios and
wrapped with ffmpeg into the given containers. Nothing is downloaded.

  make_test_film.py --subtitle tos-en.vtt --voice en --window 0:150 \
      --music-only 70 --snr 10 --formats mkv-aac,wav --out DIR/NAME

writes DIR/NAME.truth (what is where, in milliseconds of the film),
DIR/NAME.srt (the cues at their film times) and DIR/NAME-<snr>db.<format
extension> for each ratio and format. Formats (see FORMATS below) name the
container and codec; "+video" adds an H.264 test picture, "+srt", "+ass" and
"+mov_text" a text subtitle stream holding the cues.
"""
import argparse
import array
import warnings
warnings.filterwarnings("ignore", category=DeprecationWarning)
import audioop  # noqa: E402 (C speed for RMS; no numpy on the build machines)
import os
import re
import shutil
import subprocess
import sys
import tempfile
import wave

RATE = 22050            # espeak-ng's own rate; the speech and background tracks use it
LEAD_MS = 3000          # background before the first cue
BLOCK_MS = 20000        # one background kind lasts this long, then the next
BACKGROUND_CYCLE = ("chords", "noise", "silence", "tone")

# format name -> (extension, ffmpeg audio arguments)
FORMATS = {
    "mkv-aac": ("mkv", ["-c:a", "aac", "-b:a", "128k", "-ac", "2"]),
    "mkv-ac3": ("mkv", ["-c:a", "ac3", "-b:a", "384k", "-ac", "6"]),
    "mkv-opus": ("mkv", ["-c:a", "libopus", "-b:a", "64k", "-ac", "2"]),
    "mp4-aac": ("mp4", ["-c:a", "aac", "-b:a", "128k", "-ac", "2"]),
    "mp3": ("mp3", ["-c:a", "libmp3lame", "-b:a", "128k", "-ac", "2"]),
    "wav": ("wav", ["-c:a", "pcm_s16le", "-ac", "2"]),
    "flac": ("flac", ["-c:a", "flac", "-ac", "2"]),
    "mkv-novideo-noaudio": ("mkv", None),   # a video stream only, for "no audio stream"
}
LANGUAGES = {"en": "eng", "fr": "fra", "it": "ita", "de": "deu", "cmn": "chi"}
SUBTITLE_CODECS = {"srt": "srt", "ass": "ass", "mov_text": "mov_text"}


def run(args):
    # sox seeds its noise in its repeatable mode, so that every build makes the
    # same films and the tests measure the same sound.
    if args[0] == "sox":
        args = ["sox", "-R"] + args[1:]
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def parse_time(text):
    parts = re.split(r"[:.,]", text.strip())
    parts = [int(p) for p in parts]
    if len(parts) == 3:
        parts = [0] + parts
    h, m, s, ms = parts
    return ((h * 60 + m) * 60 + s) * 1000 + ms


def read_cues(path):
    raw = open(path, "rb").read()
    try:
        text = raw.decode("utf-8-sig")
    except UnicodeDecodeError:
        text = raw.decode("cp1252")
    text = text.replace("\r\n", "\n").replace("\r", "\n")
    cues = []
    for block in re.split(r"\n\s*\n", text):
        lines = block.strip("\n").split("\n")
        for i, line in enumerate(lines):
            m = re.match(r"\s*([\d:.,]+)\s*-->\s*([\d:.,]+)", line)
            if m:
                words = " ".join(lines[i + 1:])
                words = re.sub(r"<[^>]*>|\{[^}]*\}", "", words).replace("\\N", " ").strip()
                if words:
                    cues.append((parse_time(m.group(1)), parse_time(m.group(2)), words))
                break
    cues.sort()
    return cues


def speak(text, voice, path):
    run(["espeak-ng", "-v", voice, "-s", "165", "-w", path, text])
    with wave.open(path, "rb") as w:
        assert w.getframerate() == RATE and w.getsampwidth() == 2 and w.getnchannels() == 1
        return w.readframes(w.getnframes())


def ms_to_bytes(ms):
    return (ms * RATE // 1000) * 2


def make_speech(cues, voice, tmp, speech_path):
    """Writes the speech track; returns (spoken intervals, speech RMS over them)."""
    spoken = []
    energy = 0.0
    samples = 0
    with wave.open(speech_path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        written = 0  # bytes
        for n, (start, end, text) in enumerate(cues):
            clip = speak(text, voice, os.path.join(tmp, "cue.wav"))
            limit = end if n + 1 == len(cues) else min(end, cues[n + 1][0])
            clip = clip[:max(0, ms_to_bytes(limit) - ms_to_bytes(start))]
            begin = ms_to_bytes(start)
            if begin > written:
                out.writeframes(b"\0" * (begin - written))
                written = begin
            clip = clip[written - begin:]
            out.writeframes(clip)
            written += len(clip)
            if clip:
                spoken.append((start, start + len(clip) * 1000 // (2 * RATE)))
                energy += audioop.rms(clip, 2) ** 2 * (len(clip) // 2)
                samples += len(clip) // 2
    return spoken, (energy / max(1, samples)) ** 0.5, written * 1000 // (2 * RATE)


def make_block_sources(tmp):
    """One BLOCK_MS file of each background kind, 16-bit mono at RATE."""
    secs = BLOCK_MS / 1000
    files = {}
    # Music-like: a sequence of triads with overtones, a new chord every 0.4 s.
    roots = [220.0, 246.9, 261.6, 293.7, 329.6, 349.2, 392.0, 440.0, 196.0, 174.6, 164.8, 261.6]
    chord_files = []
    for i, r in enumerate(roots):
        f = os.path.join(tmp, f"chord{i}.wav")
        run(["sox", "-n", "-r", str(RATE), "-b", "16", "-c", "1", f, "synth", "0.4",
             "sine", str(r), "sine", str(r * 1.26), "sine", str(r * 1.5), "sine", str(r * 2),
             "remix", "1-4", "fade", "t", "0.02", "0.4", "0.05", "vol", "0.5"])
        chord_files.append(f)
    phrase = os.path.join(tmp, "phrase.wav")
    run(["sox"] + chord_files + [phrase])
    files["chords"] = os.path.join(tmp, "chords.wav")
    run(["sox", phrase, files["chords"], "repeat", str(int(secs / 4.8) + 1), "trim", "0", str(secs)])
    files["noise"] = os.path.join(tmp, "noise.wav")
    run(["sox", "-n", "-r", str(RATE), "-b", "16", "-c", "1", files["noise"], "synth", str(secs),
         "pinknoise", "vol", "0.5"])
    files["tone"] = os.path.join(tmp, "tone.wav")
    run(["sox", "-n", "-r", str(RATE), "-b", "16", "-c", "1", files["tone"], "synth", str(secs),
         "sine", "440", "brownnoise", "remix", "1-2", "vol", "0.4"])
    files["silence"] = os.path.join(tmp, "silence.wav")
    run(["sox", "-n", "-r", str(RATE), "-b", "16", "-c", "1", files["silence"], "trim", "0", str(secs)])
    rms = {}
    for kind, f in files.items():
        with wave.open(f, "rb") as w:
            rms[kind] = audioop.rms(w.readframes(w.getnframes()), 2)
    return files, rms


def make_background(duration_ms, music_only, files, tmp, path):
    """Concatenates blocks to cover the film; the music-only stretch is chords throughout."""
    pieces = []
    t = 0
    n = 0
    while t < duration_ms:
        in_music = music_only and t < music_only[1] and t + BLOCK_MS > music_only[0]
        kind = "chords" if in_music else BACKGROUND_CYCLE[n % len(BACKGROUND_CYCLE)]
        pieces.append(files[kind])
        t += BLOCK_MS
        n += 1
    listing = os.path.join(tmp, "background.wav")
    run(["sox"] + pieces + [listing, "trim", "0", str(duration_ms / 1000)])
    shutil.move(listing, path)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--subtitle", required=True)
    p.add_argument("--voice", required=True)
    p.add_argument("--window", default=None, help="FROM:TO seconds of the subtitle to use")
    p.add_argument("--music-only", type=int, default=70, help="seconds of music without speech, 0 for none")
    p.add_argument("--snr", default="10", help="speech-to-background ratios in dB, comma-separated")
    p.add_argument("--formats", default="wav")
    p.add_argument("--out", required=True, help="DIR/NAME")
    a = p.parse_args()

    cues = read_cues(a.subtitle)
    if a.window:
        lo, hi = (int(float(x) * 1000) for x in a.window.split(":"))
        cues = [c for c in cues if lo <= c[0] < hi]
    if not cues:
        sys.exit("no cues in the window")
    # Film time: the first cue LEAD_MS in; a music-only stretch after the middle cue.
    base = cues[0][0] - LEAD_MS
    cues = [(s - base, e - base, t) for s, e, t in cues]
    music = None
    if a.music_only > 0:
        mid = len(cues) // 2
        gap_start = cues[mid - 1][1] + 1000
        shift = gap_start + a.music_only * 1000 + 1000 - cues[mid][0]
        cues = cues[:mid] + [(s + shift, e + shift, t) for s, e, t in cues[mid:]]
        music = (gap_start, gap_start + a.music_only * 1000)

    out_dir = os.path.dirname(os.path.abspath(a.out))
    name = os.path.basename(a.out)
    os.makedirs(out_dir, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        speech = os.path.join(tmp, "speech.wav")
        spoken, speech_rms, speech_ms = make_speech(cues, a.voice, tmp, speech)
        duration = max(speech_ms, cues[-1][1]) + LEAD_MS
        files, rms = make_block_sources(tmp)
        background = os.path.join(tmp, "bg.wav")
        make_background(duration, music, files, tmp, background)
        # Background level: RMS of the kinds that are not silence, mean over the cycle.
        bg_rms = sum(rms[k] for k in BACKGROUND_CYCLE if k != "silence") / 3

        srt = os.path.join(out_dir, name + ".srt")
        with open(srt, "w", encoding="utf-8") as f:
            for n, (s, e, t) in enumerate(cues, 1):
                fmt = lambda ms: "%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)
                f.write(f"{n}\n{fmt(s)} --> {fmt(e)}\n{t}\n\n")
        with open(os.path.join(out_dir, name + ".truth"), "w") as f:
            f.write(f"# made by make_test_film.py from {os.path.basename(a.subtitle)}, voice {a.voice}\n")
            f.write(f"duration {duration}\n")
            if music:
                f.write(f"music {music[0]} {music[1]}\n")
            t = 0
            n = 0
            while t < duration:
                kind = "chords" if music and t < music[1] and t + BLOCK_MS > music[0] else \
                    BACKGROUND_CYCLE[n % len(BACKGROUND_CYCLE)]
                f.write(f"background {t} {min(duration, t + BLOCK_MS)} {kind}\n")
                t += BLOCK_MS
                n += 1
            for s, e, _ in cues:
                f.write(f"cue {s} {e}\n")
            for s, e in spoken:
                f.write(f"speech {s} {e}\n")

        for snr in (float(x) for x in a.snr.split(",")):
            # Speech at a fixed level; the background scaled to the ratio.
            speech_gain = 3000.0 / speech_rms
            bg_gain = speech_gain * speech_rms / bg_rms / (10 ** (snr / 20))
            master = os.path.join(tmp, "master.wav")
            run(["sox", "-m", "-v", "%.6f" % speech_gain, speech, "-v", "%.6f" % bg_gain, background,
                 "-b", "16", master, "rate", "48k", "channels", "2"])
            for fmt in a.formats.split(","):
                base_fmt, *extras = fmt.split("+")
                ext, audio = FORMATS[base_fmt]
                out = os.path.join(out_dir, "%s-%gdb-%s.%s" % (name, snr, fmt, ext))
                if base_fmt == "mkv-novideo-noaudio":
                    out = os.path.join(out_dir, name + "-noaudio.mkv")
                args = ["ffmpeg", "-nostdin", "-y", "-loglevel", "error"]
                video = "video" in extras or audio is None
                if video:
                    args += ["-f", "lavfi", "-i", "testsrc2=size=160x90:rate=10:duration=%g" % (duration / 1000)]
                if audio is not None:
                    args += ["-i", master]
                subs = [x for x in extras if x in SUBTITLE_CODECS]
                for _ in subs:
                    args += ["-i", srt]
                n_inputs = (1 if video else 0) + (1 if audio is not None else 0)
                for i in range(n_inputs + len(subs)):
                    args += ["-map", str(i)]
                if video:
                    args += ["-c:v", "libx264", "-preset", "ultrafast", "-g", "50"]
                if audio is not None:
                    args += audio + ["-metadata:s:a:0", "language=" + LANGUAGES.get(a.voice.split("-")[0], "und")]
                for i, s in enumerate(subs):
                    args += ["-c:s:%d" % i, SUBTITLE_CODECS[s], "-metadata:s:s:%d" % i, "language=eng"]
                run(args + [out])
                if audio is None:
                    break


if __name__ == "__main__":
    main()
