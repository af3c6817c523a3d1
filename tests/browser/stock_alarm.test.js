// The stock alarm list as a stock keeper uses it in the browser, with the keyboard alone:
// opening it from the launcher, switching between the three alarm kinds, searching by category
// with the F9 pick list, the common-part choice, and the menu's navigation.
// Run: node stock_alarm.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

const W = 'w_bj703_001';
const sel = (cls, control) => h.controlSel(cls, control);

async function loginByKeyboard(page) {
  await page.fill('#login-company', '01');
  await page.fill('#login-user', '001');
  await page.fill('#login-password', 'demo123');
  await page.focus('#login-password');
  await page.keyboard.press('Enter');
  await page.waitForSelector('.frame');
  await h.settle(page);
}

const formState = async (page) => (await h.state(page)).windows.find((w) => w.class === W);

// The texts of the rows drawn, by column name.
function rowsShown(page, cls, control) {
  return page.$$eval(`${sel(cls, control)} .grid-row:not(.loading)`, (rows) => rows.map((r) => {
    const out = {};
    for (const c of r.children) out[c.dataset.column || '#label'] = c.textContent;
    return out;
  }));
}

// Presses Space on a radio button, as a keyboard user checks it.
async function check(page, radio) {
  await page.focus(`${sel(W, radio)} input`);
  await page.keyboard.press('Space');
  await h.settle(page);
}

test('the alarm list: opened from the launcher, the three kinds, a category searched with F9', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await loginByKeyboard(page);

  const entry = `.launcher-item[data-class="${W}"]`;
  assert.strictEqual(await page.textContent(entry), '查询库存超低储报警');
  await page.focus(entry);
  await page.keyboard.press('Enter');
  await page.waitForSelector(`${sel(W, 'dw_1')} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);

  let w = await formState(page);
  assert.match((await h.state(page)).frame.title, /查询库存超低储报警$/);
  assert.ok(w.controls.rb_1.checked);
  assert.strictEqual(w.focus, 'sle_1');
  assert.strictEqual(await page.textContent(sel(W, 'st_1')), '请选择查询类别');
  const headings = await page.$$eval(`${sel(W, 'dw_1')} .grid-cell.head`, (els) => els.map((e) => e.textContent));
  for (const hd of ['备件号', '备件名称', '储备高限', '储备低限', '库存数量', '最后出库日期']) assert.ok(headings.includes(hd), hd);
  // Kind 1: every part shown is above its upper limit.
  for (const r of await rowsShown(page, W, 'dw_1')) {
    const stock = Number(r.nkcsl.replace(/,/g, ''));
    const upper = Number(r.ncbgx.replace(/,/g, ''));
    assert.ok(stock > upper && upper > 0, JSON.stringify(r));
  }
  const kind1 = w.controls.dw_1.rowcount;

  // Kind 2: below the lower limit.
  await check(page, 'rb_2');
  w = await formState(page);
  assert.ok(w.controls.rb_2.checked && !w.controls.rb_1.checked);
  for (const r of await rowsShown(page, W, 'dw_1')) {
    assert.ok(Number(r.nkcsl.replace(/,/g, '')) < Number(r.ncbdx.replace(/,/g, '')), JSON.stringify(r));
  }

  // Kind 3: slow-moving parts, with their days and last issue.
  await check(page, 'rb_3');
  w = await formState(page);
  assert.ok(w.controls.rb_3.checked);
  const slow = await rowsShown(page, W, 'dw_1');
  assert.ok(slow.length > 0, 'the demo holds slow-moving parts');
  for (const r of slow) assert.ok(Number(r.ndzts) >= 180, JSON.stringify(r));
  const category = slow[0].cflh;

  // Alt+2: the category search; F9 opens its pick list, the category typed there and Enter
  // chooses it, Enter in the field searches.
  await page.keyboard.press('Alt+2');
  await h.settle(page);
  assert.strictEqual(await page.textContent(sel(W, 'st_1')), '按分类号查询');
  assert.strictEqual(await page.getAttribute(sel(W, 'sle_1'), 'maxlength'), null);
  await page.focus(sel(W, 'sle_1'));
  await page.keyboard.press('F9');
  await page.waitForSelector(`${sel('w_pick_list', 'dw_1')} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);
  await page.keyboard.type(category);
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual(await page.$(h.windowSel('w_pick_list')), null);
  assert.strictEqual(await page.inputValue(sel(W, 'sle_1')), category);
  await page.focus(sel(W, 'sle_1'));
  await page.keyboard.press('Enter');
  await h.settle(page);
  w = await formState(page);
  assert.strictEqual(w.controls.dw_1.filter, `cflh = '${category}'`);
  const found = await rowsShown(page, W, 'dw_1');
  assert.ok(found.length > 0);
  for (const r of found) assert.strictEqual(r.cflh, category);

  // Back to kind 1: the category stays in force.
  await check(page, 'rb_1');
  w = await formState(page);
  assert.strictEqual(w.controls.dw_1.filter, `cflh = '${category}'`);
  assert.ok(w.controls.dw_1.rowcount <= kind1);
  for (const r of await rowsShown(page, W, 'dw_1')) assert.strictEqual(r.cflh, category);
  await h.screenshot(page, W);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('the common-part choice, an empty text showing every row, and the menu moving the current row', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await loginByKeyboard(page);
  await page.focus(`.launcher-item[data-class="${W}"]`);
  await page.keyboard.press('Enter');
  await page.waitForSelector(`${sel(W, 'dw_1')} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);
  const all = (await formState(page)).controls.dw_1.rowcount;

  // Alt+3: the list replaces the field; the arrow key chooses "常用".
  await page.keyboard.press('Alt+3');
  await h.settle(page);
  let w = await formState(page);
  assert.ok(w.controls.ddlb_1.visible && !w.controls.sle_1.visible);
  await page.focus(`${sel(W, 'ddlb_1')}`);
  await page.keyboard.press('ArrowDown');
  await h.settle(page);
  w = await formState(page);
  assert.strictEqual(w.controls.ddlb_1.text, '常用');
  assert.strictEqual(w.controls.dw_1.filter, 'lcyjbs = 1');
  for (const r of await rowsShown(page, W, 'dw_1')) assert.strictEqual(r.lcyjbs, '常用');

  // Alt+1 then Enter on an empty field: every row of the kind again, without a message.
  await page.keyboard.press('Alt+1');
  await h.settle(page);
  await page.focus(sel(W, 'sle_1'));
  await page.keyboard.press('Enter');
  await h.settle(page);
  w = await formState(page);
  assert.strictEqual(w.controls.dw_1.filter, '');
  assert.ok(w.controls.dw_1.rowcount >= all);
  assert.strictEqual(await page.$('.msgbox'), null);

  // The browse menu (Alt+B): last row, then previous row.
  const fromMenu = async (item) => {
    await page.keyboard.press('Alt+B');
    await page.waitForSelector('.menu-drop');
    await page.focus(`.menu-drop [data-item="${item}"]`);
    await page.keyboard.press('Enter');
    await h.settle(page);
    return (await formState(page)).controls.dw_1;
  };
  let g = await fromMenu('m_8');
  assert.strictEqual(g.row, g.rowcount);
  assert.deepStrictEqual(g.selected, [g.rowcount]);
  g = await fromMenu('m_6');
  assert.strictEqual(g.row, g.rowcount - 1);
  assert.deepStrictEqual(g.selected, [g.rowcount - 1]);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
