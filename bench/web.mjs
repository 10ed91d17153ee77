// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The web page's speed in real browsers, side by side with the floor page (bench/floor.html: the
// same canvas, only cleared every animation frame): frames per second while the markers spin, the
// CPU time of the browser and all its processes per frame, and the time from opening the file to
// the first picture on the canvas. Each round opens both pages in each browser, alternating which
// goes first, so that the load of the moment weighs on both alike.
// Usage: node bench/web.mjs PAGE FLOOR RUNS WARMUP_SECONDS MEASURE_SECONDS BROWSER...
import puppeteer from 'puppeteer-core';
import {execFileSync} from 'node:child_process';
import {mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';
import {openWebKit, withPreamble} from '../tests/web/webkit.mjs';

const [pagePath, floorPath, runs, warmup, measure, ...browsers] = process.argv.slice(2);
const PAGES = {page: resolve(pagePath), floor: resolve(floorPath)};
const TICKS_PER_SECOND = Number(execFileSync('getconf', ['CLK_TCK'], {encoding: 'utf8'}));

const LAUNCH = {
  chromium: {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--no-first-run'],
  },
  // Firefox has WebGL here only with a display: the caller's.
  firefox: {browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false},
  // WebKitGTK's MiniBrowser under its WebDriver server, on the caller's display: openWebKit.
};

// Runs in the page before its own scripts: every animation frame is counted once it has run;
// until one has left a lit pixel, the canvas is read back.
function countFrames() {
  const request = window.requestAnimationFrame.bind(window);
  const bench = window.planviewBench = {frames: 0, firstPicture: null};
  window.requestAnimationFrame = callback => request(time => {
    callback(time);
    bench.frames++;
    if (bench.firstPicture !== null) return;
    const canvas = document.getElementById('canvas');
    // The page's own context; what it reads is whatever the page draws into.
    const gl = canvas.getContext('webgl2') ?? canvas.getContext('webgl');
    const rgba = new Uint8Array(canvas.width * canvas.height * 4);
    gl.readPixels(0, 0, canvas.width, canvas.height, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
    if (rgba.some((v, i) => i % 4 !== 3 && v !== 0)) bench.firstPicture = performance.now();
  });
}

// CPU seconds used so far by a process and all its descendants that are still running.
function cpuSeconds(root) {
  const stats = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      // The fields after the command's closing parenthesis: state, parent, ... user, system.
      const text = readFileSync(`/proc/${name}/stat`, 'utf8');
      const f = text.slice(text.lastIndexOf(')') + 2).split(' ');
      stats.set(Number(name), {parent: Number(f[1]), ticks: Number(f[11]) + Number(f[12])});
    } catch {
      // gone meanwhile
    }
  }
  const inTree = pid => pid === root || (stats.has(pid) && pid > 1 && inTree(stats.get(pid).parent));
  let ticks = 0;
  for (const [pid, s] of stats) if (inTree(pid)) ticks += s.ticks;
  return ticks / TICKS_PER_SECOND;
}

const sleep = seconds => new Promise(done => setTimeout(done, seconds * 1000));

