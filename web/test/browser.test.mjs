// The playground in a real browser (Debian's chromium, headless): a typed song
// shows its notes in the roll, a mistake is marked on its line, the downloaded
// file is the native program's, and Play makes sound, with the network off.
import test from "node:test";
import assert from "node:assert/strict";
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";
import { chromium } from "playwright-core";
import { readFileSync } from "node:fs";
import { EPOCH, compileNatively, examplesDir, site } from "./support.mjs";

const TYPES = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm", ".md": "text/markdown" };

// A plain static server for the built folder, on the loopback only.
function serve() {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://x").pathname)).replace(/^(\.\.[/\\])+/, "");
    const file = join(site, path.endsWith("/") ? `${path}index.html` : path);
    try {
      const body = await readFile(file);
      response.writeHead(200, { "content-type": TYPES[extname(file)] || "application/octet-stream" });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((ready) => server.listen(0, "127.0.0.1", () => ready(server)));
}

const SONG = [
  ".title  Typed",
  ".track  1  macro:lead  ch:1",
  ".track  2  macro:bass  ch:2",
  "lead(1) = o5 l8 c d e f g a b > c",
  "bass(1) = o3 l2 c g",
].join("\n");
const SONG_NOTES = 10;

const MISTAKE = [".track  1  macro:lead  ch:1", "lead(1) = o5 l4 c d", "lead(1) = e f j g", "lead(1) = c1"].join("\n");

let server;
let browser;
let page;
const pageErrors = [];

test.before(async () => {
  server = await serve();
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    args: ["--no-sandbox", "--autoplay-policy=no-user-gesture-required"],
  });
  const context = await browser.newContext({ acceptDownloads: true });
  page = await context.newPage();
  page.on("pageerror", (error) => pageErrors.push(error.message));
  await page.addInitScript((epoch) => {
    globalThis.SOURCE_DATE_EPOCH = epoch;
  }, EPOCH);
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForFunction(() => window.playground);
});

test.after(async () => {
  await browser?.close();
  server?.close();
});

async function typeSong(text) {
  await page.click(".cm-content");
  await page.keyboard.press("Control+A");
  await page.keyboard.press("Delete");
  await page.keyboard.type(text);
  await page.evaluate(() => window.playground.compile());
}

test("a typed song shows its notes in the piano roll", async () => {
  await typeSong(SONG);
  assert.equal(await page.locator("#roll rect.note").count(), SONG_NOTES);
  assert.match(await page.textContent("#status"), /Compiled: 10 notes/);
});

test("the address shares the song, and the examples compile as natively", async () => {
  const other = await page.context().newPage();
  await other.goto(page.url());
  await other.waitForFunction(() => window.playground);
  assert.equal(await other.evaluate(() => window.playground.editor().state.doc.toString()), SONG);
  await other.selectOption("#examples", "demo.mml");
  await other.waitForFunction(() => document.querySelector("#status").textContent.startsWith("Compiled"));
  const expected = compileNatively("demo.mml", readFileSync(join(examplesDir, "demo.mml"), "utf8"));
  const notes = (expected.svg.match(/<rect class="note"/g) || []).length;
  assert.ok(notes > 0);
  assert.equal(await other.locator("#roll rect.note").count(), notes);
  await other.close();
});

test("a mistake on line 3 is marked on line 3", async () => {
  await typeSong(MISTAKE);
  const marked = page.locator(".cm-lintRange-error");
  await marked.first().waitFor();
  const line = await marked.first().evaluate((mark) => {
    const lines = [...document.querySelectorAll(".cm-content .cm-line")];
    return lines.indexOf(mark.closest(".cm-line")) + 1;
  });
  assert.equal(line, 3);
  assert.match(await page.textContent("#status"), /^Line 3: /);
});

test("the downloaded MIDI file is the native program's, byte for byte", async () => {
  await typeSong(SONG);
  const [download] = await Promise.all([page.waitForEvent("download"), page.click("#download")]);
  assert.equal(download.suggestedFilename(), "song.mid");
  const chunks = [];
  for await (const chunk of await download.createReadStream()) chunks.push(chunk);
  const expected = compileNatively("song.mml", SONG);
  assert.equal(expected.status, 0);
  assert.ok(Buffer.concat(chunks).equals(expected.midi), "the downloaded file differs from the native one");
});

test("Play makes sound, and the page opens again, with the network off", async () => {
  await typeSong(SONG);
  await page.evaluate(() => window.playground.player.preload());
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.context().setOffline(true);
  await page.reload();
  await page.waitForFunction(() => window.playground);
  assert.equal(await page.evaluate(() => window.playground.editor().state.doc.toString()), SONG);
  await page.evaluate(() => window.playground.player.preload());
  await page.click("#play");
  await page.waitForFunction(() => Number(document.querySelector("#level").dataset.peak) > 0.01, null, {
    timeout: 15000,
  });
  assert.equal(await page.textContent("#play"), "Stop");
  await page.click("#play");
  await page.context().setOffline(false);
});

test("the page raised no script error", () => {
  assert.deepEqual(pageErrors, []);
});
