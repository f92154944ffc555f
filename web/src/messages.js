// SPDX-License-Identifier: MIT
// The checker's messages as pylocheck prints them: the first 1,000, then how many more there
// are. The list is redrawn only when it changed (typing inside a line of a big file leaves it
// as it was). onPick(diagnostic) when a message is chosen.
export function createMessageList(list, count, onPick) {
  let listed = '';
  return function draw(diagnostics, { warnings, notes, omitted }) {
    count.textContent = warnings + notes === 0 ? 'none' : String(warnings + notes);
    const key = diagnostics.map((d) => `${d.line}:${d.column}${d.severity}${d.message}`).join('\n') + omitted;
    if (key === listed) return;
    listed = key;
    const items = diagnostics.map((d) => {
      const li = document.createElement('li');
      li.className = d.severity;
      // A button, so a message can be reached with Tab and Enter goes to its place in the text.
      const go = document.createElement('button');
      go.type = 'button';
      const at = document.createElement('span');
      at.className = 'at';
      at.textContent = `${d.line}:${d.column}`;
      const sev = document.createElement('span');
      sev.className = 'sev';
      sev.textContent = d.severity;
      go.append(at, sev, d.message);
      go.addEventListener('click', () => onPick(d));
      li.append(go);
      return li;
    });
    if (omitted > 0) {
      const more = document.createElement('li');
      more.className = 'more';
      more.textContent = `${omitted} more warnings and notes are not shown`;
      items.push(more);
    }
    list.replaceChildren(...items);
  };
}
