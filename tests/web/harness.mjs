// What the page's tests share: the page served from build-web/dist, Debian's
// Chromium driven by puppeteer-core, the game read through the page's test
// hooks (its state and event log, between whole frames), the canvas read
// back from a screenshot, and quillmoor-sim run beside it.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import puppeteer from 'puppeteer-core';

const here = path.dirname(new URL(import.meta.url).pathname);
export const source = path.resolve(here, '../..');
export const dist = process.env.QM_WEB_DIST || path.join(source, 'build-web/dist');
export const simBinary = process.env.QM_SIM || path.join(source, 'build/quillmoor-sim');
export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };

// A plain static server, as any host would be: no special headers.
export async function serve() {
  const server = http.createServer((req, res) => {
    const file = path.join(dist, decodeURIComponent(req.url.split('?')[0]).replace(/\/$/, '/index.html'));
    fs.readFile(file, (error, bytes) => {
      if (error || !file.startsWith(dist)) return res.writeHead(404).end();
      res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
      res.end(bytes);
    });
  });
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

// The closed network refuses Chromium's own connections: none are made.
export function launch(profile = fs.mkdtempSync(path.join(os.tmpdir(), 'qm-chromium-'))) {
  return puppeteer.launch({
    executablePath: process.env.QM_CHROMIUM || '/usr/bin/chromium',
    headless: 'new',
    userDataDir: profile,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run', '--window-size=800,600'],
  });
}

// A page of the game with its hooks (a new one at url, or a page that has
// just loaded it again); errors on the page fail the test that reads them.
export async function open(browser, url, page) {
  if (!page) {
    page = await browser.newPage();
    await page.setViewport({ width: 800, height: 600 });
    await page.goto(url);
  }
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  const call = (fn) => page.evaluate((f) => Module.UTF8ToString(Module[f]()), fn);
  const game = {
    page, errors,
    state: async () => JSON.parse(await call('_qm_state')),
    log: async () => (await call('_qm_log')).split('\n').filter(Boolean),
    // A key held as a player holds it: the game polls keys between frames.
    tap: async (key, ms = 150) => { await page.keyboard.down(key); await sleep(ms); await page.keyboard.up(key); },
    until: async (what, test, ms = 20000) => {
      for (const end = Date.now() + ms; Date.now() < end; await sleep(50)) {
        const value = await test().catch(() => undefined);
        if (value) return value;
      }
      throw new Error(`the page never showed ${what}`);
    },
    // The time of the log line holding `text`, or undefined.
    logged: async (text) => { const line = (await game.log()).find((l) => l.includes(text)); return line && Number(line.split(' ')[0]); },
    readFile: (file) => page.evaluate((f) => Array.from(Module.FS.readFile(f)), file).then((a) => Buffer.from(a)),
    canvas: () => canvasPicture(page),
    // The picture the page last put into the canvas, read at once (a
    // screenshot takes up to a second here, longer than the loading screen lasts).
    presented: () => page.evaluate(() => Array.from(Module.HEAPU32.subarray(Module._qm_canvas() >> 2, (Module._qm_canvas() >> 2) + 76800))).then((a) => ({ pixels: Uint32Array.from(a) })),
  };
  await game.until('the game running', () => page.evaluate(() => typeof Module !== 'undefined' && !!Module._qm_log && Module.calledRun));
  return game;
}

// What the canvas shows, as 320 x 240 pixels 0xRRGGBB, from a screenshot of
// it at its scale; `sharp` says whether every picture pixel is one square.
export async function canvasPicture(page) {
  const shot = decodePng(await (await page.$('#canvas')).screenshot({ type: 'png' }));
  const scale = shot.width / 320;
  const pixels = new Uint32Array(320 * 240);
  let sharp = Number.isInteger(scale) && shot.height === 240 * scale;
  for (let y = 0; y < 240; ++y) {
    for (let x = 0; x < 320; ++x) {
      const at = (dx, dy) => shot.pixels[(y * scale + dy) * shot.width + x * scale + dx];
      pixels[y * 320 + x] = at(0, 0);
      if (at(scale - 1, scale - 1) !== at(0, 0) || at(scale - 1, 0) !== at(0, 0)) sharp = false;
    }
  }
  return { pixels, scale, sharp };
}

// A PNG (8-bit RGB or RGBA, not interlaced) as pixels 0xRRGGBB.
export function decodePng(bytes) {
  let width = 0, height = 0, channels = 0;
  const data = [];
  for (let at = 8; at < bytes.length;) {
    const size = bytes.readUInt32BE(at), type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + size);
    if (type === 'IHDR') [width, height, channels] = [body.readUInt32BE(0), body.readUInt32BE(4), body[9] === 6 ? 4 : 3];
    if (type === 'IDAT') data.push(body);
    at += 12 + size;
  }
  const raw = zlib.inflateSync(Buffer.concat(data)), stride = width * channels;
  const rows = [], pixels = new Uint32Array(width * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)], row = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    const up = rows[y - 1] || Buffer.alloc(stride);
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? row[i - channels] : 0, b = up[i], c = i >= channels ? up[i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      row[i] += [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
    }
    rows.push(row);
    for (let x = 0; x < width; ++x) pixels[y * width + x] = (row[x * channels] << 16) | (row[x * channels + 1] << 8) | row[x * channels + 2];
  }
  return { width, height, pixels };
}

// quillmoor-sim in a scratch folder of its own; returns that folder.
export function sim(args) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'qm-sim-'));
  try {
    execFileSync(simBinary, ['--dir', source, '--exe', path.join(dir, 'qm'), ...args.map((a) => a.replaceAll('@', dir))], { stdio: 'pipe' });
  } catch (e) {
    if (e.status === null) throw e;
    Object.assign(e, { dir });
    if (e.status !== 2) throw e;  // --until ends it with 2
  }
  return dir;
}
