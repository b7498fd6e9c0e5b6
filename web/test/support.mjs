// What the playground's tests share: the built page, the native program to
// compare with, and the WebAssembly module loaded in node.
import { execFileSync } from "node:child_process";
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

export function loadModule() {
  const require = createRequire(import.meta.url);
  return { factory: require(join(site, "qoral.js")), wasmBinary: readFileSync(join(site, "qoral.wasm")) };
}

// Compiles `text` as NAME in a copy of examples/ with the native program, as
// the page does in its virtual folder: the MIDI file and the roll, or null.
export function compileNatively(name, text) {
  const dir = mkdtempSync(join(tmpdir(), "qoral-web-"));
  try {
    cpSync(examplesDir, dir, { recursive: true });
    writeFileSync(join(dir, name), text);
    const base = name.replace(/\.[^.]*$/, "");
    let status = 0;
    try {
      execFileSync(native, ["-roll", `${base}.svg`, name], {
        cwd: dir,
        env: { ...process.env, SOURCE_DATE_EPOCH: EPOCH },
        stdio: "pipe",
      });
    } catch (error) {
      status = error.status;
    }
    if (status !== 0) return { status, midi: null, svg: null };
    return { status, midi: readFileSync(join(dir, `${base}.mid`)), svg: readFileSync(join(dir, `${base}.svg`), "utf8") };
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}
