#!/usr/bin/env python3
"""Whole-program fuzzing: mutates the song tests and compiles each mutant with
the sanitizer build, once in memory mode and once in work-file mode, each
under a time limit. A run is a finding when

  - it crashes: a signal, a sanitizer report, or an exit status other than 0 and 1;
  - it hangs: it outlives the time limit;
  - it exits 0 although it wrote an error (the error file is not empty);
  - it exits 1 and leaves a MIDI file (or any other new file) beside the output;
  - it leaves a work file behind in file mode;
  - the two work modes disagree: on the exit status, or on the MIDI file's bytes.

Each finding is saved in the findings folder as NAME.mml with NAME.args (the
options used, the song's own first) and NAME.txt (what was seen). One process
at a time, so it can run beside other work:

  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQORAL_SANITIZE=ON && cmake --build build-asan -j2
  fuzz/whole_program.py --minutes 30 --findings /tmp/qoral-findings
"""
import argparse
import os
import random
import resource
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Bytes and texts that reach the compiler's limits and its encodings.
INTERESTING_BYTES = b"\x00\\\n\r\t$()[]{}<>,:;=#/*\"'%?!^@&|~.+-0123456789\x81\x5c\x82\xa0\xe3\xef\xbb\xbf\xff\x80\xc0\xfc"
TOKENS = [
    b"$(", b")9999", b"$A0", b"$$", b"\\", b"\\\n", b"/*", b"*/", b"#define A $B$B\n", b"#define B $A$A\n",
    b"#define X\n", b"#include \"zz_fuzz.mml\"\n", b"#if 1\n", b"#endif\n", b"#else\n",
    b"4294967295", b"2147483647", b"-2147483648", b"65535", b"65536", b"268435456", b"99999999999",
    b"l1", b"r1", b"r1^1^1", b"c1^1", b"s32:959", b"t1", b"t999", b"v127", b"o10", b"o-10", b"{cde}3",
    b"@DELAY 99999", b"@END", b"@OPT", b"*(p)", b"!1", b"?1", b"%1", b"^(mmlcmd,i,cc)", b"i7,100",
    b".track 65535 macro:z\n", b".track 2147483647 macro:y\n", b".division 9999\n", b".tempo 1\n",
    b".pattern p\n", b".end\n", b"$chord(c,1,2)", b"$wave(1,2,3,4)", b"$expr(1/0)", b"$slide(0,127,1,1)",
    "ぁ\\".encode("utf-8"), "ソ表".encode("shift_jis"), "テスト".encode("utf-8"),
]


# Options that end the run before any song is read.
ENDS_BEFORE_COMPILING = {"--help", "--version", "-h", "-help", "/help", "-?", "/?"}


def mutate(data, others, rng):
    data = bytearray(data)
    for _ in range(rng.randint(1, 4)):
        choice = rng.randrange(10)
        at = rng.randint(0, len(data))
        if choice == 0 and data:  # delete a span
            end = min(len(data), at + rng.randint(1, 64))
            del data[at:end]
        elif choice == 1 and data:  # duplicate a span
            start = rng.randrange(len(data))
            span = data[start:start + rng.randint(1, 128)]
            data[at:at] = span * rng.randint(1, 8)
        elif choice == 2:  # random bytes
            data[at:at] = bytes(rng.randrange(256) for _ in range(rng.randint(1, 8)))
        elif choice == 3 and data:  # one interesting byte
            data[min(at, len(data) - 1)] = rng.choice(INTERESTING_BYTES)
        elif choice == 4:
            data[at:at] = rng.choice(TOKENS)
        elif choice == 5 and others:  # a line of another song
            lines = rng.choice(others).split(b"\n")
            data[at:at] = rng.choice(lines) + b"\n"
        elif choice == 6 and data:  # a line repeated
            lines = bytes(data).split(b"\n")
            line = rng.choice(lines)
            data[at:at] = (line + b"\n") * rng.randint(2, 200)
        elif choice == 7:  # a long line
            data[at:at] = bytes([rng.choice(b"/crx ;\\")]) * rng.choice([1000, 16382, 16383, 16384, 40000])
        elif choice == 8 and data:  # a number changed
            digits = [i for i, b in enumerate(data) if 48 <= b <= 57]
            if digits:
                i = rng.choice(digits)
                data[i:i + 1] = str(rng.choice([0, 1, 9, 127, 128, 255, 256, 959, 960, 32767, 65535, 2 ** 31 - 1,
                                                2 ** 32 - 1, 2 ** 28, rng.randrange(10 ** 6)])).encode()
        elif choice == 9 and data:  # swap two lines
            lines = bytes(data).split(b"\n")
            i, j = rng.randrange(len(lines)), rng.randrange(len(lines))
            lines[i], lines[j] = lines[j], lines[i]
            data = bytearray(b"\n".join(lines))
    return bytes(data)


