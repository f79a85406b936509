#!/usr/bin/env python3
"""Writes the receiver captures in this folder.

No recordings of real remotes can be taken here, so each capture is made from
nominal frames passed through a model of a demodulating receiver: bursts come
out longer and spaces shorter by a per-press amount (the receiver's turn-on
delay is shorter than its turn-off delay), every edge gets its own Gaussian
jitter, receivers that count in 50 us steps report edges on that grid, and the file has what the
capture tools print around the timings (the leading idle space, driver lines,
timeout lines). Run it from anywhere; it is deterministic.
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))


def nec_frame(address, command):
    out = [(1, 9000), (0, 4500)]
    data = [address & 0xFF, address >> 8, command, command ^ 0xFF]
    for byte in data:
        for bit in range(8):
            out += [(1, 560), (0, 1690 if byte >> bit & 1 else 560)]
    out.append((1, 560))
    return out


def nec_repeat():
    return [(1, 9000), (0, 2250), (1, 560)]


def rc5_frame(group, command, toggle):
    word = 1 << 13 | (0 if command & 0x40 else 1) << 12 | toggle << 11 | group << 6 | command & 0x3F
    out = []
    for bit in range(13, -1, -1):
        one = word >> bit & 1
        out += [(1 - one, 889), (one, 889)]
    return out


def rc6_frame(mode, control, information, trailer, width):
    t = 444
    out = [(1, 6 * t), (0, 2 * t)]

    def bit(one, half):
        out.extend([(one, half), (1 - one, half)])

    bit(1, t)
    for m in (2, 1, 0):
        bit(mode >> m & 1, t)
    bit(trailer, 2 * t)
    for word in (control, information):
        for i in range(width - 1, -1, -1):
            bit(word >> i & 1, t)
    return out


def merge(levels):
    """Joins runs of one level; drops leading and trailing idle."""
    runs = []
    for level, us in levels:
        if runs and runs[-1][0] == level:
            runs[-1][1] += us
        else:
            runs.append([level, us])
    while runs and runs[0][0] == 0:
        runs.pop(0)
    while runs and runs[-1][0] == 0:
        runs.pop()
    return runs


class Receiver:
    def __init__(self, seed, stretch, stretch_spread, jitter, step):
        self.rng = random.Random(seed)
        self.stretch = stretch
        self.stretch_spread = stretch_spread
        self.jitter = jitter
        self.step = step

    def capture(self, presses):
        """presses: list of (gap before in us, nominal frame levels)."""
        groups = []
        for gap, frame in presses:
            # Signal strength, and so the stretch, changes from press to press.
            stretch = self.stretch + self.rng.uniform(-self.stretch_spread, self.stretch_spread)
            runs = merge(frame)
            # Each edge moves by its own jitter; a burst's end comes late by
            # the stretch. A counting receiver reports edges on its tick grid,
            # so durations are differences of quantised edge times.
            edges, t = [], 0.0
            for level, us in runs:
                late = 0 if level else stretch  # the edge that starts this run
                edges.append(t + late + self.rng.gauss(0, self.jitter))
                t += us
            edges.append(t + stretch + self.rng.gauss(0, self.jitter))
            if self.step:
                edges = [round(e / self.step) * self.step for e in edges]
            out = []
            for (level, _), begin, end in zip(runs, edges, edges[1:]):
                out.append((level, max(self.step or 1, int(round(end - begin)))))
            groups.append((gap, out))
        return groups


def mode2_text(comment, groups, timeout, header_lines=()):
    lines = ['# ' + c for c in comment]
    lines += list(header_lines)
    lines.append('space 16777215')
    for i, (gap, runs) in enumerate(groups):
        if i and gap > timeout:
            # A long idle: the receiver reports its timeout, then the rest.
            lines.append('timeout %d' % timeout)
            lines.append('space %d' % (gap - timeout))
        elif i:
            lines.append('space %d' % gap)
        for level, us in runs:
            lines.append('%s %d' % ('pulse' if level else 'space', us))
    lines.append('timeout %d' % timeout)
    return '\n'.join(lines) + '\n'


def signed_text(comment, groups, timeout):
    lines = ['# ' + c for c in comment]
    words = []
    for i, (gap, runs) in enumerate(groups):
        if i and gap <= timeout:
            words.append('-%d' % gap)  # the next frame came before the timeout
        words += ['%s%d' % ('+' if level else '-', us) for level, us in runs]
        nxt = groups[i + 1][0] if i + 1 < len(groups) else None
        if nxt is None or nxt > timeout:
            for k in range(0, len(words), 16):
                lines.append(' '.join(words[k:k + 16]))
            words = []
            lines.append('# timeout %d' % timeout)
            if nxt is not None:
                lines.append('-%d' % (nxt - timeout))
    return '\n'.join(lines) + '\n'


def with_gaps(sequence):
    """sequence: list of (idle before the first frame, [frames]), frames every period."""
    presses = []
    for idle, frames, period in sequence:
        for i, f in enumerate(frames):
            if i == 0:
                presses.append((idle, f))
            else:
                prev = frames[i - 1]
                presses.append((period - sum(us for _, us in prev), f))
    return presses


def write(name, text):
    with open(os.path.join(HERE, name), 'w') as f:
        f.write(text)


MADE = 'Made by make-captures.py in this folder (no real recording can be taken here): '
LIRC_HEADER = ['Using driver default on device /dev/lirc0', 'Trying device: /dev/lirc0',
               'Using device: /dev/lirc0']


def main():
    # Media Center remote: RC6 mode 6, control 0x800F, information 0x04cc with
    # the toggle in bit 15. Up, Down held (four frames, one toggle), OK, OK.
    def mce(cmd, toggle):
        return rc6_frame(6, 0x800F, 0x0400 | cmd | toggle << 15, 0, 16)

    sequence = [
        (0, [mce(0x1E, 0)], 0),
        (612_000, [mce(0x1F, 1)] * 4, 114_000),
        (845_000, [mce(0x22, 0)], 0),
        (530_000, [mce(0x22, 1)], 0),
    ]
    rx = Receiver(seed=6, stretch=70, stretch_spread=25, jitter=10, step=50)
    groups = rx.capture(with_gaps(sequence))
    write('rc6-mce-mode2.txt', mode2_text(
        [MADE + 'Media Center remote, RC6 mode 6,',
         'control 0x800F: Up; Down held for four frames; OK; OK again (toggle flips).',
         'Receiver model: bursts +70+-25 us per press, spaces shortened as much, 10 us',
         'jitter per edge, edges on the 50 us grid of a USB receiver; LIRC mode2 output with its',
         'driver lines, the idle space and 125 ms timeouts.'],
        groups, 125_000, LIRC_HEADER))

    sequence = [
        (0, [mce(0x0D, 1)], 0),
        (700_000, [mce(0x10, 0)] * 3, 114_000),
        (400_000, [mce(0x10, 1)], 0),
    ]
    rx = Receiver(seed=66, stretch=95, stretch_spread=20, jitter=25, step=0)
    write('rc6-mce-irctl.txt', signed_text(
        [MADE + 'Media Center remote, RC6 mode 6,',
         'control 0x800F: the green button; Volume Up held for three frames; once more.',
         'Receiver model: bursts +95+-20 us per press, spaces shortened as much, 25 us',
         'jitter per edge, 1 us resolution; ir-ctl -r signed output with its timeout remarks.'],
        rx.capture(with_gaps(sequence)), 125_000))

    # RC5 TV remote, group 0: 1, 2 held for three frames (one toggle), 3.
    sequence = [
        (0, [rc5_frame(0, 0x01, 0)], 0),
        (540_000, [rc5_frame(0, 0x02, 1)] * 3, 113_778),
        (760_000, [rc5_frame(0, 0x03, 0)], 0),
        (480_000, [rc5_frame(5, 0x10, 1)], 0),
    ]
    rx = Receiver(seed=5, stretch=60, stretch_spread=20, jitter=20, step=0)
    write('rc5-tv-mode2.txt', mode2_text(
        [MADE + 'RC5 remote: group 0 commands 1; 2 held for',
         'three frames (one toggle); 3; group 5 command 0x10.',
         'Receiver model: bursts +60+-20 us per press, spaces shortened as much, 20 us',
         'jitter per edge; LIRC mode2 output with the idle space and 100 ms timeouts.'],
        rx.capture(with_gaps(sequence)), 100_000, LIRC_HEADER))

    # NEC remote, address 0xFB04: 0x12 held (frame and three repeat codes), 0x08.
    sequence = [
        (0, [nec_frame(0xFB04, 0x12)] + [nec_repeat()] * 3, 108_000),
        (650_000, [nec_frame(0xFB04, 0x08)], 0),
    ]
    rx = Receiver(seed=2, stretch=55, stretch_spread=15, jitter=20, step=0)
    write('nec-mode2.txt', mode2_text(
        [MADE + 'NEC remote, address 0xFB04: command',
         '0x12 held (the frame and three repeat codes, 108 ms apart), then 0x08.',
         'Receiver model: bursts +55+-15 us per press, spaces shortened as much, 20 us',
         'jitter per edge; LIRC mode2 output with the idle space and 125 ms timeouts.'],
        rx.capture(with_gaps(sequence)), 125_000, LIRC_HEADER))


if __name__ == '__main__':
    main()
