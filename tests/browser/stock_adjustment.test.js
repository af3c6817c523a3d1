// The stock adjustment as a stock keeper does it with the keyboard: narrowing the list to one
// warehouse and zone, finding a free location in the pick list, moving a record there and
// storing it from the edit menu; then clearing empty locations in the dialog.
// Run: node stock_adjustment.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

const W = 'w_bj701_001';
const D = 'w_bj701_001_001';
const sel = (cls, control) => h.controlSel(cls, control);

const windowState = async (page, cls) => (await h.state(page)).windows.find((w) => w.class === cls);

// The rows of a grid as the page last read them, through the same request the page uses.
async function gridRows(page, cls, control) {
  const w = await windowState(page, cls);
  const answer = await page.evaluate((r) => window.sparestock.send(r),
    { op: 'rows', window: w.id, control, from: 1, count: 1000 });
  return answer.rows;
}

// Keyboard focus on an element, as Tab would bring it there. Leaving an edit field sends its
// text, and the answer puts the focus back where the runtime has it; so the focus is given
// again once that answer is drawn.
async function focusOn(page, selector) {
  await page.waitForSelector(selector);
  await page.focus(selector);
  await h.settle(page);
  await page.focus(selector);
}

async function typeInto(page, cls, control, text) {
  await focusOn(page, sel(cls, control));
  await page.keyboard.press('Control+a');
  await page.keyboard.type(text);
}

async function openFromLauncher(page) {
  await focusOn(page, `.launcher-item[data-class="${W}"]`);
  await page.keyboard.press('Enter');
  await page.waitForSelector(`${sel(W, 'dw_display')} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);
}

test('moving a record to a free location of its zone with the keyboard', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  await openFromLauncher(page);

  // The edit grid offers typing only into zone, location and locked quantity.
  const edit = (await windowState(page, W)).controls.dw_edit;
  assert.deepStrictEqual(edit.columns.filter((c) => c.editable).map((c) => c.name), ['ckqh', 'nsdsl', 'ckwh']);

  // The first record's warehouse and zone narrow the list (查询 is Alt+1).
  const first = (await gridRows(page, W, 'dw_display'))[0];
  await typeInto(page, W, 'sle_1', first.ckh);
  await typeInto(page, W, 'sle_3', first.ckqh);
  await page.keyboard.press('Alt+1');
  await h.settle(page);
  const listed = await gridRows(page, W, 'dw_display');
  assert.ok(listed.length > 0);
  const filter = (await windowState(page, W)).controls.dw_display.filter;
  for (const r of listed) assert.deepStrictEqual([r.ckh, r.ckqh], [first.ckh, first.ckqh], `${filter} ${JSON.stringify(first)}`);

  // F9 in the location field lists that warehouse's and zone's locations with their state.
  await focusOn(page, sel(W, 'sle_4'));
  await page.keyboard.press('F9');
  await page.waitForSelector(`${sel('w_pick_list', 'dw_1')} .grid-row[data-row="1"]:not(.loading)`);
  const locations = await gridRows(page, 'w_pick_list', 'dw_1');
  for (const l of locations) assert.deepStrictEqual([l.ckh, l.ckqh], [first.ckh, first.ckqh]);
  const free = locations.find((l) => Number(l.lzt) === 0);
  assert.ok(free, `a free location in ${first.ckh}/${first.ckqh}`);
  await h.screenshot(page, 'w_bj701_001_locations');
  await typeInto(page, 'w_pick_list', 'sle_1', free.ckwh);
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual(await page.$(h.windowSel('w_pick_list')), null);
  assert.strictEqual(await page.inputValue(sel(W, 'sle_4')), free.ckwh);

  // The stock keeper goes to the list, takes the first record and types the new location
  // into the record's cell, then stores it with 编辑 → 修改 (Alt+E, Enter).
  await focusOn(page, sel(W, 'dw_display'));
  await page.keyboard.press('Home');
  await h.settle(page);
  const chosen = (await gridRows(page, W, 'dw_display'))[0];
  const row = (await windowState(page, W)).controls.dw_edit.row;
  assert.strictEqual(row, 1);
  const cell = `${sel(W, 'dw_edit')} .grid-row[data-row="${row}"] input[data-column="ckwh"]`;
  await focusOn(page, cell);
  await page.keyboard.press('Control+a');
  await page.keyboard.type(free.ckwh);
  await page.keyboard.press('Enter');
  await h.settle(page);
  await page.keyboard.press('Alt+e');
  await page.waitForSelector('.menu-drop');
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.item), 'm_change');
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual(await page.$('.msgbox'), null, 'stored without a message');

  const after = (await gridRows(page, W, 'dw_display')).find((r) => r.ccph === chosen.ccph);
  assert.strictEqual(after.ckwh, free.ckwh);
  await h.screenshot(page, W);

  // The location list now shows the new location occupied.
  await focusOn(page, sel(W, 'sle_4'));
  await page.keyboard.press('F9');
  await page.waitForSelector(`${sel('w_pick_list', 'dw_1')} .grid-row[data-row="1"]:not(.loading)`);
  const now = (await gridRows(page, 'w_pick_list', 'dw_1')).find((l) => l.ckwh === free.ckwh);
  assert.strictEqual(Number(now.lzt), 1);
  await page.keyboard.press('Escape');
  await h.settle(page);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('clearing every empty location from the dialog with the keyboard', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  await openFromLauncher(page);

  await focusOn(page, sel(W, 'cb_3'));
  await page.keyboard.press('Enter');
  await page.waitForSelector(`${sel(D, 'dw_1')} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);
  const dialog = await windowState(page, D);
  assert.strictEqual(dialog.focus, 'sle_1');
  const empty = await gridRows(page, D, 'dw_1');
  assert.ok(empty.length > 0, 'the demo data has empty records');

  // Enter in the filter fields moves on: warehouse, zone, location, part, then 查询.
  await page.keyboard.type(empty[0].ckh);
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual((await windowState(page, D)).focus, 'sle_3');
  for (const field of ['sle_3', 'sle_4', 'sle_2']) {
    assert.strictEqual((await windowState(page, D)).focus, field);
    await page.keyboard.press('Enter');
    await h.settle(page);
  }
  assert.strictEqual((await windowState(page, D)).focus, 'cb_5');
  await page.keyboard.press('Enter');
  await h.settle(page);
  const inWarehouse = await gridRows(page, D, 'dw_1');
  assert.ok(inWarehouse.length > 0);
  for (const r of inWarehouse) assert.strictEqual(r.ckh, empty[0].ckh);
  await h.screenshot(page, D);

  // 全选, then 清除所选空库位: the list is read again, without those records or the filter.
  await focusOn(page, sel(D, 'cb_2'));
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual((await windowState(page, D)).controls.dw_1.selected.length, inWarehouse.length);
  await focusOn(page, sel(D, 'cb_1'));
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual(await page.$('.msgbox'), null, 'cleared without a message');
  const left = await gridRows(page, D, 'dw_1');
  const c = (await windowState(page, D)).controls.dw_1;
  assert.strictEqual(c.filter, '');
  assert.deepStrictEqual(c.selected, []);
  assert.strictEqual(left.length, empty.length - inWarehouse.length);
  for (const r of left) assert.notStrictEqual(r.ckh, empty[0].ckh);

  // 返回 closes the dialog.
  await focusOn(page, sel(D, 'cb_4'));
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual(await page.$(h.windowSel(D)), null);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
