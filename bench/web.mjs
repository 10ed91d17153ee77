// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The web page's speed in real browsers, side by side with the floor page (bench/floor.html: the
// same canvas, only cleared every animation frame): frames per second while the markers spin, the
// CPU time of the browser and all its processes per frame, and the time from opening the file to
// the first picture on the canvas. Then, with the spin stopped (two spaces) and no input, the
// page's share of a core beside the static page's (bench/static.html: the same canvas and no
// script), which is what a page that asks for no frames costs. Each round opens the three pages
// in each browser, alternating their order, so that the load of the moment weighs on all alike.
// Usage: node bench/web.mjs PAGE FLOOR RUNS WARMUP_SECONDS MEASURE_SECONDS BROWSER...
import puppeteer from 'puppeteer-core';
import {mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';
import {openWebKit, withPreamble} from '../tests/web/webkit.mjs';

const [pagePath, floorPath, runs, warmup, measure, ...browsers] = process.argv.slice(2);
const PAGES = {page: resolve(pagePath), floor: resolve(floorPath),
               static: fileURLToPath(new URL('static.html', import.meta.url))};

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

// CPU seconds used so far by each thread of a process and its descendants (a browser's tabs run
// in child processes), to the nanosecond, as the scheduler counts them: clock ticks, a hundredth
// of a second each, are too coarse for a page at rest.
function threadSeconds(root) {
  const parents = new Map(), threads = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const text = readFileSync(`/proc/${name}/stat`, 'utf8');
      parents.set(Number(name), Number(text.slice(text.lastIndexOf(')') + 2).split(' ')[1]));
      const own = new Map();
      for (const task of readdirSync(`/proc/${name}/task`))
        own.set(task, Number(readFileSync(`/proc/${name}/task/${task}/schedstat`, 'utf8')
                               .split(' ')[0]) / 1e9);
      threads.set(Number(name), own);
    } catch {
      // gone meanwhile
    }
  }
  const inTree = pid => pid === root || (parents.has(pid) && pid > 1 && inTree(parents.get(pid)));
  const seconds = new Map();
  for (const [pid, own] of threads) if (inTree(pid)) for (const [t, s] of own) seconds.set(t, s);
  return seconds;
}

// CPU seconds used since `before` (threadSeconds) by the threads there now.
const cpuSince = (before, root) =>
  [...threadSeconds(root)].reduce((sum, [t, s]) => sum + s - (before.get(t) ?? 0), 0);

const sleep = seconds => new Promise(done => setTimeout(done, seconds * 1000));

