// DIPVIEW in a web page. This file only binds: it builds the controls from the
// design table the WebAssembly module hands over, tells the module what the
// user does to them, paints the drawing list it answers with on a canvas and
// shows its texts. Every number, text and drawing step comes from the module.
'use strict';

(async function main() {
  const core = await DipviewCore();
  const call = (name, ...args) => JSON.parse(core.UTF8ToString(core['_' + name](...args)));
  const design = call('dipview_design');
  // The all-faults form: the same controls and more, some placed otherwise.
  const allFaults = call('dipview_design_of', 1);
  const twips = design.twipsPerPixel;
  const px = (t) => t / twips;

  const form = document.getElementById('form');
  const frame = document.getElementById('frame');
  const canvas = document.getElementById('surface');
  const context = canvas.getContext('2d');
  const width = px(design.width);
  const height = px(design.height);
  document.title = design.caption;
  document.getElementById('caption').textContent = design.caption;
  document.getElementById('version').textContent = design.version;
  form.style.width = width + 'px';
  form.style.height = height + 'px';
  form.style.font = `${design.fontPixels}px "${design.font}", Arial, sans-serif`;
  form.style.background = design.face;

  const elements = new Map();   // control name -> its element
  const scrollBars = [];        // in the module's numbering
  const optionGroupOf = new Map();  // option name -> [group, index]
  allFaults.optionGroups.forEach((names, group) =>
    names.forEach((name, index) => optionGroupOf.set(name, [group, index])));
  const lines = design.controls.filter((c) => c.kind === 'line');

  function place(element, rect, container) {
    // Children of a frame sit inside its 1 px border, as in the window.
    const inset = container ? 1 : 0;
    element.style.left = px(rect[0]) - inset + 'px';
    element.style.top = px(rect[1]) - inset + 'px';
    element.style.width = px(rect[2]) + 'px';
    element.style.height = px(rect[3]) + 'px';
  }

  function fontOf(control, element) {
    if (control.bold) {
      element.style.fontWeight = 'bold';
      element.style.fontSize = design.boldFontPixels + 'px';
    }
    if (control.colour) element.style.color = control.colour;
  }

  // A scroll bar with arrows, a track and a thumb. Where its parts lie, what
  // a press, a drag or a key does and when a pass runs are the module's; the
  // value changes when the pointer is released, or at once from the keyboard.
  class ScrollBar {
    constructor(control, index) {
      this.control = control;
      this.index = index;
      this.vertical = control.kind === 'vscroll';
      this.value = control.scroll.value;
      const e = document.createElement('div');
      e.className = 'control scroll';
      e.tabIndex = 0;
      e.setAttribute('role', 'scrollbar');
      e.setAttribute('aria-orientation', this.vertical ? 'vertical' : 'horizontal');
      e.setAttribute('aria-valuemin', Math.min(control.scroll.min, control.scroll.max));
      e.setAttribute('aria-valuemax', Math.max(control.scroll.min, control.scroll.max));
      this.element = e;
      this.back = this.arrow(this.vertical ? '\u25b2' : '\u25c0');
      this.forward = this.arrow(this.vertical ? '\u25bc' : '\u25b6');
      this.thumb = document.createElement('div');
      this.thumb.className = 'thumb';
      e.append(this.back, this.forward, this.thumb);
      e.addEventListener('pointerdown', (event) => this.press(event));
      e.addEventListener('keydown', (event) => this.key(event));
    }
    arrow(symbol) {
      const a = document.createElement('div');
      a.className = 'arrow';
      a.textContent = symbol;
      return a;
    }
    // The bar's length and breadth in CSS pixels at the design's size.
    get size() {
      const [, , w, h] = this.control.rect.map(px);
      return this.vertical ? [h, w] : [w, h];
    }
    // Lays out the arrows and puts the thumb where `value` is.
    layout(value) {
      const [long, short] = this.size;
      const g = call('dipview_scroll_geometry', this.index, value, long, short);
      const set = (el, start, length) => {
        el.style[this.vertical ? 'top' : 'left'] = start + 'px';
        el.style[this.vertical ? 'height' : 'width'] = length + 'px';
        el.style[this.vertical ? 'left' : 'top'] = '0px';
        el.style[this.vertical ? 'width' : 'height'] = short - 2 + 'px';
      };
      set(this.back, 0, g.arrow);
      set(this.forward, long - g.arrow - 2, g.arrow);
      set(this.thumb, g.at - 1, g.thumb);
    }
    show(value) {
      this.value = value;
      this.element.setAttribute('aria-valuenow', value);
      this.layout(value);
    }
    offsetOf(event) {
      const r = this.element.getBoundingClientRect();
      const scale = r.width / this.element.offsetWidth || 1;
      return (this.vertical ? event.clientY - r.top : event.clientX - r.left) / scale;
    }
    press(event) {
      event.preventDefault();
      this.element.focus();
      this.element.setPointerCapture(event.pointerId);
      const [long, short] = this.size;
      const start = this.offsetOf(event);
      const pressed = call('dipview_scroll_press', this.index, start, long, short);
      let target = pressed.value;
      const move = (e) => {
        if (!pressed.drag) return;
        target = call('dipview_scroll_drag', this.index, this.offsetOf(e) - start, long, short).value;
        this.layout(target);
      };
      const release = () => {
        this.element.removeEventListener('pointermove', move);
        this.element.removeEventListener('pointerup', release);
        this.element.removeEventListener('pointercancel', release);
        this.change(target);
      };
      this.element.addEventListener('pointermove', move);
      this.element.addEventListener('pointerup', release);
      this.element.addEventListener('pointercancel', release);
    }
    key(event) {
      const state = JSON.parse(core.UTF8ToString(core.ccall(
        'dipview_scroll_key', 'number', ['number', 'string'], [this.index, event.key])));
      if (state.handled) event.preventDefault();
      apply(state);
    }
    change(value) {
      apply(call('dipview_scroll', this.index, value));
      // The thumb goes back where the value is, changed or not.
      this.layout(this.value);
    }
  }

  // Every control of both forms; those of the all-faults form alone start hidden.
  const defaultNames = new Set(design.controls.map((c) => c.name));
  for (const c of allFaults.controls) {
    const extra = !defaultNames.has(c.name);
    if (c.kind === 'line') continue;
    const container = c.container ? elements.get(c.container) : form;
    let e;
    switch (c.kind) {
      case 'label':
        e = document.createElement('div');
        e.className = 'control label' + (c.centred ? ' centred' : '');
        e.textContent = c.caption;
        break;
      case 'frame': {
        e = document.createElement('fieldset');
        e.className = 'control frame';
        const caption = document.createElement('div');
        caption.className = 'frame-caption';
        caption.textContent = c.caption;
        e.append(caption);
        e.setAttribute('role', 'group');
        e.setAttribute('aria-label', c.caption);
        break;
      }
      case 'text':
        e = document.createElement('input');
        e.type = 'text';
        e.className = 'control text' + (c.centred ? ' centred' : '');
        e.readOnly = c.readOnly;
        e.value = '';
        break;
      case 'option': {
        e = document.createElement('label');
        e.className = 'control option';
        const input = document.createElement('input');
        input.type = 'radio';
        const [group, index] = optionGroupOf.get(c.name);
        input.name = 'group' + group;
        input.checked = c.selected;
        const caption = document.createElement('span');
        caption.textContent = c.caption;
        e.append(input, caption);
        // The option reacts to a click anywhere on it, as in the window.
        input.addEventListener('change', () => {
          if (input.checked) apply(call('dipview_select', group, index));
        });
        e.input = input;
        break;
      }
      case 'vscroll':
      case 'hscroll': {
        const bar = new ScrollBar(c, design.scrollBars.indexOf(c.name));
        scrollBars[bar.index] = bar;
        e = bar.element;
        e.bar = bar;
        break;
      }
    }
    e.dataset.name = c.name;
    e.id = c.name.replace(/[()]/g, '_');
    const shownControl = extra ? c : design.controls.find((d) => d.name === c.name);
    place(e, shownControl.rect, c.container);
    if (e.input) e.querySelector('span').textContent = shownControl.caption;
    fontOf(c, e);
    if (!c.visible || extra) e.hidden = true;
    if (c.accessible && c.accessible.name) {
      const target = e.input || e;
      target.setAttribute('aria-label', c.accessible.name);
      target.setAttribute('aria-description', c.accessible.description);
      target.title = c.accessible.description;
    }
    container.append(e);
    elements.set(c.name, e);
  }

  // The keyboard visits the controls in the window's tab order; labels,
  // frames and the caption bar come after.
  function setTabOrder(table) {
    table.tabOrder.forEach((name, i) => {
      const e = elements.get(name);
      (e.input || e).tabIndex = i + 1;
    });
  }
  setTabOrder(design);

  // Puts the form of `mode` (0 default, 1 all faults) on the controls: their
  // places, captions and which are shown. The pass places the diagram area.
  let mode = 0;
  const modeButton = document.getElementById('all-faults');
  function showMode(newMode) {
    if (newMode === mode) return;
    mode = newMode;
    const table = mode === 1 ? allFaults : design;
    const inMode = new Map(table.controls.map((c) => [c.name, c]));
    for (const c of allFaults.controls) {
      const e = elements.get(c.name);
      if (!e) continue;
      const m = inMode.get(c.name);
      if (!m) {
        e.hidden = true;
        continue;
      }
      if (shown.has(c.name + 'rect')) continue;  // placed by the pass
      place(e, m.rect, m.container);
      e.hidden = !m.visible;
      if (e.input) e.querySelector('span').textContent = m.caption;
      if (m.kind === 'frame') {
        e.querySelector('.frame-caption').textContent = m.caption;
        e.setAttribute('aria-label', m.caption);
      }
    }
    setTabOrder(table);
    modeButton.setAttribute('aria-pressed', String(mode === 1));
  }
  modeButton.addEventListener('click', () => apply(call('dipview_set_mode', mode === 1 ? 0 : 1)));

  // The drawing surface: the whole design at the device's pixel density, in
  // twips through one transform.
  // ?zoom=150 (percent) fixes the size; without it the design fits its frame.
  const link = DipviewLink.read(core, call);
  const fixedZoom = link.zoom;
  let zoom = 1;
  function fit() {
    const available = frame.clientWidth || window.innerWidth;
    const top = frame.getBoundingClientRect().top;
    const room = Math.max(100, window.innerHeight - top);
    zoom = fixedZoom || Math.min(available / width, room / height);
    form.style.transform = `scale(${zoom})`;
    // The frame takes the scaled size, so that a page larger than the
    // window scrolls as a whole.
    frame.style.height = height * zoom + 'px';
    if (fixedZoom) frame.style.width = width * zoom + 'px';
    // The canvas stays within what browsers allocate: beyond it the page
    // scales a coarser drawing.
    const limit = core._dipview_canvas_limit(width, height);
    // The narrow layout copies parts of the drawing larger than the design.
    const wanted = Math.max((window.devicePixelRatio || 1) * zoom, DipviewPhone.ratio());
    const ratio = Math.min(wanted, limit);
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
    sprites.clear();
    paint();
    scrollBars.forEach((bar) => bar.layout(bar.value));
  }

  let drawing = [];
  const sprites = new Map();
  function paint() {
    const ratio = canvas.width / width;
    context.setTransform(1, 0, 0, 1, 0, 0);
    context.fillStyle = design.face;
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.setTransform(ratio / twips, 0, 0, ratio / twips, 0, 0);
    const pixel = twips / ratio;   // one device pixel in twips
    // Crisp (unsmoothed) strokes sit on device pixel centres.
    const snap = (v, on) => (on ? (Math.floor(v / pixel) + 0.5) * pixel : v);
    for (const [kind, x1, y1, x2, y2, radius, colour, pen, dotted, smooth, fill] of drawing) {
      const w = pen * twips;
      context.lineWidth = w;
      context.strokeStyle = colour;
      context.setLineDash(dotted ? [w, 2 * w] : []);
      context.lineCap = kind === 2 ? 'round' : 'butt';
      context.lineJoin = 'miter';
      const left = Math.min(x1, x2);
      const top = Math.min(y1, y2);
      // Unsmoothed areas cover whole device pixels, edges rounded.
      const whole = (v) => (smooth ? v : Math.round(v / pixel) * pixel);
      const area = (a1, b1, a2, b2) => {
        const l = whole(Math.min(a1, a2));
        const t = whole(Math.min(b1, b2));
        context.fillRect(l, t, whole(Math.max(a1, a2)) - l, whole(Math.max(b1, b2)) - t);
      };
      switch (kind) {
        case 0:  // fill
          context.fillStyle = colour;
          area(x1, y1, x2, y2);
          break;
        case 1: {  // box
          if (fill) {
            context.fillStyle = fill;
            area(x1, y1, x2, y2);
          }
          const odd = pen % 2 === 1;
          const l = snap(left, odd);
          const t = snap(top, odd);
          context.strokeRect(l, t, snap(Math.max(x1, x2), odd) - l, snap(Math.max(y1, y2), odd) - t);
          break;
        }
        case 2: {  // line
          const odd = !smooth && pen % 2 === 1;
          context.beginPath();
          context.moveTo(x1 === x2 ? snap(x1, odd) : x1, y1 === y2 ? snap(y1, odd) : y1);
          context.lineTo(x1 === x2 ? snap(x2, odd) : x2, y1 === y2 ? snap(y2, odd) : y2);
          context.stroke();
          break;
        }
        default: {  // disc, dotted ring
          // Drawn once into a sprite at the same sub-pixel offset, then copied:
          // the same pixels, without stroking the dotted outline every pass.
          const cx = x1 * ratio / twips;
          const cy = y1 * ratio / twips;
          const reach = (radius + w) * ratio / twips + 2;
          const ox = Math.floor(cx - reach);
          const oy = Math.floor(cy - reach);
          const key = [kind, cx - ox, cy - oy, radius, colour, pen, dotted, fill, ratio].join();
          let sprite = sprites.get(key);
          if (!sprite) {
            sprite = document.createElement('canvas');
            sprite.width = sprite.height = Math.ceil(2 * reach) + 2;
            const g = sprite.getContext('2d');
            g.setTransform(ratio / twips, 0, 0, ratio / twips, (cx - ox) - cx, (cy - oy) - cy);
            g.lineWidth = w;
            g.strokeStyle = colour;
            g.setLineDash(dotted ? [w, 2 * w] : []);
            g.beginPath();
            g.arc(x1, y1, radius, 0, 2 * Math.PI);
            if (fill) {
              g.fillStyle = fill;
              g.fill();
            }
            g.stroke();
            sprites.set(key, sprite);
          }
          context.setTransform(1, 0, 0, 1, 0, 0);
          context.drawImage(sprite, ox, oy);
          context.setTransform(ratio / twips, 0, 0, ratio / twips, 0, 0);
        }
      }
    }
    // The line controls lie over the drawing, in the text colour, as wide as
    // the window draws them: the zoom rounded to whole pixels, at least one.
    const across = Math.max(1, Math.round(zoom)) * (window.devicePixelRatio || 1);
    // An odd width sits on device pixel centres, an even one between them.
    const place = (v) => (Math.round(across) % 2 === 1 ? snap(v, true) : Math.round(v / pixel) * pixel);
    context.setLineDash([]);
    context.lineWidth = across * pixel;
    context.strokeStyle = design.text;
    context.lineCap = 'butt';
    for (const line of lines) {
      const [lx1, ly1, lx2, ly2] = line.ends;
      context.beginPath();
      context.moveTo(lx1 === lx2 ? place(lx1) : lx1, ly1 === ly2 ? place(ly1) : ly1);
      context.lineTo(lx1 === lx2 ? place(lx2) : lx2, ly1 === ly2 ? place(ly2) : ly2);
      context.stroke();
    }
    // The labels, where the module puts them, over everything drawn.
    context.textBaseline = 'alphabetic';
    for (const [x, baseline, align, text, size, bold, colour] of labels) {
      context.font = `${bold ? 'bold ' : ''}${size}px "${design.font}", Arial, sans-serif`;
      context.textAlign = ['left', 'center', 'right'][align];
      context.fillStyle = colour;
      context.fillText(text, x, baseline);
    }
  }

  // Labels for a lecture hall: off at start, the header's button or L.
  let labelsOn = false;
  let labels = [];
  const labelsButton = document.getElementById('labels-button');
  function setLabels(on) {
    labelsOn = on;
    labelsButton.setAttribute('aria-pressed', String(on));
    labels = on ? call('dipview_labels') : [];
    paint();
  }
  labelsButton.addEventListener('click', () => setLabels(!labelsOn));
  document.addEventListener('keydown', (event) => {
    const typing = event.target instanceof HTMLInputElement && !event.target.readOnly &&
        event.target.type !== 'radio';
    if ((event.key === 'l' || event.key === 'L') && !event.ctrlKey && !event.metaKey &&
        !event.altKey && !typing && !event.target.isContentEditable &&
        !(event.target instanceof HTMLTextAreaElement)) {
      event.preventDefault();
      setLabels(!labelsOn);
    }
  });

  // Shows what the module answered: values, selections, positions, readouts
  // and the drawing.
  function apply(state) {
    show(state);
    if (labelsOn) labels = call('dipview_labels');
    paint();
    DipviewLink.changed();
    DipviewPhone.changed(state);
    // The view of the sag in time (timeview.js) draws anew after every pass.
    document.dispatchEvent(new CustomEvent('dipview-pass', { detail: call }));
  }

  // Only what changed is written: the page stays quick to lay out.
  const shown = new Map();
  function update(name, what, value, write) {
    const key = name + what;
    if (shown.get(key) !== value) {
      shown.set(key, value);
      write(elements.get(name));
    }
  }
  function show(state) {
    showMode(state.mode);
    for (const [name, value] of Object.entries(state.scroll)) {
      update(name, 'scroll', value, (e) => e.bar.show(value));
    }
    for (const [name, text] of Object.entries(state.texts)) {
      // A readout typed into is written again, as the window does.
      const e = elements.get(name);
      if (e.value !== text) e.value = text;
    }
    for (const [name, on] of Object.entries(state.selected)) {
      update(name, 'selected', on, (e) => { e.input.checked = on; });
    }
    for (const [name, rect] of Object.entries(state.layout)) {
      update(name, 'rect', rect.join(), (e) => {
        place(e, rect, '');
        e.hidden = false;
      });
    }
    drawing = state.drawing;
    form.dataset.passes = state.passes;
  }

  document.getElementById('about-button').addEventListener('click', (event) => {
    const about = document.getElementById('about');
    about.hidden = !about.hidden;
    event.currentTarget.setAttribute('aria-expanded', String(!about.hidden));
    fit();
  });
  // The textbook cases, as dipview-calc --preset knows them: each option
  // says what the case shows, and choosing one puts its settings on the form.
  const presetChoice = document.getElementById('preset');
  for (const [index, caption] of call('dipview_presets').entries()) {
    presetChoice.add(new Option(caption, String(index)));
  }
  presetChoice.addEventListener('change', () => {
    if (presetChoice.value === '') return;
    apply(call('dipview_apply_preset', Number(presetChoice.value)));
    presetChoice.value = '';
  });
  window.addEventListener('resize', fit);
  DipviewPhone.start({ core, call, apply, design, allFaults });
  fit();
  const started = performance.now();
  apply(call('dipview_load', height));
  // A link's settings go on the started page, as the desktop's options do.
  if (link.named && !link.fallback) apply(call('dipview_apply_link'));
  DipviewLink.opened();
  // A canvas the browser dropped (memory, a background tab) is painted again.
  canvas.addEventListener('contextrestored', () => {
    sprites.clear();
    paint();
  });
  form.dataset.loadMs = (performance.now() - started).toFixed(2);
  // The time from the start of navigation to the first frame with the drawing.
  requestAnimationFrame(() => {
    form.dataset.paintedMs = performance.now().toFixed(1);
    document.body.dataset.ready = 'true';
  });

  // For measurements: milliseconds per pass over `count` passes, in all and
  // split into the module's pass with its answer, showing the texts and
  // positions, and painting.
  window.dipviewTimePasses = (count) => {
    const split = { module: 0, show: 0, paint: 0 };
    const t0 = performance.now();
    for (let i = 0; i < count; ++i) {
      const a = performance.now();
      const state = call('dipview_scroll', 3, i % 101);
      const b = performance.now();
      show(state);
      const c = performance.now();
      paint();
      split.paint += performance.now() - c;
      split.show += c - b;
      split.module += b - a;
    }
    const each = (performance.now() - t0) / count;
    return { each, module: split.module / count, show: split.show / count,
             paint: split.paint / count };
  };
})();
