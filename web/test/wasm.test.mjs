// The WebAssembly build compiles every example byte for byte as the native
// program does, and says plainly that it runs no scripts.
import test from "node:test";
import assert from "node:assert/strict";
import { compileSong } from "../src/compiler.js";
import { existsSync, readFileSync, readdirSync } from "node:fs";
import { join } from "node:path";
import { EPOCH, compileNatively, exampleFiles, filesUnder, loadModule, root } from "./support.mjs";

const { factory, wasm } = await loadModule();
const files = exampleFiles();
const songs = Object.keys(files).filter((f) => !f.includes("/") && f.endsWith(".mml"));

test("every example compiles to the same MIDI file and roll as natively", async () => {
  assert.ok(songs.length > 0);
  for (const name of songs) {
    const text = files[name].toString("utf8");
    const web = await compileSong(factory, wasm, { name, text, files, epoch: EPOCH });
    const expected = compileNatively(name, text);
    assert.equal(web.status, 0, `${name}: ${web.errors}`);
    assert.equal(expected.status, 0, name);
    assert.ok(Buffer.from(web.midi).equals(expected.midi), `${name}: the MIDI files differ`);
    assert.equal(web.svg, expected.svg, `${name}: the rolls differ`);
  }
});

// The song tests of the native suite that take no options and call no
// script, each in its own folder: the same outcome, file and diagnostics.
test("every plain song test compiles as natively, errors and warnings alike", async () => {
  const songsDir = join(root, "tests", "songs");
  let compared = 0;
  for (const topic of readdirSync(songsDir).sort()) {
    const folder = join(songsDir, topic);
    const folderFiles = Object.fromEntries(
      filesUnder(folder)
        .filter((f) => !/\.(out|err|csv|args)$/.test(f))
        .map((f) => [f, readFileSync(join(folder, f))]),
    );
    for (const name of Object.keys(folderFiles).filter((f) => !f.includes("/") && f.endsWith(".mml"))) {
      if (existsSync(join(folder, name.replace(/\.mml$/, ".args")))) continue;
      const text = folderFiles[name].toString("latin1");
      if (/@call/i.test(text)) continue;
      // Bytes beyond ASCII (Shift-JIS songs) cannot pass through the page's text.
      if (/[^\x00-\x7f]/.test(text)) continue;
      // Devices of the host (such as /dev/zero) are not in the page's virtual folder.
      if (/#include\s+"\/dev\//.test(text)) continue;
      const web = await compileSong(factory, wasm, { name, text, files: folderFiles, epoch: EPOCH });
      const expected = compileNatively(name, null, folder);
      const where = `tests/songs/${topic}/${name}`;
      assert.equal(web.status, expected.status, `${where}: ${web.errors}`);
      assert.deepEqual(web.diagnostics, expected.diagnostics, where);
      if (expected.midi) assert.ok(Buffer.from(web.midi).equals(expected.midi), `${where}: the MIDI files differ`);
      else assert.equal(web.midi, null, where);
      ++compared;
    }
  }
  assert.ok(compared > 100, `only ${compared} songs compared`);
});

test("a script call fails with the reason, and leaves no MIDI file", async () => {
  const text = ".track 1 macro:lead ch:1\nlead(1) = c4\nlead(1) = @CALL(myScript, 1)\n";
  const web = await compileSong(factory, wasm, { name: "call.mml", text, files: {} });
  assert.equal(web.status, 1);
  assert.equal(web.midi, null);
  assert.deepEqual(
    web.diagnostics.map((d) => [d.line, d.severity, d.message]),
    [[3, "error", "Scripts are not available in the browser: cannot call script function 'myScript'"]],
  );
});
