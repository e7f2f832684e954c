// The page's address as a link to what it shows. The module reads the query
// with the calculator's own code (the same settings as dipview-calc's
// options, and zoom) and writes the link back; this file only moves texts
// between the address, the module and the page.
'use strict';

const DipviewLink = (() => {
  let core = null;
  let opened = false;
  let held = false;  // a link with bad values stays in the address until a change
  let zoomText = '';

  function showProblems(problems, fallback) {
    const box = document.getElementById('message');
    const list = document.getElementById('message-list');
    list.replaceChildren(...problems.map((text) => {
      const item = document.createElement('li');
      item.textContent = text;
      return item;
    }));
    document.getElementById('message-fallback').hidden = !fallback;
    box.hidden = problems.length === 0;
  }

  // Writes the address for what the page shows: the module's link, and the
  // zoom when one was given and taken. Browsers limit how often a page may
  // replace its address (Safari throws past 100 in 30 s), so a run of changes,
  // as a held arrow key makes, writes at most every quarter second.
  const kInterval = 250;
  let lastWrite = -Infinity;
  let pending = 0;
  function writeNow() {
    pending = 0;
    lastWrite = performance.now();
    let link = core.UTF8ToString(core._dipview_link());
    if (zoomText) link += '&zoom=' + encodeURIComponent(zoomText);
    try {
      if (link !== location.search) history.replaceState(history.state, '', link);
    } catch (e) {
      // Refused: the next change writes it.
    }
  }
  function write() {
    if (!opened || held || pending) return;
    const wait = lastWrite + kInterval - performance.now();
    if (wait <= 0) writeNow();
    else pending = setTimeout(writeNow, wait);
  }

  return {
    /// Reads the address's query: { named, zoom (0 to fit), problems,
    /// fallback (the settings stay the start-up ones) }.
    read(module, call) {
      core = module;
      const query = location.search;
      const bytes = core.lengthBytesUTF8(query);
      core.stringToUTF8(query, core._dipview_query(bytes), bytes + 1);
      const reading = call('dipview_read_link');
      if (reading.zoom) zoomText = new URLSearchParams(query).get('zoom');
      held = reading.problems.length > 0;
      showProblems(reading.problems, reading.fallback);
      return reading;
    },
    /// The page has started with the link's settings: from now on every
    /// change is written to the address.
    opened() {
      opened = true;
      write();
    },
    /// After each change the page shows.
    changed() {
      if (!opened) return;
      held = false;
      write();
    },
    /// Puts the address on the clipboard; resolves to whether it could.
    async copy() {
      const href = location.href;
      try {
        await navigator.clipboard.writeText(href);
        return true;
      } catch (e) {
        // Outside a secure context there is no clipboard API.
        const area = document.createElement('textarea');
        area.value = href;
        document.body.append(area);
        area.select();
        const done = document.execCommand('copy');
        area.remove();
        return done;
      }
    },
  };
})();

document.getElementById('copy-link').addEventListener('click', async (event) => {
  const button = event.currentTarget;
  const caption = button.dataset.caption || (button.dataset.caption = button.textContent);
  button.textContent = (await DipviewLink.copy()) ? 'Link copied' : 'Copy failed';
  setTimeout(() => { button.textContent = caption; }, 1500);
});
document.getElementById('message-close').addEventListener('click', () => {
  document.getElementById('message').hidden = true;
  window.dispatchEvent(new Event('resize'));
});
