// SPDX-License-Identifier: MIT
// The user's work across visits: kept in the browser as it changes (store.js), restored on
// the next visit, and carried by links (share_link.js). page = {doc, openBytes(name, bytes),
// currentBytes(), status(text, kind), download(name, bytes)}.
import { openStore } from './store.js';
import { refusal } from './document.js';
import { linkFor, readLink } from './share_link.js';
import { pageLocked } from './page_state.js';

const $ = (sel) => document.querySelector(sel);
const when = (time) => new Date(time).toLocaleString([], { dateStyle: 'medium', timeStyle: 'short' });

export function createWork(page) {
  let store = null;
  let saved = true;
  const keep = () => store?.keep(() => ({ name: page.doc.name, bytes: page.currentBytes(), saved }));
  const sameBytes = (a, b) => a.length === b.length && a.every((x, i) => x === b[i]);

  // A link in the address bar: opened, after asking when it would replace unsaved work.
  // A damaged link opens nothing; the fragment is cleared either way, so that a reload
  // restores the work instead.
  // busy: the page is uploading or testing; the link is refused then, not kept for later.
  async function openLink(busy = false) {
    const link = await readLink(location.hash);
    if (link === null) return;
    history.replaceState(null, '', location.href.replace(/#.*$/, ''));
    if (link.error || busy) {
      page.status(link.error || 'The link was not opened while the page is busy: open it again when the upload or test has ended.', 'error');
      return;
    }
    const current = page.currentBytes();
    if (!saved && !sameBytes(current, link.bytes) &&
        !confirm(`The link opens ${link.name}, in place of your text of ${page.doc.name}, which is not saved. Open it?`)) {
      page.status(`The link's ${link.name} was not opened; your text is as it was.`, 'warn');
      return;
    }
    if (!page.openBytes(link.name, link.bytes)) return;
    saved = false;
    $('#restored').hidden = true;
    keep();
  }

  async function copyLink() {
    const link = await linkFor(page.currentBytes(), page.doc.name);
    if (link.error) {
      page.status(link.error, 'error');
      return;
    }
    try {
      await navigator.clipboard.writeText(link.url);
      page.status(`Link copied (${link.url.length.toLocaleString('en')} characters): it opens this page with ${page.doc.name} as it is now.`, 'ok');
    } catch (e) {
      history.replaceState(null, '', link.url);
      page.status('The browser did not let the page copy: the link is in the address bar.', 'warn');
    }
  }

  async function setAside(kept, why) {
    const drop = await store.setAside();
    $('#refused-text').textContent = `Your work on ${kept.name}, kept on ${when(kept.time)}, was not opened. ${why} ` +
      'It stays kept until you save it to a file or drop it.';
    $('#refused').hidden = false;
    $('#refused-save').onclick = () => page.download(kept.name, kept.bytes);
    $('#refused-drop').onclick = () => { drop(); $('#refused').hidden = true; };
  }

  $('#share').addEventListener('click', copyLink);
  addEventListener('hashchange', () => openLink(pageLocked()));

  return {
    changed() { saved = false; keep(); },
    opened() { saved = true; $('#restored').hidden = true; keep(); },
    savedNow() { saved = true; keep(); },
    // Opens the kept work, or else the example; then a link, if the address holds one. Kept
    // work the page cannot open (grown too large, say) stays kept until the user saves or
    // drops it; this tab's work is then kept beside it.
    async start(example) {
      store = await openStore(() => { $('#not-kept').hidden = false; });
      $('#not-kept').hidden = store.available;
      const kept = store.kept;
      const why = kept && refusal(kept.bytes);
      if (kept && !why && page.openBytes(kept.name, kept.bytes)) {
        saved = kept.saved;
        $('#restored-text').textContent = `Restored ${kept.name} as you left it on ${when(kept.time)}` +
          (kept.saved ? '.' : ', with changes not saved to a file.');
        $('#restored').hidden = false;
        $('#restart').onclick = () => { page.openBytes('keys.txt', example); saved = true; $('#restored').hidden = true; keep(); };
      } else {
        page.openBytes('keys.txt', example);
        if (kept) await setAside(kept, why);
      }
      await openLink();
    },
  };
}
