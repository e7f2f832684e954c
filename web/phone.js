// The page on a phone: where the design would shrink below a readable size,
// the same settings become a column of touch-sized controls, then the four
// buses' diagrams two by two, the readouts as a table and V0, V1, V2 with
// their values. Every value still comes from the module: the controls report
// to it as the design's do, the diagrams are parts of its drawing, and the
// texts are its texts.
'use strict';

const DipviewPhone = (() => {
  // Below this zoom the design's 11 px text would be under 8 px.
  const kReadableZoom = 0.75;
  const kTwips = 15;  // one design pixel
  let page = null;
  let state = null;
  const radios = new Map();  // option name -> phone radio
  const ranges = [];         // in the module's scroll bar numbering
  const valueTexts = [];
  let cells = [];            // bus diagrams, then the V0, V1, V2 discs
  let table = null;
  let sequenceTexts = [];

  const narrow = () => page &&
    Math.min(innerWidth / (page.design.width / kTwips),
             (innerHeight - 30) / (page.design.height / kTwips)) < kReadableZoom;

  const make = (tag, className, text) => {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined) e.textContent = text;
    return e;
  };
  // The form shown: 0 the default, 1 the all-faults form, whose table has
  // every control of both.
  let mode = 0;
  const tableOf = (m) => (m === 1 ? page.allFaults : page.design);
  const control = (name) => tableOf(mode).controls.find((c) => c.name === name) ||
                            page.allFaults.controls.find((c) => c.name === name);
  const captionOf = (name) => control(name)?.caption || '';
  const options = new Map();  // option name -> its label, shown in the forms that have it
  const groupSets = [];       // option group -> its fieldset

  function optionGroup(names, group) {
    const first = control(names[0]);
    const bus = ['HV_Label', 'MV_Label', 'C1_Label', 'C2_Label'].map(captionOf);
    const transformer = group >= 3 && group <= 5;
    const title = transformer ? `Transformer ${bus[group - 3]} to ${bus[group - 2]}`
                              : captionOf(first.container);
    // Many short captions share rows, each a whole touch target; the faults
    // and the faulted phases take a row each.
    const own = group === 0 || group === 6;
    const set = make('fieldset', own ? 'phone-group' : 'phone-group phone-many');
    groupSets[group] = set;
    set.append(make('legend', '', title));
    names.forEach((name, index) => {
      const label = make('label', 'phone-option');
      const input = make('input');
      input.type = 'radio';
      input.name = 'phone-group' + group;
      input.addEventListener('change', () => {
        if (input.checked) page.apply(page.call('dipview_select', group, index));
      });
      label.append(input, make('span', '', captionOf(name)));
      radios.set(name, input);
      options.set(name, label);
      set.append(label);
    });
    return set;
  }

  function scrollBar(name, index) {
    const c = control(name);
    const titles = ['Z12_Label', 'Z0_Label', 'ZF_Label'];
    const set = make('fieldset', 'phone-group');
    const value = make('output', 'phone-value');
    const legend = make('legend', '', (index < 3 ? captionOf(titles[index])
                                                 : captionOf(c.container)) + ': ');
    legend.append(value);
    const range = make('input', 'phone-range');
    range.type = 'range';
    range.min = Math.min(c.scroll.min, c.scroll.max);
    range.max = Math.max(c.scroll.min, c.scroll.max);
    range.setAttribute('aria-label', c.accessible.name);
    // As the design's bars: the value changes when the finger lifts.
    range.addEventListener('input', () => { value.textContent = range.value; });
    range.addEventListener('change', () => {
      page.apply(page.call('dipview_scroll', index, Number(range.value)));
    });
    set.append(legend, range);
    if (index === 3) {
      const ends = make('div', 'phone-ends');
      ends.append(make('span', '', captionOf('Label3')), make('span', '', captionOf('Label1')));
      set.append(ends);
    }
    ranges[index] = range;
    valueTexts[index] = value;
    return set;
  }

  function build() {
    const main = document.getElementById('phone');
    const settings = make('section', 'phone-settings');
    settings.setAttribute('aria-label', captionOf('Top_Label'));
    const groups = page.allFaults.optionGroups;
    settings.append(optionGroup(groups[0], 0));
    page.design.scrollBars.forEach((name, i) => settings.append(scrollBar(name, i)));
    settings.append(optionGroup(groups[6], 6));
    groups.slice(1, 6).forEach((names, i) => settings.append(optionGroup(names, i + 1)));
    showMode();

    const diagrams = make('section', 'phone-diagrams');
    diagrams.append(make('h2', '', captionOf('Voltage_Label')));
    const grid = make('div', 'phone-grid');
    cells = ['HV_Label', 'MV_Label', 'C1_Label', 'C2_Label'].map((name) => {
      const figure = make('figure', 'phone-cell');
      const canvas = make('canvas');
      figure.append(make('figcaption', '', captionOf(name)), canvas);
      grid.append(figure);
      return canvas;
    });
    diagrams.append(grid);

    table = make('table', 'phone-readouts');
    const head = make('tr');
    for (const h of ['Bus', 'Phase', '|V| pu', 'Angle deg']) head.append(make('th', '', h));
    table.append(make('caption', '', 'Readouts'), head);

    const sequence = make('section', 'phone-sequence');
    sequence.append(make('h2', '', captionOf('Label2')));
    const row = make('div', 'phone-row');
    sequenceTexts = ['V0', 'V1', 'V2'].map((name) => {
      const figure = make('figure', 'phone-disc');
      const canvas = make('canvas');
      const text = make('figcaption');
      figure.append(canvas, text);
      row.append(figure);
      cells.push(canvas);
      return [name, text];
    });
    sequence.append(row);
    main.append(settings, diagrams, table, sequence);
  }

  // The parts of the drawing to copy, in twips: each bus's column from its
  // rings to the foot of its bars, and each sequence disc with its margin.
  function parts(drawing) {
    const column = (9600 - 120) / 4;
    // Inside the frame lines at each end.
    const boxes = [0, 1, 2, 3].map((k) => [150 + k * column, Infinity, 90 + (k + 1) * column, 0]);
    const discs = new Map();  // the sequence column's: centre -> [x, radius]
    for (const [kind, x1, y1, x2, y2, radius] of drawing) {
      const round = kind >= 3;
      if (round && x1 > 9720) {
        discs.set(y1, [x1, Math.max(discs.get(y1)?.[1] || 0, radius)]);
        continue;
      }
      const k = Math.floor(((round ? x1 : Math.min(x1, x2)) - 120) / column);
      if (k < 0 || k > 3) continue;
      if (round) boxes[k][1] = Math.min(boxes[k][1], y1 - radius - 45);
      // The bar frames; a wider box clears the area.
      if (kind === 1 && Math.abs(x2 - x1) < column / 2) {
        boxes[k][3] = Math.max(boxes[k][3], Math.max(y1, y2) + 45);
      }
    }
    const sequence = [...discs].sort((a, b) => a[0] - b[0]).map(([y, [x, r]]) =>
      [x - r - 45, y - r - 45, x + r + 45, y + r + 45]);
    return boxes.concat(sequence);
  }

  function copy() {
    const source = document.getElementById('surface');
    const scale = source.width / page.design.width;  // device pixels per twip
    parts(state.drawing).forEach(([l, t, r, b], i) => {
      const target = cells[i];
      if (!target || !(b > t)) return;
      const cssWidth = target.clientWidth || 1;
      const cssHeight = cssWidth * (b - t) / (r - l);
      target.style.height = cssHeight + 'px';
      target.width = Math.round(cssWidth * devicePixelRatio);
      target.height = Math.round(cssHeight * devicePixelRatio);
      target.getContext('2d').drawImage(source, l * scale, t * scale, (r - l) * scale,
                                        (b - t) * scale, 0, 0, target.width, target.height);
    });
  }

  function showTexts() {
    for (const [name, on] of Object.entries(state.selected)) {
      const radio = radios.get(name);
      if (radio) radio.checked = on;
    }
    page.design.scrollBars.forEach((name, i) => {
      ranges[i].value = state.scroll[name];
      valueTexts[i].textContent = state.texts[name + '_Text'];
    });
    const rows = [...table.querySelectorAll('tr')].slice(1);
    if (!rows.length) {
      ['HV_Label', 'MV_Label', 'C1_Label', 'C2_Label'].forEach((bus, b) => {
        for (let phase = 0; phase < 3; ++phase) {
          const tr = make('tr');
          tr.append(make(phase ? 'td' : 'th', 'phone-bus', phase ? '' : captionOf(bus)),
                    make('td', '', 'ABC'[phase]), make('td', 'phone-number'),
                    make('td', 'phone-number'));
          tr.dataset.bus = b;
          table.append(tr);
          rows.push(tr);
        }
      });
    }
    const arrays = ['VHV_text', 'VMV_Text', 'VC1_Text', 'VC2_Text'];
    rows.forEach((tr, i) => {
      const bus = Math.floor(i / 3);
      const phase = i % 3;
      tr.cells[2].textContent = state.texts[`${arrays[bus]}(${2 * phase})`] ?? '';
      tr.cells[3].textContent = state.texts[`${arrays[bus]}(${2 * phase + 1})`] ?? '';
    });
    const values = page.call('dipview_sequence_texts');
    sequenceTexts.forEach(([name, text], k) => {
      text.textContent = `${name} ${values[2 * k]} pu, ${values[2 * k + 1]} deg`;
    });
  }

  // Shows the options of the form `mode` has, with its captions.
  function showMode() {
    const names = new Set(tableOf(mode).controls.map((c) => c.name));
    for (const [name, label] of options) {
      label.hidden = !names.has(name);
      label.querySelector('span').textContent = captionOf(name);
    }
    groupSets.forEach((set) => {
      set.hidden = [...set.querySelectorAll('label')].every((label) => label.hidden);
    });
  }

  function show() {
    const on = narrow();
    document.body.classList.toggle('phone', on);
    document.getElementById('phone').hidden = !on;
    document.getElementById('frame').hidden = on;
    if (on && state) {
      showTexts();
      copy();
    }
  }

  return {
    /// The device pixels per design pixel the drawing needs for the copies.
    ratio() {
      if (!narrow()) return 0;
      const cell = Math.min(innerWidth, 900) / 2;
      return devicePixelRatio * cell / ((9600 - 120) / 4 / kTwips);
    },
    start(p) {
      page = p;
      build();
      show();
      // After the page has fitted and painted for the new size.
      addEventListener('resize', () => requestAnimationFrame(show));
    },
    changed(s) {
      state = s;
      if (s.mode !== mode) {
        mode = s.mode;
        showMode();
      }
      if (document.body.classList.contains('phone')) {
        showTexts();
        copy();
      }
    },
  };
})();
