// Random configurations for the comparisons with pyloload: every kind of statement, entries
// that end a sequence, too many entries, overrides, junk lines and both line endings.
export function randomConfig(seed) {
  let s = seed >>> 0;
  const rnd = () => { s = (s + 0x6d2b79f5) >>> 0; let t = s; t = Math.imul(t ^ (t >>> 15), t | 1);
                      t ^= t + Math.imul(t ^ (t >>> 7), t | 61); return ((t ^ (t >>> 14)) >>> 0) / 4294967296; };
  const pick = (a) => a[Math.floor(rnd() * a.length)];
  const keys = ['a', 'Z', '(~)A', '(~)b', '(+)shift', '(-)shift', 'ctrl', 'rctrl', 'ralt', 'f5', 'f12', '(n)7',
    '(n)enter', '(n)+', '(d)20', '(d)300', 'space', ' ', '[', ']', 'esc', 'pgdn', '~', '!', '}', '|', '"', '<', 'lwin',
    '(N)9', '(D)7', '(+)(n)1', 'tab', 'bs', 'UP'];
  const enders = ['bogus', '', '(d)0', '(+)(-)a', '(n)x', 'shft'];
  const raws = ['65', 'A', '128', '255', '007', '1234', '(d)5', '200', '0'];
  const lines = [];
  for (const o of ['PREL:Y', 'REVX:y', 'REVY:Y', 'ROT1:Y', 'ROT2:Y', 'ROT3:Y', 'ROT4:Y']) if (rnd() < 0.4) lines.push(o);
  if (rnd() < 0.6) lines.push('MSET:' + Math.floor(rnd() * 4));
  const count = 10 + Math.floor(rnd() * 80);
  for (let i = 0; i < count; i++) {
    const r = rnd();
    if (r < 0.06) { lines.push(pick(['# comment', '', 'in7:[a]', 'PREL:N', 'inx1:[a]', ' in01:[a]', 'in01<X>[a]'])); continue; }
    const raw = rnd() < 0.12;
    const n = Math.floor(rnd() * 38);
    let text = 'in' + String(1 + Math.floor(rnd() * 72)).padStart(2, '0') + (rnd() < 0.65 ? ':' : '|') +
               (rnd() < 0.2 ? '<R>' : '') + (raw ? '<S>' : '');
    for (let k = 0; k < n; k++) text += '[' + (raw ? pick(raws) : rnd() < 0.04 ? pick(enders) : pick(keys)) + ']';
    lines.push(text);
  }
  const eol = rnd() < 0.3 ? '\r\n' : '\n';
  return Buffer.from(lines.join(eol) + eol, 'latin1');
}
