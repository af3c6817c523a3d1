// The keyboard in the client, as in a desktop application: every dialog (pick list, part-number
// popup, sort, query, print options, message box) takes the focus when it opens, keeps Tab to
// itself, is cancelled with Escape and lets nothing behind it be reached; Tab follows the
// window's own control order with one stop per grid; the menu bar and the toolbar are reached
// with Alt and F10; the arrow keys scroll a grid sideways. Keyboard only.
// Run: node keyboard.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

const W = 'w_bj704_001';
const S = 'w_bj704_001_001';
const { press } = h;

async function openEnquiry(cls = W) {
  const page = await h.openPage(env.browser, env.server.url);
  await h.loginByKeyboard(page);
  await h.openByKeyboard(page, cls);
  assert.strictEqual(await h.focused(page), `${cls}:sle_1`);
  return page;
}

const windows = async (page) => (await h.state(page)).windows.map((w) => w.class);

// A dialog has the keyboard: the focus is in it, Tab and Shift+Tab go round its stops and
// never leave it, keys meant for the window behind (its accelerators, the menu bar) do nothing,
// and Escape cancels it, giving the focus back to the window beneath.
async function checkDialog(page, dialog, stops, beneath) {
  const where = await h.focused(page);
  assert.ok(stops.includes(where), `the dialog ${dialog} has the focus (${where})`);
  const round = await h.tabs(page, stops.length);
  assert.deepStrictEqual([...round].sort(), [...stops].sort(), `Tab goes round ${dialog}`);
  assert.strictEqual(round[round.length - 1], where, 'and comes back where it began');
  const back = await h.tabs(page, stops.length, true);
  assert.strictEqual(back[back.length - 1], where);
  assert.ok(back.every((f) => stops.includes(f)), `Shift+Tab stays in ${dialog}: ${back}`);

  // Nothing behind it: the frame is inert, the menu bar and the sheet's buttons are out of reach.
  assert.ok(await page.evaluate(() => document.querySelector('.frame').inert));
  const before = JSON.stringify((await h.state(page)).windows.map((w) => [w.class, w.controls.st_1 && w.controls.st_1.text]));
  await press(page, 'F10');
  await press(page, 'Alt+2');
  assert.ok(stops.includes(await h.focused(page)), 'F10 and Alt+2 leave the focus in the dialog');
  assert.strictEqual(JSON.stringify((await h.state(page)).windows.map((w) => [w.class, w.controls.st_1 && w.controls.st_1.text])), before);

  await press(page, 'Escape');
  assert.ok(!(await windows(page)).includes(dialog) && !(await page.$('.msgbox')), `Escape closed ${dialog}`);
  assert.ok((await h.focused(page)).startsWith(`${beneath}:`), `the focus is back in ${beneath}`);
  assert.strictEqual(await page.$('.toast.error'), null, 'no request was refused');
}

