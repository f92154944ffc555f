// SPDX-License-Identifier: MIT
// Links that carry a configuration in their fragment, which browsers never send to a server:
// #pylo=DATA&name=NAME, where DATA is the bytes and a 32-bit check of them, compressed with
// deflate-raw and written in base64url.
import { MAX_FILE_BYTES } from './document.js';

export const MAX_LINK_CHARS = 32000;

const DAMAGED = 'This link\'s configuration is damaged (cut short or changed on the way): nothing was opened, and your text is as it was.';

// FNV-1a over the bytes.
function checkOf(bytes) {
  let h = 0x811c9dc5;
  for (const b of bytes) h = Math.imul(h ^ b, 0x01000193) >>> 0;
  return [h >>> 24, (h >>> 16) & 0xff, (h >>> 8) & 0xff, h & 0xff];
}

async function deflated(bytes) {
  return new Uint8Array(await new Response(new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw'))).arrayBuffer());
}

// The inflated bytes, or null when they are not a whole deflate-raw stream or exceed limit.
async function inflated(bytes, limit) {
  const reader = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
  const parts = [];
  let length = 0;
  try {
    for (;;) {
      const { value, done } = await reader.read();
      if (done) break;
      length += value.length;
      if (length > limit) { reader.cancel().catch(() => {}); return null; }
      parts.push(value);
    }
  } catch (e) {
    return null;
  }
  const out = new Uint8Array(length);
  let at = 0;
  for (const p of parts) { out.set(p, at); at += p.length; }
  return out;
}

const base64url = (bytes) => {
  let s = '';
  for (let i = 0; i < bytes.length; i += 8192) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
  return btoa(s).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
};

// The link to this page that opens bytes as name: {url} or {error} when it would be too long.
export async function linkFor(bytes, name) {
  const data = new Uint8Array(bytes.length + 4);
  data.set(bytes);
  data.set(checkOf(bytes), bytes.length);
  const fragment = 'pylo=' + base64url(await deflated(data)) + '&name=' + encodeURIComponent(name);
  if (fragment.length > MAX_LINK_CHARS) {
    return { error: `This configuration is too large for a link (${fragment.length.toLocaleString('en')} characters; a link holds up to ${MAX_LINK_CHARS.toLocaleString('en')}): share the file instead.` };
  }
  return { url: location.href.replace(/#.*$/, '') + '#' + fragment };
}

// What a fragment (location.hash) carries: null when it is no configuration link, else
// {name, bytes} or {error}.
export async function readLink(hash) {
  const params = new URLSearchParams(hash.replace(/^#/, ''));
  const data = params.get('pylo');
  if (data === null) return null;
  if (hash.length > MAX_LINK_CHARS + 1) {
    return { error: `This link is too long (${hash.length.toLocaleString('en')} characters; a link holds up to ${MAX_LINK_CHARS.toLocaleString('en')}): nothing was opened, and your text is as it was.` };
  }
  if (!/^[A-Za-z0-9_-]*$/.test(data) || data.length % 4 === 1) return { error: DAMAGED };
  const packed = Uint8Array.from(atob(data.replace(/-/g, '+').replace(/_/g, '/')), (c) => c.charCodeAt(0));
  const out = await inflated(packed, MAX_FILE_BYTES + 4);
  if (out === null || out.length < 4) return { error: DAMAGED };
  const bytes = out.subarray(0, out.length - 4);
  if (checkOf(bytes).some((b, i) => b !== out[bytes.length + i])) return { error: DAMAGED };
  const name = (params.get('name') || '').replace(/[\\/:*?"<>|\u0000-\u001f]/g, '_').slice(0, 100);
  return { name: name || 'shared.txt', bytes };
}
