// What the page's tests share: the page served from build-web/dist, Debian's
// Chromium driven by puppeteer-core, the game read through the page's test
// hooks (its state and event log, between whole frames), pictures compared
// as the browser decodes them, and quillmoor-sim run beside it.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const here = path.dirname(new URL(import.meta.url).pathname);
export const source = path.resolve(here, '../..');
export const dist = process.env.QM_WEB_DIST || path.join(source, 'build-web/dist');
export const simBinary = process.env.QM_SIM || path.join(source, 'build/quillmoor-sim');
export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
export const scratch = () => fs.mkdtempSync(path.join(os.tmpdir(), 'qm-web-'));

// A plain static server, as any host would be: no special headers.
export async function serve() {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
  const server = http.createServer((req, res) => {
    const file = path.join(dist, decodeURIComponent(req.url.split('?')[0]).replace(/\/$/, '/index.html'));
    fs.readFile(file, (error, bytes) => error || !file.startsWith(dist) ? res.writeHead(404).end()
      : res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' }).end(bytes));
  });
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

// The closed network refuses Chromium's own connections: none are made.
export const launch = () => puppeteer.launch({
  executablePath: process.env.QM_CHROMIUM || '/usr/bin/chromium', headless: 'new', userDataDir: scratch(),
  args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run', '--window-size=800,600'],
});

// The game in a page: its hooks, and every error the page reports.
export async function open(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  const game = { page, errors: [] };
  page.on('pageerror', (e) => game.errors.push(e.message));
  const call = (fn) => page.evaluate((f) => Module.UTF8ToString(Module[f]()), fn);
  Object.assign(game, {
    state: async () => JSON.parse(await call('_qm_state')),
    log: async () => (await call('_qm_log')).split('\n').filter(Boolean),
    // The time of the first log line holding `text` (page milliseconds), or undefined.
    logged: async (text, nth = 1) => Number((await game.log()).filter((l) => l.includes(text))[nth - 1]?.split(' ')[0]) || undefined,
    // A key held as a player holds it: the game polls keys between frames.
    tap: async (key, ms = 150) => { await page.keyboard.down(key); await sleep(ms); await page.keyboard.up(key); },
    until: async (what, test, ms = 20000) => {
      for (const end = Date.now() + ms; Date.now() < end; await sleep(50)) {
        const value = await test().catch(() => undefined);
        if (value) return value;
      }
      throw new Error(`the page never showed ${what}`);
    },
    readFile: async (file) => Buffer.from(await page.evaluate((f) => Array.from(Module.FS.readFile(f)), file)),
    // The picture the page last put into the canvas, read at once (a
    // screenshot takes up to a second here, longer than the loading screen lasts).
    presented: () => page.evaluate(() => base64(new Uint8Array(Module.HEAPU8.buffer, Module._qm_canvas(), 4 * 76800))),
    // What the canvas shows on screen, at its scale: the same form, and whether every pixel is one square.
    shown: async () => picture(page, (await (await page.$('#canvas')).screenshot({ encoding: 'base64' })), 320),
  });
  await page.evaluateOnNewDocument(() => {
    globalThis.base64 = (bytes) => {
      let text = '';
      for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
      return btoa(text);
    };
  });
  await page.goto(url);
  await game.until('the game running', () => page.evaluate(() => !!(globalThis.Module && Module.calledRun)));
  return game;
}

// A PNG decoded by the browser and brought to `width` pixels across (taking
// the top-left of each square): 0x00RRGGBB a pixel, in base64, as presented() gives.
export const picture = (page, png, width) => page.evaluate(async (png, width) => {
  const image = new Image();
  image.src = `data:image/png;base64,${png}`;
  await image.decode();
  const context = new OffscreenCanvas(image.width, image.height).getContext('2d');
  context.drawImage(image, 0, 0);
  const rgba = context.getImageData(0, 0, image.width, image.height).data, scale = image.width / width;
  const out = new Uint8Array(4 * width * (image.height / scale));
  let sharp = Number.isInteger(scale);
  for (let i = 0; i < out.length / 4; ++i) {
    const at = (dx, dy) => 4 * ((Math.floor(i / width) * scale + dy) * image.width + (i % width) * scale + dx);
    out.set([rgba[at(0, 0) + 2], rgba[at(0, 0) + 1], rgba[at(0, 0)], 0], 4 * i);
    for (const c of [0, 1, 2]) if (rgba[at(scale - 1, scale - 1) + c] !== rgba[at(0, 0) + c]) sharp = false;
  }
  return { pixels: base64(out), scale, sharp };
}, png, width);

// quillmoor-sim in a scratch folder ('@' in the arguments); returns the folder.
export function sim(args) {
  const dir = scratch();
  try {
    execFileSync(simBinary, ['--dir', source, '--exe', `${dir}/qm`, ...args.map((a) => a.replaceAll('@', dir))], { stdio: 'pipe' });
  } catch (e) {
    if (e.status !== 2) throw e;  // --until ends it with 2
  }
  return dir;
}