test('every dialog takes the focus, keeps Tab to itself and is cancelled with Escape', async () => {
  const page = await openEnquiry();

  // The pick list of the part number (F9 in mode 1).
  await press(page, 'F9');
  assert.deepStrictEqual(await windows(page), [W, 'w_pick_list']);
  await checkDialog(page, 'w_pick_list', ['w_pick_list:dw_1', 'w_pick_list:cb_1', 'w_pick_list:cb_2', 'w_pick_list:sle_1'], W);

  // The part-number popup of a search by name, and the pick list over it: Escape closes the
  // pick list alone, then the popup.
  await press(page, 'Alt+2');
  await page.keyboard.type('机油');
  await press(page, 'Enter');
  assert.deepStrictEqual(await windows(page), [W, 'w_bj704_002']);
  await press(page, 'F9');
  assert.deepStrictEqual(await windows(page), [W, 'w_bj704_002', 'w_pick_list']);
  assert.ok(await page.evaluate(() => document.querySelector('.modal-layer[data-window="w_bj704_002"]').inert),
    'the popup beneath the pick list is out of reach');
  await checkDialog(page, 'w_pick_list', ['w_pick_list:dw_1', 'w_pick_list:cb_1', 'w_pick_list:cb_2', 'w_pick_list:sle_1'], 'w_bj704_002');
  await checkDialog(page, 'w_bj704_002', ['w_bj704_002:sle_1', 'w_bj704_002:pb_1'], W);

  // Sort (浏览 → 排序) and query (查询 → 条件查询) from the menus by keyboard.
  await press(page, 'Alt+b');
  await press(page, 's');
  assert.deepStrictEqual(await windows(page), [W, 'w_sort']);
  const sortStops = ['ddlb_1', 'rb_1', 'rb_2', 'cb_1', 'cb_2', 'cb_3', 'cb_4'].map((c) => `w_sort:${c}`);
  await checkDialog(page, 'w_sort', sortStops, W);
  await press(page, 'Alt+q');
  await press(page, 'q');
  assert.deepStrictEqual(await windows(page), [W, 'w_cx']);
  const queryStops = ['ddlb_1', 'ddlb_2', 'sle_1', 'rb_1', 'rb_2', 'cb_1', 'cb_2', 'cb_3', 'cb_4'].map((c) => `w_cx:${c}`);
  await checkDialog(page, 'w_cx', queryStops, W);

  // A message box: the search finds nothing.
  await press(page, 'Alt+1');
  await page.keyboard.type('NO SUCH PART');
  await press(page, 'Enter');
  assert.strictEqual(await page.textContent('.msgbox-text'), '无满足条件的记录!');
  await checkDialog(page, 'msgbox', ['msgbox:确定'], W);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('the print options of the stock list are a dialog like the others', async () => {
  const page = await openEnquiry(S);
  await press(page, 'Alt+0');
  assert.deepStrictEqual(await windows(page), [S, 'w_dw_print_options']);
  await checkDialog(page, 'w_dw_print_options', ['sle_1', 'sle_2', 'cb_1', 'cb_2'].map((c) => `w_dw_print_options:${c}`), S);
  assert.strictEqual(await page.$('.toast.info'), null, 'a cancelled print prints nothing');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('Tab follows the control order, one stop per grid; Alt and F10 reach the menus and toolbar', async () => {
  const page = await openEnquiry();
  const launcher = Array(7).fill('launcher-item');
  // From the search field: the radio buttons, the launcher's forms, then the window from its
  // first control: the list grid, the monthly grid, the mode buttons, the search field. Hidden
  // controls, texts and frames have no stop; menus and toolbar are not in the cycle.
  const cycle = await h.tabs(page, 25);
  assert.deepStrictEqual(cycle, [
    ...['rb_1', 'rb_2', 'rb_3', 'rb_4'].map((c) => `${W}:${c}`), ...launcher,
    ...['dw_edit', 'dw_display', 'cb_1', 'cb_2', 'cb_3', 'cb_4', 'cb_5', 'cb_6', 'cb_7', 'sle_1', 'rb_1', 'rb_2', 'rb_3', 'rb_4']
      .map((c) => `${W}:${c}`)]);
  assert.deepStrictEqual(await h.tabs(page, 5, true), ['rb_3', 'rb_2', 'rb_1', 'sle_1', 'cb_7'].map((c) => `${W}:${c}`));

  // Space on a radio button clicks it and the focus stays on it.
  await press(page, 'Shift+Tab');
  assert.strictEqual(await h.focused(page), `${W}:cb_6`);
  for (let i = 0; i < 4; i++) await page.keyboard.press('Tab');
  assert.strictEqual(await h.focused(page), `${W}:rb_2`);
  await press(page, 'Space');
  assert.ok(await page.isChecked(`${h.controlSel(W, 'rb_2')} input`));
  assert.strictEqual(await h.focused(page), `${W}:rb_2`);

  // F10: the menu bar. ←/→ go along it, ↓ opens a menu on its first usable entry, Escape
  // closes it and then gives the focus back.
  await press(page, 'F10');
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.item), 'm_edit');
  // (打印 has no usable entry until the window registers a list to print: go on to 帮助.)
  await press(page, 'ArrowRight');
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.item), 'm_print1');
  await press(page, 'ArrowRight');
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.item), 'm_help1');
  await press(page, 'ArrowDown');
  assert.ok(await page.$('.menu-drop'));
  assert.strictEqual(await h.focused(page), 'menu-item');
  await press(page, 'Escape');
  assert.strictEqual(await page.$('.menu-drop'), null);
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.item), 'm_help1');
  await press(page, 'Escape');
  assert.strictEqual(await h.focused(page), `${W}:rb_2`);

  // Alt alone: the menu bar; Tab goes over to the toolbar, ←/→ along it, Escape back.
  await press(page, 'Alt');
  assert.strictEqual(await h.focused(page), 'menu-top');
  await press(page, 'Tab');
  assert.strictEqual(await h.focused(page), 'tool');
  const first = await page.evaluate(() => document.activeElement.dataset.item);
  await press(page, 'ArrowRight');
  assert.notStrictEqual(await page.evaluate(() => document.activeElement.dataset.item), first);
  await press(page, 'Escape');
  assert.strictEqual(await h.focused(page), `${W}:rb_2`);

  // A toolbar command by keyboard: 条件查询 opens the query dialog, which has the focus.
  await press(page, 'F10');
  await press(page, 'Tab');
  for (let i = 0; i < 20 && (await page.evaluate(() => document.activeElement.dataset.item)) !== 'm_1'; i++) await page.keyboard.press('ArrowRight');
  await press(page, 'Enter');
  assert.deepStrictEqual(await windows(page), [W, 'w_cx']);
  assert.ok((await h.focused(page)).startsWith('w_cx:'));
  await press(page, 'Escape');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('in a grid ↑/↓ move the row, ←/→ the column, scrolling sideways past the key columns', async () => {
  const page = await openEnquiry();
  const grid = h.controlSel(W, 'dw_edit');
  while ((await h.focused(page)) !== `${W}:dw_edit`) await page.keyboard.press('Tab');
  await press(page, 'ArrowDown');
  assert.strictEqual((await h.state(page)).windows[0].controls.dw_edit.row, 2);
  assert.strictEqual(await h.focused(page), `${W}:dw_edit`, 'the grid keeps the focus');

  const place = (heading) => page.$eval(`${grid} .grid-cell.head[title="${heading}"]`, (e) => e.getBoundingClientRect().left);
  const keyBefore = [await place('备件号'), await place('备件名称')];
  const unitBefore = await place('计量单位');
  for (let i = 0; i < 20; i++) await page.keyboard.press('ArrowRight');
  await h.settle(page);
  const scrolled = await page.$eval(`${grid} .grid-viewport`, (e) => e.scrollLeft);
  assert.ok(scrolled > 0, 'the grid scrolled sideways');
  assert.deepStrictEqual([await place('备件号'), await place('备件名称')], keyBefore, 'the key columns stay in place');
  assert.ok(await place('计量单位') < unitBefore, 'the other columns moved');
  // The last column (the amount) is in view beside the key columns.
  const inView = await page.$eval(grid, (g) => {
    const vp = g.querySelector('.grid-viewport').getBoundingClientRect();
    const heads = [...g.querySelectorAll('.grid-cell.head')];
    const r = heads[heads.length - 1].getBoundingClientRect();
    return r.right <= vp.right + 1 && heads[heads.length - 1].textContent === '金额';
  });
  assert.ok(inView, 'ArrowRight reaches the last column');
  await h.screenshot(page, `${W}_scrolled`);

  // Ctrl+→ widens the current column (the amount) by 10 px; ← goes back to the start.
  const width = () => page.$eval(`${grid} .grid-cell.head.current-col`, (e) => e.offsetWidth);
  const w0 = await width();
  await press(page, 'Control+ArrowRight');
  assert.strictEqual(await width(), w0 + 10);
  await press(page, 'Control+ArrowLeft');
  assert.strictEqual(await width(), w0);
  for (let i = 0; i < 20; i++) await page.keyboard.press('ArrowLeft');
  await h.settle(page);
  assert.strictEqual(await page.$eval(`${grid} .grid-viewport`, (e) => e.scrollLeft), 0);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
