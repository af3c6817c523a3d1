// The browser client of sparestock. It renders any window of the runtime from the state the
// server sends (docs/protocol.md) and turns what the user does into protocol requests; it holds
// no code of its own for any form. docs/client.md describes how it draws and what it sends.
'use strict';

(() => {
  // ---- Units and sizes ----
  // Windows and controls are laid out in the runtime's units: a unit is 1/32 of the system
  // font's average character width across (7 px) and 1/64 of its height down (16 px), so one
  // unit is 7/32 px across and 1/4 px down — the inverse of the runtime's pixelstounits.
  const PX_PER_UNIT_X = 7 / 32;
  const PX_PER_UNIT_Y = 1 / 4;
  const px = (units) => Math.round(units * PX_PER_UNIT_X);
  const py = (units) => Math.round(units * PX_PER_UNIT_Y);
  const ROW_HEIGHT = 22;      // a grid row, px
  const FETCH_BLOCK = 50;     // rows fetched at a time as the user scrolls
  const MAXIMIZE_BELOW = 1400; // sheets open maximised on a browser window narrower than this, px
  const MIN_COLUMN = 24;      // the narrowest a grid column can be made, px
  const COLUMN_STEP = 10;     // Ctrl+←/→ narrows or widens the grid's current column by this, px

  const TEXT = {
    appTitle: '备件库存管理',
    login: '登录',
    company: '公司号',
    user: '用户',
    password: '密码',
    loggingIn: '正在登录…',
    logout: '退出登录',
    launcher: '功能',
    noForms: '没有可打开的窗口',
    close: '关闭',
    ok: '确定',
    ready: '就绪',
    working: '正在处理…',
    failed: '操作未完成',
    condition: (words) => `查询条件：${words}`,
    network: '无法连接服务器，请稍后再试',
    sessionEnded: '会话已结束，请重新登录',
    forbidden: '会话无效，请重新登录',
    printed: (p) => `已打印：${p.title || p.dataobject}，共 ${p.rows} 行${p.pages ? '，' + p.pages + ' 页' : ''}`,
    saved: (p) => `已另存为：${p.name}，共 ${p.rows} 行`,
    openPdf: '打开 PDF',
    fieldsMissing: '请输入公司号、用户和密码',
    rows: (n) => `共 ${n} 行`,
    pick: '选择',
    maximize: '最大化',
    restore: '还原',
    windowMenu: '窗口(&W)',
  };

  const ICONS = { information: 'i', stopsign: '×', exclamation: '!', question: '?', none: '' };

  // ---- Small helpers ----
  function h(tag, attrs, ...children) {
    const el = document.createElement(tag);
    if (attrs) {
      for (const [k, v] of Object.entries(attrs)) {
        if (v === undefined || v === null || v === false) continue;
        if (k === 'class') el.className = v;
        else if (k === 'text') el.textContent = v;
        else if (k.startsWith('on')) el.addEventListener(k.slice(2), v);
        else el.setAttribute(k, v === true ? '' : v);
      }
    }
    for (const c of children) if (c !== null && c !== undefined) el.append(c);
    return el;
  }

  // A caption with its `&` accelerator: the letter after `&` is underlined, `&&` is a plain &.
  function setCaption(el, text) {
    el.textContent = '';
    text = text || '';
    let i = 0;
    let plain = '';
    while (i < text.length) {
      const c = text[i];
      if (c === '&' && i + 1 < text.length) {
        if (text[i + 1] === '&') {
          plain += '&';
          i += 2;
          continue;
        }
        if (plain) el.append(plain);
        plain = '';
        el.append(h('u', { text: text[i + 1] }));
        i += 2;
        continue;
      }
      plain += c;
      i += 1;
    }
    if (plain) el.append(plain);
  }

  // A caption without its accelerator, for toolbar buttons: "条件查询(&Q)..." → "条件查询".
  function plainCaption(text) {
    return (text || '').replace(/\(&.\)/g, '').replace(/&(.)/g, '$1').replace(/\.\.\.$/, '').trim();
  }

  function accelerator(text) {
    const m = /&([^&])/.exec(text || '');
    return m ? m[1].toUpperCase() : null;
  }

  // ---- Talking to the server ----
  const app = {
    auth: null,        // {session, csrf, user, launcher}
    state: null,       // the last state
    activeId: null,    // the sheet whose menu and toolbar are shown
    views: new Map(),  // window id -> WindowView
    queue: Promise.resolve(),
    busy: 0,
    infoMessages: [],  // message boxes already answered by the server (OK only), still to show
    root: document.getElementById('app'),
  };

  async function http(method, url, body) {
    const headers = { Accept: 'application/json' };
    if (method === 'POST') {
      headers['Content-Type'] = 'application/json';
      headers['X-CSRF-Token'] = (app.auth && app.auth.csrf) || '';
    }
    const res = await fetch(url, {
      method,
      headers,
      credentials: 'same-origin',
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    let data = null;
    try {
      data = await res.json();
    } catch (e) {
      data = null;
    }
    return { status: res.status, data };
  }

  // Sends one protocol request; requests go out one at a time, in the order the user made them.
  function send(request, options) {
    const p = app.queue.then(() => exchange(request, options || {}));
    app.queue = p.catch(() => null);
    return p;
  }

  async function exchange(request, options) {
    if (!app.auth) return null;
    setBusy(1);
    try {
      const { status, data } = await http('POST', `/api/session/${encodeURIComponent(app.auth.session)}`, request);
      if (status === 401 || status === 403) {
        endSession(status === 401 ? TEXT.sessionEnded : TEXT.forbidden);
        return null;
      }
      if (!data) {
        showError(TEXT.network);
        return null;
      }
      if (!data.ok) {
        // The user reads the refusal in words of his own; the detail is for developers.
        if (!options.quiet) showError(data.message || TEXT.failed);
        console.debug('refused:', data.error);
        if (data.state) applyState(data.state, false);
        // A refused request changed nothing: show the rows as they are again (a refused cell
        // edit must not keep the typed value on screen).
        if (request.op === 'edit') for (const view of app.views.values()) view.refreshGrids();
        return data;
      }
      // Text is sent as the user leaves a field, and a sheet is activated as the user moves
      // into it: the focus stays where the user moved it.
      if (data.state) applyState(data.state, request.op !== 'rows' && request.op !== 'state', request.op !== 'text' && request.op !== 'activate');
      return data;
    } catch (e) {
      showError(TEXT.network);
      return null;
    } finally {
      setBusy(-1);
    }
  }

  function setBusy(delta) {
    app.busy += delta;
    document.body.classList.toggle('busy', app.busy > 0);
    const s = document.querySelector('.status-busy');
    if (s) s.textContent = app.busy > 0 ? TEXT.working : TEXT.ready;
  }

  // ---- Toasts (errors and print notices) ----
  function toast(text, kind) {
    let box = document.querySelector('.toasts');
    if (!box) {
      box = h('div', { class: 'toasts', role: 'status', 'aria-live': 'polite' });
      document.body.append(box);
    }
    const t = h('div', { class: `toast ${kind || ''}`, text });
    box.append(t);
    setTimeout(() => t.remove(), kind === 'error' ? 8000 : 5000);
  }
  const showError = (text) => toast(text, 'error');

  // A print job's PDF: the server keeps it for this session; it opens in a new tab, and the
  // notice carries a link to it in case the browser held the tab back.
  function showPrinted(p) {
    if (!p.file || !app.auth) return toast(TEXT.printed(p), 'info');
    const name = p.file.split(/[\\/]/).pop();
    const url = `/api/session/${encodeURIComponent(app.auth.session)}/print/${encodeURIComponent(name)}`;
    const tab = window.open(url, '_blank');
    if (tab) tab.opener = null;
    toast(TEXT.printed(p), 'info');
    const box = document.querySelector('.toasts');
    if (box && box.lastChild) box.lastChild.append(' ', h('a', { href: url, target: '_blank', rel: 'noopener', text: TEXT.openPdf }));
  }

  // ---- Login ----
  function showLogin(message) {
    app.auth = null;
    app.menuKey = null;
    app.dialogKey = null;
    app.state = null;
    app.views.clear();
    app.infoMessages = [];
    document.title = TEXT.appTitle;
    const company = h('input', { id: 'login-company', name: 'company', maxlength: '2', autocomplete: 'organization', value: '01' });
    const user = h('input', { id: 'login-user', name: 'user', maxlength: '10', autocomplete: 'username' });
    const password = h('input', { id: 'login-password', name: 'password', type: 'password', autocomplete: 'current-password' });
    const error = h('div', { class: 'login-error', role: 'alert', text: message || '' });
    const button = h('button', { type: 'submit', class: 'login-button', text: TEXT.login });
    const form = h('form', { class: 'login-form', autocomplete: 'on' },
      h('h1', { text: TEXT.appTitle }),
      h('label', { for: 'login-company', text: TEXT.company }), company,
      h('label', { for: 'login-user', text: TEXT.user }), user,
      h('label', { for: 'login-password', text: TEXT.password }), password,
      error, button);
    form.addEventListener('submit', async (e) => {
      e.preventDefault();
      // The server trims the blanks around the codes, as the program trims every code: spaces
      // only, so a tab or a full-width space is part of what was typed.
      const blank = (value) => /^ *$/.test(value);
      if (blank(company.value) || blank(user.value) || !password.value) {
        error.textContent = TEXT.fieldsMissing;
        return;
      }
      button.disabled = true;
      error.textContent = TEXT.loggingIn;
      try {
        const { data } = await http('POST', '/api/login', {
          company: company.value, user: user.value, password: password.value,
        });
        if (data && data.ok) {
          startFrame(data);
          return;
        }
        error.textContent = (data && data.error) || TEXT.network;
      } catch (err) {
        error.textContent = TEXT.network;
      }
      button.disabled = false;
      password.select();
    });
    app.root.replaceChildren(h('div', { class: 'login-page' }, form));
    (company.value ? user : company).focus();
  }

  function endSession(message) {
    closeDialogs();
    showLogin(message);
  }

  async function logout() {
    try {
      await http('POST', '/api/logout', {});
    } catch (e) {
      // The session ends on the server by itself when it cannot be reached.
    }
    showLogin('');
  }

  // ---- The frame ----
  function startFrame(data) {
    app.auth = { session: data.session, csrf: data.csrf, user: data.user, launcher: data.launcher || [] };
    app.views.clear();
    app.activeId = null;
    app.infoMessages = [];
    const launcher = h('nav', { class: 'launcher', 'aria-label': TEXT.launcher },
      h('div', { class: 'launcher-title', text: TEXT.launcher }));
    if (!app.auth.launcher.length) launcher.append(h('div', { class: 'launcher-empty', text: TEXT.noForms }));
    for (const entry of app.auth.launcher) {
      launcher.append(h('button', {
        class: 'launcher-item', 'data-class': entry.class, title: entry.title, text: entry.title,
        onclick: () => send({ op: 'open', window: entry.class }),
      }));
    }
    const user = app.auth.user || {};
    app.root.replaceChildren(
      h('div', { class: 'frame' },
        h('header', { class: 'frame-title' },
          h('span', { class: 'frame-caption' }),
          h('span', { class: 'frame-user', text: `${user.company || ''} ${user.code || ''} ${user.name || ''}`.trim() }),
          h('button', { class: 'logout', text: TEXT.logout, onclick: logout })),
        h('div', { class: 'menubar', role: 'menubar' }),
        h('div', { class: 'toolbar', role: 'toolbar' }),
        h('div', { class: 'frame-main' },
          launcher,
          h('main', { class: 'workspace' })),
        h('footer', { class: 'statusbar' },
          h('span', { class: 'status-microhelp' }),
          h('span', { class: 'status-condition', role: 'status' }),
          h('span', { class: 'status-busy', text: TEXT.ready }))),
      h('div', { class: 'modal-layers' }));
    applyState(data.state, true);
  }

  // ---- Applying a state ----
  function applyState(state, afterAction, moveFocus = afterAction) {
    if (!state || !app.auth || !document.querySelector('.frame')) return;
    app.state = state;
    const frameTitle = (state.frame && state.frame.title) || TEXT.appTitle;
    document.querySelector('.frame-caption').textContent = frameTitle;
    document.title = frameTitle;
    document.querySelector('.status-microhelp').textContent = (state.frame && state.frame.microhelp) || '';

    // Windows: new ones are built, gone ones removed, the others updated in place.
    const seen = new Set();
    let newest = null;
    for (const w of state.windows || []) {
      seen.add(w.id);
      let view = app.views.get(w.id);
      if (!view) {
        view = new WindowView(w);
        app.views.set(w.id, view);
        if (!w.modal) newest = w.id;
      }
      view.update(w);
    }
    for (const [id, view] of app.views) {
      if (!seen.has(id)) {
        view.destroy();
        app.views.delete(id);
      }
    }
    const sheets = (state.windows || []).filter((w) => !w.modal);
    const before = app.activeId;
    const lastId = sheets.length ? sheets[sheets.length - 1].id : null;
    // The server says which sheet is in front (the launcher may bring an open one forward);
    // else one just opened; else the last one when the active one closed.
    if (state.active !== undefined && state.active !== null) app.activeId = state.active;
    else if (newest !== null) app.activeId = newest;
    if (!sheets.some((w) => w.id === app.activeId)) app.activeId = lastId;
    if (app.activeId !== before && app.activeId !== null && app.activeId !== newest)
      app.views.get(app.activeId).el.scrollIntoView({ block: 'nearest', inline: 'nearest' });
    arrangeSheets();
    // A sheet just opened may lie below the others: bring it into view.
    if (newest !== null) app.views.get(newest).el.scrollIntoView({ block: 'nearest', inline: 'nearest' });
    renderMenu();
    // The filter in force on the sheet in front, in words.
    const front = sheets.find((w) => w.id === app.activeId);
    const condition = front && front.condition ? TEXT.condition(front.condition) : '';
    const conditionEl = document.querySelector('.status-condition');
    conditionEl.textContent = condition;
    conditionEl.title = condition;

    // Message boxes: those the server answered itself are shown for reading; the pending one
    // waits for the user's answer.
    const messages = (state.messages || []).slice();
    if (state.pending && messages.length) messages.pop();
    app.infoMessages.push(...messages);
    for (const p of state.printed || []) showPrinted(p);
    // A list saved by the save-as command arrives as a download of this session's.
    for (const f of state.saved || []) {
      toast(TEXT.saved(f), 'info');
      const link = h('a', { href: f.url, download: f.name, style: 'display:none' });
      document.body.appendChild(link);
      link.click();
      link.remove();
    }
    renderDialogs();
    updateInert();

    if (afterAction) for (const view of app.views.values()) view.refreshGrids();
    if (moveFocus) focusFromState();
  }

  // Marks the active sheet; a maximised active sheet covers the workspace, as in a desktop
  // application's window area.
  function arrangeSheets() {
    const ws = document.querySelector('.workspace');
    let maximized = false;
    for (const view of app.views.values()) {
      view.setActive(view.id === app.activeId);
      if (view.id === app.activeId && view.maximized) maximized = true;
    }
    if (ws) {
      ws.classList.toggle('maximized', maximized);
      if (maximized) ws.scrollTo(0, 0);
    }
    for (const view of app.views.values()) if (!view.modal) view.layout();
  }

  function activateSheet(id) {
    if (app.activeId === id || !app.views.has(id)) return;
    app.activeId = id;
    arrangeSheets();
    renderMenu();
    send({ op: 'activate', window: id }, { quiet: true });
  }

  function topWindow() {
    const windows = (app.state && app.state.windows) || [];
    for (let i = windows.length - 1; i >= 0; i--) if (windows[i].modal) return windows[i];
    return windows.find((w) => w.id === app.activeId) || null;
  }

  function dialogOpen() {
    return !!document.querySelector('.msgbox-layer');
  }

  function modalOpen() {
    return dialogOpen() || !!document.querySelector('.modal-layers > .modal-layer');
  }

  // While a modal window or a message box is open nothing behind it can be reached: the frame
  // and the modal windows beneath the top one are inert (no focus, no click, no key).
  function updateInert() {
    const frame = document.querySelector('.frame');
    if (!frame) return;
    const layers = [...document.querySelectorAll('.modal-layers > .modal-layer')];
    const box = dialogOpen();
    frame.inert = box || layers.length > 0;
    layers.forEach((layer, i) => { layer.inert = box || i < layers.length - 1; });
  }

  // The keyboard focus goes where the runtime put it in the topmost window; a window whose
  // focused control cannot take it (or that names none) gets its first tab stop, unless the
  // focus is already inside it. With no window open, the launcher's first form has it.
  function focusFromState() {
    if (dialogOpen()) return;
    const w = topWindow();
    if (!w) {
      const first = document.querySelector('.launcher-item');
      if (first && !document.querySelector('.launcher').contains(document.activeElement)) first.focus();
      return;
    }
    const view = app.views.get(w.id);
    if (!view) return;
    const control = w.focus && view.controls.get(w.focus);
    if (control && control.tabStop()) {
      control.focus();
      return;
    }
    if (view.el.contains(document.activeElement)) return;
    const stops = view.tabStops();
    if (stops.length) stops[0].focus({ preventScroll: true });
  }

  // ---- Tab: the cycle of tab stops ----
  // Tab and Shift+Tab go round the tab stops of what has the keyboard: a message box or modal
  // window keeps them to itself; otherwise the launcher's forms, then the active sheet's controls
  // in the window's own control order, one stop per grid. The menu bar and the toolbar are not
  // in the cycle: Alt or F10 reaches them.
  function tabStops() {
    const box = document.querySelector('.msgbox-layer');
    if (box) return [...box.querySelectorAll('.msgbox-button')];
    const w = topWindow();
    const view = w && app.views.get(w.id);
    if (w && w.modal) return view ? view.tabStops() : [];
    const launcher = [...document.querySelectorAll('.launcher-item')];
    return launcher.concat(view ? view.tabStops() : []);
  }

  function moveTab(backwards) {
    const stops = tabStops();
    if (!stops.length) return;
    const active = document.activeElement;
    const at = stops.findIndex((s) => s === active || s.contains(active));
    let next;
    if (at < 0) next = backwards ? stops.length - 1 : 0;
    else next = (at + (backwards ? stops.length - 1 : 1)) % stops.length;
    stops[next].focus();
  }

  // ---- Menu and toolbar of the active window ----
  function menuItems() {
    const w = ((app.state && app.state.windows) || []).find((x) => x.id === app.activeId);
    return w && w.menu ? w.menu.items : [];
  }

  function itemUsable(items, item) {
    for (let i = item; i; i = i.parent ? items.find((x) => x.name === i.parent) : null) if (!i.enabled) return false;
    return true;
  }

  // A menu command for the active sheet. The focus then goes where the runtime puts it, or
  // back to the control it came from when the menu bar was reached by keyboard.
  async function clickMenuItem(name) {
    const back = app.menuReturn;
    app.menuReturn = null;
    closeMenus();
    if (app.activeId === null) return;
    await actOn(app.activeId, { op: 'menu', item: name });
    returnFocus(back);
  }

  function returnFocus(back) {
    const active = document.activeElement;
    const lost = !active || active === document.body || inMenuBar(active);
    if (!lost || modalOpen()) return;
    if (back && document.contains(back) && !back.closest('[inert]')) back.focus({ preventScroll: true });
    else focusFromState();
  }

  function closeMenus() {
    for (const m of document.querySelectorAll('.menu-drop')) m.remove();
    for (const m of document.querySelectorAll('.menu-top.open')) m.classList.remove('open');
  }

  // The entries of a drop-down menu: the sheet's menu items, or the client's own window menu
  // (maximise or restore the sheet, and the open sheets to switch to).
  function menuEntries(top) {
    if (top.name === '_window') {
      const view = app.views.get(app.activeId);
      const entries = [{
        name: '_maximize', text: view && view.maximized ? TEXT.restore : TEXT.maximize, usable: !!view,
        shortcut: 'Ctrl+F10', run: () => toggleMaximized(),
      }, { separator: true }];
      for (const w of (app.state && app.state.windows) || []) {
        if (w.modal) continue;
        entries.push({
          name: `_sheet_${w.id}`, text: `${w.id === app.activeId ? '✓ ' : '   '}${w.title || ''}`, usable: true,
          run: () => {
            activateSheet(w.id);
            focusFromState();
          },
        });
      }
      return entries;
    }
    const items = menuItems();
    return items.filter((i) => i.parent === top.name && i.visible).map((item) => (item.text === '-'
      ? { separator: true }
      : { name: item.name, text: item.text, usable: itemUsable(items, item), run: () => clickMenuItem(item.name) }));
  }

  function openMenu(top, button, keepOpen) {
    const wasOpen = button.classList.contains('open');
    closeMenus();
    if (wasOpen && !keepOpen) return;
    const drop = h('div', { class: 'menu-drop', role: 'menu' });
    for (const entry of menuEntries(top)) {
      if (entry.separator) {
        drop.append(h('hr', { class: 'menu-separator' }));
        continue;
      }
      const b = h('button', { class: 'menu-item', role: 'menuitem', tabindex: '-1', 'data-item': entry.name, disabled: !entry.usable });
      setCaption(b, entry.text);
      b.dataset.accel = accelerator(entry.text) || '';
      if (entry.shortcut) b.append(h('span', { class: 'menu-shortcut', text: entry.shortcut }));
      b.addEventListener('click', () => {
        if (!entry.name.startsWith('_')) {
          entry.run();
          return;
        }
        // The client's own entries: done here, then the focus goes back.
        const back = app.menuReturn;
        app.menuReturn = null;
        closeMenus();
        entry.run();
        returnFocus(back);
      });
      drop.append(b);
    }
    const r = button.getBoundingClientRect();
    drop.style.left = `${r.left}px`;
    drop.style.top = `${r.bottom}px`;
    button.classList.add('open');
    document.body.append(drop);
    if (!app.menuReturn && !inMenuBar(document.activeElement)) app.menuReturn = document.activeElement;
    const first = drop.querySelector('button:not([disabled])');
    if (first) first.focus();
  }

  function renderMenu() {
    const bar = document.querySelector('.menubar');
    const tools = document.querySelector('.toolbar');
    if (!bar) return;
    const sheets = ((app.state && app.state.windows) || []).filter((w) => !w.modal).map((w) => [w.id, w.title]);
    const view = app.views.get(app.activeId);
    const key = JSON.stringify([app.activeId, menuItems(), sheets, view && view.maximized]);
    if (key === app.menuKey) return;
    app.menuKey = key;
    const hadFocus = inMenuBar(document.activeElement);
    closeMenus();
    bar.replaceChildren();
    tools.replaceChildren();
    const items = menuItems();
    const tops = items.filter((i) => !i.parent && i.visible);
    if (app.activeId !== null) tops.push({ name: '_window', text: TEXT.windowMenu, enabled: true });
    for (const top of tops) {
      const b = h('button', { class: 'menu-top', role: 'menuitem', tabindex: '-1', 'data-item': top.name, disabled: !top.enabled });
      setCaption(b, top.text);
      b.dataset.accel = accelerator(top.text) || '';
      b.menuTop = top;
      b.addEventListener('click', (e) => {
        e.stopPropagation();
        openMenu(top, b);
      });
      bar.append(b);
    }
    for (const item of items.filter((i) => i.parent && i.toolbaritemvisible && i.text !== '-')) {
      const b = h('button', {
        class: 'tool', tabindex: '-1', 'data-item': item.name, title: plainCaption(item.text),
        text: plainCaption(item.text), disabled: !itemUsable(items, item),
        onclick: () => clickMenuItem(item.name),
      });
      tools.append(b);
    }
    if (hadFocus) returnFocus(app.menuReturn);
  }

  // ---- The menu bar and the toolbar by keyboard ----
  // Alt pressed and released alone, or F10, puts the focus on the menu bar (and takes it back):
  // ←/→ go from menu to menu, ↓ or Enter opens one, ↑/↓ move in it, Enter runs an entry, a
  // letter runs the entry it underlines; Tab goes over to the toolbar and back; Escape closes a
  // menu, then returns to the control the focus came from.
  function inMenuBar(el) {
    return !!(el && el.closest && (el.closest('.menubar') || el.closest('.toolbar') || el.closest('.menu-drop')));
  }

  function enabledIn(selector) {
    return [...document.querySelectorAll(`${selector}:not([disabled])`)];
  }

  function enterMenuBar() {
    const tops = enabledIn('.menu-top');
    if (!tops.length || modalOpen()) return;
    app.menuReturn = document.activeElement;
    tops[0].focus();
  }

  function leaveMenuBar() {
    const back = app.menuReturn;
    app.menuReturn = null;
    closeMenus();
    returnFocus(back);
  }

  function step(list, current, delta) {
    const i = list.indexOf(current);
    return list[(i < 0 ? 0 : i + delta + list.length) % list.length];
  }

  function menuKey(e) {
    const el = document.activeElement;
    const plain = !e.altKey && !e.ctrlKey && !e.metaKey;
    const letter = plain && e.key.length === 1 ? e.key.toUpperCase() : null;
    if (el.closest('.menu-drop')) {
      const entries = enabledIn('.menu-drop .menu-item');
      const open = document.querySelector('.menu-top.open');
      if (e.key === 'ArrowDown' || e.key === 'ArrowUp') step(entries, el, e.key === 'ArrowDown' ? 1 : -1).focus();
      else if ((e.key === 'ArrowRight' || e.key === 'ArrowLeft') && open) {
        const next = step(enabledIn('.menu-top'), open, e.key === 'ArrowRight' ? 1 : -1);
        openMenu(next.menuTop, next, true);
      } else if (e.key === 'Escape') {
        closeMenus();
        if (open) open.focus();
      } else if (e.key === 'Tab') {
        // stays in the open menu
      } else if (letter && entries.some((b) => b.dataset.accel === letter)) {
        entries.find((b) => b.dataset.accel === letter).click();
      } else return;
      e.preventDefault();
      return;
    }
    const inBar = !!el.closest('.menubar');
    const list = enabledIn(inBar ? '.menu-top' : '.toolbar .tool');
    if (e.key === 'ArrowRight' || e.key === 'ArrowLeft') step(list, el, e.key === 'ArrowRight' ? 1 : -1).focus();
    else if (inBar && (e.key === 'ArrowDown' || e.key === 'Enter' || e.key === ' ')) openMenu(el.menuTop, el, true);
    else if (e.key === 'Escape') leaveMenuBar();
    else if (e.key === 'Tab') {
      const other = enabledIn(inBar ? '.toolbar .tool' : '.menu-top');
      if (other.length) other[0].focus();
    } else if (inBar && letter && list.some((b) => b.dataset.accel === letter)) {
      const b = list.find((x) => x.dataset.accel === letter);
      openMenu(b.menuTop, b, true);
    } else return;
    e.preventDefault();
  }

  // ---- Message boxes ----
  function closeDialogs() {
    for (const d of document.querySelectorAll('.msgbox-layer')) d.remove();
    updateInert();
  }

  function renderDialogs() {
    const shown = app.infoMessages.length ? ['info', app.infoMessages.length, app.infoMessages[0]]
      : ['pending', app.state && app.state.pending];
    const key = JSON.stringify(shown);
    if (key === app.dialogKey && (dialogOpen() || !shown[shown.length - 1])) return;
    app.dialogKey = key;
    closeDialogs();
    let box = null;
    let buttons = [];
    let answer = null;
    if (app.infoMessages.length) {
      box = app.infoMessages[0];
      buttons = box.buttons && box.buttons.length === 1 ? box.buttons : [TEXT.ok];
      answer = () => {
        app.infoMessages.shift();
        renderDialogs();
        if (!dialogOpen()) focusFromState();
      };
    } else if (app.state && app.state.pending) {
      box = app.state.pending;
      buttons = box.buttons;
      answer = (i) => {
        closeDialogs();
        app.dialogKey = null;
        send({ op: 'answer', button: i + 1 });
      };
    }
    if (!box) return;
    const row = h('div', { class: 'msgbox-buttons' });
    buttons.forEach((caption, i) => {
      row.append(h('button', { class: 'msgbox-button', 'data-button': String(i + 1), text: caption, onclick: () => answer(i) }));
    });
    const dialog = h('div', { class: 'msgbox', role: 'alertdialog', 'aria-modal': 'true', 'aria-label': box.title },
      h('div', { class: 'window-titlebar' }, h('span', { class: 'window-title', text: box.title })),
      h('div', { class: 'msgbox-body' },
        ICONS[box.icon] ? h('span', { class: `msgbox-icon icon-${box.icon}`, text: ICONS[box.icon] }) : null,
        h('div', { class: 'msgbox-text', text: box.text })),
      row);
    // The box keeps the keyboard: Tab and ←/→ go round its buttons, Escape answers with the
    // last button (the only one, or the cancelling one).
    dialog.addEventListener('keydown', (e) => {
      const all = [...dialog.querySelectorAll('.msgbox-button')];
      if (e.key === 'Escape') {
        e.preventDefault();
        answer(buttons.length - 1);
      } else if (e.key === 'Tab' || e.key === 'ArrowRight' || e.key === 'ArrowLeft') {
        e.preventDefault();
        step(all, document.activeElement, e.key === 'ArrowLeft' || (e.key === 'Tab' && e.shiftKey) ? -1 : 1).focus();
      }
      e.stopPropagation();
    });
    closeMenus();
    document.body.append(h('div', { class: 'msgbox-layer' }, dialog));
    updateInert();
    dialog.querySelector('.msgbox-button').focus();
  }

  // ---- Actions on a window ----
  // Sends a request for a window, after the text typed into its edit fields: the server must
  // know what the user typed before a key or a click acts on it.
  function actOn(windowId, request) {
    const view = app.views.get(windowId);
    if (view) view.flushEdits();
    return send(Object.assign({ window: windowId }, request));
  }

  // ---- Windows ----
  class WindowView {
    constructor(w) {
      this.id = w.id;
      this.cls = w.class;
      this.controls = new Map();
      this.order = [];
      this.modal = w.modal;
      this.maximized = !w.modal && window.innerWidth < MAXIMIZE_BELOW;
      this.userSize = null;           // the outer size the user dragged the sheet to
      this.natural = { w: 0, h: 0 };  // the body as its form lays it out
      this.extra = { w: 0, h: 0 };    // what the body has beyond that
      this.title = h('span', { class: 'window-title' });
      const bar = h('div', { class: 'window-titlebar' }, this.title);
      if (!w.modal) {
        this.maxButton = h('button', { class: 'window-max', tabindex: '-1' });
        this.maxButton.addEventListener('click', () => this.toggleMaximized());
        bar.append(this.maxButton);
        bar.addEventListener('dblclick', (e) => {
          if (!e.target.closest('button')) this.toggleMaximized();
        });
      }
      const closeButton = h('button', { class: 'window-close', tabindex: '-1', title: TEXT.close, 'aria-label': TEXT.close, text: '×' });
      closeButton.addEventListener('click', () => actOn(this.id, { op: 'close' }));
      bar.append(closeButton);
      this.body = h('div', { class: 'window-body' });
      this.flow = h('div', { class: 'window-flow' });
      this.el = h('section', {
        class: w.modal ? 'window modal' : 'window sheet', 'data-window': w.class, 'data-id': String(w.id),
        role: w.modal ? 'dialog' : 'region', 'aria-modal': w.modal ? 'true' : null,
      }, bar, this.body);
      // The user chose this sheet, by the pointer or by moving the focus into it: it comes to
      // the front here and on the server (the frame's title and the print command follow it).
      const choose = () => {
        if (!this.modal) activateSheet(this.id);
      };
      this.el.addEventListener('mousedown', choose);
      this.el.addEventListener('focusin', choose);
      if (w.modal) {
        this.layer = h('div', { class: 'modal-layer', 'data-window': w.class }, this.el);
        document.querySelector('.modal-layers').append(this.layer);
      } else {
        document.querySelector('.workspace').append(this.el);
        // A sheet's edge can be dragged (CSS resize): what it gains goes to its grids.
        this.resizeObserver = new ResizeObserver(() => this.onResized());
        this.resizeObserver.observe(this.el);
      }
    }

    update(w) {
      this.state = w;
      this.title.textContent = w.title || '';
      // Controls are built in the window's own control order, so that the page's order (and
      // the Tab cycle) is the form's.
      const names = (w.order || []).filter((n) => w.controls && w.controls[n]);
      for (const n of Object.keys(w.controls || {})) if (!names.includes(n)) names.push(n);
      this.order = names;
      const unplaced = [];
      let right = 0;
      let bottom = 0;
      for (const name of names) {
        const c = w.controls[name];
        let view = this.controls.get(name);
        if (!view) {
          view = makeControl(this, name, c);
          this.controls.set(name, view);
          const placed = c.width > 0 && c.height > 0;
          (placed ? this.body : this.flow).append(view.el);
        }
        view.update(c);
        if (c.width > 0 && c.height > 0) {
          right = Math.max(right, px(c.x + c.width));
          bottom = Math.max(bottom, py(c.y + c.height));
        } else if (c.visible) {
          unplaced.push(view);
        }
      }
      // Controls a form did not place are laid out one after another below the placed ones.
      if (unplaced.length && !this.flow.parentNode) this.body.append(this.flow);
      this.flowTop = bottom + 6;
      const width = Math.max(px(w.width || 0), right + 8, unplaced.length ? 400 : 0);
      const height = Math.max(py(w.height || 0), bottom + 8 + (unplaced.length ? this.flow.offsetHeight + 12 : 0));
      this.natural = { w: width, h: height };
      // The main grid is the largest one shown: it takes the height the window gains.
      let area = 0;
      this.mainGrid = null;
      for (const view of this.controls.values()) {
        if (!(view instanceof GridView) || !view.rect || view.el.hidden) continue;
        if (view.rect.w * view.rect.h > area) {
          area = view.rect.w * view.rect.h;
          this.mainGrid = view;
        }
      }
      this.layout();
      if (this.modal) this.placeModal(w, width, height);
    }

    // The body's size: the form's; for a sheet widened so that its main grid shows all its
    // columns (within the workspace), or the size the user dragged it to, or the whole
    // workspace when maximised. What it gains beyond the form goes to its grids (position).
    layout() {
      if (!this.state) return;
      const natural = this.natural;
      let target = { w: natural.w, h: natural.h };
      const ws = document.querySelector('.workspace');
      this.el.classList.toggle('maximized', this.maximized);
      if (this.maxButton) {
        this.maxButton.textContent = this.maximized ? '❐' : '□';
        this.maxButton.title = this.maximized ? TEXT.restore : TEXT.maximize;
        this.maxButton.setAttribute('aria-label', this.maxButton.title);
      }
      if (!this.modal && ws) {
        if (this.maximized) {
          target = { w: ws.clientWidth - 2, h: ws.clientHeight - 24 };
        } else if (this.userSize) {
          target = { w: this.userSize.w - 2, h: this.userSize.h - 24 };
        } else if (this.mainGrid) {
          const need = this.mainGrid.columnsWidth() + 20 - this.mainGrid.rect.w;
          target.w = Math.min(natural.w + Math.max(0, need), ws.clientWidth - 22);
          target.h = ws.clientHeight - 44;
        }
      }
      const extra = { w: Math.max(0, Math.round(target.w - natural.w)), h: Math.max(0, Math.round(target.h - natural.h)) };
      const changed = extra.w !== this.extra.w || extra.h !== this.extra.h;
      this.extra = extra;
      this.body.style.width = `${natural.w + extra.w}px`;
      this.body.style.height = `${natural.h + extra.h}px`;
      this.flow.style.top = `${this.flowTop + extra.h}px`;
      if (!this.modal) {
        // The sheet wraps its body, unless the user's drag or the maximised state sizes it.
        const sized = this.maximized || this.userSize;
        this.el.style.width = sized ? `${natural.w + extra.w + 2}px` : '';
        this.el.style.height = sized ? `${natural.h + extra.h + 24}px` : '';
        this.el.style.minWidth = `${natural.w + 2}px`;
        this.el.style.minHeight = `${natural.h + 24}px`;
      }
      for (const view of this.controls.values()) this.position(view);
      if (changed) for (const view of this.controls.values()) if (view.schedule) view.schedule();
      this.measured = [this.el.offsetWidth, this.el.offsetHeight];
    }

    // A control keeps its place and size from the form, plus what the window gained: the main
    // grid grows by the height gained and what lies below it moves down; grids and group
    // boxes that reach the form's right edge grow by the width gained.
    position(view) {
      const r = view.rect;
      if (!r) return;
      let { y, w, h: height } = r;
      const main = this.mainGrid;
      if (this.extra.h && main) {
        if (view === main) height += this.extra.h;
        else if (y >= main.rect.y + main.rect.h - 4) y += this.extra.h;
      }
      if (this.extra.w && (view instanceof GridView || view instanceof GroupView) && r.x + r.w >= this.natural.w - 48) w += this.extra.w;
      const s = view.el.style;
      s.left = `${r.x}px`;
      s.top = `${y}px`;
      s.width = `${w}px`;
      if (!(view instanceof ListView)) s.height = `${height}px`;
    }

    onResized() {
      if (this.maximized || !this.measured || !this.el.offsetWidth) return;
      const [w, h0] = [this.el.offsetWidth, this.el.offsetHeight];
      if (Math.abs(w - this.measured[0]) <= 1 && Math.abs(h0 - this.measured[1]) <= 1) return;
      this.userSize = { w, h: h0 };
      this.layout();
    }

    toggleMaximized() {
      if (this.modal) return;
      this.maximized = !this.maximized;
      app.activeId = this.id;
      arrangeSheets();
      renderMenu();
      if (!this.maximized) this.el.scrollIntoView({ block: 'nearest', inline: 'nearest' });
    }

    // The tab stops of the window: one per control that can take the focus, in control order.
    tabStops() {
      const out = [];
      for (const name of this.order) {
        const stop = this.controls.get(name).tabStop();
        if (stop) out.push(stop);
      }
      return out;
    }

    // A modal window stands where its form put it on the screen (its own centring), kept inside
    // the browser's window.
    placeModal(w, width, height) {
      const vw = window.innerWidth;
      const vh = window.innerHeight;
      let left = px(w.x || 0);
      let top = py(w.y || 0);
      if (!w.x && !w.y) {
        left = (vw - width) / 2;
        top = (vh - height) / 2 - 14;
      }
      left = Math.max(4, Math.min(left, vw - width - 8));
      top = Math.max(4, Math.min(top, vh - height - 40));
      this.el.style.left = `${Math.round(left)}px`;
      this.el.style.top = `${Math.round(top)}px`;
    }

    setActive(on) {
      this.el.classList.toggle('active', on || this.modal);
    }

    flushEdits() {
      for (const c of this.controls.values()) if (c.flush) c.flush();
    }

    refreshGrids() {
      for (const c of this.controls.values()) if (c.refresh) c.refresh();
    }

    destroy() {
      if (this.resizeObserver) this.resizeObserver.disconnect();
      for (const c of this.controls.values()) if (c.destroy) c.destroy();
      (this.layer || this.el).remove();
    }
  }

  function toggleMaximized() {
    const view = app.views.get(app.activeId);
    if (view) view.toggleMaximized();
  }

  function makeControl(win, name, c) {
    switch (c.kind) {
      case 'commandbutton':
      case 'picturebutton':
        return new ButtonView(win, name, c);
      case 'singlelineedit':
        return new EditView(win, name, c);
      case 'radiobutton':
        return new RadioView(win, name, c);
      case 'dropdownlistbox':
        return new ListView(win, name, c);
      case 'groupbox':
        return new GroupView(win, name, c);
      case 'grid':
        return new GridView(win, name, c);
      case 'picture':
        return new PictureView(win, name, c);
      default:
        return new TextView(win, name, c);
    }
  }

  class ControlView {
    constructor(win, name, el) {
      this.win = win;
      this.name = name;
      this.el = el;
      el.dataset.control = name;
      el.classList.add('control');
    }

    // The control's place on the form in px; the window adds what it gained (position).
    place(c) {
      if (c.width > 0 && c.height > 0) {
        this.rect = { x: px(c.x), y: py(c.y), w: px(c.width), h: py(c.height) };
        this.win.position(this);
      } else {
        this.rect = null;
        this.el.classList.add('unplaced');
      }
      this.el.hidden = !c.visible;
    }

    // The element Tab stops at, when the control can take the focus (shown and enabled).
    tabStop() {
      const c = this.win.state && this.win.state.controls[this.name];
      if (!this.focusable || !c || !c.visible || !c.enabled) return null;
      return this.focusTarget || this.el;
    }

    act(request) {
      const c = this.win.state && this.win.state.controls[this.name];
      if (c && (!c.enabled || !c.visible)) return Promise.resolve(null);
      return actOn(this.win.id, Object.assign({ control: this.name }, request));
    }

    focus() {
      const target = this.focusTarget || this.el;
      if (document.activeElement !== target) target.focus({ preventScroll: true });
    }
  }

  class ButtonView extends ControlView {
    constructor(win, name, c) {
      super(win, name, h('button', { type: 'button', class: c.kind === 'picturebutton' ? 'picture' : 'command' }));
      this.focusable = true;
      this.el.addEventListener('click', () => this.act({ op: 'click' }));
    }

    update(c) {
      this.place(c);
      this.caption = c.text;
      if (c.kind === 'picturebutton' && !c.text) {
        this.el.textContent = '';
        this.el.append(pictureFor(c.picture));
        this.el.title = c.picture === 'locate.bmp' ? TEXT.pick : '';
        this.el.setAttribute('aria-label', this.el.title);
      } else {
        setCaption(this.el, c.text);
      }
      this.el.disabled = !c.enabled;
      this.accelerator = c.accelerator ? c.accelerator.toUpperCase() : accelerator(c.text);
    }
  }

  function pictureFor(picture) {
    if (picture === 'locate.bmp') {
      const ns = 'http://www.w3.org/2000/svg';
      const svg = document.createElementNS(ns, 'svg');
      svg.setAttribute('viewBox', '0 0 16 16');
      svg.setAttribute('class', 'picture-icon');
      svg.innerHTML = '<circle cx="6.5" cy="6.5" r="4.5" fill="none" stroke="currentColor" stroke-width="1.8"/>' +
        '<line x1="10" y1="10" x2="14.5" y2="14.5" stroke="currentColor" stroke-width="2"/>';
      return svg;
    }
    return document.createTextNode((picture || '').replace(/\.\w+$/, ''));
  }

  class TextView extends ControlView {
    constructor(win, name, c) {
      super(win, name, h('div', { class: 'statictext' }));
    }

    update(c) {
      this.place(c);
      if (this.text !== c.text) {
        this.text = c.text;
        setCaption(this.el, c.text);
      }
      this.el.classList.toggle('disabled', !c.enabled);
    }
  }

  // A picture (a page preview); the state carries it as a data URL.
  class PictureView extends ControlView {
    constructor(win, name, c) {
      super(win, name, h('img', { class: 'picture-view', alt: '' }));
    }

    update(c) {
      this.place(c);
      if (this.src !== c.picture) {
        this.src = c.picture;
        if (c.picture) this.el.src = c.picture;
        else this.el.removeAttribute('src');
      }
      this.el.hidden = !c.visible || !c.picture;
    }
  }

  class GroupView extends ControlView {
    constructor(win, name, c) {
      const legend = h('legend');
      super(win, name, h('fieldset', { class: 'groupbox' }, legend));
      this.legend = legend;
    }

    update(c) {
      this.place(c);
      setCaption(this.legend, c.text);
      this.legend.hidden = !c.text;
    }
  }

  class EditView extends ControlView {
    constructor(win, name, c) {
      const input = h('input', { type: 'text', class: 'sle', spellcheck: 'false', autocomplete: 'off' });
      super(win, name, input);
      this.focusable = true;
      this.input = input;
      this.dirty = false;
      input.addEventListener('input', () => {
        if (this.uppercase) {
          const { selectionStart, selectionEnd } = input;
          const up = input.value.replace(/[a-z]+/g, (s) => s.toUpperCase());
          if (up !== input.value) {
            input.value = up;
            input.setSelectionRange(selectionStart, selectionEnd);
          }
        }
        this.dirty = true;
      });
      input.addEventListener('change', () => this.flush());
      input.addEventListener('keydown', (e) => {
        const key = { Enter: 'enter', Escape: 'escape', F9: 'f9', F1: 'f1' }[e.key];
        if (!key || e.altKey || e.ctrlKey) return;
        e.preventDefault();
        e.stopPropagation();
        const sent = this.act({ op: 'key', key });
        // Escape cancels a modal window: when its form leaves it open, its close box closes it.
        if (key === 'escape' && this.win.modal) {
          sent.then(() => {
            const top = topWindow();
            if (top && top.id === this.win.id && !dialogOpen()) actOn(this.win.id, { op: 'close' });
          });
        }
      });
    }

    // Tells the server what was typed, once.
    flush() {
      if (!this.dirty) return;
      this.dirty = false;
      send({ op: 'text', window: this.win.id, control: this.name, value: this.input.value });
    }

    update(c) {
      this.place(c);
      this.uppercase = !!c.uppercase;
      this.input.classList.toggle('uppercase', this.uppercase);
      if (c.limit > 0) this.input.maxLength = c.limit;
      else this.input.removeAttribute('maxlength');
      this.input.disabled = !c.enabled;
      if (!this.dirty && this.input.value !== c.text) this.input.value = c.text;
    }
  }

  let radioGroups = 0;
  class RadioView extends ControlView {
    constructor(win, name, c) {
      const input = h('input', { type: 'radio' });
      const caption = h('span', { class: 'radio-caption' });
      super(win, name, h('label', { class: 'radiobutton' }, input, caption));
      this.focusable = true;
      this.input = input;
      this.captionEl = caption;
      this.focusTarget = input;
      radioGroups += 1;
      this.input.name = `radio-${radioGroups}`;
      this.input.addEventListener('click', (e) => {
        // The runtime decides what is checked; the state shows it.
        e.preventDefault();
        this.act({ op: 'click' });
      });
    }

    update(c) {
      this.place(c);
      setCaption(this.captionEl, c.text);
      this.input.checked = !!c.checked;
      this.input.disabled = !c.enabled;
      this.el.classList.toggle('disabled', !c.enabled);
      this.accelerator = accelerator(c.text);
    }
  }

  class ListView extends ControlView {
    constructor(win, name, c) {
      const select = h('select', { class: 'ddlb' });
      super(win, name, select);
      this.focusable = true;
      this.select = select;
      this.items = null;
      select.addEventListener('change', () => {
        const value = select.value;
        this.act({ op: 'select', value });
      });
    }

    update(c) {
      this.place(c);
      // A drop-down list is one line high on screen whatever height its list is given.
      this.el.style.height = '';
      const items = c.items || [];
      const key = JSON.stringify(items);
      if (key !== this.items) {
        this.items = key;
        this.select.replaceChildren(h('option', { value: '', disabled: true, hidden: true, text: '' }),
          ...items.map((i) => h('option', { value: i, text: i })));
      }
      this.select.value = items.includes(c.text) ? c.text : '';
      this.select.disabled = !c.enabled;
    }
  }

  // ---- Grids ----
  // A grid draws only the rows in view: a spacer as high as all rows gives the scroll bar its
  // length, and the rows in view are fetched (`rows` with `from`/`count`) as the user scrolls.
  // The key columns (a leading label, part number and name) stay in place while the others
  // scroll sideways; columns are resized by dragging a heading's edge or with Ctrl+←/→ on the
  // current column, and keep that width (per grid definition) in this browser.
  const columnWidths = (() => {
    try {
      return JSON.parse(localStorage.getItem('sparestock.columns') || '{}');
    } catch (e) {
      return {};
    }
  })();

  function saveColumnWidth(dataobject, col) {
    if (!col.name) return;
    columnWidths[`${dataobject}.${col.name}`] = col.px;
    try {
      localStorage.setItem('sparestock.columns', JSON.stringify(columnWidths));
    } catch (e) {
      // A browser that keeps nothing keeps the width for this page only.
    }
  }

  class GridView extends ControlView {
    constructor(win, name, c) {
      const head = h('div', { class: 'grid-head' });
      const spacer = h('div', { class: 'grid-spacer' });
      const rowsLayer = h('div', { class: 'grid-rows' });
      const viewport = h('div', { class: 'grid-viewport' }, spacer, rowsLayer);
      const summary = h('div', { class: 'grid-summary' });
      const headwrap = h('div', { class: 'grid-headwrap' }, head);
      super(win, name, h('div', { class: 'grid', tabindex: '0', role: 'grid' }, headwrap, viewport, summary));
      this.focusable = true;
      this.headwrap = headwrap;
      this.head = head;
      this.spacer = spacer;
      this.rowsLayer = rowsLayer;
      this.viewport = viewport;
      this.summary = summary;
      this.cache = new Map();      // row -> display texts
      this.pending = new Set();    // blocks being fetched
      this.generation = 0;         // bumped when the rows may have changed
      this.rowEls = new Map();
      this.layoutKey = null;
      this.lastRow = null;
      this.scheduled = false;
      this.colIndex = 0;           // the current column, for the keyboard

      viewport.addEventListener('scroll', () => {
        headwrap.scrollLeft = viewport.scrollLeft;
        this.schedule();
      });
      // Entering the grid from outside puts the focus into the current row's editable cell,
      // when it has one, so that typing changes it. The column of the cell last edited is
      // kept while the focus stays in the grid, for the next row and for redraws.
      this.el.addEventListener('focus', (e) => {
        if (e.relatedTarget && this.el.contains(e.relatedTarget)) return;
        const input = this.rowsLayer.querySelector('.grid-row.current .grid-input');
        if (input) this.focusCell(input);
      });
      this.el.addEventListener('focusin', (e) => {
        if (e.target.classList.contains('grid-input')) this.cellColumn = e.target.dataset.column;
      });
      this.el.addEventListener('focusout', (e) => {
        if (e.relatedTarget && !this.el.contains(e.relatedTarget)) this.cellColumn = null;
      });
      rowsLayer.addEventListener('click', (e) => {
        const rowEl = e.target.closest('.grid-row');
        if (!rowEl || e.detail > 1 || e.target.closest('input')) return;
        this.act({ op: 'grid', action: 'click', row: Number(rowEl.dataset.row) });
      });
      rowsLayer.addEventListener('dblclick', (e) => {
        const rowEl = e.target.closest('.grid-row');
        if (!rowEl || e.target.closest('input')) return;
        this.act({ op: 'grid', action: 'doubleclick', row: Number(rowEl.dataset.row) });
      });
      viewport.addEventListener('click', (e) => {
        if (e.target === viewport || e.target === spacer) this.act({ op: 'grid', action: 'click', row: 0 });
      });
      head.addEventListener('click', (e) => {
        if (!e.target.closest('.col-resizer')) this.act({ op: 'grid', action: 'click', band: 'header' });
      });
      head.addEventListener('pointerdown', (e) => this.startResize(e));
      summary.addEventListener('click', () => this.act({ op: 'grid', action: 'click', band: 'summary' }));
      this.el.addEventListener('keydown', (e) => this.onKey(e));
    }

    onKey(e) {
      const inCell = e.target.tagName === 'INPUT';
      // ←/→ move the current column (scrolling sideways to show it); Ctrl+←/→ narrow or widen it.
      if (!inCell && (e.key === 'ArrowLeft' || e.key === 'ArrowRight') && !e.altKey && !e.shiftKey) {
        e.preventDefault();
        const delta = e.key === 'ArrowRight' ? 1 : -1;
        if (e.ctrlKey) this.resizeColumn(this.colIndex, delta * COLUMN_STEP);
        else this.moveColumn(delta);
        return;
      }
      if (e.altKey || e.ctrlKey) return;
      const keys = { ArrowUp: 'up', ArrowDown: 'down', Home: 'home', End: 'end', Enter: 'enter' };
      if (inCell && (e.key === 'Home' || e.key === 'End')) return;
      if (inCell && e.key === 'Enter') {
        e.preventDefault();
        this.commitCell(e.target);
        return;
      }
      if (keys[e.key]) {
        e.preventDefault();
        if (inCell) this.commitCell(e.target);
        this.act({ op: 'grid', action: 'key', key: keys[e.key] });
      } else if (e.key === 'PageDown' || e.key === 'PageUp') {
        e.preventDefault();
        const c = this.state;
        if (!c || !c.rowcount) return;
        const page = Math.max(1, Math.floor(this.viewport.clientHeight / ROW_HEIGHT) - 1);
        const row = Math.min(c.rowcount, Math.max(1, (c.row || 1) + (e.key === 'PageDown' ? page : -page)));
        if (row !== c.row) this.act({ op: 'grid', action: 'setrow', row });
      }
    }

    // The columns as the grid shows them: a leading label column when the detail band carries a
    // text ("数量" before the month figures), the visible columns, then the computed fields.
    buildColumns(c) {
      const cols = [];
      const detailText = (c.texts || []).filter((t) => t.band === 'detail').map((t) => t.text).join(' ');
      const headerText = (c.texts || []).filter((t) => t.band === 'header').map((t) => t.text).join(' ');
      if (detailText) cols.push({ name: null, heading: headerText, label: detailText, type: 'char', limit: 4 });
      for (const col of c.columns || []) if (col.visible) cols.push(col);
      for (const col of c.computed || []) cols.push(Object.assign({ computed: true, protected: true }, col));
      for (const col of cols) col.px = columnWidths[`${c.dataobject}.${col.name}`] || columnWidth(col);
      // The key columns stay in place: a leading label column, and the columns up to the part
      // number and name when these are among the first four.
      let keys = 0;
      cols.forEach((col, i) => {
        if (col.name === null ? i === 0 : i < 4 && /(^|_)(ccph|ccpmc)$/.test(col.name)) keys = i + 1;
      });
      this.stickyCount = keys;
      return cols;
    }

    // The sticky columns' offsets from the left edge.
    placeColumns() {
      let left = 0;
      this.cols.forEach((col, i) => {
        col.sticky = i < this.stickyCount;
        col.left = left;
        col.lastSticky = i === this.stickyCount - 1;
        if (col.sticky) left += col.px;
      });
      this.stickyWidth = left;
    }

    columnsWidth() {
      return (this.cols || []).reduce((s, col) => s + col.px, 0);
    }

    cellStyle(col) {
      return `width:${col.px}px${col.sticky ? `;left:${col.left}px` : ''}`;
    }

    cellClass(col) {
      return `grid-cell ${alignOf(col)}${col.sticky ? ' sticky' : ''}${col.lastSticky ? ' sticky-last' : ''}`;
    }

    moveColumn(delta) {
      if (!this.cols || !this.cols.length) return;
      this.colIndex = Math.max(0, Math.min(this.cols.length - 1, this.colIndex + delta));
      this.markColumn();
      this.showColumn(this.colIndex);
    }

    // Scrolls sideways so that column i is in view beside the key columns.
    showColumn(i) {
      const col = this.cols[i];
      if (!col || col.sticky) {
        if (col && i === 0) this.viewport.scrollLeft = 0;
        return;
      }
      const left = this.cols.slice(0, i).reduce((s, x) => s + x.px, 0);
      const vp = this.viewport;
      if (left - this.stickyWidth < vp.scrollLeft) vp.scrollLeft = left - this.stickyWidth;
      else if (left + col.px > vp.scrollLeft + vp.clientWidth) vp.scrollLeft = left + col.px - vp.clientWidth;
    }

    markColumn() {
      [...this.head.children].forEach((el, i) => el.classList.toggle('current-col', i === this.colIndex));
    }

    resizeColumn(i, delta) {
      const col = this.cols && this.cols[i];
      if (!col) return;
      col.px = Math.max(MIN_COLUMN, col.px + delta);
      saveColumnWidth(this.state.dataobject, col);
      this.applyWidths();
      this.showColumn(i);
    }

    // Dragging a heading's right edge resizes its column.
    startResize(e) {
      const handle = e.target.closest('.col-resizer');
      if (!handle || e.button !== 0) return;
      e.preventDefault();
      e.stopPropagation();
      const i = Number(handle.dataset.index);
      const col = this.cols[i];
      const startX = e.clientX;
      const startPx = col.px;
      handle.setPointerCapture(e.pointerId);
      const move = (ev) => {
        col.px = Math.max(MIN_COLUMN, Math.round(startPx + ev.clientX - startX));
        this.applyWidths();
      };
      const up = () => {
        handle.removeEventListener('pointermove', move);
        handle.removeEventListener('pointerup', up);
        saveColumnWidth(this.state.dataobject, col);
      };
      handle.addEventListener('pointermove', move);
      handle.addEventListener('pointerup', up);
    }

    // New column widths: the headings, the row width and every drawn row again.
    applyWidths() {
      this.placeColumns();
      // The headings keep their elements (a drag holds one of them): only their widths change.
      this.cols.forEach((col, i) => {
        const el = this.head.children[i];
        el.style.cssText = this.cellStyle(col);
      });
      const width = this.columnsWidth();
      this.spacer.style.width = `${width}px`;
      this.rowsLayer.style.width = `${width}px`;
      for (const el of this.rowEls.values()) delete el.dataset.key;
      this.draw();
      if (this.win.mainGrid === this) this.win.layout();
    }

    update(c) {
      this.place(c);
      this.state = c;
      const key = JSON.stringify([c.dataobject, c.columns, c.computed, c.texts, c.readonly]);
      if (key !== this.layoutKey) {
        this.layoutKey = key;
        this.cols = this.buildColumns(c);
        this.colIndex = Math.min(this.colIndex, Math.max(0, this.cols.length - 1));
        this.placeColumns();
        this.drawHead();
        this.invalidate();
      }
      this.editable = !c.readonly && c.enabled;
      this.el.classList.toggle('readonly', !!c.readonly);
      this.el.classList.toggle('disabled', !c.enabled);
      this.selected = new Set(c.selected || []);
      const width = this.columnsWidth();
      this.spacer.style.height = `${c.rowcount * ROW_HEIGHT}px`;
      this.spacer.style.width = `${width}px`;
      this.rowsLayer.style.width = `${width}px`;
      this.drawSummaryLabels(c);
      if (c.row && c.row !== this.lastRow) this.scrollToRow(c.row);
      this.lastRow = c.row;
      this.draw();
    }

    drawHead() {
      this.head.replaceChildren(...this.cols.map((col, i) => h('div', {
        class: `${this.cellClass(col)} head`, style: this.cellStyle(col), title: col.heading || '',
        'data-column': col.name || '',
      }, col.heading || '', h('span', { class: 'col-resizer', 'data-index': String(i) }))),
      // Room for the rows' scroll bar, so that the headings scroll as far as the rows.
      h('div', { class: 'grid-head-end' }));
      this.markColumn();
    }

    drawSummaryLabels(c) {
      const items = c.summary || [];
      this.summary.hidden = items.length === 0;
      const key = JSON.stringify(items);
      if (key === this.summaryKey) return;
      this.summaryKey = key;
      this.summaryValues = new Map();
      this.summary.replaceChildren(...items.map((item) => {
        const value = h('span', { class: 'summary-value', 'data-item': item.name });
        this.summaryValues.set(item.name, value);
        return h('span', { class: 'summary-item' }, h('span', { class: 'summary-label', text: item.label }), value);
      }));
    }

    scrollToRow(row) {
      const top = (row - 1) * ROW_HEIGHT;
      const vp = this.viewport;
      if (top < vp.scrollTop) vp.scrollTop = top;
      else if (top + ROW_HEIGHT > vp.scrollTop + vp.clientHeight) vp.scrollTop = top + ROW_HEIGHT - vp.clientHeight;
    }

    invalidate() {
      this.generation += 1;
      this.cache.clear();
      this.pending.clear();
    }

    // After an action the rows may have changed: fetch those in view again (and the sums).
    refresh() {
      if (!this.state || !this.state.visible) return;
      this.invalidate();
      this.fetchVisible(true);
    }

    visibleRange() {
      const c = this.state;
      if (!c || !c.rowcount) return null;
      const first = Math.floor(this.viewport.scrollTop / ROW_HEIGHT) + 1;
      const count = Math.ceil((this.viewport.clientHeight || 200) / ROW_HEIGHT) + 1;
      return [first, Math.min(c.rowcount, first + count - 1)];
    }

    fetchVisible(withSummary) {
      const range = this.visibleRange();
      const c = this.state;
      if (!range) {
        if (withSummary && c && (c.summary || []).length) this.fetch(1, 0, true);
        this.draw();
        return;
      }
      const firstBlock = Math.floor((Math.max(1, range[0] - 10) - 1) / FETCH_BLOCK);
      const lastBlock = Math.floor((Math.min(c.rowcount, range[1] + 10) - 1) / FETCH_BLOCK);
      let summaryAsked = !withSummary || !(c.summary || []).length;
      for (let b = firstBlock; b <= lastBlock; b++) {
        const from = b * FETCH_BLOCK + 1;
        if (this.pending.has(b) || (this.cache.has(from) && this.cache.has(Math.min(c.rowcount, from + FETCH_BLOCK - 1)))) continue;
        this.pending.add(b);
        this.fetch(from, FETCH_BLOCK, !summaryAsked, b);
        summaryAsked = true;
      }
      if (!summaryAsked) this.fetch(1, 0, true);
    }

    async fetch(from, count, withSummary, block) {
      const generation = this.generation;
      const names = this.cols.filter((col) => col.name).map((col) => col.name);
      const data = await send({
        op: 'rows', window: this.win.id, control: this.name, from, count,
        columns: names, display: true, summary: withSummary,
      }, { quiet: true });
      if (block !== undefined) this.pending.delete(block);
      if (!data || !data.ok || generation !== this.generation) return;
      (data.display || []).forEach((row, i) => this.cache.set(from + i, row));
      if (data.summary) {
        for (const item of data.summary) {
          const el = this.summaryValues && this.summaryValues.get(item.name);
          if (el) el.textContent = item.text;
        }
      }
      this.draw();
    }

    schedule() {
      if (this.scheduled) return;
      this.scheduled = true;
      requestAnimationFrame(() => {
        this.scheduled = false;
        this.draw();
        this.fetchVisible(false);
      });
    }

    // Draws the rows in view from the cache; rows not fetched yet show empty until they come.
    draw() {
      const c = this.state;
      const range = this.visibleRange();
      const keep = new Set();
      // A redraw may replace the focused cell: the focus stays in the grid, in the same column
      // of the current row when that is still a field.
      const hadFocus = this.el.contains(document.activeElement);
      const focusedColumn = hadFocus ? this.cellColumn : null;
      if (range) {
        for (let r = range[0]; r <= range[1]; r++) {
          keep.add(r);
          let el = this.rowEls.get(r);
          if (!el) {
            el = h('div', { class: 'grid-row', 'data-row': String(r), role: 'row' });
            el.style.top = `${(r - 1) * ROW_HEIGHT}px`;
            this.rowEls.set(r, el);
            this.rowsLayer.append(el);
          }
          this.drawRow(el, r, c);
        }
      }
      for (const [r, el] of this.rowEls) {
        if (!keep.has(r)) {
          el.remove();
          this.rowEls.delete(r);
        }
      }
      if (hadFocus && (!this.el.contains(document.activeElement) || document.activeElement === this.el)) {
        const input = focusedColumn && this.rowsLayer.querySelector(`.grid-row.current .grid-input[data-column="${focusedColumn}"]`);
        if (input) this.focusCell(input);
        else if (document.activeElement !== this.el) this.el.focus({ preventScroll: true });
      }
    }

    // A cell entered by keyboard has its text selected, so that typing replaces it.
    focusCell(input) {
      input.focus({ preventScroll: true });
      input.select();
      const i = this.cols.findIndex((col) => col.name === input.dataset.column);
      if (i >= 0) this.showColumn(i);
    }

    drawRow(el, r, c) {
      const texts = this.cache.get(r);
      const current = c.row === r;
      el.classList.toggle('current', current);
      el.classList.toggle('selected', this.selected.has(r));
      el.classList.toggle('loading', !texts);
      const editing = current && this.editable && texts && this.cols.some((col) => col.editable);
      const key = texts ? `${this.generation}:${editing ? 'e' : 't'}` : 'none';
      if (el.dataset.key === key) return;
      el.dataset.key = key;
      el.replaceChildren(...this.cols.map((col) => {
        const text = col.name ? (texts ? texts[col.name] ?? '' : '') : col.label;
        // A text too long for its cell shows in full on hover.
        const cell = h('div', { class: this.cellClass(col), style: this.cellStyle(col), 'data-column': col.name || '', title: text || null });
        if (editing && col.editable) {
          const input = h('input', { class: 'grid-input', tabindex: '-1', value: text, 'data-column': col.name });
          if (col.limit) input.maxLength = col.limit;
          input.dataset.original = text;
          input.addEventListener('change', () => this.commitCell(input));
          cell.append(input);
        } else {
          cell.textContent = text;
        }
        return cell;
      }));
    }

    // A cell typed into and not yet left is sent before any other action of its window, so
    // that the runtime has it before a button or menu acts (and before a dialog takes the focus).
    flush() {
      for (const input of this.rowsLayer.querySelectorAll('.grid-input')) this.commitCell(input);
    }

    commitCell(input) {
      if (input.value === input.dataset.original) return;
      input.dataset.original = input.value;
      const row = Number(input.closest('.grid-row').dataset.row);
      this.act({ op: 'edit', row, column: input.dataset.column, value: input.value });
    }

    focus() {
      if (!this.el.contains(document.activeElement)) this.el.focus({ preventScroll: true });
    }
  }

  function alignOf(col) {
    return col.type === 'decimal' || col.type === 'long' || col.type === 'number' ? 'num' : 'text';
  }

  // A column is as wide as its heading or its widest value needs, within bounds.
  function columnWidth(col) {
    const headingPx = textWidth(col.heading || '') + 14;
    let valuePx;
    switch (col.type) {
      case 'decimal': valuePx = /,/.test(col.format || '') ? 104 : 84; break;
      case 'long': valuePx = 52; break;
      case 'number': valuePx = 52; break;
      case 'datetime': valuePx = /time|h/.test(col.format || '') ? 140 : 84; break;
      default: valuePx = Math.min(260, Math.max(36, (col.limit || (col.label ? col.label.length * 2 : 10)) * 7 + 12));
    }
    return Math.max(headingPx, valuePx);
  }

  function textWidth(text) {
    let w = 0;
    for (const ch of text) w += ch.charCodeAt(0) > 0x2e80 ? 12 : 7;
    return w;
  }

  // ---- Keyboard: Alt+letter presses the button with that accelerator ----
  document.addEventListener('keydown', (e) => {
    if (!app.auth || !e.altKey || e.ctrlKey || e.key.length !== 1 || dialogOpen()) return;
    const letter = e.key.toUpperCase();
    const code = /^(Key|Digit)(.)$/.exec(e.code || '');
    const physical = code ? code[2].toUpperCase() : letter;
    const w = topWindow();
    const view = w && app.views.get(w.id);
    if (view) {
      for (const c of view.controls.values()) {
        if (!c.accelerator || (c.accelerator !== letter && c.accelerator !== physical)) continue;
        const s = w.controls[c.name];
        if (!s || !s.visible || !s.enabled) continue;
        e.preventDefault();
        c.act({ op: 'click' });
        return;
      }
    }
    if (!w || !w.modal) {
      for (const b of enabledIn('.menu-top')) {
        if (b.dataset.accel === physical) {
          e.preventDefault();
          openMenu(b.menuTop, b, true);
          return;
        }
      }
    }
  });

  // ---- Keyboard: the frame's keys ----
  // Alt alone or F10: the menu bar. Ctrl+F10: maximise or restore the active sheet. Tab: the
  // cycle of tab stops. Escape: cancels the modal window on top. ↑/↓ in the launcher.
  document.addEventListener('keydown', (e) => {
    if (!app.auth || !document.querySelector('.frame')) return;
    if (e.key === 'Alt') {
      app.altAlone = !e.ctrlKey && !e.shiftKey;
      return;
    }
    app.altAlone = false;
    if (dialogOpen()) return;  // the message box keeps its keys
    const el = document.activeElement;
    if (e.key === 'F10' && !e.altKey && !e.shiftKey) {
      e.preventDefault();
      if (e.ctrlKey) toggleMaximized();
      else if (inMenuBar(el)) leaveMenuBar();
      else enterMenuBar();
      return;
    }
    if (inMenuBar(el)) {
      menuKey(e);
      return;
    }
    if (e.key === 'Tab' && !e.altKey && !e.ctrlKey && !e.metaKey) {
      e.preventDefault();
      moveTab(e.shiftKey);
      return;
    }
    if (e.key === 'Escape' && !e.defaultPrevented) {
      const w = topWindow();
      if (w && w.modal) {
        e.preventDefault();
        actOn(w.id, { op: 'close' });
      }
      return;
    }
    if ((e.key === 'ArrowDown' || e.key === 'ArrowUp') && el && el.classList.contains('launcher-item')) {
      e.preventDefault();
      step([...document.querySelectorAll('.launcher-item')], el, e.key === 'ArrowDown' ? 1 : -1).focus();
    }
  });
  document.addEventListener('keyup', (e) => {
    if (e.key !== 'Alt' || !app.altAlone || !app.auth) return;
    app.altAlone = false;
    if (dialogOpen()) return;
    e.preventDefault();
    if (inMenuBar(document.activeElement)) leaveMenuBar();
    else enterMenuBar();
  });
  document.addEventListener('mousedown', () => { app.altAlone = false; });

  document.addEventListener('click', (e) => {
    if (!e.target.closest('.menu-drop') && !e.target.closest('.menu-top')) closeMenus();
  });
  window.addEventListener('resize', () => {
    for (const v of app.views.values()) {
      if (v.modal && v.state) v.update(v.state);
      else v.layout();
      for (const c of v.controls.values()) if (c.schedule) c.schedule();
    }
  });

  // ---- Start: resume a session after a reload, else log in ----
  async function start() {
    try {
      const { status, data } = await http('GET', '/api/session');
      if (status === 200 && data && data.ok) {
        startFrame(data);
        return;
      }
    } catch (e) {
      // No session to resume.
    }
    showLogin('');
  }

  // For automation and the browser tests: the state the page shows, and a way to send a
  // protocol request as the page does (its answer is drawn like any other).
  window.sparestock = {
    get state() { return app.state; },
    get idle() { return app.busy === 0; },
    send: (request) => send(request),
    px,
    py,
  };
  start();
})();
