// What every browser test needs: a fresh demo database, `sparestock serve` on a free port, and
// Debian's Chromium driven by playwright-core.
'use strict';

const { spawn, execFileSync } = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const assert = require('node:assert');
const { chromium } = require('playwright-core');

const CHROMIUM = process.env.SPARESTOCK_CHROMIUM || '/usr/bin/chromium';
const CHROMIUM_ARGS = ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--no-first-run'];

// The sparestock program: first argument after the script, or SPARESTOCK_BIN.
function program() {
  const bin = process.env.SPARESTOCK_BIN || process.argv.find((a, i) => i >= 2 && !a.startsWith('-'));
  if (!bin || !fs.existsSync(bin)) throw new Error('usage: node <test> /path/to/sparestock [screenshot dir]');
  return path.resolve(bin);
}

// Where screenshots go: SPARESTOCK_SCREENSHOTS, or the folder `screenshots` beside the program.
function screenshotDir() {
  const dir = process.env.SPARESTOCK_SCREENSHOTS || path.join(path.dirname(program()), 'screenshots');
  fs.mkdirSync(dir, { recursive: true });
  return dir;
}

function freePort() {
  return new Promise((resolve, reject) => {
    const srv = net.createServer();
    srv.unref();
    srv.on('error', reject);
    srv.listen(0, '127.0.0.1', () => {
      const { port } = srv.address();
      srv.close(() => resolve(port));
    });
  });
}

async function waitForServer(url, child, output) {
  const deadline = Date.now() + 30000;
  while (Date.now() < deadline) {
    if (child.exitCode !== null) throw new Error(`sparestock serve ended: ${output()}`);
    try {
      const res = await fetch(url);
      if (res.ok) return;
    } catch (e) {
      // not listening yet
    }
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error(`sparestock serve did not answer: ${output()}`);
}

// Starts a server on a fresh demo database. options.parts: demo parts per company.
async function startServer(options = {}) {
  const bin = program();
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'sparestock-browser-'));
  const db = path.join(dir, 'demo.db');
  const args = ['init', '--db', db, '--demo'];
  if (options.parts) args.push('--parts', String(options.parts));
  execFileSync(bin, args, { stdio: 'ignore' });
  const port = await freePort();
  let log = '';
  // The tests of one file log the same user in once per test, each in a browser context closed
  // without logging out: allow more sessions of one user than a real server does.
  const serve = ['serve', '--db', db, '--listen', `127.0.0.1:${port}`, '--sessions-per-user', '50'];
  const child = spawn(bin, serve, { stdio: ['ignore', 'pipe', 'pipe'] });
  child.stdout.on('data', (d) => { log += d; });
  child.stderr.on('data', (d) => { log += d; });
  const url = `http://127.0.0.1:${port}/`;
  await waitForServer(url, child, () => log);
  return {
    url,
    db,
    async stop() {
      if (child.exitCode === null) {
        child.kill('SIGTERM');
        await new Promise((r) => child.once('exit', r));
      }
      fs.rmSync(dir, { recursive: true, force: true });
    },
  };
}

async function launchBrowser() {
  return chromium.launch({ executablePath: CHROMIUM, headless: true, args: CHROMIUM_ARGS });
}

// A page of the client at 1280×800 (the smallest screen the layout is made for).
async function openPage(browser, url, viewport = { width: 1280, height: 800 }) {
  const context = await browser.newContext({ viewport, locale: 'zh-CN' });
  const page = await context.newPage();
  page.on('pageerror', (e) => { page.errors = (page.errors || []).concat(String(e)); });
  await page.goto(url);
  return page;
}

async function login(page, { company = '01', user = '001', password = 'demo123' } = {}) {
  await page.fill('#login-company', company);
  await page.fill('#login-user', user);
  await page.fill('#login-password', password);
  await page.click('.login-button');
  await page.waitForSelector('.frame');
  await settle(page);
}

// Waits until the client has no request in flight (and the page has drawn the answer).
async function settle(page) {
  await page.waitForFunction(() => window.sparestock && window.sparestock.idle);
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  await page.waitForFunction(() => window.sparestock.idle);
}

// The state the page last drew.
const state = (page) => page.evaluate(() => window.sparestock.state);

// A request sent as the page sends it, for what the screen offers no way to do (opening a host
// window that no module form leads to yet).
async function request(page, body) {
  const answer = await page.evaluate((b) => window.sparestock.send(b), body);
  await settle(page);
  return answer;
}

const windowSel = (cls) => `.window[data-window="${cls}"]`;
const controlSel = (cls, control) => `${windowSel(cls)} [data-control="${control}"]`;

async function screenshot(page, name) {
  await settle(page);
  await page.screenshot({ path: path.join(screenshotDir(), `${name}.png`) });
}

// A server on a fresh demo database and a browser for the tests of one file: started before
// the first test, stopped after the last. The returned object holds them once started.
function serverAndBrowser(test, serverOptions) {
  const env = { server: null, browser: null };
  test.before(async () => {
    env.server = await startServer(serverOptions);
    env.browser = await launchBrowser();
  });
  test.after(async () => {
    if (env.browser) await env.browser.close();
    if (env.server) await env.server.stop();
  });
  return env;
}

// Logs in with the keyboard alone: the page opens in the user field (the company is filled).
async function loginByKeyboard(page, { user = '001', password = 'demo123' } = {}) {
  await page.waitForSelector('.login-form');
  await page.keyboard.type(user);
  await page.keyboard.press('Tab');
  await page.keyboard.type(password);
  await page.keyboard.press('Enter');
  await page.waitForSelector('.frame');
  await settle(page);
}

// Where the keyboard focus is: "class:control" inside a window or message box ("msgbox" for
// its buttons), else the class name of the frame's element ("launcher-item", "menu-top", ...).
function focused(page) {
  return page.evaluate(() => {
    const a = document.activeElement;
    if (!a || a === document.body) return 'body';
    if (a.closest('.msgbox')) return `msgbox:${a.textContent}`;
    const w = a.closest('.window');
    const c = a.closest('[data-control]');
    if (w) return `${w.dataset.window}:${c ? c.dataset.control : a.className}`;
    return a.classList[0] || a.tagName.toLowerCase();
  });
}

// Presses Tab (or Shift+Tab) n times; where the focus stood after each press.
async function tabs(page, n, shift = false) {
  const out = [];
  for (let i = 0; i < n; i++) {
    await page.keyboard.press(shift ? 'Shift+Tab' : 'Tab');
    out.push(await focused(page));
  }
  return out;
}

// Opens a form from the launcher with the keyboard: Tab round to the launcher, ↓ to the form,
// Enter. Waits until its first grid has rows.
async function openByKeyboard(page, cls) {
  for (let i = 0; i < 40 && (await focused(page)) !== 'launcher-item'; i++) await page.keyboard.press('Tab');
  for (let i = 0; i < 12; i++) {
    if (await page.evaluate((c) => document.activeElement.dataset.class === c, cls)) break;
    await page.keyboard.press('ArrowDown');
  }
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.class), cls);
  await page.keyboard.press('Enter');
  await page.waitForSelector(`${windowSel(cls)} .grid-row[data-row="1"]:not(.loading)`);
  await settle(page);
}

// Presses a key and waits until the page has drawn the answer.
async function press(page, key) {
  await page.keyboard.press(key);
  await settle(page);
}

module.exports = {
  serverAndBrowser, startServer, launchBrowser, openPage, login, settle, state, request, windowSel, controlSel, screenshot,
  loginByKeyboard, focused, tabs, openByKeyboard, press,
};
