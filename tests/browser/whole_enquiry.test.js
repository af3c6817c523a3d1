// The whole stock enquiry as a stock keeper does it with the keyboard alone, never the mouse:
// logging in, opening 查询备件库存情况 from the launcher, searching in each of the seven modes
// (with the pick list of each mode that has one, and the part-number popup with its own pick
// list), sorting and querying through the menus' dialogs, answering the message boxes, moving
// through the rows with the grid's keys and the 浏览 menu, printing, and closing the window.
// Run: node whole_enquiry.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

const S = 'w_bj704_001_001';
const { press } = h;

const win = async (page, cls = S) => (await h.state(page)).windows.find((w) => w.class === cls);
const classes = async (page) => (await h.state(page)).windows.map((w) => w.class);
const list = async (page) => (await win(page)).controls.dw_edit;

// Every row of the list as the grid shows it (the columns asked for), read as the client reads
// them: to check what a search found, not to act.
async function rowsOf(page, columns) {
  const n = (await list(page)).rowcount;
  const out = [];
  for (let from = 1; from <= n; from += 1000) {
    const answer = await h.request(page, { op: 'rows', window: S, control: 'dw_edit', from, count: Math.min(n - from + 1, 1000), columns });
    out.push(...answer.rows);
  }
  return out;
}

// Tab until the focus is on the control.
async function tabTo(page, where) {
  for (let i = 0; i < 40 && (await h.focused(page)) !== where; i++) await page.keyboard.press('Tab');
  assert.strictEqual(await h.focused(page), where);
}

// In the open pick list: Tab to its grid, ↓ to the row, Enter chooses it. The chosen row's
// return value as the list showed it.
async function pickRow(page, down = 0) {
  assert.strictEqual((await classes(page)).at(-1), 'w_pick_list');
  await tabTo(page, 'w_pick_list:dw_1');
  for (let i = 0; i < down; i++) await press(page, 'ArrowDown');
  const shown = await page.$$eval(`${h.controlSel('w_pick_list', 'dw_1')} .grid-row.current .grid-cell`, (els) => els.map((e) => e.textContent));
  await press(page, 'Enter');
  assert.ok(!(await classes(page)).includes('w_pick_list'), 'the pick list closed');
  return shown;
}

// Enter in the search field; modes 2 to 7 first ask for a part number in the popup, answered
// here with `popup` (a key: Enter hands back what it holds, Escape cancels).
async function search(page, popup) {
  await press(page, 'Enter');
  if (popup) {
    assert.deepStrictEqual(await classes(page), [S, 'w_bj704_002']);
    assert.strictEqual(await h.focused(page), 'w_bj704_002:sle_1');
    await press(page, popup);
  }
  assert.deepStrictEqual(await classes(page), [S]);
}

// A found nothing message, read and closed with Enter; false when there was none.
async function noRecords(page) {
  if (!(await page.$('.msgbox'))) return false;
  assert.match(await page.textContent('.msgbox-text'), /无满足条件的记录|没有符合条件的记录/);
  await press(page, 'Enter');
  return true;
}

// 条件查询 (Alt+Q, then Q): one condition, column = value, added with Alt+A, confirmed with Alt+O.
async function query(page, column, value) {
  await press(page, 'Alt+q');
  await press(page, 'q');
  assert.deepStrictEqual(await classes(page), [S, 'w_cx']);
  await tabTo(page, 'w_cx:ddlb_1');
  for (let i = 0; i < 30 && (await page.inputValue(h.controlSel('w_cx', 'ddlb_1'))) !== column; i++) await press(page, 'ArrowDown');
  await tabTo(page, 'w_cx:sle_1');
  await page.keyboard.type(value);
  await press(page, 'Alt+a');
  await press(page, 'Alt+o');
}

// The 浏览 menu's entry, by keyboard: F10, → to 浏览, ↓ into it, ↓ to the entry, Enter.
async function browse(page, item) {
  await press(page, 'F10');
  for (let i = 0; i < 10 && (await page.evaluate(() => document.activeElement.dataset.item)) !== 'm_4'; i++) await press(page, 'ArrowRight');
  await press(page, 'ArrowDown');
  for (let i = 0; i < 10 && (await page.evaluate(() => document.activeElement.dataset.item)) !== item; i++) await press(page, 'ArrowDown');
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.item), item);
  await press(page, 'Enter');
}

