// SPDX-License-Identifier: MIT
// Serves a folder of static files on localhost: node serve.mjs DIR [PORT]. Prints the URL.
// Port 0 takes a free one. Web Serial needs a secure context, and localhost is one.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';

const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
                '.wasm': 'application/wasm', '.txt': 'text/plain; charset=iso-8859-1', '.png': 'image/png' };

export function serve(dir, port = 0) {
  const server = createServer(async (req, res) => {
    let path = normalize(decodeURIComponent(new URL(req.url, 'http://localhost').pathname));
    if (path.endsWith('/')) path += 'index.html';
    try {
      const body = await readFile(join(dir, path));
      res.writeHead(200, { 'Content-Type': TYPES[extname(path)] || 'application/octet-stream', 'Cache-Control': 'no-cache' });
      res.end(body);
    } catch (e) {
      res.writeHead(404).end('not found');
    }
  });
  return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

if (process.argv[1] && process.argv[1].endsWith('serve.mjs')) {
  const server = await serve(process.argv[2], Number(process.argv[3] || 8080));
  console.log(`pyloload page: http://localhost:${server.address().port}/`);
}
