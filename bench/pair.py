#!/usr/bin/python3
"""Side-by-side compile speed: qoral vs abc2midi, or vs the least-work baseline, on the same music
(run from the project checkout after a Release build).

Makes one random piece of 8 voices of eighth notes (BARS bars each) as MML and as ABC, times
each compiler (median of RUNS runs, whole process), checks both outputs with midicsv, and
prints notes per second and the ratio qoral/abc2midi. Exit 0 when the ratio reaches GOAL.
Usage: bench/pair.py [BARS=3000] [GOAL=1.5] [RUNS=5] [abc2midi|floor|file]
With "floor", qoral is paired with least_work.c beside this script (the least work that writes the
same notes) and GOAL is the largest allowed qoral/floor time ratio. With "file", qoral in work-file
mode is paired with qoral in memory mode and GOAL is the largest allowed file/memory time ratio.
abc2midi is Debian's abcmidi.
"""
import atexit, os, random, shutil, subprocess, sys, tempfile, time, statistics

bars = int(sys.argv[1]) if len(sys.argv) > 1 else 3000
goal = float(sys.argv[2]) if len(sys.argv) > 2 else 1.5
runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
against = sys.argv[4] if len(sys.argv) > 4 else 'abc2midi'
qoral = os.path.abspath('build/qoral')
random.seed(1)
names = 'CDEFGABcdefgab'
voices = [[random.choice(names) for _ in range(8 * bars)] for _ in range(8)]
work = tempfile.mkdtemp(prefix='qperf-')
atexit.register(shutil.rmtree, work, True)

abc = ['X:1', 'T:bench', 'M:4/4', 'L:1/8', 'Q:1/4=120', 'K:C']
for v, notes in enumerate(voices, 1):
    abc.append('V:%d' % v)
    for i in range(0, len(notes), 64):
        chunk = notes[i:i + 64]
        abc.append('|'.join(''.join(chunk[j:j + 8]) for j in range(0, len(chunk), 8)) + '|')
open(os.path.join(work, 'song.abc'), 'w').write('\n'.join(abc) + '\n')

mml = ['.tempo 120']
for v in range(1, 9):
    mml.append('.track %d macro:t%d ch:%d' % (v, v, v))
for v, notes in enumerate(voices, 1):
    octave = None
    for i in range(0, len(notes), 64):
        out = []
        if i == 0:
            out.append('l8')
        for n in notes[i:i + 64]:
            o = 4 if n.isupper() else 5
            if o != octave:
                out.append('o%d' % o)
                octave = o
            out.append(n.lower())
        mml.append('t%d(1) = %s' % (v, ' '.join(out)))
open(os.path.join(work, 'song.mml'), 'w').write('\n'.join(mml) + '\n')


def run(cmd):
    t = time.perf_counter()
    r = subprocess.run(cmd, cwd=work, capture_output=True)
    return time.perf_counter() - t, r


def paired(a, b):
    """Runs a and b alternately; returns (median a, median b, median of the per-pair ratios b/a,
    error text). The machine is shared, so only a ratio taken pair by pair is stable."""
    ta, tb, ratios = [], [], []
    for _ in range(runs):
        x, ra = run(a)
        y, rb = run(b)
        if ra.returncode != 0:
            return None, None, None, 'A: ' + (ra.stdout.decode('latin-1')[-300:] + ra.stderr.decode('latin-1')[-300:])
        if rb.returncode != 0:
            return statistics.median(ta) if ta else x, None, None, 'B: ' + (rb.stdout.decode('latin-1')[-200:] + rb.stderr.decode('latin-1')[-200:])
        ta.append(x); tb.append(y); ratios.append(y / x)
    return statistics.median(ta), statistics.median(tb), statistics.median(ratios), ''


def notes_in(mid):
    r = subprocess.run(['midicsv', os.path.join(work, mid)], capture_output=True, text=True, errors='replace')
    return sum(1 for l in r.stdout.splitlines() if ', Note_on_c, ' in l and not l.endswith(', 0'))


total = 8 * 8 * bars
if not os.path.exists(qoral):
    print('no binary at build/qoral')
    sys.exit(1)
if against == 'file':
    os.mkdir(os.path.join(work, 'w'))
    tq, tf, ratio, err = paired([qoral, 'song.mml', 'q.mid'], [qoral, '-workMode', 'file', '-workPath', 'w/', 'song.mml', 'f.mid'])
    if tq is None or ratio is None:
        print('qoral failed: ' + err.replace('\n', ' | '))
        sys.exit(1)
    same = open(os.path.join(work, 'q.mid'), 'rb').read()[200:] == open(os.path.join(work, 'f.mid'), 'rb').read()[200:]
    print('notes %d; memory mode %.3f s; file mode %.3f s; file/memory time %.2f (goal <= %.2f)%s' %
          (total, tq, tf, ratio, goal, '' if same else '; files differ'))
    sys.exit(0 if ratio <= goal and same else 1)
if against == 'floor':
    floor_c = os.path.join(os.path.dirname(os.path.abspath(__file__)), "least_work.c")
    subprocess.run(['gcc', '-O2', '-o', os.path.join(work, 'floor'), floor_c], check=True)
    other = [os.path.join(work, 'floor'), 'song.mml', 'f.mid']
else:
    other = ['abc2midi', 'song.abc', '-o', 'abc.mid']
tq, to, ratio, err = paired([qoral, 'song.mml', 'q.mid'], other)
if tq is None:
    print('qoral failed: ' + err.replace('\n', ' | '))
    sys.exit(1)
nq = notes_in('q.mid')
line = 'notes %d; qoral %.3f s (%.2f M notes/s, %d notes in file)' % (total, tq, total / tq / 1e6, nq)
if ratio is None:
    print(line + '; %s failed at this size: %s' % (against, err.strip().splitlines()[-1] if err.strip() else '?'))
    sys.exit(0 if nq == total and against != 'floor' else 1)
if against == 'floor':
    same = open(os.path.join(work, 'q.mid'), 'rb').read()[200:] == open(os.path.join(work, 'f.mid'), 'rb').read()[200:]
    print('%s; floor %.3f s; qoral/floor time %.2f (goal <= %.2f)%s' % (line, to, 1 / ratio, goal, '' if same else '; files differ'))
    sys.exit(0 if 1 / ratio <= goal and nq == total else 1)
na = notes_in('abc.mid')
print('%s; abc2midi %.3f s (%d notes in file); paired speed ratio qoral/abc2midi %.2f (goal %.2f)' % (line, to, na, ratio, goal))
sys.exit(0 if ratio >= goal and nq == total else 1)
