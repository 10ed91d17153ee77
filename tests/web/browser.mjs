// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Opens the web build's page from disk in a browser and drives it with real input, one command a
// line on stdin, one answer a line on stdout ("ok" and a JSON value, or "error" and why):
//   key NAME [shift] [control] [alt]   press a key, named as X names it (space, Left, d)
//   move X Y | down B | up B           the mouse, in window pixels; B is left, middle or right
//   touch start X Y                    a finger down, in window pixels; fingers count from 0
//   touch move X Y N | touch end N     finger N
//   shot PATH                          the canvas as shown, as a PNG; or, from WebKit, where it
//                                      is on the X display: [x, y, width, height]
//   viewport W H SCALE [touch] [mobile] the window's inner size, pixel ratio, touch screen and a
//                                      phone's handling of the page's viewport and zoom; answers
//                                      once the page is laid out for them
//   eval EXPRESSION                    the value of a JavaScript expression in the page (one
//                                      expression: WebKit's driver takes no statements)
//   hide | show                        a second tab in front of the page (WebKit: its window
//                                      unmapped), or gone again
//   console [clear] | pid              what the page logged or threw so far (then forgotten with
//                                      "clear"); the browser's pid
//   axe                                axe-core's violations on the page as it is now, each as
//                                      "rule: element, ..." (not in WebKit); the page's policy
//                                      holds axe out, so the driver puts it in
// Usage: node browser.mjs KIND PAGE [served], KIND one of chromium, chromium-webgl1,
// chromium-nowebgl, firefox, firefox-headless, webkit.
// "served": the page comes from a web server on loopback that has that one file and nothing else.
// WebKit's mouse is real X input (xdotool) on the caller's display: its driver's right button
// arrives with its release as the left one's, and the page's held-button state goes wrong.
import puppeteer from 'puppeteer-core';
import {execFile} from 'node:child_process';
import {createServer} from 'node:http';
import {createInterface} from 'node:readline';
import {mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';
import {openWebKit, withPreamble} from './webkit.mjs';

const [kind, pagePath, how] = process.argv.slice(2);
const profile = mkdtempSync(join(tmpdir(), 'planview-browser-'));
// WebKit's driver keeps no console: a script ahead of the page's keeps what it logs and throws,
// and counts the mouse events it sees, for X input to wait on.
function keepWatch() {
  const kept = window.planviewConsole = [];
  for (const type of ['log', 'info', 'warn', 'error', 'debug']) {
    const original = console[type].bind(console);
    console[type] = (...args) => (kept.push(`console.${type}: ${args.join(' ')}`), original(...args));
  }
  addEventListener('error', e => kept.push(`page error: ${e.message}`));
  addEventListener('unhandledrejection', e => kept.push(`page error: ${e.reason}`));
  document.addEventListener('securitypolicyviolation',
                            e => kept.push(`refused: ${e.blockedURI} (${e.violatedDirective})`));
  document.currentScript.remove();  // the page's own head as it was
  // Pointer events too: a page that cancels a pointerdown gets no mousedown or mouseup for it.
  const seen = window.planviewSeen = {move: 0, down: 0, up: 0, x: 0, y: 0};
  for (const [kind, types] of [['move', ['mousemove', 'pointermove']],
                               ['down', ['mousedown', 'pointerdown']],
                               ['up', ['mouseup', 'pointerup']]])
    for (const type of types)
      addEventListener(type, e => Object.assign(seen, {[kind]: seen[kind] + 1,
        x: Math.round(e.clientX), y: Math.round(e.clientY)}), true);
}
const html = kind === 'webkit' ? withPreamble(readFileSync(pagePath, 'utf8'), `(${keepWatch})()`)
                               : readFileSync(pagePath);
let url = pathToFileURL(resolve(pagePath)).href, server = null;
if (kind === 'webkit') {
  writeFileSync(join(profile, 'planview.html'), html);
  url = pathToFileURL(join(profile, 'planview.html')).href;
}
if (how === 'served') {
  server = createServer((request, response) => {
    const found = request.url === '/planview.html';
    response.writeHead(found ? 200 : 404, {'Content-Type': 'text/html'});
    response.end(found ? html : '');
  });
  await new Promise(done => server.listen(0, '127.0.0.1', done));
  url = `http://127.0.0.1:${server.address().port}/planview.html`;
}
// X's key names where the browsers' differ.
const KEYS = {space: ' ', Left: 'ArrowLeft', Right: 'ArrowRight', Up: 'ArrowUp', Down: 'ArrowDown',
              Return: 'Enter', Prior: 'PageUp', Next: 'PageDown', BackSpace: 'Backspace'};
const MODIFIERS = {shift: 'Shift', control: 'Control', alt: 'Alt'};
// A shifted letter comes as a capital, as from a real keyboard.
const keyName = (name, mods) => {
  const k = KEYS[name] ?? name;
  return mods.includes('shift') && k.length === 1 ? k.toUpperCase() : k;
};
// Window pixel (the program's window is 1000 pixels wide, whatever the canvas's size and
// buffer), whole or not, to page point, through the canvas's CSS size and place; a point meant to
// be a whole page pixel stays one, whatever the division leaves in the last bits.
const WINDOW_WIDTH = 1000;
const toPage = async (evaluate, x, y) => {
  const r = await evaluate(`(c => (b => ({x: b.left, y: b.top, s: b.width / ${WINDOW_WIDTH}}))(
    c.getBoundingClientRect()))(document.getElementById('canvas'))`);
  return [r.x + x * r.s, r.y + y * r.s].map(v => Math.round(v * 1e6) / 1e6);
};

// Resolves once the page has had a rendering update, in which a browser hands it the resize events
// of a new window size and the page lays itself out for it.
const LAID_OUT = 'new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)))';

const commands = kind === 'webkit' ? await webkitCommands() : await puppeteerCommands();
const closeAll = async () => {
  await commands.close();
  server?.close();
  rmSync(profile, {recursive: true, force: true});
};
process.on('SIGTERM', () => closeAll().then(() => process.exit(0)));

async function puppeteerCommands() {
  const browser = await puppeteer.launch(kind.startsWith('chromium') ? {
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    // WebGL on the CPU; no network of the browser's own (updates, sync, first-run pages).
    args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--no-first-run', ...(kind === 'chromium-webgl1' ? ['--disable-webgl2'] : []),
           ...(kind === 'chromium-nowebgl' ? ['--disable-webgl'] : [])],
  } : {
    browser: 'firefox',
    executablePath: '/usr/bin/firefox-esr',
    // Firefox has WebGL here only with a display (the caller's DISPLAY).
    headless: kind === 'firefox-headless',
    userDataDir: profile,
  });
  const page = await browser.newPage();
  const logged = [];
  page.on('console', m => logged.push(`console.${m.type()}: ${m.text()}`));
  page.on('pageerror', e => logged.push(`page error: ${e.message}`));
  await page.setViewport({width: 1100, height: 1000});
  await page.goto(url);
  const evaluate = expression => page.evaluate(expression);
  let cover = null;
  const fingers = [];
  return {
    async key(name, ...mods) {
      for (const m of mods) await page.keyboard.down(MODIFIERS[m]);
      await page.keyboard.press(keyName(name, mods));
      for (const m of mods.reverse()) await page.keyboard.up(MODIFIERS[m]);
    },
    async move(x, y) { await page.mouse.move(...await toPage(evaluate, +x, +y)); },
    async down(b) { await page.mouse.down({button: b}); },
    async up(b) { await page.mouse.up({button: b}); },
    async touch(what, ...args) {
      if (what === 'end') return fingers[+args[0]].end();
      const [px, py] = await toPage(evaluate, +args[0], +args[1]);
      if (what === 'start') fingers.push(await page.touchscreen.touchStart(px, py));
      else await fingers[+args[2]].move(px, py);
    },
    async shot(path) { await (await page.$('#canvas')).screenshot({path}); },
    async viewport(w, h, scale, ...how) {
      await page.setViewport({width: +w, height: +h, deviceScaleFactor: +scale,
                              hasTouch: how.includes('touch'), isMobile: how.includes('mobile')});
      await evaluate(LAID_OUT);
    },
    async eval(...words) { return evaluate(words.join(' ')); },
    async hide() {
      cover = await browser.newPage();
      await cover.bringToFront();
    },
    async show() {
      await cover.close();
      await page.bringToFront();
    },
    async console(clear) {
      const seen = [...logged];
      if (clear === 'clear') logged.length = 0;
      return seen;
    },
    async pid() { return browser.process().pid; },
    async axe() {
      await page.evaluate((await import('axe-core')).default.source);
      return page.evaluate(async () => (await window.axe.run(document, {
        resultTypes: ['violations']})).violations.map(v => `${v.id}: ${
        v.nodes.map(n => n.target.join(' ')).join(', ')}`));
    },
    close: () => browser.close().catch(() => {}),
  };
}