test('the whole stock enquiry with the keyboard alone', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.loginByKeyboard(page);
  assert.strictEqual(await h.focused(page), 'launcher-item', 'after the login the launcher has the focus');
  await h.openByKeyboard(page, S);
  assert.strictEqual(await h.focused(page), `${S}:sle_1`);
  const all = (await list(page)).rowcount;
  assert.ok(all > 1000, `${all} rows`);

  // Mode 1, by part number: the whole number is matched (按备件号(第一位), Space on it); F9
  // lists the parts; the one chosen is searched.
  await tabTo(page, `${S}:rb_3`);
  await press(page, 'Space');
  assert.ok(await page.isChecked(`${h.controlSel(S, 'rb_3')} input`));
  await tabTo(page, `${S}:sle_1`);
  await press(page, 'F9');
  const [, part] = await pickRow(page, 2);
  assert.strictEqual(await page.inputValue(h.controlSel(S, 'sle_1')), part);
  await search(page, null);
  let rows = await rowsOf(page, ['dbj030_ccph']);
  assert.ok(rows.length > 0 && rows.length < all);
  assert.ok(rows.some((r) => r.dbj030_ccph === part), `${part} found`);

  // Mode 2, by part name, with the popup's own pick list: the part handed back narrows the
  // search to that part.
  await press(page, 'Alt+2');
  assert.strictEqual(await h.focused(page), `${S}:sle_1`);
  await page.keyboard.type('机油');
  await press(page, 'Enter');
  assert.deepStrictEqual(await classes(page), [S, 'w_bj704_002']);
  await press(page, 'F9');
  const [, popupPart, popupName] = await pickRow(page, 0);
  assert.strictEqual(await h.focused(page), 'w_bj704_002:sle_1');
  assert.strictEqual(await page.inputValue(h.controlSel('w_bj704_002', 'sle_1')), popupPart);
  await press(page, 'Enter');
  assert.deepStrictEqual(await classes(page), [S]);
  if (!(await noRecords(page))) {
    rows = await rowsOf(page, ['dbj002_ccpmc', 'dbj030_ccph']);
    assert.ok(rows.every((r) => r.dbj002_ccpmc.includes('机油')), `${popupName}: names with 机油`);
  }

  // Mode 3, by pinyin code; the popup cancelled with Escape searches by the code alone.
  const [first] = await rowsOf(page, ['dbj002_cpym']);
  await press(page, 'Alt+5');
  await page.keyboard.type((first && first.dbj002_cpym) || 'JY');
  await search(page, 'Escape');
  assert.strictEqual(await noRecords(page), false);
  assert.ok((await list(page)).rowcount > 0);

  // Mode 4, common parts: the field gives way to the list 常用/不常用, chosen with ↓.
  await press(page, 'Alt+6');
  await tabTo(page, `${S}:ddlb_1`);
  await press(page, 'ArrowDown');
  assert.deepStrictEqual(await classes(page), [S, 'w_bj704_002']);
  await press(page, 'Enter');
  await noRecords(page);
  assert.deepStrictEqual(await classes(page), [S]);

  // Modes 5, 6 and 7, by category, warehouse and vehicle model: each with its pick list.
  for (const [key, column] of [['Alt+3', 'dbj002_cflh'], ['Alt+4', 'dbj030_ckh'], ['Alt+7', null]]) {
    await press(page, key);
    assert.strictEqual(await h.focused(page), `${S}:sle_1`);
    await press(page, 'F9');
    await pickRow(page, 1);
    const code = await page.inputValue(h.controlSel(S, 'sle_1'));
    assert.ok(code, `${key}: a code was handed back`);
    await search(page, 'Enter');
    if (await noRecords(page)) continue;
    if (column) {
      rows = await rowsOf(page, [column]);
      assert.ok(rows.length > 0 && rows.every((r) => r[column] === code), `${key}: every row ${column} = ${code}`);
    }
  }

  // Sort (浏览 → 排序): by 库号, descending, added with Alt+A and confirmed with Alt+O.
  await press(page, 'Alt+1');
  await search(page, null);
  assert.strictEqual((await list(page)).rowcount, all, 'an empty part number shows every row');
  await browse(page, 'm_3');
  assert.deepStrictEqual(await classes(page), [S, 'w_sort']);
  await tabTo(page, 'w_sort:ddlb_1');
  for (let i = 0; i < 30 && (await page.inputValue(h.controlSel('w_sort', 'ddlb_1'))) !== '库号'; i++) await press(page, 'ArrowDown');
  await tabTo(page, 'w_sort:rb_2');
  await press(page, 'Space');
  await press(page, 'Alt+r');
  await press(page, 'Alt+a');
  await press(page, 'Alt+o');
  assert.deepStrictEqual(await classes(page), [S]);
  rows = await rowsOf(page, ['dbj030_ckh']);
  const warehouses = rows.map((r) => r.dbj030_ckh);
  assert.deepStrictEqual(warehouses, [...warehouses].sort().reverse(), 'sorted by warehouse, descending');

  // Query (查询 → 条件查询): 库号 = 01.
  await query(page, '库号', '01');
  assert.deepStrictEqual(await classes(page), [S]);
  rows = await rowsOf(page, ['dbj030_ckh']);
  assert.ok(rows.length > 0 && rows.length < all && rows.every((r) => r.dbj030_ckh === '01'), 'warehouse 01 only');
  const found = rows.length;

  // Moving through the rows: the grid's keys, then the 浏览 menu's row commands.
  await tabTo(page, `${S}:dw_edit`);
  await press(page, 'Home');
  assert.strictEqual((await list(page)).row, 1);
  await press(page, 'ArrowDown');
  assert.strictEqual((await list(page)).row, 2);
  await press(page, 'PageDown');
  const paged = (await list(page)).row;
  assert.ok(paged > 3, `PageDown went to row ${paged}`);
  await press(page, 'End');
  assert.strictEqual((await list(page)).row, found);
  await press(page, 'Home');
  assert.strictEqual((await list(page)).row, 1);
  assert.match(await page.textContent('.status-microhelp'), new RegExp(`行数1/${found}`));
  await browse(page, 'm_7');  // 下一条
  assert.strictEqual((await list(page)).row, 2, '下一条 moves to the next row');
  await browse(page, 'm_8');  // 最后一条
  assert.strictEqual((await list(page)).row, found, '最后一条 moves to the last row');
  await browse(page, 'm_6');  // 上一条
  assert.strictEqual((await list(page)).row, found - 1);
  await browse(page, 'm_5');  // 第一条
  assert.strictEqual((await list(page)).row, 1);

  // A query that matches nothing: the message box, and the list as it was.
  await query(page, '备件号', 'NO SUCH');
  assert.match(await page.textContent('.msgbox-text'), /没有符合条件的记录/);
  await press(page, 'Enter');
  assert.strictEqual(await page.$('.msgbox'), null);

  // Printing the list (打印, Alt+0): the print options, 打印 with Enter.
  const shown = (await list(page)).rowcount;
  await press(page, 'Alt+0');
  assert.deepStrictEqual(await classes(page), [S, 'w_dw_print_options']);
  assert.strictEqual(await h.focused(page), 'w_dw_print_options:cb_1');
  await press(page, 'Enter');
  await page.waitForSelector('.toast.info');
  assert.match(await page.textContent('.toast.info'), new RegExp(`共 ${shown} 行`));
  await h.screenshot(page, 'whole_enquiry');

  // Closing: 退出 (Alt+B); the launcher has the focus again.
  await press(page, 'Alt+b');
  assert.deepStrictEqual(await classes(page), []);
  assert.strictEqual(await h.focused(page), 'launcher-item');
  assert.strictEqual(await page.$('.toast.error'), null, 'no request was refused on the way');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
