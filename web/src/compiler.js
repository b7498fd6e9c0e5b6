// Compiling a song with the WebAssembly build of qoral, in the page and in
// node alike. Every compile gets a fresh instance of the module, so nothing of
// one run leaks into the next, as with separate runs of the program.

const SONG_FOLDER = "/song";

// "FILE:LINE:COLUMN: KIND: MESSAGE" lines of standard error (-diag gnu).
const DIAGNOSTIC = /^(.*?):(\d+):(\d+): (error|warning): (.*)$/;

export function parseDiagnostics(lines) {
  const found = [];
  for (const raw of lines) {
    // A progress line ends in a carriage return; what follows it is the message.
    const line = raw.slice(raw.lastIndexOf("\r") + 1);
    const match = DIAGNOSTIC.exec(line);
    if (match) {
      found.push({
        file: match[1],
        line: Number(match[2]),
        column: Number(match[3]),
        severity: match[4],
        message: match[5],
      });
    }
  }
  return found;
}

function makeFolders(FS, path) {
  let at = "";
  for (const part of path.split("/").filter(Boolean)) {
    at += "/" + part;
    if (!FS.analyzePath(at).exists) FS.mkdir(at);
  }
}

// factory: the module's createQoral; wasm: qoral.wasm compiled
// (WebAssembly.compile), so that each run only instantiates it.
// request: { name, text, files: {relativePath: Uint8Array|string}, dump, epoch }
// Gives { status, midi, svg, report, diagnostics }: midi and svg are null
// when the run left none.
export async function compileSong(factory, wasm, request) {
  const out = [];
  const err = [];
  const module = await factory({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(wasm, imports).then((instance) => receive(instance, wasm));
      return {};
    },
    print: (text) => out.push(text),
    printErr: (text) => err.push(text),
    preRun: [
      (m) => {
        if (request.epoch !== undefined && request.epoch !== null) m.ENV.SOURCE_DATE_EPOCH = String(request.epoch);
      },
    ],
  });
  const FS = module.FS;
  makeFolders(FS, SONG_FOLDER);
  for (const [path, content] of Object.entries(request.files || {})) {
    const slash = path.lastIndexOf("/");
    if (slash > 0) makeFolders(FS, `${SONG_FOLDER}/${path.slice(0, slash)}`);
    FS.writeFile(`${SONG_FOLDER}/${path}`, content);
  }
  FS.chdir(SONG_FOLDER);
  const name = request.name || "song.mml";
  // The song goes into the folder as bytes, so that the compiler sees every
  // one of them (a C string would end at a NUL byte and hide the rest).
  FS.writeFile(name, new TextEncoder().encode(request.text));
  const status = module.ccall("qoral_compile", "number", ["string", "number", "number"], [name, 0, request.dump ? 1 : 0]);
  const base = name.replace(/\.[^./]*$/, "");
  const read = (path, options) => (FS.analyzePath(path).exists ? FS.readFile(path, options) : null);
  return {
    status,
    midi: status === 0 ? read(`${base}.mid`) : null,
    svg: status === 0 ? read(`${base}.svg`, { encoding: "utf8" }) : null,
    report: out.join("\n"),
    errors: err.join("\n"),
    diagnostics: parseDiagnostics(err),
  };
}
