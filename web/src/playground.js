// The playground page: an editor for the song, qoral compiling it in the
// browser as the user types, the piano roll and the messages beside it, a
// player, the MIDI file to download, the examples, and the song kept in the
// page address so that a link shares it.
import { EditorView, keymap, lineNumbers, highlightActiveLine, drawSelection } from "@codemirror/view";
import { EditorState } from "@codemirror/state";
import { history, defaultKeymap, historyKeymap } from "@codemirror/commands";
import { setDiagnostics, lintGutter } from "@codemirror/lint";
import { mmlLanguage, mmlHighlighting } from "./mml-language.js";
import { compileSong } from "./compiler.js";
import { Player } from "./player.js";
import { examples } from "./examples.js";

const DEFAULT_NAME = "song.mml";
const DEFAULT_SONG = `/ Type a song, press Play.
.title  First steps
.track  1  macro:lead  ch:1
lead(1) = o5 l8 v100 c d e f g4 e4 c2
`;

const $ = (id) => document.getElementById(id);
const state = { name: DEFAULT_NAME, result: null, compiling: null, again: false };
let wasmModule = null;
let editor = null;

// ---- The song in the page address: #name=NAME&song=TEXT, the text deflated
// and base64url-encoded.

async function pack(text) {
  const stream = new Blob([text]).stream().pipeThrough(new CompressionStream("deflate-raw"));
  const bytes = new Uint8Array(await new Response(stream).arrayBuffer());
  let binary = "";
  for (const b of bytes) binary += String.fromCharCode(b);
  return btoa(binary).replace(/\+/g, "-").replace(/\//g, "_").replace(/=+$/, "");
}

async function unpack(packed) {
  const binary = atob(packed.replace(/-/g, "+").replace(/_/g, "/"));
  const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("deflate-raw"));
  return new Response(stream).text();
}

async function songFromAddress() {
  const params = new URLSearchParams(location.hash.slice(1));
  const song = params.get("song");
  if (!song) return null;
  // The name becomes a file of the song's folder: a plain one only.
  const name = params.get("name") || "";
  try {
    return { name: /^[\w-][\w.-]*\.mml$/i.test(name) ? name : DEFAULT_NAME, text: await unpack(song) };
  } catch {
    return null;
  }
}

async function keepInAddress(text) {
  const params = new URLSearchParams({ name: state.name, song: await pack(text) });
  window.history.replaceState(null, "", `#${params}`);
}

// ---- Compiling.

function setStatus(text, isError = false) {
  $("status").textContent = text;
  $("status").classList.toggle("error", isError);
}

function markDiagnostics(diagnostics) {
  const doc = editor.state.doc;
  const marks = [];
  for (const d of diagnostics) {
    if (d.file !== state.name || d.line < 1 || d.line > doc.lines) continue;
    const line = doc.line(d.line);
    const from = Math.min(line.from + d.column - 1, line.to);
    marks.push({ from, to: Math.max(from, line.to), severity: d.severity, message: d.message });
  }
  editor.dispatch(setDiagnostics(editor.state, marks));
}

async function compileNow() {
  const text = editor.state.doc.toString();
  const result = await compileSong(createQoral, wasmModule, {
    name: state.name,
    text,
    files: examples.files,
    dump: $("dump").checked,
    epoch: globalThis.SOURCE_DATE_EPOCH,
  });
  state.result = result;
  $("report").textContent = [result.report, result.errors].filter(Boolean).join("\n");
  $("roll").innerHTML = result.svg || "";
  markDiagnostics(result.diagnostics);
  $("download").disabled = !result.midi;
  $("play").disabled = !result.midi && !player.playing;
  const first = result.diagnostics.find((d) => d.severity === "error");
  if (result.status === 0) {
    const warnings = result.diagnostics.length;
    const notes = $("roll").querySelectorAll("rect.note").length;
    setStatus(`Compiled: ${notes} notes${warnings ? `, ${warnings} warning${warnings > 1 ? "s" : ""}` : ""}`);
  } else {
    setStatus(first ? `Line ${first.line}: ${first.message}` : "Compile failed", true);
  }
  keepInAddress(text);
  return result;
}