// Waits until a browser that has just started is done starting: until its processes together used
// less than a twentieth of a core over the last second, or for at most 20 s. Its start (a
// GPU process coming up, profile files written) would otherwise be timed as part of the first
// picture, whichever page is opened, by as much as a second more or less from run to run.
async function settled(pid) {
  const end = Date.now() + 20000;
  for (let before = cpuSeconds(pid); Date.now() < end;) {
    await sleep(1);
    const now = cpuSeconds(pid);
    if (now - before < 0.05) return;
    before = now;
  }
}

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Opens the page in WebKit with countFrames ahead of its scripts (its driver has no way to run a
// script before a page's own: the file opened is a copy with it put in), and gives what run needs.
async function openInWebKit(path, profile) {
  const webkit = await openWebKit();
  const copy = join(profile, 'page.html');
  writeFileSync(copy, withPreamble(readFileSync(path, 'utf8'), `(${countFrames})()`));
  await webkit.call('POST', '/window/rect', {x: 0, y: 0, width: 1100, height: 1000});
  await settled(webkit.pid);
  await webkit.call('POST', '/url', {url: pathToFileURL(copy).href});
  return {pid: webkit.pid, evaluate: webkit.evaluate, version: `WebKitGTK ${webkit.version}`,
          close: webkit.close};
}

async function openInPuppeteer(kind, path, profile) {
  const browser = await puppeteer.launch({...LAUNCH[kind], userDataDir: profile});
  const page = await browser.newPage();
  await page.setViewport({width: 1100, height: 1000});
  await page.evaluateOnNewDocument(countFrames);
  await settled(browser.process().pid);
  await page.goto(pathToFileURL(path).href);
  return {pid: browser.process().pid, evaluate: expression => page.evaluate(expression),
          version: await browser.version(), close: () => browser.close()};
}

async function run(kind, path) {
  const profile = mkdtempSync(join(tmpdir(), 'planview-bench-'));
  const browser = kind === 'webkit' ? await openInWebKit(path, profile)
                                    : await openInPuppeteer(kind, path, profile);
  try {
    const {pid, evaluate} = browser;
    for (const end = Date.now() + 30000; await evaluate('planviewBench.firstPicture === null');) {
      if (Date.now() > end) throw new Error(`${kind}: no picture after 30 s`);
      await sleep(0.05);
    }
    await sleep(Number(warmup));
    const count = async () => [...await evaluate('[planviewBench.frames, performance.now()]'),
                               cpuSeconds(pid)];
    const [frames0, t0, cpu0] = await count();
    await sleep(Number(measure));
    const [frames1, t1, cpu1] = await count();
    const frames = frames1 - frames0;
    return {fps: frames / ((t1 - t0) / 1000), cpu: (cpu1 - cpu0) * 1000 / frames,
            firstPicture: await evaluate('planviewBench.firstPicture'), version: browser.version};
  } finally {
    await browser.close();
    rmSync(profile, {recursive: true, force: true});
  }
}

const results = {};
for (const kind of browsers) results[kind] = {page: [], floor: []};
for (let i = 0; i < Number(runs); ++i) {
  for (const kind of browsers) {
    const order = i % 2 === 0 ? ['page', 'floor'] : ['floor', 'page'];
    for (const which of order) {
      const r = await run(kind, PAGES[which]);
      results[kind][which].push(r);
      console.log(`${kind} ${which} run ${i + 1}: ${r.fps.toFixed(1)} frames/s, ` +
                  `${r.cpu.toFixed(1)} CPU ms/frame, first picture after ` +
                  `${r.firstPicture.toFixed(0)} ms (${r.version})`);
    }
  }
}

const row = cells => console.log(`| ${cells.join(' | ')} |`);
console.log(`\nMedians of ${runs} interleaved runs:\n`);
row(['browser', 'page frames/s', 'floor frames/s', 'ratio', 'page CPU ms/frame',
     'floor CPU ms/frame', 'ratio', 'page first picture', 'floor first picture', 'later by']);
row(['---', ...Array(9).fill('---:')]);
for (const kind of browsers) {
  const m = which => key => median(results[kind][which].map(r => r[key]));
  const page = m('page'), floor = m('floor');
  row([kind, page('fps').toFixed(1), floor('fps').toFixed(1),
       (page('fps') / floor('fps')).toFixed(2), page('cpu').toFixed(1), floor('cpu').toFixed(1),
       `${(page('cpu') / floor('cpu')).toFixed(2)}×`, `${page('firstPicture').toFixed(0)} ms`,
       `${floor('firstPicture').toFixed(0)} ms`,
       `${(page('firstPicture') - floor('firstPicture')).toFixed(0)} ms`]);
}
