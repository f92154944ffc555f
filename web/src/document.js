// SPDX-License-Identifier: MIT
// The configuration being edited, as bytes. Until the first edit the page compiles and saves
// the file's own bytes; after it, the editor's text one byte per character, with the file's
// line ending.
import { latin1, toBytes } from './wasm.js';

export const MAX_FILE_BYTES = 1024 * 1024;

// Why bytes cannot be opened as a configuration, or null. Given only {length}, tells whether
// the size alone refuses them.
export function refusal(bytes) {
  if (bytes.length > MAX_FILE_BYTES) {
    return `The file is too large (${(bytes.length / 1048576).toFixed(1)} MB): a configuration is a small text file; the page opens files up to 1 MB.`;
  }
  if (!bytes.subarray) return null;
  const head = bytes.subarray(0, 65536);
  let control = 0;
  for (const b of head) if (b < 0x20 && b !== 0x09 && b !== 0x0a && b !== 0x0d && b !== 0x1a) control++;
  if (head.length > 0 && control * 10 > head.length) {
    return 'This is a binary file, not a configuration text (more than one byte in ten is a control character).';
  }
  return null;
}

export function createDocument() {
  return {
    name: 'keys.txt',
    original: new Uint8Array(0),
    edited: false,
    eol: '\n',
    open(name, bytes) {
      this.name = name;
      this.original = bytes;
      this.edited = false;
      const lf = bytes.indexOf(0x0a);
      this.eol = lf > 0 && bytes[lf - 1] === 0x0d ? '\r\n' : '\n';
      return latin1(bytes);
    },
    // The bytes to compile and save; text is the editor's (lines joined with "\n").
    bytes(text) {
      if (!this.edited) return this.original;
      return toBytes(this.eol === '\n' ? text : text.replace(/\n/g, this.eol));
    },
    // The compiler's line at position pos of the editor's text (CodeMirror's Text): {line,
    // 0-based; from, the position of its byte column 0; text, its bytes one character each}.
    // Edited, every line of the editor is one (its line breaks are saved as the file's line
    // end); until then a lone CR of the file breaks an editor line but not the compiler's.
    lineAt(text, pos) {
      if (!this.edited) {
        if (this.lines?.bytes !== this.original) this.lines = physicalLines(this.original);
        const line = this.lines.lineOf(pos);
        return { line: line - 1, from: this.lines.start(line), text: this.lines.text(line) };
      }
      const { number, from, text: chars } = text.lineAt(pos);
      const bom = number === 1 && chars.startsWith(BOM) ? BOM.length : 0;
      return { line: number - 1, from: from + bom, text: chars.slice(bom) };
    },
  };
}

const BOM = '\xef\xbb\xbf';

// Where the compiler's lines (ended by line feeds only) lie in the editor's text, which also
// breaks lines at a lone carriage return and counts CR LF as one character. Positions are
// the editor's; lines and columns 1-based as the checker gives them, a byte-order mark before
// the first line not counted.
export function physicalLines(bytes) {
  const starts = [0];
  const pairs = [0]; // CR LF pairs before each line
  for (let i = 0; i < bytes.length; i++) {
    if (bytes[i] !== 0x0a) continue;
    pairs.push(pairs[pairs.length - 1] + (i > 0 && bytes[i - 1] === 0x0d ? 1 : 0));
    starts.push(i + 1);
  }
  const count = starts.length;
  const bom = bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf ? 3 : 0;
  const lineEnd = (line) => {  // in bytes, before the line's LF or CR LF
    if (line >= count) return bytes.length;
    const lf = starts[line] - 1;
    return lf - (lf > 0 && bytes[lf - 1] === 0x0d ? 1 : 0);
  };
  const first = (line) => starts[line - 1] + (line === 1 ? Math.min(bom, lineEnd(1)) : 0);
  const start = (line) => first(line) - pairs[line - 1];
  const end = (line) => lineEnd(line) - pairs[line - 1];
  return {
    bytes,
    count,
    start,
    end,
    at: (line, column) => Math.min(start(line) + column - 1, end(line)),
    // The line that holds editor position pos.
    lineOf(pos) {
      let low = 1, high = count;
      while (low < high) {
        const mid = (low + high + 1) >> 1;
        if (starts[mid - 1] - pairs[mid - 1] <= pos) low = mid;
        else high = mid - 1;
      }
      return low;
    },
    // A line's bytes, one character each.
    text: (line) => latin1(bytes.subarray(first(line), lineEnd(line))),
  };
}
