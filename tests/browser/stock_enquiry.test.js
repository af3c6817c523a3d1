// The stock enquiry as a stock keeper uses it in the browser: searching by part name and by
// category with the pick list, the monthly figures following the current row, the message of
// an empty search, handing a row back by double-click, printing from the stock status window,
// the help topic of the form.
// Run: node stock_enquiry.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

const W = 'w_bj704_001';
const grid = (cls, control) => h.controlSel(cls, control);

async function openFromLauncher(page, cls) {
  await page.click(`.launcher-item[data-class="${cls}"]`);
  await page.waitForSelector(`${grid(cls, 'dw_edit')} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);
}

// The texts of the rows drawn, by column name.
function rowsShown(page, cls, control) {
  return page.$$eval(`${grid(cls, control)} .grid-row:not(.loading)`, (rows) => rows.map((r) => {
    const out = {};
    for (const c of r.children) out[c.dataset.column || '#label'] = c.textContent;
    return out;
  }));
}

const gridState = async (page, cls, control) =>
  (await h.state(page)).windows.find((w) => w.class === cls).controls[control];

test('the stock enquiry: its layout, sums, accelerators and the monthly figures of the current row', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  await openFromLauncher(page, W);

  const headings = await page.$$eval(`${grid(W, 'dw_edit')} .grid-cell.head`, (els) => els.map((e) => e.textContent));
  assert.deepStrictEqual(headings.slice(0, 4), ['备件号', '备件名称', '计量单位', '库号']);
  assert.ok(headings.includes('金额'), 'the computed amount is a column');
  // Quantities show with their display format; the summary band carries its sums.
  const first = (await rowsShown(page, W, 'dw_edit'))[0];
  assert.match(first.dbj030_nkcsl, /^-?[\d,]+\.\d\d$/);
  await page.waitForFunction((sel) => {
    const v = document.querySelector(`${sel} .summary-value`);
    return v && v.textContent !== '';
  }, grid(W, 'dw_edit'));
  const sums = await page.$$eval(`${grid(W, 'dw_edit')} .summary-item`, (els) => els.map((e) => e.textContent));
  assert.ok(sums.some((s) => s.startsWith('品种合计')), sums.join(' | '));

  // The month grid: 月份 / 数量 and the twelve months.
  const months = await page.$$eval(`${grid(W, 'dw_display')} .grid-cell.head`, (els) => els.map((e) => e.textContent));
  assert.deepStrictEqual(months, ['月份', '一月', '二月', '三月', '四月', '五月', '六月', '七月', '八月', '九月', '十月', '十一月', '十二月']);
  assert.strictEqual(await page.textContent(`${grid(W, 'dw_display')} .grid-row[data-row="1"] .grid-cell`), '数量');

  // This year's figures (本年各期比); moving the current row retrieves that part's figures.
  await page.click(grid(W, 'rb_2'));
  await h.settle(page);
  assert.ok(await page.isChecked(`${grid(W, 'rb_2')} input`));
  const figures = async () => (await rowsShown(page, W, 'dw_display'))[0];
  const seen = new Set();
  for (let row = 1; row <= 20 && seen.size < 2; row++) {
    await page.click(`${grid(W, 'dw_edit')} .grid-row[data-row="${row}"]`);
    await h.settle(page);
    assert.strictEqual((await gridState(page, W, 'dw_edit')).row, row);
    await page.waitForSelector(`${grid(W, 'dw_display')} .grid-row[data-row="1"]:not(.loading)`);
    seen.add(JSON.stringify(await figures()));
  }
  assert.strictEqual(seen.size, 2, 'the figures change with the row');
  assert.match(await page.textContent('.status-microhelp'), /行数/);

  // Alt+2: mode 2 by part name; the field takes 30 characters.
  await page.keyboard.press('Alt+2');
  await h.settle(page);
  assert.strictEqual(await page.textContent(grid(W, 'st_1')), '按备件名称查询');
  assert.strictEqual(await page.getAttribute(grid(W, 'sle_1'), 'maxlength'), '30');
  await h.screenshot(page, W);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('searching by part name through the popup; an empty result shows its message box', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  await openFromLauncher(page, W);
  const all = (await gridState(page, W, 'dw_edit')).rowcount;
  const name = (await rowsShown(page, W, 'dw_edit'))[0].dbj002_ccpmc;

  await page.click(grid(W, 'cb_2'));
  await h.settle(page);
  await page.fill(grid(W, 'sle_1'), name);
  await page.keyboard.press('Enter');
  // Modes 2 to 7 first ask for an optional part number.
  await page.waitForSelector(`.modal-layer ${h.windowSel('w_bj704_002')}`);
  await h.screenshot(page, 'w_bj704_002');
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual(await page.$(h.windowSel('w_bj704_002')), null);
  const found = await gridState(page, W, 'dw_edit');
  assert.ok(found.rowcount > 0 && found.rowcount < all, `${found.rowcount} of ${all}`);
  for (const r of await rowsShown(page, W, 'dw_edit')) assert.ok(r.dbj002_ccpmc.includes(name), r.dbj002_ccpmc);

  // No part has this name: "无满足条件的记录!" is shown and closed with 确定.
  await page.fill(grid(W, 'sle_1'), '没有这种备件');
  await page.keyboard.press('Enter');
  await page.waitForSelector(h.windowSel('w_bj704_002'));
  await page.keyboard.press('Enter');
  await page.waitForSelector('.msgbox');
  assert.strictEqual(await page.textContent('.msgbox-text'), '无满足条件的记录!');
  await h.screenshot(page, 'message_box');
  await page.keyboard.press('Enter');
  assert.strictEqual(await page.$('.msgbox'), null);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('searching by category with the F9 pick list, then handing a row back by double-click', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  await openFromLauncher(page, W);

  await page.keyboard.press('Alt+3');
  await h.settle(page);
  assert.strictEqual(await page.textContent(grid(W, 'st_1')), '按备件分类查询');
  await page.focus(grid(W, 'sle_1'));
  await page.keyboard.press('F9');
  await page.waitForSelector(`${grid('w_pick_list', 'dw_1')} .grid-row[data-row="1"]:not(.loading)`);
  const pick = (await rowsShown(page, 'w_pick_list', 'dw_1'))[0];
  await page.dblclick(`${grid('w_pick_list', 'dw_1')} .grid-row[data-row="1"]`);
  await h.settle(page);
  assert.strictEqual(await page.$(h.windowSel('w_pick_list')), null);
  // The chosen category's code is handed back into the search field.
  const code = await page.inputValue(grid(W, 'sle_1'));
  assert.ok(code && Object.values(pick).includes(code), `${code} from ${JSON.stringify(pick)}`);

  await page.focus(grid(W, 'sle_1'));
  await page.keyboard.press('Enter');
  await page.waitForSelector(h.windowSel('w_bj704_002'));
  await page.keyboard.press('Escape');  // no part number: the category alone
  await h.settle(page);
  const shown = await rowsShown(page, W, 'dw_edit');
  assert.ok(shown.length > 0);
  for (const r of shown) assert.strictEqual(r.dbj002_cflh, code);

  // A double-click hands the row back: the window closes with the row as its value.
  const answers = [];
  page.on('response', async (r) => {
    if (r.request().method() === 'POST' && r.url().includes('/api/session/')) answers.push(await r.json().catch(() => null));
  });
  await page.dblclick(`${grid(W, 'dw_edit')} .grid-row[data-row="1"]`);
  await h.settle(page);
  assert.strictEqual(await page.$(h.windowSel(W)), null);
  const closed = answers.filter(Boolean).flatMap((a) => (a.state ? a.state.closed : []));
  const returned = closed.find((c) => c.class === W).returned;
  assert.strictEqual(returned.ccph, shown[0].dbj030_ccph);
  assert.strictEqual(returned.ccpmc, shown[0].dbj002_ccpmc);
  assert.strictEqual(returned.ckh, shown[0].dbj030_ckh);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('the stock status window prints its rows as shown; zero stock and stock status open from it', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  const S = 'w_bj704_001_001';
  await openFromLauncher(page, S);
  const rows = (await gridState(page, S, 'dw_edit')).rowcount;
  await h.screenshot(page, S);

  await page.click(grid(S, 'cb_9'));
  await page.waitForSelector(h.windowSel('w_dw_print_options'));
  assert.match(await page.textContent(grid('w_dw_print_options', 'st_2')), new RegExp(`共 ${rows} 行`));
  await page.click(grid('w_dw_print_options', 'cb_1'));
  await page.waitForSelector('.toast.info');
  assert.match(await page.textContent('.toast.info'), new RegExp(`已打印：库 存 清 单，共 ${rows} 行`));

  // 零库存(&8) opens the zero-stock list beside it.
  await page.keyboard.press('Alt+8');
  await page.waitForSelector(`${grid('w_bj704_001_003', 'dw_edit')} .grid-row`);
  await h.settle(page);
  await h.screenshot(page, 'w_bj704_001_003');
  const sheets = await page.$$eval('.workspace > .window', (els) => els.map((e) => e.dataset.window));
  assert.deepStrictEqual(sheets, [S, 'w_bj704_001_003']);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('the help of the stock enquiry: the topic the module declares, in a modeless window', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  await openFromLauncher(page, W);
  await page.click('.menu-top[data-item="m_help1"]');
  await page.waitForSelector('.menu-drop');
  await page.click('.menu-drop .menu-item[data-item="m_help"]');
  await page.waitForSelector(h.windowSel('w_help'));
  await h.settle(page);
  assert.strictEqual(await page.textContent(grid('w_help', 'st_1')), '库存查询');
  assert.match(await page.textContent(grid('w_help', 'st_2')), /按备件号\(主组号\)/);
  // The help window is modeless: the stock enquiry stays usable beside it.
  const classes = (await h.state(page)).windows.map((w) => [w.class, w.modal]);
  assert.deepStrictEqual(classes, [[W, false], ['w_help', false]]);
  await h.screenshot(page, 'w_help');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
