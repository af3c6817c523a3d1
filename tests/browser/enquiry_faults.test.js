// The stock enquiry as a stock keeper uses it every day, with the keyboard alone: a popup closed
// with its close button hands back nothing, F9 with a received warehouse searches after the
// pick, the navigation commands move the highlighted row, the status line and the frame title
// follow what is shown, the launcher brings an open window to the front, and no internal name
// shows on screen.
// Run: node enquiry_faults.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

const W = 'w_bj704_001';
const sel = (cls, control) => h.controlSel(cls, control);

// The launcher entry chosen with the keyboard: focused, then Enter.
async function launch(page, cls) {
  await page.focus(`.launcher-item[data-class="${cls}"]`);
  await page.keyboard.press('Enter');
  await page.waitForSelector(`${sel(cls, 'dw_edit')} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);
}

const windowState = async (page, cls) => (await h.state(page)).windows.filter((w) => w.class === cls).pop();
const gridState = async (page, cls, control) => (await windowState(page, cls)).controls[control];

async function rowsShown(page, cls, control, column) {
  return page.$$eval(`${sel(cls, control)} .grid-row:not(.loading) [data-column="${column}"]`,
    (cells) => cells.map((c) => c.textContent));
}

// Opens a menu of the menu bar by its accelerator and moves down to the item, then Enter.
async function menuCommand(page, accelerator, item) {
  await page.keyboard.press(`Alt+${accelerator}`);
  await page.waitForSelector('.menu-drop');
  for (let i = 0; i < 12; i++) {
    if (await page.evaluate((name) => document.activeElement && document.activeElement.dataset.item === name, item)) break;
    await page.keyboard.press('ArrowDown');
  }
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.item), item);
  await page.keyboard.press('Enter');
  await h.settle(page);
}

// A search in mode 2 (part name) answered in the popup by `answer`.
async function searchByName(page, name, answer) {
  await page.keyboard.press('Alt+2');
  await h.settle(page);
  await page.focus(sel(W, 'sle_1'));
  await page.keyboard.type(name);
  await page.keyboard.press('Enter');
  await page.waitForSelector(`.modal-layer ${h.windowSel('w_bj704_002')}`);
  await h.settle(page);
  await answer();
  await h.settle(page);
}

test('a popup closed with its close button after a pick does not narrow the search', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  await launch(page, W);
  const name = (await rowsShown(page, W, 'dw_edit', 'dbj002_ccpmc'))[0];

  // The search by name alone, for comparison: Enter on the empty popup.
  await searchByName(page, name, () => page.keyboard.press('Enter'));
  const byName = (await gridState(page, W, 'dw_edit')).rowcount;
  const parts = new Set(await rowsShown(page, W, 'dw_edit', 'dbj030_ccph'));

  // F9 in the popup, a part picked into its field, then the close button (Enter on it).
  await searchByName(page, name, async () => {
    await page.focus(sel('w_bj704_002', 'sle_1'));
    await page.keyboard.press('F9');
    await page.waitForSelector(`${sel('w_pick_list', 'dw_1')} .grid-row:not(.loading)`);
    await h.settle(page);
    const part = [...parts][0];
    await page.focus(sel('w_pick_list', 'sle_1'));
    await page.keyboard.type(part);
    await page.keyboard.press('Enter');
    await h.settle(page);
    assert.strictEqual(await page.$(h.windowSel('w_pick_list')), null);
    assert.strictEqual(await page.inputValue(sel('w_bj704_002', 'sle_1')), part);
    await h.screenshot(page, 'enquiry_popup_picked');
    await page.focus(`${h.windowSel('w_bj704_002')} .window-close`);
    await page.keyboard.press('Enter');
  });
  assert.strictEqual(await page.$(h.windowSel('w_bj704_002')), null);
  assert.strictEqual((await gridState(page, W, 'dw_edit')).rowcount, byName, 'not narrowed by the cancelled part');
  assert.strictEqual((await windowState(page, W)).condition, `备件名称：${name}`);
  assert.strictEqual(await page.textContent('.status-condition'), `查询条件：备件名称：${name}`);
  await h.screenshot(page, 'enquiry_condition');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('F9 while a received warehouse is in force picks and then searches', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  // No screen opens the enquiry for a warehouse; its opener does, as this request does.
  await h.request(page, { op: 'open', window: W, parm: '99' });
  await page.waitForSelector('.msgbox');
  assert.strictEqual(await page.textContent('.msgbox-text'), '库号不正确，请重新输入!');
  await page.keyboard.press('Enter');
  await h.settle(page);

  await page.focus(sel(W, 'sle_1'));
  await page.keyboard.press('F9');
  await page.waitForSelector(`${sel('w_pick_list', 'dw_1')} .grid-row:not(.loading)`);
  await h.settle(page);
  const part = (await rowsShown(page, 'w_pick_list', 'dw_1', 'ccph'))[0];
  await page.focus(sel('w_pick_list', 'sle_1'));
  await page.keyboard.type(part);
  await page.keyboard.press('Enter');
  // The search runs at once: warehouse 99 has no stock, so its message follows the pick.
  await page.waitForSelector('.msgbox');
  assert.strictEqual(await page.textContent('.msgbox-text'), '无满足条件的记录!');
  await page.keyboard.press('Enter');
  await h.settle(page);
  assert.strictEqual(await page.inputValue(sel(W, 'sle_1')), part);
  assert.match((await gridState(page, W, 'dw_edit')).filter, /dbj030_ckh = '99'/);
  assert.notStrictEqual((await gridState(page, W, 'dw_edit')).filter, "dbj030_ckh = '99'");
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('navigation, status line, frame title and the launcher follow what the user sees', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  await launch(page, W);
  const status = () => page.textContent('.status-microhelp');
  const rows = (await gridState(page, W, 'dw_edit')).rowcount;
  assert.strictEqual(await status(), `行数1/${rows}`);
  assert.deepStrictEqual((await gridState(page, W, 'dw_edit')).selected, [1]);
  assert.match(await page.textContent('.frame-caption'), /库存查询$/);

  // The read-only list: editing commands and printing are disabled.
  const tools = Object.fromEntries(await page.$$eval('.toolbar .tool', (els) => els.map((e) => [e.dataset.item, e.disabled])));
  for (const item of ['m_change', 'm_add', 'm_delete', 'm_save', 'm_cancel', 'm_print'])
    assert.strictEqual(tools[item], true, `${item} disabled`);
  for (const item of ['m_5', 'm_6', 'm_7', 'm_8']) assert.strictEqual(tools[item], false, `${item} enabled`);

  // 浏览 (Alt+B): 最后一条, 上一条, 第一条, 下一条.
  for (const [item, row] of [['m_8', rows], ['m_6', rows - 1], ['m_5', 1], ['m_7', 2]]) {
    await menuCommand(page, 'B', item);
    const g = await gridState(page, W, 'dw_edit');
    assert.strictEqual(g.row, row, item);
    assert.deepStrictEqual(g.selected, [row], item);
    assert.strictEqual(await status(), `行数${row}/${rows}`, item);
  }
  assert.ok(await page.$(`${sel(W, 'dw_edit')} .grid-row.selected[data-row="2"]`), 'the row is highlighted on screen');
  await h.screenshot(page, 'enquiry_navigation');

  // A second form: its title in the frame; the launcher brings the first back without a copy.
  await launch(page, 'w_bj704_001_001');
  assert.match(await page.textContent('.frame-caption'), /查询备件库存情况$/);
  await page.focus(`.launcher-item[data-class="${W}"]`);
  await page.keyboard.press('Enter');
  await h.settle(page);
  const state = await h.state(page);
  assert.deepStrictEqual(state.windows.map((w) => w.class), ['w_bj704_001_001', W]);
  assert.strictEqual(state.active, (await windowState(page, W)).id);
  assert.match(await page.textContent('.frame-caption'), /库存查询$/);
  assert.ok(await page.$(`${h.windowSel(W)}.active`), 'the enquiry is the active sheet');
  assert.strictEqual((await gridState(page, W, 'dw_edit')).row, 2, 'as the user left it');

  // Escape in its search field closes the enquiry: the frame shows the other form's title.
  await page.focus(sel(W, 'sle_1'));
  await page.keyboard.press('Escape');
  await h.settle(page);
  assert.strictEqual(await page.$(h.windowSel(W)), null);
  assert.match(await page.textContent('.frame-caption'), /查询备件库存情况$/);
  await h.screenshot(page, 'enquiry_frame_title');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('no internal names on screen: titles, tooltips, the query dialog, print messages, refusals', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  const internal = /\b[wdmr]_[a-z0-9_]+|\bdbj\d|\blike\b|\(and\)|\(or\)/;
  for (const [text, tip] of await page.$$eval('.launcher-item', (els) => els.map((e) => [e.textContent, e.title]))) {
    assert.strictEqual(tip, text);
    assert.doesNotMatch(tip, internal);
  }
  await launch(page, W);
  const heads = await page.$$eval(`${sel(W, 'dw_edit')} .grid-cell.head`, (els) => els.map((e) => e.title));
  for (const tip of heads) assert.doesNotMatch(tip, internal);

  // 条件查询 (Alt+Q): operators and connectives in words.
  await menuCommand(page, 'Q', 'm_1');
  await page.waitForSelector(`.modal-layer ${h.windowSel('w_cx')}`);
  await h.settle(page);
  const operators = await page.$$eval(`${sel('w_cx', 'ddlb_2')} option`, (els) => els.map((e) => e.textContent));
  assert.deepStrictEqual(operators.filter(Boolean), ['等于', '不等于', '大于', '大于等于', '小于', '小于等于', '匹配', '包含']);
  const dialogText = await page.textContent(h.windowSel('w_cx'));
  assert.doesNotMatch(dialogText, internal);
  assert.match(dialogText, /并且/);
  assert.match(dialogText, /或者/);
  await h.screenshot(page, 'enquiry_query_dialog');
  await page.keyboard.press('Escape');
  await h.settle(page);
  assert.strictEqual(await page.$(h.windowSel('w_cx')), null);

  // Every window title on screen is a title.
  for (const t of await page.$$eval('.window-title', (els) => els.map((e) => e.textContent))) assert.doesNotMatch(t, internal);

  // A print of the labels, which have no report title of their own: the window's title.
  await launch(page, 'w_bj704_001_001');
  await page.focus(sel('w_bj704_001_001', 'cb_11'));
  await page.keyboard.press('Enter');
  await page.waitForSelector(h.windowSel('w_dw_print_options'));
  await h.settle(page);
  assert.strictEqual(await page.textContent(sel('w_dw_print_options', 'st_1')), '打印：查询备件库存情况');
  await page.focus(sel('w_dw_print_options', 'cb_1'));
  await page.keyboard.press('Enter');
  await page.waitForSelector('.toast.info');
  assert.match(await page.textContent('.toast.info'), /^已打印：查询备件库存情况，共 \d+ 行/);
  await h.screenshot(page, 'enquiry_print_toast');

  // A refusal speaks Chinese only.
  const refused = await h.request(page, { op: 'menu', window: W, item: 'm_add' });
  assert.strictEqual(refused.message, '该命令现在不能使用');
  await page.waitForSelector('.toast.error');
  assert.strictEqual(await page.textContent('.toast.error'), '该命令现在不能使用');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
