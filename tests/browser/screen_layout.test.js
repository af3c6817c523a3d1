// Windows and grids use the screen: a sheet opens maximised on a screen narrower than 1400 px
// and wide enough for all its stock columns on a 1920 px one; Ctrl+F10 and the 窗口 menu
// maximise and restore it; its grids grow with it; the part number and name stay in view while
// the other columns scroll, also while a new price is typed in the cost revision; long texts
// show in full on hover. Screenshots at 1280×800 and 1920×1080 with the visible columns counted.
// Run: node screen_layout.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

const W = 'w_bj704_001';
const { press } = h;

async function open(viewport, cls = W) {
  const page = await h.openPage(env.browser, env.server.url, viewport);
  await h.loginByKeyboard(page);
  await h.openByKeyboard(page, cls);
  return page;
}

// The grid's columns as the screen shows them: all headings, and those wholly in view.
function columnsInView(page, cls, control) {
  return page.$eval(h.controlSel(cls, control), (g) => {
    const vp = g.querySelector('.grid-viewport').getBoundingClientRect();
    const heads = [...g.querySelectorAll('.grid-cell.head')];
    const shown = heads.filter((e) => {
      const r = e.getBoundingClientRect();
      return r.width > 0 && r.left >= vp.left - 1 && r.right <= vp.right + 1;
    });
    return { all: heads.map((e) => e.textContent), shown: shown.map((e) => e.textContent) };
  });
}

const box = (page, sel) => page.$eval(sel, (e) => e.getBoundingClientRect().toJSON());