// WebDriver's names of the keys that are not characters.
const WEBDRIVER_KEYS = {ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014',
                        ArrowDown: '\uE015', Enter: '\uE007', Escape: '\uE00C', Home: '\uE011',
                        End: '\uE010', PageUp: '\uE00E', PageDown: '\uE00F', Insert: '\uE016',
                        Backspace: '\uE003', Delete: '\uE017', Tab: '\uE004', Shift: '\uE008',
                        Control: '\uE009', Alt: '\uE00A'};
const X_BUTTONS = {left: 1, middle: 2, right: 3};

async function webkitCommands() {
  const webkit = await openWebKit();
  const {evaluate, call} = webkit;
  await call('POST', '/window/rect', {x: 0, y: 0, width: 1100, height: 1000});
  await call('POST', '/url', {url});
  const xdotool = (...args) => new Promise((done, fail) =>
    execFile('xdotool', args.map(String), (e, out) => e ? fail(e) : done(out.trim())));
  const until = async (expression, what) => {
    for (let tries = 0; !(await evaluate(expression)); ++tries) {
      if (tries > 600) throw new Error(`the page never saw ${what}`);
      await new Promise(done => setTimeout(done, 10));
    }
  };
  // X input, once the page has seen it.
  const seen = type => evaluate(`planviewSeen.${type}`);
  const pointer = {x: -1, y: -1};
  const moveTo = async (x, y) => {
    if (x === pointer.x && y === pointer.y) return;  // a move to where it is makes no event
    await xdotool('mousemove', x + origin.x, y + origin.y);
    await until(`planviewSeen.x === ${x} && planviewSeen.y === ${y}`, `a move to ${x}, ${y}`);
    Object.assign(pointer, {x, y});
  };
  const click = async (b, type) => {
    const before = await seen(type);
    await xdotool(`mouse${type}`, X_BUTTONS[b]);
    await until(`planviewSeen.${type} > ${before}`, `a button ${type}`);
  };
  // Where the page's (0, 0) is on the display: past the browser's toolbar.
  const origin = {x: 0, y: 0};
  await xdotool('mousemove', 300, 300);
  await until('planviewSeen.move > 0', 'the pointer');
  Object.assign(origin, await evaluate('({x: 300 - planviewSeen.x, y: 300 - planviewSeen.y})'));
  Object.assign(pointer, {x: 300 - origin.x, y: 300 - origin.y});
  let windows = [];
  return {
    async key(name, ...mods) {
      const keys = [...mods.map(m => MODIFIERS[m]), keyName(name, mods)]
        .map(k => WEBDRIVER_KEYS[k] ?? k);
      await call('POST', '/actions', {actions: [{type: 'key', id: 'keyboard', actions: [
        ...keys.map(value => ({type: 'keyDown', value})),
        ...keys.reverse().map(value => ({type: 'keyUp', value}))]}]});
    },
    async move(x, y) { await moveTo(...(await toPage(evaluate, +x, +y)).map(Math.round)); },
    down: b => click(b, 'down'),
    up: b => click(b, 'up'),
    async touch() { throw new Error('WebKitGTK gives the page no touch events here'); },
    // The canvas's place on the display, for the caller to read: the driver's screenshots take
    // about a second each here, and its element screenshots come with their top rows black.
    async shot() {
      const [x, y, w, h] = await evaluate(`(b => [b.left, b.top, b.width, b.height])(
        document.getElementById('canvas').getBoundingClientRect())`);
      return [x + origin.x, y + origin.y, w, h];
    },
    async viewport(w, h, scale) {
      if (+scale !== 1) throw new Error('WebKitGTK here has one device pixel a page pixel');
      const toolbar = await evaluate('outerHeight - innerHeight');
      await call('POST', '/window/rect', {width: +w, height: +h + toolbar});
      await until(`innerWidth === ${+w} && innerHeight === ${+h}`, `a ${w} x ${h} window`);
      await evaluate(LAID_OUT);
    },
    async eval(...words) { return evaluate(words.join(' ')); },
    // A window with no window manager to minimise it: unmapped, as when minimised.
    async hide() {
      windows = (await xdotool('search', '--onlyvisible', '--class', 'MiniBrowser')).split('\n');
      for (const w of windows) await xdotool('windowunmap', '--sync', w);
      await until(`document.visibilityState === 'hidden'`, 'itself hidden');
    },
    async show() {
      for (const w of windows) await xdotool('windowmap', '--sync', w);
      await until(`document.visibilityState === 'visible'`, 'itself shown');
    },
    async console(clear) {
      return evaluate(clear === 'clear' ? 'planviewConsole.splice(0)' : 'planviewConsole');
    },
    async pid() { return webkit.pid; },
    async axe() { throw new Error('axe runs in Chromium and Firefox only'); },
    close: webkit.close,
  };
}

console.log('ok "ready"');
for await (const line of createInterface({input: process.stdin})) {
  const [name, ...args] = line.trim().split(/\s+/);
  try {
    if (!commands[name]) throw new Error(`no command ${name}`);
    console.log(`ok ${JSON.stringify((await commands[name](...args)) ?? null)}`);
  } catch (e) {
    console.log(`error ${String(e.message).split('\n')[0]}`);
  }
}
await closeAll();
