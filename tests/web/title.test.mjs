// The page loads and shows the desktop game's loading picture and title,
// pixel for pixel, sharp at a whole scale; what it downloads stays small.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { decodePng, dist, launch, open, serve, sim } from './harness.mjs';

let server, browser, game;
before(async () => { server = await serve(); browser = await launch(); game = await open(browser, server.url); });
after(async () => { await browser?.close(); server?.close(); });

// The sim's pictures of the title: one for each step of its pulsing hint.
function simPictures(times) {
  const dir = sim([...times.flatMap((ms) => ['--shot', `${ms}:@/${ms}.png`]), '--until', String(Math.max(...times) + 1)]);
  return new Set(times.map((ms) => Buffer.from(decodePng(fs.readFileSync(`${dir}/${ms}.png`)).pixels.buffer).toString('base64')));
}
const key = (picture) => Buffer.from(picture.pixels.buffer).toString('base64');

test('the loading picture and the title are the desktop game\'s, sharp at a whole scale', async () => {
  await game.until('the loading screen', () => game.logged('bgm/opening.mid'));
  const loading = await game.presented();
  assert.equal(await game.logged('mci play sa1'), undefined, 'the loading screen was gone before it was read');
  const title = await game.until('the title', async () => (await game.logged('mci play sa1')) && game.canvas());
  const titleAt = await game.logged('mci play sa1');
  console.log(`# the title ${titleAt} ms after navigation; the canvas at ${title.scale}x`);
  assert.ok(title.sharp && title.scale === 2, 'every pixel one 2 x 2 square in an 800 x 600 window');
  assert.ok(simPictures([600]).has(key(loading)), 'the loading picture differs from the sim\'s');
  const pulse = Array.from({ length: 72 }, (_, i) => 1110 + 25 * i);
  assert.ok(simPictures(pulse).has(key(title)), 'the title differs from every step of the sim\'s');
  assert.deepEqual(game.errors, []);
});

test('the page downloads at most 6 MB before compression', () => {
  const bytes = ['index.html', 'quillmoor.js', 'quillmoor.wasm', 'quillmoor.data']
    .map((f) => fs.statSync(path.join(dist, f)).size).reduce((a, b) => a + b);
  console.log(`# the page downloads ${bytes} bytes`);
  assert.ok(bytes <= 6 * 1024 * 1024, `${bytes} bytes`);
});
