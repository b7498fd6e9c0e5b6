// The WebAssembly build compiles every example byte for byte as the native
// program does, and says plainly that it runs no scripts.
import test from "node:test";
import assert from "node:assert/strict";
import { compileSong } from "../src/compiler.js";
import { EPOCH, compileNatively, exampleFiles, loadModule } from "./support.mjs";

const { factory, wasmBinary } = loadModule();
const files = exampleFiles();
const songs = Object.keys(files).filter((f) => !f.includes("/") && f.endsWith(".mml"));

test("every example compiles to the same MIDI file and roll as natively", async () => {
  assert.ok(songs.length > 0);
  for (const name of songs) {
    const text = files[name].toString("utf8");
    const web = await compileSong(factory, wasmBinary, { name, text, files, epoch: EPOCH });
    const expected = compileNatively(name, text);
    assert.equal(web.status, 0, `${name}: ${web.errors}`);
    assert.equal(expected.status, 0, name);
    assert.ok(Buffer.from(web.midi).equals(expected.midi), `${name}: the MIDI files differ`);
    assert.equal(web.svg, expected.svg, `${name}: the rolls differ`);
  }
});

test("a script call fails with the reason, and leaves no MIDI file", async () => {
  const text = ".track 1 macro:lead ch:1\nlead(1) = c4\nlead(1) = @CALL(myScript, 1)\n";
  const web = await compileSong(factory, wasmBinary, { name: "call.mml", text, files: {} });
  assert.equal(web.status, 1);
  assert.equal(web.midi, null);
  assert.deepEqual(
    web.diagnostics.map((d) => [d.line, d.severity, d.message]),
    [[3, "error", "Scripts are not available in the browser: cannot call script function 'myScript'"]],
  );
});
