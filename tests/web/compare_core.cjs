// Runs the WebAssembly core under Node over the rows dipview-calc --batch
// wrote, and compares every readout with the desktop's: the text as shown,
// and the full value bit for bit (from --values full). The core's sin, cos
// and atan are the program's own correctly rounded ones on both sides, so no
// difference is allowed.
//
// Usage: node compare_core.cjs DIPVIEW_CORE_JS DESKTOP_BATCH_CSV DESKTOP_FULL_CSV
'use strict';
const fs = require('fs');
const path = require('path');

const [corePath, csvPath, fullPath] = process.argv.slice(2);
const DipviewCore = require(path.resolve(corePath));

const kFaults = ['single', 'phase-phase', 'three'];
const kConnections = ['DY', 'YY'];
const kSettings = 10;
const kReadouts = 30;

function rowsOf(file) {
  return fs.readFileSync(file, 'utf8').trimEnd().split('\n').map((line) => line.split(','));
}

DipviewCore().then((core) => {
  const shown = rowsOf(csvPath);
  const full = rowsOf(fullPath);
  const header = shown[0];
  if (header[0] !== 'fault' || header.length < kSettings + kReadouts ||
      full.length !== shown.length) {
    console.error(`compare_core: unexpected output in ${csvPath} or ${fullPath}`);
    process.exit(2);
  }
  const settings = new Float64Array(core.HEAPF64.buffer, core._dipview_settings(), kSettings);
  let rows = 0;
  let differingRows = 0;
  let differingTexts = 0;
  let differingValues = 0;
  const differences = [];
  const started = process.hrtime.bigint();
  for (let r = 1; r < shown.length; ++r) {
    const cells = shown[r];
    settings[0] = kFaults.indexOf(cells[0]);
    for (let i = 1; i < 7; ++i) settings[i] = Number(cells[i]);
    for (let i = 7; i < kSettings; ++i) settings[i] = kConnections.indexOf(cells[i]);
    const texts = core.UTF8ToString(core._dipview_readout_texts()).split('\n');
    const values = new Float64Array(core.HEAPF64.buffer, core._dipview_readout_values(), kReadouts);
    let differs = false;
    for (let k = 0; k < kReadouts; ++k) {
      const name = header[kSettings + k];
      const desktop = cells[kSettings + k];
      const desktopValue = Number(full[r][kSettings + k]);
      if (texts[k] !== desktop) {
        ++differingTexts;
        differences.push(`${cells.join(',')}: ${name} wasm ${texts[k]}, desktop ${desktop}`);
        differs = true;
      }
      if (!Object.is(values[k], desktopValue)) {
        ++differingValues;
        differences.push(`${cells.join(',')}: ${name} wasm ${values[k]}, desktop ${desktopValue}`);
        differs = true;
      }
    }
    differingRows += differs ? 1 : 0;
    ++rows;
  }
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  console.log(`compare_core: ${rows} settings, ${rows * kReadouts} readouts in ${seconds.toFixed(2)} s`);
  console.log(`compare_core: ${differingRows} settings differ from the desktop, in ` +
              `${differingTexts} texts and ${differingValues} full values`);
  for (const text of differences.slice(0, 20)) console.log(`  ${text}`);
  process.exit(rows > 0 && differingRows === 0 ? 0 : 1);
});
