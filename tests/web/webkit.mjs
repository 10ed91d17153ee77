// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// WebKit, as WebKitGTK's MiniBrowser under its WebDriver server (WebDriver is HTTP and JSON: a
// client of a few lines over fetch, with no package to pin), on the caller's X display.
import {spawn} from 'node:child_process';
import {createServer} from 'node:net';

export const DRIVER = '/usr/bin/WebKitWebDriver';
const MINIBROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// A port no one listens on now, for the driver to take.
const freePort = () => new Promise(done => {
  const probe = createServer().listen(0, '127.0.0.1', () => {
    const {port} = probe.address();
    probe.close(() => done(port));
  });
});

// Starts the driver and a MiniBrowser session; `call(method, path, body)` is a command of the
// session, answering its value or throwing its message.
export async function openWebKit() {
  const port = await freePort();
  const driver = spawn(DRIVER, [`--port=${port}`], {stdio: 'ignore'});
  const request = async (method, path, body) => {
    const response = await fetch(`http://127.0.0.1:${port}${path}`, {
      method, headers: {'Content-Type': 'application/json'},
      body: body === undefined ? undefined : JSON.stringify(body)});
    const {value} = await response.json();
    if (!response.ok) throw new Error(`${value.error}: ${value.message}`);
    return value;
  };
  let session = null;
  // The driver answers once it listens.
  for (let tries = 0; !session; ++tries) {
    try {
      session = await request('POST', '/session', {capabilities: {alwaysMatch: {
        'webkitgtk:browserOptions': {binary: MINIBROWSER, args: ['--automation']}}}});
    } catch (e) {
      if (tries > 300 || e.cause?.code !== 'ECONNREFUSED') throw e;
      await new Promise(done => setTimeout(done, 100));
    }
  }
  const call = (method, path, body) =>
    request(method, `/session/${session.sessionId}${path}`, body);
  return {
    call,
    version: session.capabilities.browserVersion,
    pid: driver.pid,
    // The value of a JavaScript expression, a promise's once settled, in the page's own world.
    evaluate: expression => call('POST', '/execute/async', {args: [], script:
      `const done = arguments[0];
       Promise.resolve().then(() => (${expression})).then(
         v => done({v: v === undefined ? null : v}), e => done({e: String(e)}));`})
      .then(r => { if ('e' in r) throw new Error(r.e); return r.v; }),
    close: async () => {
      await call('DELETE', '').catch(() => {});
      driver.kill();
    },
  };
}

// The page's text with a script that runs before any of its own, put ahead of everything in its
// head (so ahead of any policy the page sets for its scripts).
export const withPreamble = (html, script) =>
  html.replace(/<head>/i, `<head><script>${script}</script>`);
