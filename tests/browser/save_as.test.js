// The save-as command in the browser, with the keyboard alone: the stock alarm list saved from
// the print menu (Alt+P) arrives as a download of an XLSX file.
// Run: node save_as.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

const W = 'w_bj703_001';

test('the print menu saves the alarm list as a spreadsheet download', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  const entry = `.launcher-item[data-class="${W}"]`;
  await page.focus(entry);
  await page.keyboard.press('Enter');
  await page.waitForSelector(`${h.controlSel(W, 'dw_1')} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);

  await page.keyboard.press('Alt+P');
  await page.waitForSelector('.menu-drop');
  assert.strictEqual((await page.textContent('.menu-drop [data-item="m_saveas"]')).trim().startsWith('另存为'), true);
  await page.focus('.menu-drop [data-item="m_saveas"]');
  const [download] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('Enter')]);
  assert.match(download.suggestedFilename(), /^d_bj703_002_.*\.xlsx$/);
  const file = path.join(os.tmpdir(), `save_as_${process.pid}.xlsx`);
  await download.saveAs(file);
  const bytes = fs.readFileSync(file);
  fs.unlinkSync(file);
  assert.strictEqual(bytes.subarray(0, 2).toString(), 'PK');
  await h.settle(page);
  await h.screenshot(page, 'save_as');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