// Waits until a browser that has just started is done starting: until its processes together used
// less than a twentieth of a core over the last second, or for at most 20 s. Its start (a
// GPU process coming up, profile files written) would otherwise be timed as part of the first
// picture, whichever page is opened, by as much as a second more or less from run to run.
async function settled(pid) {
  const end = Date.now() + 20000;
  while (Date.now() < end) {
    const before = threadSeconds(pid);
    await sleep(1);
    if (cpuSince(before, pid) < 0.05) return;
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
  const space = {type: 'key', id: 'keyboard', actions: [{type: 'keyDown', value: ' '},
                                                       {type: 'keyUp', value: ' '}]};
  return {pid: webkit.pid, evaluate: webkit.evaluate, version: `WebKitGTK ${webkit.version}`,
          space: () => webkit.call('POST', '/actions', {actions: [space]}), close: webkit.close};
}

async function openInPuppeteer(kind, path, profile) {
  const browser = await puppeteer.launch({...LAUNCH[kind], userDataDir: profile});
  const page = await browser.newPage();
  await page.setViewport({width: 1100, height: 1000});
  await page.evaluateOnNewDocument(countFrames);
  await settled(browser.process().pid);
  await page.goto(pathToFileURL(path).href);
  return {pid: browser.process().pid, evaluate: expression => page.evaluate(expression),
          version: await browser.version(), space: () => page.keyboard.press(' '),
          close: () => browser.close()};
}

// The page's and the floor's frame rate and CPU time a frame, while drawing every frame; the
// page's and the static page's share of a core at rest, and their frames a second then.
async function run(kind, which) {
  const profile = mkdtempSync(join(tmpdir(), 'planview-bench-'));
  const browser = kind === 'webkit' ? await openInWebKit(PAGES[which], profile)
                                    : await openInPuppeteer(kind, PAGES[which], profile);
  try {
    const {pid, evaluate} = browser;
    const count = () => evaluate('[planviewBench.frames, performance.now()]');
    // Frames a second and CPU seconds a second over MEASURE seconds after WARMUP seconds.
    const measured = async () => {
      await sleep(Number(warmup));
      const [frames0, t0] = await count();
      const threads = threadSeconds(pid);
      await sleep(Number(measure));
      const cpu = cpuSince(threads, pid);
      const [frames1, t1] = await count();
      const seconds = (t1 - t0) / 1000;
      return {fps: (frames1 - frames0) / seconds, share: cpu / seconds};
    };
    const r = {version: browser.version};
    if (which === 'static') {
      // As long after opening as the page is measured at rest: first a browser's start-up work
      // winds down.
      await sleep(Number(warmup) + Number(measure));
      r.restShare = (await measured()).share;
      return r;
    }
    for (const end = Date.now() + 30000; await evaluate('planviewBench.firstPicture === null');) {
      if (Date.now() > end) throw new Error(`${kind}: no picture after 30 s`);
      await sleep(0.05);
    }
    const drawing = await measured();
    Object.assign(r, {fps: drawing.fps, cpu: drawing.share * 1000 / drawing.fps,
                      firstPicture: await evaluate('planviewBench.firstPicture')});
    if (which === 'page') {
      // From start-up the first space only sets the spin's flag; the second stops the spin.
      await browser.space();
      await browser.space();
      const rest = await measured();
      Object.assign(r, {restShare: rest.share, restFps: rest.fps});
    }
    return r;
  } finally {
    await browser.close();
    rmSync(profile, {recursive: true, force: true});
  }
}

const percent = share => `${(share * 100).toFixed(2)}%`;
const results = {};
for (const kind of browsers) results[kind] = {page: [], floor: [], static: []};
for (let i = 0; i < Number(runs); ++i) {
  for (const kind of browsers) {
    const order = i % 2 === 0 ? ['page', 'floor', 'static'] : ['static', 'floor', 'page'];
    for (const which of order) {
      const r = await run(kind, which);
      results[kind][which].push(r);
      const drawing = which === 'static' ? '' : `${r.fps.toFixed(1)} frames/s, ` +
        `${r.cpu.toFixed(1)} CPU ms/frame, first picture after ${r.firstPicture.toFixed(0)} ms`;
      const frames = which === 'page' ? `, ${r.restFps.toFixed(1)} frames/s` : '';
      const rest = which === 'floor' ? ''
                                     : `${drawing && '; '}at rest ${percent(r.restShare)} of a core${frames}`;
      console.log(`${kind} ${which} run ${i + 1}: ${drawing}${rest} (${r.version})`);
    }
  }
}

const row = cells => console.log(`| ${cells.join(' | ')} |`);
console.log(`\nMedians of ${runs} interleaved runs, drawing every frame:\n`);
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

console.log(`\nAt rest (the page's spin stopped, no input), shares of one core, medians of ${runs}:\n`);
row(['browser', 'page at rest', 'static page', 'difference', 'page frames/s at rest']);
row(['---', ...Array(4).fill('---:')]);
for (const kind of browsers) {
  const m = (which, key) => median(results[kind][which].map(r => r[key]));
  // The difference of each round's pair, so that a round's load weighs on both sides.
  const difference = median(results[kind].page.map((r, i) =>
    r.restShare - results[kind].static[i].restShare));
  row([kind, percent(m('page', 'restShare')), percent(m('static', 'restShare')),
       `${difference >= 0 ? '+' : ''}${percent(difference)}`, m('page', 'restFps').toFixed(1)]);
}