// One compile at a time; edits during it ask for one more afterwards.
async function compile() {
  if (state.compiling) {
    state.again = true;
    return state.compiling;
  }
  state.compiling = (async () => {
    let result;
    try {
      do {
        state.again = false;
        result = await compileNow();
      } while (state.again);
    } catch (error) {
      // The module itself failed (a trap): the page stays usable.
      result = { status: 1, midi: null, svg: null, report: "", errors: String(error), diagnostics: [] };
      state.result = result;
      $("download").disabled = true;
      setStatus(`The compiler stopped: ${error.message || error}`, true);
    } finally {
      state.compiling = null;
    }
    return result;
  })();
  return state.compiling;
}

let typingTimer = 0;
function compileSoon() {
  clearTimeout(typingTimer);
  typingTimer = setTimeout(compile, 300);
}

// ---- Playing and downloading.

const player = new Player(
  () => {
    $("play").textContent = "Play";
    $("play").disabled = !state.result?.midi;
  },
  (level, peak) => {
    $("level-bar").style.width = `${Math.min(100, level * 100)}%`;
    $("level").dataset.peak = String(peak);
  },
);

async function playOrStop() {
  if (player.playing) {
    await player.stop();
    return;
  }
  clearTimeout(typingTimer);
  const result = await compile();
  if (!result.midi) return;
  $("play").textContent = "Stop";
  try {
    await player.play(result.midi);
  } catch (error) {
    $("play").textContent = "Play";
    setStatus(`Cannot play: ${error.message}`, true);
  }
}

function download() {
  const midi = state.result?.midi;
  if (!midi) return;
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([midi], { type: "audio/midi" }));
  link.download = state.name.replace(/\.[^.]*$/, "") + ".mid";
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

// ---- Examples.

function setSong(name, text) {
  state.name = name;
  $("examples").value = examples.songs.includes(name) ? name : "";
  editor.dispatch({ changes: { from: 0, to: editor.state.doc.length, insert: text } });
}

function fillExamples() {
  const menu = $("examples");
  for (const name of examples.songs) {
    const option = document.createElement("option");
    option.value = name;
    option.textContent = name;
    menu.append(option);
  }
  menu.addEventListener("change", () => {
    if (!menu.value) return;
    setSong(menu.value, new TextDecoder().decode(examples.files[menu.value]));
    compile();
  });
}

// ---- Start.

async function start() {
  const initial = (await songFromAddress()) || { name: DEFAULT_NAME, text: DEFAULT_SONG };
  state.name = initial.name;
  editor = new EditorView({
    parent: $("editor"),
    state: EditorState.create({
      doc: initial.text,
      extensions: [
        lineNumbers(),
        history(),
        drawSelection(),
        highlightActiveLine(),
        lintGutter(),
        mmlLanguage,
        mmlHighlighting,
        keymap.of([...defaultKeymap, ...historyKeymap]),
        EditorView.updateListener.of((update) => {
          if (update.docChanged) compileSoon();
        }),
      ],
    }),
  });
  fillExamples();
  if (examples.songs.includes(state.name)) $("examples").value = state.name;
  $("play").addEventListener("click", playOrStop);
  $("download").addEventListener("click", download);
  $("dump").addEventListener("change", compile);
  player.preload().catch(() => {});
  if ("serviceWorker" in navigator) navigator.serviceWorker.register("offline.js").catch(() => {});
  const response = await fetch("qoral.wasm");
  wasmModule = await WebAssembly.compile(await response.arrayBuffer());
  await compile();
  // The page answers for tests and scripts.
  window.playground = { compile, editor: () => editor, player, setSong };
}

start().catch((error) => setStatus(`Cannot start: ${error.message}`, true));
