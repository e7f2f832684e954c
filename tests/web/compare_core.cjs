// Runs the WebAssembly core under Node over the rows dipview-calc --batch
// wrote, and compares every readout text with the desktop's. The browser's
// math library is not glibc, so a text may differ in its last shown digit;
// every such difference must be a value within 1e-9 of a cut boundary.
//
// Usage: node compare_core.cjs DIPVIEW_CORE_JS DESKTOP_BATCH_CSV
'use strict';
const fs = require('fs');
const path = require('path');

const [corePath, csvPath] = process.argv.slice(2);
const DipviewCore = require(path.resolve(corePath));

const kFaults = ['single', 'phase-phase', 'three'];
const kConnections = ['DY', 'YY'];
const kSettings = 10;
const kReadouts = 30;
// Cut steps: 0.001 per unit for magnitudes, 0.1 degree for angles.
const kSteps = [1000, 10];

function nearCutBoundary(value, step) {
  const scaled = value * step;
  return Math.abs(value - Math.round(scaled) / step) <= 1e-9;
}

DipviewCore().then((core) => {
  const lines = fs.readFileSync(csvPath, 'utf8').trimEnd().split('\n');
  const header = lines[0].split(',');
  if (header[0] !== 'fault' || header.length < kSettings + kReadouts) {
    console.error(`compare_core: unexpected header in ${csvPath}`);
    process.exit(2);
  }
  const settings = new Float64Array(core.HEAPF64.buffer, core._dipview_settings(), kSettings);
  let rows = 0;
  let differingRows = 0;
  let differingTexts = 0;
  const unexplained = [];
  const started = process.hrtime.bigint();
  for (const line of lines.slice(1)) {
    const cells = line.split(',');
    settings[0] = kFaults.indexOf(cells[0]);
    for (let i = 1; i < 7; ++i) settings[i] = Number(cells[i]);
    for (let i = 7; i < kSettings; ++i) settings[i] = kConnections.indexOf(cells[i]);
    const texts = core.UTF8ToString(core._dipview_readout_texts()).split('\n');
    const values = new Float64Array(core.HEAPF64.buffer, core._dipview_readout_values(), kReadouts);
    let differs = false;
    for (let k = 0; k < kReadouts; ++k) {
      const desktop = cells[kSettings + k];
      if (texts[k] === desktop) continue;
      differs = true;
      ++differingTexts;
      if (!nearCutBoundary(values[k], kSteps[k % 2])) {
        unexplained.push(`${line}: ${header[kSettings + k]} wasm ${texts[k]} (${values[k]}), desktop ${desktop}`);
      }
    }
    differingRows += differs ? 1 : 0;
    ++rows;
  }
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  console.log(`compare_core: ${rows} settings, ${rows * kReadouts} readouts in ${seconds.toFixed(2)} s`);
  console.log(`compare_core: ${differingRows} settings differ from the desktop in ` +
              `${differingTexts} readouts, all within 1e-9 of a cut boundary: ` +
              `${unexplained.length === 0 ? 'yes' : 'NO'}`);
  for (const text of unexplained.slice(0, 20)) console.log(`  ${text}`);
  process.exit(rows > 0 && unexplained.length === 0 ? 0 : 1);
});
