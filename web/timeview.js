// "The sag in time" in the web page. This file only binds: the module lays the
// chart out for the page's settings (dipview_time_chart) and this paints its
// steps on a canvas, as the desktop's painter does, after every pass and
// every change of the view's own controls.
'use strict';

(function timeView() {
  const button = document.getElementById('time-button');
  const view = document.getElementById('time-view');
  const canvas = document.getElementById('time-chart');
  const duration = document.getElementById('time-duration');
  const inception = document.getElementById('time-inception');
  const context = canvas.getContext('2d');
  let call = null;

  // Qt's dash patterns are in pen widths: the same here.
  const dashes = [[], [3, 2], [1, 3]];
  const aligns = ['left', 'center', 'right'];

  function marker(op) {
    const [x, y] = op.p;
    const h = op.s / 2;
    context.beginPath();
    switch (op.m) {
      case 0: context.rect(x - h, y - h, 2 * h, 2 * h); break;
      case 1:
        context.moveTo(x, y - 1.15 * h); context.lineTo(x + h, y + 0.85 * h);
        context.lineTo(x - h, y + 0.85 * h); context.closePath(); break;
      case 2: context.arc(x, y, h, 0, 2 * Math.PI); break;
      default:
        context.moveTo(x, y - 1.2 * h); context.lineTo(x + 1.2 * h, y);
        context.lineTo(x, y + 1.2 * h); context.lineTo(x - 1.2 * h, y); context.closePath();
    }
    if (op.f) { context.fillStyle = op.f; context.fill(); }
    context.lineJoin = 'miter';
    context.setLineDash([]);
    context.stroke();
  }

  function paint(chart) {
    const ratio = window.devicePixelRatio || 1;
    canvas.width = chart.width * ratio;
    canvas.height = chart.height * ratio;
    context.setTransform(ratio, 0, 0, ratio, 0, 0);
    for (const op of chart.ops) {
      context.strokeStyle = op.c;
      context.lineWidth = op.w;
      context.lineCap = 'butt';
      context.lineJoin = 'round';
      context.setLineDash(dashes[op.d].map((d) => d * op.w));
      if (op.k === 0) {
        context.beginPath();
        context.moveTo(op.p[0], op.p[1]);
        for (let i = 2; i < op.p.length; i += 2) context.lineTo(op.p[i], op.p[i + 1]);
        context.stroke();
      } else if (op.k === 1) {
        const [x1, y1, x2, y2] = op.p;
        if (op.f) { context.fillStyle = op.f; context.fillRect(x1, y1, x2 - x1, y2 - y1); }
        context.setLineDash([]);
        context.strokeRect(x1, y1, x2 - x1, y2 - y1);
      } else if (op.k === 2) {
        context.save();
        context.translate(op.p[0], op.p[1]);
        if (op.v) context.rotate(-Math.PI / 2);
        context.font = `${op.b ? 'bold ' : ''}${op.fp}px "${chart.font}", Arial, sans-serif`;
        context.fillStyle = op.c;
        context.textAlign = aligns[op.a];
        context.textBaseline = 'middle';
        context.fillText(op.t, 0, 0);
        context.restore();
      } else {
        marker(op);
      }
    }
    canvas.dataset.texts = chart.ops.filter((op) => op.k === 2).map((op) => op.t).join('\n');
  }

  function draw() {
    if (call === null || view.hidden) return;
    const hz = document.getElementById('time-60').checked ? 60 : 50;
    paint(call('dipview_time_chart', Number(duration.value) || 0.1,
               Number(inception.value) || 0, hz));
  }

  document.addEventListener('dipview-pass', (event) => {
    call = event.detail;
    draw();
  });
  button.addEventListener('click', () => {
    view.hidden = !view.hidden;
    button.setAttribute('aria-expanded', String(!view.hidden));
    draw();
    if (!view.hidden) view.scrollIntoView();
  });
  for (const input of view.querySelectorAll('input')) input.addEventListener('input', draw);
})();
