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
    printed: (p) => `已打印：${p.title || ''}，共 ${p.rows} 行${p.file ? '（' + p.file + '）' : ''}`,
    fieldsMissing: '请输入公司号、用户和密码',
    rows: (n) => `共 ${n} 行`,
    pick: '选择',
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
      if (data.state) applyState(data.state, request.op !== 'rows' && request.op !== 'state');
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
  function applyState(state, afterAction) {
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
    // The server says which sheet is in front (the launcher may bring an open one forward).
    if (state.active !== undefined) app.activeId = state.active;
    else if (newest !== null) app.activeId = newest;
    if (!sheets.some((w) => w.id === app.activeId)) app.activeId = sheets.length ? sheets[sheets.length - 1].id : null;
    if (app.activeId !== before && app.activeId !== null && app.activeId !== newest)
      app.views.get(app.activeId).el.scrollIntoView({ block: 'nearest', inline: 'nearest' });
    for (const view of app.views.values()) view.setActive(view.id === app.activeId);
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
    for (const p of state.printed || []) toast(TEXT.printed(p), 'info');
    renderDialogs();

    if (afterAction) {
      for (const view of app.views.values()) view.refreshGrids();
      focusFromState();
    }
  }

  function topWindow() {
    const windows = (app.state && app.state.windows) || [];
    for (let i = windows.length - 1; i >= 0; i--) if (windows[i].modal) return windows[i];
    return windows.find((w) => w.id === app.activeId) || null;
  }

  function dialogOpen() {
    return !!document.querySelector('.msgbox-layer');
  }

  function focusFromState() {
    if (dialogOpen()) return;
    const w = topWindow();
    if (!w || !w.focus) return;
    const view = app.views.get(w.id);
    const control = view && view.controls.get(w.focus);
    if (control) control.focus();
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

  function clickMenuItem(name) {
    closeMenus();
    if (app.activeId === null) return;
    actOn(app.activeId, { op: 'menu', item: name });
  }

  function closeMenus() {
    for (const m of document.querySelectorAll('.menu-drop')) m.remove();
    for (const m of document.querySelectorAll('.menu-top.open')) m.classList.remove('open');
  }

  function openMenu(top, button) {
    const wasOpen = button.classList.contains('open');
    closeMenus();
    if (wasOpen) return;
    const items = menuItems();
    const drop = h('div', { class: 'menu-drop', role: 'menu' });
    for (const item of items.filter((i) => i.parent === top.name && i.visible)) {
      if (item.text === '-') {
        drop.append(h('hr', { class: 'menu-separator' }));
        continue;
      }
      const usable = itemUsable(items, item);
      const entry = h('button', { class: 'menu-item', role: 'menuitem', 'data-item': item.name, disabled: !usable });
      setCaption(entry, item.text);
      entry.addEventListener('click', () => clickMenuItem(item.name));
      drop.append(entry);
    }
    const r = button.getBoundingClientRect();
    drop.style.left = `${r.left}px`;
    drop.style.top = `${r.bottom}px`;
    button.classList.add('open');
    document.body.append(drop);
    const first = drop.querySelector('button:not([disabled])');
    if (first) first.focus();
  }

  function renderMenu() {
    const bar = document.querySelector('.menubar');
    const tools = document.querySelector('.toolbar');
    if (!bar) return;
    const key = JSON.stringify([app.activeId, menuItems()]);
    if (key === app.menuKey) return;
    app.menuKey = key;
    closeMenus();
    bar.replaceChildren();
    tools.replaceChildren();
    const items = menuItems();
    for (const top of items.filter((i) => !i.parent && i.visible)) {
      const b = h('button', { class: 'menu-top', role: 'menuitem', 'data-item': top.name, disabled: !top.enabled });
      setCaption(b, top.text);
      b.addEventListener('click', (e) => {
        e.stopPropagation();
        openMenu(top, b);
      });
      bar.append(b);
    }
    for (const item of items.filter((i) => i.parent && i.toolbaritemvisible && i.text !== '-')) {
      const b = h('button', {
        class: 'tool', 'data-item': item.name, title: plainCaption(item.text),
        text: plainCaption(item.text), disabled: !itemUsable(items, item),
        onclick: () => clickMenuItem(item.name),
      });
      tools.append(b);
    }
  }

  // ---- Message boxes ----
  function closeDialogs() {
    for (const d of document.querySelectorAll('.msgbox-layer')) d.remove();
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
    dialog.addEventListener('keydown', (e) => {
      if (e.key === 'Escape' && buttons.length > 1) {
        e.preventDefault();
        answer(buttons.length - 1);
      }
      e.stopPropagation();
    });
    document.body.append(h('div', { class: 'msgbox-layer' }, dialog));
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
      this.modal = w.modal;
      this.title = h('span', { class: 'window-title' });
      const closeButton = h('button', { class: 'window-close', title: TEXT.close, 'aria-label': TEXT.close, text: '×' });
      closeButton.addEventListener('click', () => actOn(this.id, { op: 'close' }));
      this.body = h('div', { class: 'window-body' });
      this.flow = h('div', { class: 'window-flow' });
      this.el = h('section', { class: w.modal ? 'window modal' : 'window sheet', 'data-window': w.class, 'data-id': String(w.id) },
        h('div', { class: 'window-titlebar' }, this.title, closeButton),
        this.body);
      // The user chose this sheet: it comes to the front here and on the server (the frame's
      // title and the print command follow it).
      const choose = () => {
        if (this.modal || app.activeId === this.id) return;
        app.activeId = this.id;
        for (const v of app.views.values()) v.setActive(v.id === app.activeId);
        renderMenu();
        send({ op: 'activate', window: this.id }, { quiet: true });
      };
      this.el.addEventListener('mousedown', choose);
      this.el.addEventListener('focusin', choose);
      if (w.modal) {
        this.layer = h('div', { class: 'modal-layer', 'data-window': w.class }, this.el);
        document.querySelector('.modal-layers').append(this.layer);
      } else {
        document.querySelector('.workspace').append(this.el);
      }
    }

    update(w) {
      this.state = w;
      this.title.textContent = w.title || '';
      const unplaced = [];
      let right = 0;
      let bottom = 0;
      for (const [name, c] of Object.entries(w.controls || {})) {
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
      this.flow.style.top = `${bottom + 6}px`;
      const width = Math.max(px(w.width || 0), right + 8, unplaced.length ? 400 : 0);
      const height = Math.max(py(w.height || 0), bottom + 8 + (unplaced.length ? this.flow.offsetHeight + 12 : 0));
      this.body.style.width = `${width}px`;
      this.body.style.height = `${height}px`;
      if (this.modal) this.placeModal(w, width, height);
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
      for (const c of this.controls.values()) if (c.destroy) c.destroy();
      (this.layer || this.el).remove();
    }
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

    place(c) {
      const s = this.el.style;
      if (c.width > 0 && c.height > 0) {
        s.left = `${px(c.x)}px`;
        s.top = `${py(c.y)}px`;
        s.width = `${px(c.width)}px`;
        s.height = `${py(c.height)}px`;
      } else {
        this.el.classList.add('unplaced');
      }
      this.el.hidden = !c.visible;
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
        this.act({ op: 'key', key });
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
  class GridView extends ControlView {
    constructor(win, name, c) {
      const head = h('div', { class: 'grid-head' });
      const spacer = h('div', { class: 'grid-spacer' });
      const rowsLayer = h('div', { class: 'grid-rows' });
      const viewport = h('div', { class: 'grid-viewport' }, spacer, rowsLayer);
      const summary = h('div', { class: 'grid-summary' });
      super(win, name, h('div', { class: 'grid', tabindex: '0', role: 'grid' },
        h('div', { class: 'grid-headwrap' }, head), viewport, summary));
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

      viewport.addEventListener('scroll', () => {
        head.style.transform = `translateX(${-viewport.scrollLeft}px)`;
        this.schedule();
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
      head.addEventListener('click', () => this.act({ op: 'grid', action: 'click', band: 'header' }));
      summary.addEventListener('click', () => this.act({ op: 'grid', action: 'click', band: 'summary' }));
      this.el.addEventListener('keydown', (e) => this.onKey(e));
    }

    onKey(e) {
      if (e.altKey || e.ctrlKey) return;
      const inCell = e.target.tagName === 'INPUT';
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
      for (const col of cols) col.px = columnWidth(col);
      return cols;
    }

    update(c) {
      this.place(c);
      this.state = c;
      const key = JSON.stringify([c.dataobject, c.columns, c.computed, c.texts, c.readonly]);
      if (key !== this.layoutKey) {
        this.layoutKey = key;
        this.cols = this.buildColumns(c);
        this.drawHead();
        this.invalidate();
      }
      this.editable = !c.readonly && c.enabled;
      this.el.classList.toggle('readonly', !!c.readonly);
      this.el.classList.toggle('disabled', !c.enabled);
      this.selected = new Set(c.selected || []);
      const width = this.cols.reduce((s, col) => s + col.px, 0);
      this.spacer.style.height = `${c.rowcount * ROW_HEIGHT}px`;
      this.spacer.style.width = `${width}px`;
      this.rowsLayer.style.width = `${width}px`;
      this.drawSummaryLabels(c);
      if (c.row && c.row !== this.lastRow) this.scrollToRow(c.row);
      this.lastRow = c.row;
      this.draw();
    }

    drawHead() {
      this.head.replaceChildren(...this.cols.map((col) => h('div', {
        class: `grid-cell head ${alignOf(col)}`, style: `width:${col.px}px`, title: col.heading || '', text: col.heading || '',
      })));
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
        const cell = h('div', { class: `grid-cell ${alignOf(col)}`, style: `width:${col.px}px`, 'data-column': col.name || '' });
        if (editing && col.editable) {
          const input = h('input', { class: 'grid-input', value: text, 'data-column': col.name });
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
    if (w && !w.modal) {
      for (const b of document.querySelectorAll('.menu-top')) {
        const item = menuItems().find((i) => i.name === b.dataset.item);
        if (item && accelerator(item.text) === physical && !b.disabled) {
          e.preventDefault();
          b.click();
          return;
        }
      }
    }
  });

  document.addEventListener('click', (e) => {
    if (!e.target.closest('.menu-drop') && !e.target.closest('.menu-top')) closeMenus();
  });
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape' && document.querySelector('.menu-drop')) {
      e.preventDefault();
      closeMenus();
    }
  });
  window.addEventListener('resize', () => {
    for (const v of app.views.values()) {
      if (v.modal && v.state) v.update(v.state);
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
