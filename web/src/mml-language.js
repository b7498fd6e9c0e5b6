// Highlighting of qoral songs, after the Vim and VS Code syntax files in
// editors/: comments nest, '/' lines are remarks, '#' lines directives, '.'
// lines control lines, and `name(part) = ...` lines hold the MML commands.
import { StreamLanguage, HighlightStyle, syntaxHighlighting } from "@codemirror/language";
import { tags } from "@lezer/highlight";

const DIRECTIVES = /^#\s*(define|undef|include|ifdef|ifndef|if|else|endif|error|table)\b/i;
const MML_LINE_HEAD = /^\s*[A-Za-z_]\w*\s*\([^)]*\)\s*=/;

function startState() {
  return { commentDepth: 0, line: "plain" };
}

function comment(stream, state) {
  while (!stream.eol()) {
    if (stream.match("/*")) state.commentDepth++;
    else if (stream.match("*/")) state.commentDepth--;
    else stream.next();
    if (state.commentDepth === 0) break;
  }
  return "comment";
}

// Tokens every kind of line shares: comments, strings, macros.
function shared(stream, state) {
  if (stream.match("/*")) {
    state.commentDepth = 1;
    return comment(stream, state);
  }
  if (stream.match(/^"[^"]*"?/)) return "string";
  if (stream.match(/^\$[A-Za-z_]\w*/) || stream.match(/^\$(?=\()/)) return "macroName";
  return null;
}

function token(stream, state) {
  if (state.commentDepth > 0) return comment(stream, state);
  if (stream.sol()) {
    const rest = stream.string;
    if (/^\/(?!\*)/.test(rest)) {
      stream.skipToEnd();
      return "lineComment";
    }
    if (stream.match(DIRECTIVES)) {
      state.line = "directive";
      return "processingInstruction";
    }
    if (stream.match(/^\.[A-Za-z]+/)) {
      state.line = "control";
      return "keyword";
    }
    if (MML_LINE_HEAD.test(rest)) {
      stream.match(/^\s*[A-Za-z_]\w*/);
      state.line = "mml";
      return "tagName";
    }
    state.line = "plain";
  }
  const common = shared(stream, state);
  if (common) return common;
  if (state.line === "control") {
    if (stream.match(/^[A-Za-z]+:/)) return "propertyName";
    if (stream.match(/^[-+]?\d+/)) return "number";
  } else if (state.line === "directive") {
    if (stream.match(/^[-+]?\d+/)) return "number";
  } else if (state.line === "mml") {
    // ^(name,words...): the words are no notes.
    if (stream.match(/^\^\([^)]*\)?/)) return "typeName";
    if (stream.match(/^@[A-Za-z_]\w*/)) return "variableName.function";
    if (stream.match(/^[a-gn][-+#]*/i)) return "atom";
    if (stream.match(/^r/i)) return "string.special";
    if (stream.match(/^[%?!^*<>&]/)) return "operator";
    if (stream.match(/^[{}]/)) return "brace";
    if (stream.match(/^[-+]?\d+/)) return "number";
  }
  stream.next();
  return null;
}

export const mmlLanguage = StreamLanguage.define({
  name: "qoral-mml",
  startState,
  token,
  copyState: (state) => ({ ...state }),
  languageData: { commentTokens: { block: { open: "/*", close: "*/" } } },
});

const style = HighlightStyle.define([
  { tag: tags.comment, color: "#7a7a7a", fontStyle: "italic" },
  { tag: tags.lineComment, color: "#5f7f5f", fontStyle: "italic" },
  { tag: tags.processingInstruction, color: "#8a3ab9" },
  { tag: tags.keyword, color: "#0b5cad", fontWeight: "bold" },
  { tag: tags.propertyName, color: "#2f6f8f" },
  { tag: tags.macroName, color: "#b35c00" },
  { tag: tags.string, color: "#a31515" },
  { tag: tags.number, color: "#098658" },
  { tag: tags.tagName, color: "#795e26", fontWeight: "bold" },
  { tag: tags.function(tags.variableName), color: "#af00db" },
  { tag: tags.atom, color: "#0451a5" },
  { tag: tags.special(tags.string), color: "#888888" },
  { tag: tags.operator, color: "#d13438" },
  { tag: tags.typeName, color: "#267f99" },
  { tag: tags.brace, color: "#d13438" },
]);

export const mmlHighlighting = syntaxHighlighting(style);
