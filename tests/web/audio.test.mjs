// The page's own mixer during the title: music, and the same music as the
// native build renders for the same span (the page plays a recording of
// what the synthesiser makes of the piece).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { after, before, test } from 'node:test';
import { launch, open, serve, sim, sleep } from './harness.mjs';

let server, browser, game;
before(async () => { server = await serve(); browser = await launch(); game = await open(browser, server.url); });
after(async () => { await browser?.close(); server?.close(); });

const mono = (stereo) => Float64Array.from({ length: stereo.length >> 1 }, (_, i) => (stereo[2 * i] + stereo[2 * i + 1]) / 2);
const rms = (a) => Math.sqrt(a.reduce((s, v) => s + v * v, 0) / a.length);
function correlation(a, b, offset, step = 1) {
  let ab = 0, aa = 0, bb = 0;
  for (let i = 0; i < a.length; i += step) ab += a[i] * b[offset + i], aa += a[i] * a[i], bb += b[offset + i] ** 2;
  return ab / Math.sqrt(aa * bb);
}

test('the title\'s music in the page is the native render\'s: correlated, and as loud within 1 dB', async () => {
  const playAt = await game.until('the title', () => game.logged('mci play sa1'));
  await game.page.mouse.click(5, 5);  // the browser starts the sound at the first click
  const listenAt = await game.page.evaluate(() => (Module._qm_listen(3 * 44100), performance.now()));
  await game.until('three seconds of sound', () => game.page.evaluate(() => Module._qm_heard_frames() === 3 * 44100), 15000);
  const heard = mono(await game.page.evaluate(() => Array.from(Module.HEAP16.subarray(Module._qm_heard() >> 1, (Module._qm_heard() >> 1) + 6 * 44100))));

  const dir = sim(['--audio', '@/title.wav', '--log', '@/log.txt', '--until', '12000']);
  const simPlay = Number(fs.readFileSync(`${dir}/log.txt`, 'utf8').split('\n').find((l) => l.includes('mci play sa1')).split(' ')[0]);
  const wav = fs.readFileSync(`${dir}/title.wav`);
  const native = mono(new Int16Array(wav.buffer.slice(wav.byteOffset + 44, wav.byteOffset + wav.length)));

  // Where the page was in the piece when it began to listen, found by the
  // best match near the expected place (the device renders ahead of the clock).
  const expected = Math.round((simPlay + listenAt - playAt) / 1000 * 44100);
  let best = { offset: 0, r: -1 };
  for (let o = Math.max(0, expected - 44100); o < expected + 44100; o += 16) {
    const r = correlation(heard, native, o, 8);
    if (r > best.r) best = { offset: o, r };
  }
  for (let o = best.offset - 16; o <= best.offset + 16; ++o) {
    const r = correlation(heard, native, o);
    if (r > best.r) best = { offset: o, r };
  }
  const span = native.subarray(best.offset, best.offset + heard.length);
  const db = 20 * Math.log10(rms(heard) / rms(span));
  console.log(`# page vs native: correlation ${best.r.toFixed(3)}, ${db.toFixed(2)} dB, ${best.offset - expected} frames from the expected place`);
  assert.ok(rms(heard) > 300, 'the page is silent');
  assert.ok(best.r > 0.9 && Math.abs(db) <= 1, `correlation ${best.r}, ${db} dB`);
  assert.deepEqual(game.errors, []);
});
