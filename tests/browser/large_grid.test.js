// A grid of more than 100,000 rows: only the rows in view travel and are drawn, fetched in
// blocks as the user scrolls; keys and clicks far down the list work as at its top.
// Run: node large_grid.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test, { parts: 100000 });

test('scrolling 100,000 rows fetches and draws only the rows in view', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  const asked = [];
  page.on('request', (r) => {
    if (r.method() !== 'POST' || !r.url().includes('/api/session/')) return;
    const body = JSON.parse(r.postData() || '{}');
    if (body.op === 'rows') asked.push(body);
  });
  await h.request(page, { op: 'open', window: 'w_bj418_001' });
  const win = h.windowSel('w_bj418_001');
  await page.waitForSelector(`${win} .grid-row[data-row="1"]:not(.loading)`);
  const rowcount = (await h.state(page)).windows[0].controls.dw_1.rowcount;
  assert.ok(rowcount > 100000, `${rowcount} rows`);

  // The scroll bar spans every row; the page holds only those in view.
  const height = await page.$eval(`${win} .grid-spacer`, (e) => e.offsetHeight);
  assert.strictEqual(height, rowcount * 22);

  // Scroll to the middle, a few steps like a wheel, then jump to near the end.
  for (const fraction of [0.5, 0.5002, 0.5004, 0.97]) {
    await page.$eval(`${win} .grid-viewport`, (v, f) => { v.scrollTop = Math.round(v.scrollHeight * f); }, fraction);
    await page.waitForFunction((sel) => {
      const rows = [...document.querySelectorAll(`${sel} .grid-row`)];
      return rows.length > 0 && rows.every((r) => !r.classList.contains('loading'));
    }, win);
    await h.settle(page);
    const drawn = await page.$$eval(`${win} .grid-row`, (els) => els.map((e) => Number(e.dataset.row)));
    assert.ok(drawn.length < 40, `${drawn.length} rows drawn`);
    const expected = Math.floor(rowcount * fraction);
    assert.ok(Math.abs(drawn[0] - expected) < 40, `first drawn row ${drawn[0]} near ${expected}`);
  }
  assert.ok(asked.length > 0);
  for (const r of asked) assert.ok(r.count <= 50 && r.display === true, JSON.stringify(r));
  const travelled = asked.reduce((n, r) => n + r.count, 0);
  assert.ok(travelled < 1000, `${travelled} rows fetched in all`);

  // A click far down makes that row current; the arrow key moves on from it.
  const target = await page.$eval(`${win} .grid-row:nth-child(5)`, (e) => Number(e.dataset.row));
  await page.click(`${win} .grid-row[data-row="${target}"]`);
  await h.settle(page);
  await page.keyboard.press('ArrowDown');
  await h.settle(page);
  assert.strictEqual((await h.state(page)).windows[0].controls.dw_1.row, target + 1);
  assert.ok(await page.$(`${win} .grid-row[data-row="${target + 1}"].current`));

  // End goes to the last row and scrolls it into view.
  await page.keyboard.press('End');
  await h.settle(page);
  await page.waitForSelector(`${win} .grid-row[data-row="${rowcount}"].current:not(.loading)`);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
