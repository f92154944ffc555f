// SPDX-License-Identifier: MIT
// Writes the service worker of a built site: every file of the folder precached under a hash
// of its content, so that after one visit the page runs with the network off. A new build
// changes the hashes; its worker waits until the page asks it to take over (the page's
// "Reload"), so one page never runs on the files of two builds.
import { generateSW } from 'workbox-build';

export async function writeServiceWorker(site) {
  const { warnings } = await generateSW({
    globDirectory: site,
    globPatterns: ['**/*'],
    globIgnores: ['sw.js', 'sw.js.map', 'workbox-*.js'],
    swDest: `${site}/sw.js`,
    mode: 'production',
    sourcemap: false,
    inlineWorkboxRuntime: true,
    cleanupOutdatedCaches: true,
    skipWaiting: false,
    clientsClaim: false,
    maximumFileSizeToCacheInBytes: 4 * 1024 * 1024,
    // A shared link's configuration travels in the fragment, which never reaches the worker.
    ignoreURLParametersMatching: [/.*/],
  });
  for (const w of warnings) console.warn(w);
}