test('at 1280×800 the stock enquiry opens maximised; Ctrl+F10 restores and maximises it', async () => {
  const page = await open({ width: 1280, height: 800 });
  const sheet = h.windowSel(W);
  const grid = h.controlSel(W, 'dw_edit');
  assert.ok(await page.$(`${sheet}.maximized`), 'maximised below 1400 px');
  const ws = await box(page, '.workspace');
  const win = await box(page, sheet);
  assert.ok(Math.abs(win.width - ws.width) <= 2 && Math.abs(win.height - ws.height) <= 2, JSON.stringify([win, ws]));
  // The list grid took what the window gained beyond its form (781 × 320 px).
  const g = await box(page, grid);
  assert.ok(g.width > 1000 && g.height > 400, JSON.stringify(g));
  // The monthly grid moved down with it and stays inside the window.
  const monthly = await box(page, h.controlSel(W, 'dw_display'));
  assert.ok(monthly.top > g.bottom && monthly.bottom <= win.bottom, JSON.stringify([monthly, win]));

  const cols = await columnsInView(page, W, 'dw_edit');
  assert.strictEqual(cols.all.length, 17);
  assert.ok(cols.shown.length >= 9 && cols.shown.length < 17, `${cols.shown.length} columns in view`);
  assert.deepStrictEqual(cols.shown.slice(0, 2), ['备件号', '备件名称']);
  await h.screenshot(page, `${W}_1280`);
  console.log(`# 1280×800: ${cols.shown.length} of ${cols.all.length} columns in view`);

  // Every text shows in full on hover: the cell's title is its text.
  const titles = await page.$$eval(`${grid} .grid-row[data-row="1"] .grid-cell`, (els) => els.map((e) => [e.title, e.textContent]));
  for (const [title, text] of titles) assert.strictEqual(title, text);

  // Ctrl+F10 restores the window: as wide as its columns need, within the workspace; its grid
  // keeps the width gained. Again: maximised.
  await press(page, 'Control+F10');
  assert.strictEqual(await page.$(`${sheet}.maximized`), null);
  const restored = await box(page, sheet);
  assert.ok(restored.width <= ws.width && restored.width >= 794, JSON.stringify(restored));
  await press(page, 'Control+F10');
  assert.ok(await page.$(`${sheet}.maximized`));

  // The 窗口 menu (Alt+W) does the same and lists the open sheets.
  await press(page, 'Alt+w');
  const entries = await page.$$eval('.menu-drop .menu-item', (els) => els.map((e) => e.textContent.trim()));
  assert.deepStrictEqual(entries, ['还原Ctrl+F10', '✓ 库存查询']);
  await press(page, 'Enter');
  assert.strictEqual(await page.$(`${sheet}.maximized`), null);
  assert.strictEqual(await h.focused(page), `${W}:sle_1`, 'the focus went back to the window');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('at 1920×1080 the stock grid shows all its columns', async () => {
  const page = await open({ width: 1920, height: 1080 });
  assert.strictEqual(await page.$(`${h.windowSel(W)}.maximized`), null, 'not maximised on a wide screen');
  const cols = await columnsInView(page, W, 'dw_edit');
  assert.deepStrictEqual(cols.shown, cols.all, 'every column in view');
  assert.strictEqual(cols.all.length, 17);
  // It is as high as the workspace lets it be: more rows than the form's own size shows.
  const g = await box(page, h.controlSel(W, 'dw_edit'));
  assert.ok(g.height > 600, JSON.stringify(g));
  await h.screenshot(page, `${W}_1920`);
  console.log(`# 1920×1080: ${cols.shown.length} of ${cols.all.length} columns in view`);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('typing a new price at 1280×800 keeps the part number in view', async () => {
  const C = 'w_bj902_001';
  const page = await open({ width: 1280, height: 800 }, C);
  const grid = h.controlSel(C, 'dw_edit');
  // Tab to the grid: the focus goes into the current row's new-price cell.
  for (let i = 0; i < 30 && (await h.focused(page)) !== `${C}:dw_edit`; i++) await page.keyboard.press('Tab');
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.column), 'nxcbdj');
  await page.keyboard.type('12.5');
  const vp = await box(page, `${grid} .grid-viewport`);
  const part = await box(page, `${grid} .grid-row.current .grid-cell[data-column="dbj030_ccph"]`);
  const price = await box(page, `${grid} .grid-row.current .grid-input`);
  assert.ok(part.left >= vp.left - 1 && part.right <= vp.right + 1, `part number in view: ${JSON.stringify([part, vp])}`);
  assert.ok(price.left >= part.right - 1 && price.right <= vp.right + 1, 'the price cell beside it, in view');
  await h.screenshot(page, `${C}_1280`);
  // Enter takes the price; ↓ goes on to the next row's price, the focus staying in the grid.
  await press(page, 'Enter');
  await press(page, 'ArrowDown');
  assert.strictEqual((await h.state(page)).windows[0].controls.dw_edit.row, 2);
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.column), 'nxcbdj');
  // A price typed and not yet left is sent before 确定 (Alt+7) acts: both prices are posted.
  await page.keyboard.type('13');
  await press(page, 'Alt+7');
  assert.strictEqual(await page.textContent('.msgbox-text'), '修改成功。');
  await press(page, 'Enter');
  assert.strictEqual(await page.$('.toast.error'), null);
  const posted = await h.request(page, { op: 'rows', window: C, control: 'dw_edit', from: 1, count: 2, columns: ['nxcbdj', 'ndj'] });
  assert.deepStrictEqual(posted.rows.map((r) => [Number(r.ndj), Number(r.nxcbdj || 0)]), [[12.5, 0], [13, 0]]);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

// Dragging is what the mouse alone does: a sheet's corner and a heading's edge.
test('a sheet and a column are resized by dragging with the mouse', async () => {
  const page = await open({ width: 1920, height: 1080 });
  const sheet = h.windowSel(W);
  const grid = h.controlSel(W, 'dw_edit');
  const win = await box(page, sheet);
  const g = await box(page, grid);
  await page.mouse.move(win.right - 3, win.bottom - 3);
  await page.mouse.down();
  await page.mouse.move(win.right - 103, win.bottom - 83, { steps: 5 });
  await page.mouse.up();
  await h.settle(page);
  const g2 = await box(page, grid);
  assert.ok(Math.abs(g2.width - (g.width - 100)) <= 2 && Math.abs(g2.height - (g.height - 80)) <= 2, JSON.stringify([g, g2]));

  const head = `${grid} .grid-cell.head[title="备件名称"]`;
  const before = await box(page, head);
  await page.mouse.move(before.right - 3, before.top + 5);
  await page.mouse.down();
  await page.mouse.move(before.right + 57, before.top + 5, { steps: 5 });
  await page.mouse.up();
  await h.settle(page);
  assert.strictEqual(Math.round((await box(page, head)).width), Math.round(before.width + 60));
  const cell = await box(page, `${grid} .grid-row[data-row="1"] .grid-cell[data-column="dbj002_ccpmc"]`);
  assert.strictEqual(Math.round(cell.width), Math.round(before.width + 60), 'the rows follow the heading');
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
