// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The web page's speed in real browsers: frames per second while the markers spin, and the time
// from opening the file to the first picture on the canvas.
// Usage: node bench/web.mjs PAGE RUNS WARMUP_SECONDS MEASURE_SECONDS BROWSER...
import puppeteer from 'puppeteer-core';
import {mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join, resolve} from 'node:path';
import {pathToFileURL} from 'node:url';

const [pagePath, runs, warmup, measure, ...browsers] = process.argv.slice(2);
const url = pathToFileURL(resolve(pagePath)).href;

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
};

// Runs in the page before its own scripts: every pass of the program's loop is one animation
// frame, counted once it has run; until one has left a lit pixel, the canvas is read back.
function countFrames() {
  const request = window.requestAnimationFrame.bind(window);
  const bench = window.planviewBench = {frames: 0, firstPicture: null};
  window.requestAnimationFrame = callback => request(time => {
    callback(time);
    bench.frames++;
    if (bench.firstPicture !== null) return;
    const canvas = document.getElementById('canvas');
    // The program's own context; what it reads is whatever the program draws into.
    const gl = canvas.getContext('webgl2') ?? canvas.getContext('webgl');
    const rgba = new Uint8Array(canvas.width * canvas.height * 4);
    gl.readPixels(0, 0, canvas.width, canvas.height, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
    if (rgba.some((v, i) => i % 4 !== 3 && v !== 0)) bench.firstPicture = performance.now();
  });
}

const sleep = seconds => new Promise(done => setTimeout(done, seconds * 1000));
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function run(kind) {
  const profile = mkdtempSync(join(tmpdir(), 'planview-bench-'));
  const browser = await puppeteer.launch({...LAUNCH[kind], userDataDir: profile});
  try {
    const page = await browser.newPage();
    await page.setViewport({width: 1100, height: 1000});
    await page.evaluateOnNewDocument(countFrames);
    await page.goto(url);
    await page.waitForFunction(() => window.planviewBench.firstPicture !== null,
                               {timeout: 30000, polling: 50});
    await sleep(Number(warmup));
    const count = () => page.evaluate(() => [window.planviewBench.frames, performance.now()]);
    const [frames0, t0] = await count();
    await sleep(Number(measure));
    const [frames1, t1] = await count();
    const firstPicture = await page.evaluate(() => window.planviewBench.firstPicture);
    return {fps: (frames1 - frames0) / ((t1 - t0) / 1000), firstPicture,
            version: await browser.version()};
  } finally {
    await browser.close();
    rmSync(profile, {recursive: true, force: true});
  }
}

for (const kind of browsers) {
  const results = [];
  for (let i = 0; i < Number(runs); ++i) {
    const r = await run(kind);
    results.push(r);
    console.log(`${kind} run ${i + 1}: ${r.fps.toFixed(1)} frames/s, first picture after ` +
                `${r.firstPicture.toFixed(0)} ms (${r.version})`);
  }
  console.log(`${kind} median: ${median(results.map(r => r.fps)).toFixed(1)} frames/s, first ` +
              `picture after ${median(results.map(r => r.firstPicture)).toFixed(0)} ms`);
}
