#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target under corpus/.

Inputs named regression-* are fuzzer findings kept after their fix; this
script leaves them alone. Seeds are well-formed inputs (frames of each protocol, the card's real
requests, the shipped profile, a typical config.ini), so that the fuzzers
start deep inside each parser. Deterministic; run it from anywhere.
"""
import importlib.util
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))
module_spec = importlib.util.spec_from_file_location('captures', os.path.join(ROOT, 'tests/data/ir/make-captures.py'))
cap = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(cap)


def out(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def durations(levels):
    return [us for _, us in cap.merge(levels)]


def u16_duration(us):
    return us if us < 0x8000 else 0x8000 | min(0x7FFF, us // 16)


def frames():
    nec = cap.nec_frame(0xFB04, 0x12)
    rep = cap.nec_repeat()
    gap = [(0, 40000)]
    rc6 = cap.rc6_frame(6, 0x800F, 0x040D, 0, 16)
    rc6m0 = cap.rc6_frame(0, 0x00, 0x0C, 1, 8)
    rc5 = cap.rc5_frame(0x1F, 0x3F, 1)
    nec24 = []
    for byte in (0x56, 0x34, 0x12, 0x42, 0xBD):
        for bit in range(8):
            nec24 += [(1, 560), (0, 1690 if byte >> bit & 1 else 560)]
    nec24 = [(1, 9000), (0, 4500)] + nec24 + [(1, 560)]
    return {
        # name: (decoder type, levels)
        'nec': (2, nec + gap + rep + [(0, 96000)] + rep + [(0, 96000)] + rep),
        'nec24': (3, nec24 + gap + rep),
        'rc5': (0, rc5 + [(0, 90000)] + rc5),
        'rc6': (1, rc6 + [(0, 80000)] + rc6),
        'rc6m0': (1, rc6m0),
    }


def main():
    # Capture files in each text form; the receiver captures themselves seed
    # from tests/data/ir (REMORRA_FUZZ_SEEDS_capture_reader), not copied here.
    out('capture_reader', 'signed.txt', '+9000 -4500 +560 -560\n+560 # timeout 30000\n+9000\n')
    out('capture_reader', 'unsigned.txt', '9000 4500 560 560\r\n560\n')
    out('capture_reader', 'refused.txt', 'pulse 9000\nspace 4500\npluse 560\n')

    for name, (kind, levels) in frames().items():
        d = durations(levels)
        stream = b''.join(struct.pack('<H', u16_duration(us)) for us in d)
        for mode, flag in (('edge', 0), ('sample', 4)):
            if name == 'rc6' and mode == 'sample' or name == 'rc6m0' and mode == 'edge':
                continue
            out('decoder_frontend', '%s-%s' % (name, mode), bytes([kind | flag]) + stream)
        # Sample windows at each decoder's own period, 1 = burst (RC5 wants raw
        # pin levels, 0 = burst).
        period = {2: 280, 3: 280, 0: 220, 1: 220}[kind]
        which = {2: 0, 3: 1, 0: 2, 1: 3}[kind]
        samples = []
        t = 0
        for level, us in cap.merge(levels):
            t += us
            while len(samples) * period < t and len(samples) < 4000:
                samples.append(level if kind != 0 else 1 - level)
        samples += [0 if kind != 0 else 1] * max(0, 500 - len(samples))  # idle after the frame
        out('sample_windows', name, bytes([which]) + struct.pack('<H', period - 1) + bytes(samples[:500]))

    # RC5/RC6 edges with timer passes placed between them.
    for name in ('rc5', 'rc6'):
        levels = frames()[name][1]
        ops = bytearray()
        t, last = 0, 0
        for i, (level, us) in enumerate(cap.merge(levels)):
            if level:
                ops += bytes([0]) + struct.pack('<H', u16_duration(t - last if last else 60000))
                last = t
            t += us
            if i == 20:
                ops += bytes([6, 7])
        ops += bytes([6, 7])
        out('rc_timers', name, bytes(ops))

    with open(os.path.join(ROOT, 'data/Original.xml'), 'rb') as f:
        out('profile_xml', 'original', b'\x01\x02\x03\x04' + f.read())
    out('profile_xml', 'one-key', b'\x05\x06\x07\x08<?xml version="1.0"?>\n<RemoteSetting><Power><Shift>0</Shift>'
        b'<Ctrl>1</Ctrl><Alt>0</Alt><VirtualKey>80</VirtualKey><Modifiers>2</Modifiers></Power>'
        b'</RemoteSetting>\n')
    out('profile_xml', 'not-xml', b'\x00\x00\x00\x00<RemoteSetting><Power>')

    out('config_ini', 'device', 'Device\0Index\0' '3\0' '[Device]\r\nIndex=1\r\nName=1: Card\r\n\r\n[Options]\r\n'
        'Remember=1\r\n')
    out('config_ini', 'new-section', 'Options\0Decoder\0' 'NEC\0' '; remark\n[Device]\nIndex = "2"\n')
    out('config_ini', 'empty', 'A\0B\0C\0')

    # The card's requests as the layers send them: the probe, a chip pin read,
    # the pin direction, chip and legacy event registration and its disable.
    def req(op, set_sel, data, tail=b''):
        return bytes([op, set_sel, len(data)]) + data + tail

    def header(pid, flags, kind):
        return b'\0' * 16 + struct.pack('<III', pid, flags, kind)

    probe = header(0, 1, 3) + struct.pack('<H', 0x7231) + b'\0\0' + struct.pack('<I', 7) + b'\0' * 4
    chip_get = header(1, 1, 2) + struct.pack('<H', 0x7231) + bytes([1, 4])
    direction = header(0, 2, 2) + struct.pack('<H', 0x7231) + bytes([1, 0]) + struct.pack('<I', 0x10) + b'\0' * 4
    chip_event = b'\0' * 16 + struct.pack('<II', 4, 1)
    chip_record = struct.pack('<IIII', 1, 0, 0, 0) + bytes([4]) + b'\0' * 7
    legacy_event = b'\0' * 16 + struct.pack('<II', 5, 1)
    legacy_record = struct.pack('<IIII', 1, 0, 0, 0)
    card = bytes([1, 4])
    card += req(2, 4, probe, bytes([1, 0]))
    card += req(2, 2, chip_get, bytes([1, 0]))
    card += req(2, 2, direction, bytes([4, 0x10, 0, 0, 0]))
    card += req(3, 3, chip_event, bytes([len(chip_record)]) + chip_record + bytes([1, 0]))
    card += bytes([5, 0, 6])
    card += bytes([4, 0, 16])
    out('card_requests', 'chip', card)
    legacy = bytes([0, 18])
    legacy += bytes([0, 0, 0, 25]) + bytes([18]) + b'\0' * 24 + bytes([1, 1, 1])
    legacy += bytes([1, 0, 0, 32]) + bytes([18]) + b'\0' * 31 + bytes([1, 0, 0])
    legacy += req(3, 1, legacy_event, bytes([len(legacy_record)]) + legacy_record + bytes([1, 1]))
    legacy += bytes([5, 1, 4, 0, 16])
    out('card_requests', 'legacy', legacy)


if __name__ == '__main__':
    main()
