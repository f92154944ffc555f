// SPDX-License-Identifier: MIT
// Serves a folder of static files on localhost only, with esbuild's file server:
// node serve.mjs DIR [PORT]. Prints the URL. Port 0 takes a free one. Web Serial needs a
// secure context, and localhost is one.
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const esbuild = require('esbuild');

// Resolves to {port, close()} once the folder is served on 127.0.0.1.
export async function serve(dir, port = 0) {
  const context = await esbuild.context({ logLevel: 'silent' });
  const served = await context.serve({ servedir: dir, host: '127.0.0.1', port });
  return { port: served.port, close: () => context.dispose() };
}

if (process.argv[1] && process.argv[1].endsWith('serve.mjs')) {
  const server = await serve(process.argv[2], Number(process.argv[3] || 8080));
  console.log(`pyloload page: http://127.0.0.1:${server.port}/`);
}
