#!/usr/bin/env python3
"""Checks a piano roll against the MIDI file it was drawn with: every note of
the file as one bar in its lane at the place the scale gives, the bar lines
from the control track's signatures, and a mark for each tempo event."""
import struct
import sys
import xml.etree.ElementTree as ET

LEFT, TOP, QUARTER, KEY = 140, 44, 48, 6
SVG = '{http://www.w3.org/2000/svg}'


def read_midi(path):
    data = open(path, 'rb').read()
    assert data[:4] == b'MThd'
    _, _, count, division = struct.unpack('>IHHH', data[4:14])
    at, tracks = 14, []
    for _ in range(count):
        assert data[at:at + 4] == b'MTrk'
        length = struct.unpack('>I', data[at + 4:at + 8])[0]
        tracks.append(data[at + 8:at + 8 + length])
        at += 8 + length
    return division, tracks


def events(chunk):
    at, clock, running = 0, 0, 0

    def vlq():
        nonlocal at
        value = 0
        while True:
            b = chunk[at]
            at += 1
            value = value << 7 | (b & 0x7f)
            if b < 0x80:
                return value
    while at < len(chunk):
        clock += vlq()
        status = chunk[at]
        if status >= 0xf0:
            at += 1
            kind = chunk[at] if status == 0xff else None
            at += status == 0xff
            size = vlq()
            yield clock, status, kind, chunk[at:at + size]
            at += size
            running = 0
            continue
        if status >= 0x80:
            running = status
            at += 1
        size = 1 if running & 0xf0 in (0xc0, 0xd0) else 2
        yield clock, running, None, chunk[at:at + size]
        at += size


def notes_of(chunk):
    lanes, sounding = {}, {}
    last = 0
    for clock, status, _, data in events(chunk):
        last = clock
        kind, channel = status & 0xf0, (status & 0x0f) + 1
        if kind == 0x90 and data[1] > 0:
            sounding.setdefault((channel, data[0]), []).append((clock, data[1]))
        elif kind in (0x80, 0x90) and sounding.get((channel, data[0])):
            start, vel = sounding[(channel, data[0])].pop(0)
            lanes.setdefault(channel, []).append((start, clock, data[0], vel))
    for (channel, key), rest in sounding.items():
        for start, vel in rest:
            lanes.setdefault(channel, []).append((start, last, key, vel))
    return lanes


def near(a, b):
    return abs(float(a) - b) < 0.006


def main(mid, svg):
    division, tracks = read_midi(mid)
    x = lambda clock: LEFT + clock * QUARTER / division
    root = ET.parse(svg).getroot()
    problems = []
    lanes = root.findall(f'{SVG}g[@class="lane"]')
    expected = []
    for number, chunk in enumerate(tracks):
        for channel, notes in sorted(notes_of(chunk).items()):
            expected.append((number, channel, sorted(notes, key=lambda n: n[0])))
    if [(int(g.get('data-track')), int(g.get('data-channel'))) for g in lanes] != [e[:2] for e in expected]:
        problems.append('lanes %s, file has %s' % ([(g.get('data-track'), g.get('data-channel')) for g in lanes],
                                                   [e[:2] for e in expected]))
    total = 0
    for g, (_, _, notes) in zip(lanes, expected):
        top = float(g.find(f'{SVG}rect[@class="lane-back"]').get('y'))
        high = max(n[2] for n in notes)
        bars = g.findall(f'{SVG}rect[@class="note"]')
        total += len(bars)
        if len(bars) != len(notes):
            problems.append(f'lane {g.get("data-track")}/{g.get("data-channel")}: {len(bars)} bars, {len(notes)} notes')
            continue
        for bar, (start, end, key, vel) in zip(bars, notes):
            if not (near(bar.get('x'), x(start)) and near(bar.get('width'), max(x(end) - x(start), 1))
                    and near(bar.get('y'), top + (high - key) * KEY) and int(bar.get('data-velocity')) == vel):
                problems.append(f'note {key} at {start}: bar {bar.attrib}')
    signatures, tempos, end = [], [], 0
    for chunk in tracks:
        for clock, status, kind, data in events(chunk):
            end = max(end, clock)
    for clock, status, kind, data in events(tracks[0]):
        if kind == 0x58:
            signatures.append((clock, data[0] * division * 4 >> data[1]))
        elif kind == 0x51:
            tempos.append((clock, 60000000 / int.from_bytes(data[:3], 'big')))
    bars, clock, length = [], 0, division * 4
    while clock <= end:
        for at, size in signatures:
            if at <= clock:
                length = size
        following = [at for at, _ in signatures if at > clock]
        stop = following[0] if following else end + 1
        while clock < stop:
            bars.append(x(clock))
            clock += length
    drawn = [float(line.get('x1')) for line in root.iter(f'{SVG}line') if line.get('class') == 'measure']
    if len(drawn) != len(bars) or not all(near(a, b) for a, b in zip(drawn, bars)):
        problems.append(f'bar lines at {drawn}, expected {bars}')
    marks = [(float(t.get('x')) - 5, float(t.get('data-bpm'))) for t in root.iter(f'{SVG}text') if t.get('data-bpm')]
    if len(marks) != len(tempos) or not all(near(m[0], x(c)) and near(m[1], round(b, 2)) for m, (c, b) in zip(marks, tempos)):
        problems.append(f'tempo marks {marks}, expected {tempos}')
    for problem in problems:
        print('FAIL', svg + ':', problem)
    return total, len(bars), len(tempos), bool(problems)


if __name__ == '__main__':
    total, bars, tempos, failed = main(sys.argv[1], sys.argv[2])
    # The test song's own shape, so that an empty drawing of an empty file cannot pass.
    if len(sys.argv) == 3 and (total, bars, tempos) != (17, 3, 2):
        print(f'FAIL {sys.argv[2]}: {total} notes, {bars} bar lines, {tempos} tempo marks; expected 17, 3, 2')
        failed = True
    sys.exit(1 if failed else 0)
