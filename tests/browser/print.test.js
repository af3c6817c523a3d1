// Printing in the browser: the stock list's print opens its PDF in a new tab, served to this
// session only; the stocktaking reports window 报表 previews a report's first page as a picture
// and prints it. Driven by the keyboard.
// Run: node print.test.js /path/to/sparestock
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const h = require('./lib/harness');

const env = h.serverAndBrowser(test);

test('printing the stock list opens the PDF in a new tab, for this session only', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  const S = 'w_bj704_001_001';
  await h.request(page, { op: 'open', window: S });
  await page.waitForSelector(`${h.controlSel(S, 'dw_edit')} .grid-row[data-row="1"]:not(.loading)`);
  await h.settle(page);

  // 打印(&0), then Enter on the dialog's focused 打印 button.
  await page.keyboard.press('Alt+0');
  await page.waitForSelector(h.windowSel('w_dw_print_options'));
  await h.settle(page);
  const tab = page.context().waitForEvent('page');
  await page.keyboard.press('Enter');
  const pdf = await tab;
  await pdf.waitForLoadState('domcontentloaded').catch(() => {});
  const url = pdf.url();
  assert.match(url, /\/api\/session\/[^/]+\/print\/1-d_bj704_004\.pdf$/);
  await page.waitForSelector('.toast.info a');

  // The same file fetched by this session is a PDF; another session (no cookie) gets nothing.
  const mine = await page.evaluate(async (u) => {
    const r = await fetch(u);
    const bytes = new Uint8Array(await r.arrayBuffer());
    return { status: r.status, type: r.headers.get('content-type'), head: String.fromCharCode(...bytes.slice(0, 5)) };
  }, url);
  assert.deepStrictEqual(mine, { status: 200, type: 'application/pdf', head: '%PDF-' });
  const other = await env.browser.newContext();
  const answer = await other.request.get(url);
  assert.notStrictEqual(answer.status(), 200);
  await other.close();
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});

test('报表: the stocktaking list of the demo day previews its first page and prints', async () => {
  const page = await h.openPage(env.browser, env.server.url);
  await h.login(page);
  const R = 'w_reports';
  await page.waitForSelector(`.launcher-item[data-class="${R}"]`);
  await h.request(page, { op: 'open', window: R });
  await page.waitForSelector(h.controlSel(R, 'sle_1'));
  // The demo's stocktaking is on the last day of the previous month.
  const now = new Date();
  const last = new Date(now.getFullYear(), now.getMonth(), 0);
  const day = `${last.getFullYear()}/${String(last.getMonth() + 1).padStart(2, '0')}/${String(last.getDate()).padStart(2, '0')}`;
  await page.focus(`${h.controlSel(R, 'sle_1')}`);
  await page.keyboard.press('Control+A');
  await page.keyboard.type(day);
  await page.keyboard.press('Enter');
  await page.waitForSelector(`${h.controlSel(R, 'p_1')}[src^="data:image/png"]`);
  assert.match(await page.textContent(h.controlSel(R, 'st_4')), /共 \d+ 行，\d+ 页/);
  await h.screenshot(page, 'w_reports');

  const tab = page.context().waitForEvent('page');
  await page.keyboard.press('Alt+P');
  await page.waitForSelector(h.windowSel('w_dw_print_options'));
  await h.settle(page);
  await page.keyboard.press('Enter');
  assert.match((await tab).url(), /\/print\/\d+-r_bj600_001\.pdf$/);
  assert.deepStrictEqual(page.errors || [], []);
  await page.context().close();
});
