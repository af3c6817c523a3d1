// The cost price revision as a stock keeper uses it in the browser, with the keyboard alone:
// opening the form from the launcher, typing two new prices into the grid, confirming with
// Alt+7, answering "修改成功。" and seeing the new prices in the list.
// Run: node cost_revision.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

const W = 'w_bj902_001';
const grid = h.controlSel(W, 'dw_edit');

// The texts of the rows drawn, by column name.
function rowsShown(page) {
  return page.$$eval(`${grid} .grid-row:not(.loading)`, (rows) => rows.map((r) => {
    const out = { row: Number(r.dataset.row) };
    for (const c of r.children) {
      const input = c.querySelector('input');
      out[c.dataset.column] = input ? input.value : c.textContent;
    }
    return out;
  }));
}

const money = (n) => n.toLocaleString('en-US', { minimumFractionDigits: 2, maximumFractionDigits: 2 });
const number = (text) => Number(text.replace(/,/g, ''));

// Types a price into the current row's new-price cell and leaves it with Enter.
async function typePrice(page, price) {
  const cell = `${grid} .grid-row.current .grid-input[data-column="nxcbdj"]`;
  await page.waitForSelector(cell);
  await page.focus(cell);
  await page.keyboard.press('Control+A');
  await page.keyboard.type(price);
  await page.keyboard.press('Enter');
  await h.settle(page);
}

test('two prices revised with the keyboard are posted and shown', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await page.focus('#login-company');
  await page.keyboard.type('01');
  await page.focus('#login-user');
  await page.keyboard.type('001');
  await page.focus('#login-password');
  await page.keyboard.type('demo123');
  await page.keyboard.press('Enter');
  await page.waitForSelector('.frame');
  await h.settle(page);

  await page.focus(`.launcher-item[data-class="${W}"]`);
  await page.keyboard.press('Enter');
  await page.waitForSelector(`${grid} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);
  assert.match((await h.state(page)).frame.title, /修改备件成本单价$/);

  // The first two parts of the list that the parts master knows (a part without it has no
  // account group and could not be posted).
  const before = await rowsShown(page);
  const targets = before.filter((r) => r.dbj002_ccpmc !== '').slice(0, 2);
  assert.strictEqual(targets.length, 2, 'two named parts among the first rows');
  const prices = targets.map((r) => money(number(r.ndj) + 1.25));

  // Move down to each target row with the arrow keys and type its price.
  let row = 1;
  for (let i = 0; i < 2; i++) {
    while (row < targets[i].row) {
      await page.focus(grid);
      await page.keyboard.press('ArrowDown');
      await h.settle(page);
      row++;
    }
    assert.strictEqual((await h.state(page)).windows.find((w) => w.class === W).controls.dw_edit.row, row);
    await typePrice(page, prices[i].replace(/,/g, ''));
  }

  await page.keyboard.press('Alt+7');
  await page.waitForSelector('.msgbox');
  assert.strictEqual(await page.textContent('.msgbox-text'), '修改成功。');
  await h.screenshot(page, `${W}_revised`);
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual(await page.$('.msgbox'), null);

  // The list shows the new prices and no pending prices.
  await page.waitForSelector(`${grid} .grid-row[data-row="1"]:not(.loading)`);
  const after = await rowsShown(page);
  for (let i = 0; i < 2; i++) {
    const shown = after.find((r) => r.dbj030_ccph === targets[i].dbj030_ccph);
    assert.ok(shown, targets[i].dbj030_ccph);
    assert.strictEqual(shown.ndj, prices[i]);
    assert.strictEqual(number(shown.nxcbdj || '0'), 0);
  }
  await h.screenshot(page, W);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
