// SPDX-License-Identifier: MIT
// Registers the service worker (sw.js, written by the build), which keeps every file of the
// site for the next visit, with or without a network. When a new build has been installed
// beside the running one, onUpdate(reload) is called; reload() lets the new worker take over
// and reloads the page, which then loads the new build's files only.
export function keepOffline(onUpdate) {
  if (!('serviceWorker' in navigator)) return;
  let asked = false;
  // Another tab's Reload hands this tab to the new build too: it is offered the same reload.
  navigator.serviceWorker.addEventListener('controllerchange', () => (asked ? location.reload() : onUpdate(() => location.reload())));
  navigator.serviceWorker.register('sw.js').then((registration) => {
    const offer = () => {
      const waiting = registration.waiting;
      if (!waiting || !navigator.serviceWorker.controller) return;  // the first visit installs without asking
      onUpdate(() => { asked = true; waiting.postMessage({ type: 'SKIP_WAITING' }); });
    };
    offer();
    registration.addEventListener('updatefound', () => {
      const installing = registration.installing;
      installing?.addEventListener('statechange', () => { if (installing.state === 'installed') offer(); });
    });
  }).catch(() => { /* no worker (a private window may refuse it): the page still runs online */ });
}