def limit_child():
    # Big outputs fail their writes instead of filling the disk; no core files.
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (256 << 20, 256 << 20))
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def run(qoral, cwd, args, timeout):
    env = dict(os.environ, SOURCE_DATE_EPOCH="0", LC_ALL="C.UTF-8",
               ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:soft_rss_limit_mb=1500",
               UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")
    try:
        proc = subprocess.run([qoral] + args, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              stdin=subprocess.DEVNULL, timeout=timeout, preexec_fn=limit_child)
    except subprocess.TimeoutExpired as expired:
        return None, expired.stderr or b""
    return proc.returncode, proc.stderr


def check_one(qoral, song_dir, song_args, out_dir, work_dir, mode, timeout):
    """Runs one compile; returns (problems, status, MIDI bytes or None)."""
    for folder in (out_dir, work_dir):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    output = os.path.join(out_dir, "out.mid")
    err_file = os.path.join(out_dir, "errors.txt")
    args = list(song_args) + ["-errOut", err_file]
    if mode == "file":
        args += ["-workMode", "file", "-workPath", work_dir]
    args += ["zz_fuzz.mml", output]
    status, stderr = run(qoral, song_dir, args, timeout)
    problems = []
    text = stderr.decode("utf-8", "replace")
    if status is None:
        problems.append(f"{mode}: hang (more than {timeout} s)")
    elif status < 0 or status not in (0, 1) or "Sanitizer" in text or "runtime error:" in text:
        tail = "\n".join(line for line in text.splitlines() if "$ clock" not in line)[-3000:]
        problems.append(f"{mode}: crash, status {status}\n{tail}")
    errors = os.path.exists(err_file) and os.path.getsize(err_file) > 0
    left = sorted(set(os.listdir(out_dir)) - {"errors.txt"})
    if status == 0 and errors:
        with open(err_file, "rb") as f:
            problems.append(f"{mode}: exit 0 with an error: {f.read()[:500]!r}")
    if status == 0 and left != ["out.mid"]:
        problems.append(f"{mode}: exit 0 but the output folder holds {left}")
    if status == 1 and left:
        problems.append(f"{mode}: exit 1 with files left: {left}")
    if status is not None and os.listdir(work_dir):
        problems.append(f"{mode}: work files left: {os.listdir(work_dir)}")
    midi = None
    if status == 0 and os.path.exists(output):
        with open(output, "rb") as f:
            midi = f.read()
    return problems, status, midi


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--qoral", default=os.path.join(ROOT, "build-asan", "qoral"))
    parser.add_argument("--songs", default=os.path.join(ROOT, "tests", "songs"))
    parser.add_argument("--findings", default=os.path.join(tempfile.gettempdir(), "qoral-findings"))
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--runs", type=int, default=0, help="stop after this many mutants (0: by time)")
    parser.add_argument("--timeout", type=float, default=20)
    parser.add_argument("--seed", type=int, default=None)
    options = parser.parse_args()
    qoral = os.path.abspath(options.qoral)
    seed = options.seed if options.seed is not None else int(time.time())
    rng = random.Random(seed)
    os.makedirs(options.findings, exist_ok=True)

    scratch = tempfile.mkdtemp(prefix="qoral-fuzz-")
    try:
        tree = os.path.join(scratch, "songs")
        shutil.copytree(options.songs, tree)
        songs = []
        for folder, _, files in os.walk(tree):
            for name in sorted(files):
                if name.endswith(".mml"):
                    base = os.path.join(folder, name[:-4])
                    args = []
                    if os.path.exists(base + ".args"):
                        with open(base + ".args") as f:
                            args = shlex.split(f.read())
                    if any(a.lower() in ENDS_BEFORE_COMPILING for a in args):
                        continue
                    with open(base + ".mml", "rb") as f:
                        songs.append((folder, args, f.read()))
        texts = [text for _, _, text in songs]
        out_dir = os.path.join(scratch, "out")
        work_dir = os.path.join(scratch, "work")
        deadline = time.time() + options.minutes * 60
        runs = findings = 0
        print(f"seed {seed}, {len(songs)} songs, findings in {options.findings}", flush=True)
        while (options.runs and runs < options.runs) or (not options.runs and time.time() < deadline):
            folder, args, text = rng.choice(songs)
            mutant = mutate(text, texts, rng)
            case = os.path.join(folder, "zz_fuzz.mml")
            with open(case, "wb") as f:
                f.write(mutant)
            problems = []
            results = {}
            for mode in ("memory", "file"):
                found, status, midi = check_one(qoral, folder, args, out_dir, work_dir, mode, options.timeout)
                problems += found
                results[mode] = (status, midi)
                runs += 1
                if status is None:
                    break  # a hang is not worth waiting for twice
            if len(results) == 2:
                (status_a, midi_a), (status_b, midi_b) = results["memory"], results["file"]
                if status_a != status_b:
                    problems.append(f"the work modes disagree: exit {status_a} in memory, {status_b} in files")
                elif midi_a != midi_b:
                    problems.append("the work modes wrote different MIDI files")
            os.remove(case)
            if problems:
                findings += 1
                name = os.path.join(options.findings, f"finding_{seed}_{runs}")
                with open(name + ".mml", "wb") as f:
                    f.write(mutant)
                with open(name + ".args", "w") as f:
                    f.write(" ".join(shlex.quote(a) for a in args) + "\n")
                with open(name + ".txt", "w") as f:
                    f.write(f"song folder: {os.path.relpath(folder, tree)}\n" + "\n".join(problems) + "\n")
                print(f"finding {name}: {problems[0].splitlines()[0]}", flush=True)
            if runs % 200 == 0:
                print(f"{runs} compiles, {findings} findings", flush=True)
        print(f"done: {runs} compiles, {findings} findings (seed {seed})", flush=True)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
