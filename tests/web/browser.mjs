// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Opens the web build's page from disk in a browser and drives it with real input, one command a
// line on stdin, one answer a line on stdout ("ok" and a JSON value, or "error" and why):
//   key NAME [shift] [control] [alt]   press a key, named as X names it (space, Left, d)
//   move X Y | down B | up B           the mouse, in canvas pixels; B is left, middle or right
//   touch start X Y                    a finger down, in canvas pixels; fingers count from 0
//   touch move X Y N | touch end N     finger N
//   shot PATH                          the canvas as shown, as a PNG
//   viewport W H SCALE [touch] [mobile] the window's inner size, pixel ratio, touch screen and a
//                                      phone's handling of the page's viewport and zoom
//   eval EXPRESSION                    the value of a JavaScript expression in the page
//   hide | show                        a second tab in front of the page, or gone again
//   console [clear] | pid              what the page logged or threw so far (then forgotten with
//                                      "clear"); the browser's pid
// Usage: node browser.mjs chromium|chromium-webgl1|firefox|firefox-headless PAGE [served]
// "served": the page comes from a web server on loopback that has that one file and nothing else.
import puppeteer from 'puppeteer-core';
import {createServer} from 'node:http';
import {createInterface} from 'node:readline';
import {mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';

const [kind, pagePath, how] = process.argv.slice(2);
let url = pathToFileURL(resolve(pagePath)).href, server = null;
if (how === 'served') {
  server = createServer((request, response) => {
    const found = request.url === '/planview.html';
    response.writeHead(found ? 200 : 404, {'Content-Type': 'text/html'});
    response.end(found ? readFileSync(pagePath) : '');
  });
  await new Promise(done => server.listen(0, '127.0.0.1', done));
  url = `http://127.0.0.1:${server.address().port}/planview.html`;
}
const profile = mkdtempSync(join(tmpdir(), 'planview-browser-'));
const browser = await puppeteer.launch(kind.startsWith('chromium') ? {
  executablePath: '/usr/bin/chromium',
  headless: true,
  userDataDir: profile,
  // WebGL on the CPU; no network of the browser's own (updates, sync, first-run pages).
  args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
         '--disable-background-networking', '--disable-component-update', '--disable-sync',
         '--no-first-run', ...(kind === 'chromium-webgl1' ? ['--disable-webgl2'] : [])],
} : {
  browser: 'firefox',
  executablePath: '/usr/bin/firefox-esr',
  // Firefox has WebGL here only with a display (the caller's DISPLAY).
  headless: kind === 'firefox-headless',
  userDataDir: profile,
});
const closeAll = async () => {
  await browser.close().catch(() => {});
  server?.close();
  rmSync(profile, {recursive: true, force: true});
};
process.on('SIGTERM', () => closeAll().then(() => process.exit(0)));

const page = await browser.newPage();
const logged = [];
page.on('console', m => logged.push(`console.${m.type()}: ${m.text()}`));
page.on('pageerror', e => logged.push(`page error: ${e.message}`));
await page.setViewport({width: 1100, height: 1000});
await page.goto(url);

// Canvas pixel to page point, through the canvas's CSS size and place.
const toPage = async (x, y) => {
  const r = await page.evaluate(() => {
    const c = document.getElementById('canvas'), b = c.getBoundingClientRect();
    return {x: b.left, y: b.top, s: b.width / c.width};
  });
  return [r.x + x * r.s, r.y + y * r.s];
};
// X's key names where the browsers' differ.
const KEYS = {space: ' ', Left: 'ArrowLeft', Right: 'ArrowRight', Up: 'ArrowUp', Down: 'ArrowDown',
              Return: 'Enter', Prior: 'PageUp', Next: 'PageDown', BackSpace: 'Backspace'};
const MODIFIERS = {shift: 'Shift', control: 'Control', alt: 'Alt'};
let cover = null;
const fingers = [];

const commands = {
  async key(name, ...mods) {
    for (const m of mods) await page.keyboard.down(MODIFIERS[m]);
    // A shifted letter comes as a capital, as from a real keyboard.
    const k = KEYS[name] ?? name;
    await page.keyboard.press(mods.includes('shift') && k.length === 1 ? k.toUpperCase() : k);
    for (const m of mods.reverse()) await page.keyboard.up(MODIFIERS[m]);
  },
  async move(x, y) { await page.mouse.move(...await toPage(+x, +y)); },
  async down(b) { await page.mouse.down({button: b}); },
  async up(b) { await page.mouse.up({button: b}); },
  async touch(what, ...args) {
    if (what === 'end') return fingers[+args[0]].end();
    const [px, py] = await toPage(+args[0], +args[1]);
    if (what === 'start') fingers.push(await page.touchscreen.touchStart(px, py));
    else await fingers[+args[2]].move(px, py);
  },
  async shot(path) { await (await page.$('#canvas')).screenshot({path}); },
  async viewport(w, h, scale, ...how) {
    await page.setViewport({width: +w, height: +h, deviceScaleFactor: +scale,
                            hasTouch: how.includes('touch'), isMobile: how.includes('mobile')});
  },
  async eval(...words) { return page.evaluate(words.join(' ')); },
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
};

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
