#!/usr/bin/env python3
"""Writes success.wav, the sound zunt.exe plays when the output is written: a
rising two-note chime (E5, then A5) of 0.4 s, 16-bit PCM mono at 22,050 Hz.

Each note is a bell-like tone, its fundamental with two softer overtones, that
starts in 4 ms and dies away exponentially; the second note begins while the
first still rings. The whole sound fades out over its last 30 ms, so it ends
on silence. The same file comes out on every run.

Usage: success_wav.py OUTPUT
"""
import math
import struct
import sys
import wave

RATE = 22050
LENGTH = 0.4  # seconds
NOTES = ((0.0, 659.26), (0.13, 880.0))  # (start in seconds, frequency in Hz)
OVERTONES = ((1.0, 1.0), (2.0, 0.3), (3.0, 0.12))  # (multiple, loudness)
PEAK = 0.5  # of full scale


def note(t, start, frequency):
    """Returns one note's level at time t."""
    if t < start:
        return 0.0
    t -= start
    envelope = min(t / 0.004, 1.0) * math.exp(-t * 9.0)
    return envelope * sum(
        loud * math.sin(2 * math.pi * frequency * multiple * t) for multiple, loud in OVERTONES
    )


def samples():
    """Returns the chime's levels, the loudest at PEAK."""
    count = int(RATE * LENGTH)
    levels = []
    for i in range(count):
        t = i / RATE
        fade = min((LENGTH - t) / 0.03, 1.0)
        levels.append(fade * sum(note(t, start, frequency) for start, frequency in NOTES))
    scale = PEAK / max(abs(level) for level in levels)
    return [round(level * scale * 32767) for level in levels]


def main():
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(struct.pack("<%dh" % int(RATE * LENGTH), *samples()))


if __name__ == "__main__":
    main()
