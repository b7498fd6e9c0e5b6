// Assembles the playground into a folder ready to publish:
//   node build.mjs WASM_DIR OUT_DIR
// WASM_DIR holds qoral.js and qoral.wasm from the WebAssembly build. The page
// needs no server of its own: any static web server will do.
import { build } from "esbuild";
import { createHash } from "node:crypto";
import { cpSync, mkdirSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync, existsSync } from "node:fs";
import { dirname, join, relative, resolve } from "node:path";
import { fileURLToPath } from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
const [wasmDir, outDir] = process.argv.slice(2).map((p) => resolve(p));
if (!wasmDir || !outDir) {
  console.error("usage: node build.mjs WASM_DIR OUT_DIR");
  process.exit(2);
}
const examplesDir = join(here, "..", "examples");
const soundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
const soundFontCopyright = "/usr/share/doc/timgm6mb-soundfont/copyright";
const synthesizer = join(here, "node_modules", "js-synthesizer");

function filesUnder(dir, base = dir) {
  return readdirSync(dir).flatMap((name) => {
    const path = join(dir, name);
    return statSync(path).isDirectory() ? filesUnder(path, base) : [relative(base, path)];
  });
}

// The examples folder as a module: every file, so includes and imports work,
// and the list of songs for the menu.
function examplesModule() {
  const files = filesUnder(examplesDir).sort();
  const entries = files.map((f) => `  ${JSON.stringify(f)}: bytes(${JSON.stringify(readFileSync(join(examplesDir, f)).toString("base64"))}),`);
  const songs = files.filter((f) => !f.includes("/") && f.endsWith(".mml"));
  return [
    "const bytes = (b64) => Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));",
    "export const examples = {",
    ` songs: ${JSON.stringify(songs)},`,
    " files: {",
    ...entries,
    " },",
    "};",
  ].join("\n");
}

const examplesPlugin = {
  name: "examples",
  setup(b) {
    b.onResolve({ filter: /^\.\/examples\.js$/ }, () => ({ path: "examples", namespace: "examples" }));
    b.onLoad({ filter: /.*/, namespace: "examples" }, () => ({ contents: examplesModule(), loader: "js" }));
  },
};

rmSync(outDir, { recursive: true, force: true });
mkdirSync(join(outDir, "vendor"), { recursive: true });
mkdirSync(join(outDir, "soundfont"), { recursive: true });
mkdirSync(join(outDir, "licences"), { recursive: true });

const bundle = await build({
  entryPoints: [join(here, "src", "playground.js")],
  bundle: true,
  format: "esm",
  minify: true,
  target: "es2020",
  outfile: join(outDir, "playground.js"),
  plugins: [examplesPlugin],
  metafile: true,
  legalComments: "eof",
  logLevel: "warning",
});

cpSync(join(here, "index.html"), join(outDir, "index.html"));
cpSync(join(here, "src", "playground.css"), join(outDir, "playground.css"));
cpSync(join(here, "LICENSES.md"), join(outDir, "LICENSES.md"));
cpSync(join(wasmDir, "qoral.js"), join(outDir, "qoral.js"));
cpSync(join(wasmDir, "qoral.wasm"), join(outDir, "qoral.wasm"));
cpSync(join(synthesizer, "externals", "libfluidsynth-2.4.6.js"), join(outDir, "vendor", "libfluidsynth.js"));
cpSync(join(synthesizer, "dist", "js-synthesizer.min.js"), join(outDir, "vendor", "js-synthesizer.min.js"));
cpSync(soundFont, join(outDir, "soundfont", "TimGM6mb.sf2"));

// Every bundled package's licence travels with the page.
const licences = {
  "TimGM6mb.copyright.txt": soundFontCopyright,
  "GPL-2.txt": "/usr/share/common-licenses/GPL-2",
  "fluidsynth.LGPL-2.1.txt": join(synthesizer, "externals", "LICENSE.fluidsynth.txt"),
  "js-synthesizer.LICENSE.txt": join(synthesizer, "LICENSE"),
  "emscripten.copyright.txt": "/usr/share/doc/emscripten/copyright",
};
const packages = new Set();
for (const input of Object.keys(bundle.metafile.inputs)) {
  const match = /node_modules\/((?:@[^/]+\/)?[^/]+)\//.exec(input);
  if (match) packages.add(match[1]);
}
for (const name of packages) {
  const licence = ["LICENSE", "LICENSE.md", "LICENSE.txt"].map((f) => join(here, "node_modules", name, f)).find(existsSync);
  if (!licence) throw new Error(`no licence file in ${name}`);
  licences[`${name.replace("/", "__")}.LICENSE.txt`] = licence;
}
for (const [name, path] of Object.entries(licences)) cpSync(path, join(outDir, "licences", name));

// The service worker keeps every file of the page, so it opens again offline.
const assets = filesUnder(outDir).sort();
const worker = readFileSync(join(here, "src", "offline.js"), "utf8").replace("__ASSETS__", JSON.stringify(assets));
const digest = createHash("sha256").update(worker);
for (const f of assets) digest.update(f).update(readFileSync(join(outDir, f)));
writeFileSync(join(outDir, "offline.js"), worker.replace("__VERSION__", digest.digest("hex").slice(0, 16)));
console.log(`playground built in ${outDir}`);
