// What the playground's tests share: the built page, the native program to
// compare with, and the WebAssembly module loaded in node.
import { spawnSync } from "node:child_process";
import { parseDiagnostics } from "../src/compiler.js";
import { cpSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { dirname, join, relative, resolve } from "node:path";
import { fileURLToPath } from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
export const root = resolve(here, "..", "..");
export const site = resolve(process.env.QORAL_SITE || join(root, "build-web", "site"));
export const native = resolve(process.env.QORAL_NATIVE || join(root, "build", "qoral"));
export const examplesDir = join(root, "examples");
// Any fixed time: the MIDI file records it instead of the time of writing.
export const EPOCH = "1700000000";

export function filesUnder(dir, base = dir) {
  return readdirSync(dir).flatMap((name) => {
    const path = join(dir, name);
    return statSync(path).isDirectory() ? filesUnder(path, base) : [relative(base, path)];
  });
}

export function exampleFiles() {
  return Object.fromEntries(filesUnder(examplesDir).map((f) => [f, readFileSync(join(examplesDir, f))]));
}

export async function loadModule() {
  const require = createRequire(import.meta.url);
  return {
    factory: require(join(site, "qoral.js")),
    wasm: await WebAssembly.compile(readFileSync(join(site, "qoral.wasm"))),
  };
}

// Compiles `text` as NAME with the native program in a copy of examples/, as
// the page's virtual folder, or the song NAME where it is in `folder`: the exit
// status, the MIDI file and the roll (or null), and the diagnostics.
export function compileNatively(name, text, folder = null) {
  const dir = mkdtempSync(join(tmpdir(), "qoral-web-"));
  try {
    if (!folder) {
      cpSync(examplesDir, dir, { recursive: true });
      writeFileSync(join(dir, name), text);
    }
    const base = name.replace(/\.[^.]*$/, "");
    const run = spawnSync(native, ["-diag", "gnu", "-roll", join(dir, `${base}.svg`), name, join(dir, `${base}.mid`)], {
      cwd: folder || dir,
      env: { ...process.env, SOURCE_DATE_EPOCH: EPOCH },
      encoding: "utf8",
      // A long song writes a progress line per measure: megabytes of them.
      maxBuffer: 256 * 1024 * 1024,
    });
    if (run.error) throw run.error;
    const diagnostics = parseDiagnostics(run.stderr.split("\n"));
    if (run.status !== 0) return { status: run.status, midi: null, svg: null, diagnostics };
    return {
      status: 0,
      midi: readFileSync(join(dir, `${base}.mid`)),
      svg: readFileSync(join(dir, `${base}.svg`), "utf8"),
      diagnostics,
    };
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}
