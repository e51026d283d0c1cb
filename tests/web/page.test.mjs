// The whole game in the browser page, played in Chromium: its pictures,
// sound, keys, mouse and storage against the desktop game's.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { dist, launch, open, picture, scratch, serve, sim, simBinary, sleep } from './harness.mjs';

let server, browser, game;
before(async () => { server = await serve(); browser = await launch(); game = await open(browser, server.url); });
after(async () => { assert.deepEqual(game.errors, []); await browser?.close(); server?.close(); });
const titleShown = () => game.until('the title', () => game.logged('mci play sa1'));

// The sim's pictures at these moments, decoded by the browser as the page's are.
async function simPictures(times) {
  const dir = sim([...times.flatMap((ms) => ['--shot', `${ms}:@/${ms}.png`]), '--until', String(Math.max(...times) + 1)]);
  const shots = await Promise.all(times.map((ms) => picture(game.page, fs.readFileSync(`${dir}/${ms}.png`, 'base64'), 320)));
  return new Set(shots.map((s) => s.pixels));
}

test('the loading picture and the title are the desktop game\'s, sharp at a whole scale', async () => {
  await game.until('the loading screen', () => game.logged('bgm/opening.mid'));
  const loading = await game.presented();
  assert.equal(await game.logged('mci play sa1'), undefined, 'the loading screen was gone before it was read');
  console.log(`# the title ${await titleShown()} ms after navigation`);
  const title = await game.shown();
  assert.ok(title.sharp && title.scale === 2, 'every pixel one 2 x 2 square in an 800 x 600 window');
  assert.ok((await simPictures([600])).has(loading), 'the loading picture differs from the sim\'s');
  // The title's hint pulses: the picture is one of the sim's steps.
  assert.ok((await simPictures(Array.from({ length: 72 }, (_, i) => 1110 + 25 * i))).has(title.pixels));
  // F4: the browser's full screen; leaving it the browser's way leaves the game's full window too.
  await game.tap('F4');
  await game.until('full screen', () => game.page.evaluate(() => document.fullscreenElement?.id === 'page'));
  assert.notEqual((await game.state()).displayHandle, 0);
  await game.page.evaluate(() => document.exitFullscreen());
  await game.until('the window again', async () => (await game.state()).displayHandle === 0);
  const bytes = ['index.html', 'quillmoor.js', 'quillmoor.wasm', 'quillmoor.data']
    .reduce((sum, f) => sum + fs.statSync(path.join(dist, f)).size, 0);
  console.log(`# the page downloads ${bytes} bytes`);
  assert.ok(bytes <= 6e6, `the page downloads ${bytes} bytes`);
});

const mono = (s) => Float64Array.from({ length: s.length >> 1 }, (_, i) => (s[2 * i] + s[2 * i + 1]) / 2);
const rms = (a) => Math.sqrt(a.reduce((sum, v) => sum + v * v, 0) / a.length);
function correlation(a, b, offset, step = 1) {
  let ab = 0, aa = 0, bb = 0;
  for (let i = 0; i < a.length; i += step) ab += a[i] * b[offset + i], aa += a[i] ** 2, bb += b[offset + i] ** 2;
  return ab / Math.sqrt(aa * bb);
}

test('the title\'s music in the page is the native render\'s: correlated, and as loud within 1 dB', async () => {
  const playAt = await titleShown();
  await game.page.mouse.click(5, 5);  // the browser starts the sound at the first click
  const listenAt = await game.page.evaluate(() => (Module._qm_listen(3 * 44100), performance.now()));
  await game.until('three seconds of sound', () => game.page.evaluate(() => Module._qm_heard_frames() === 3 * 44100), 15000);
  const heard = mono(await game.page.evaluate(() => Array.from(Module.HEAP16.subarray(Module._qm_heard() >> 1, (Module._qm_heard() >> 1) + 6 * 44100))));
  const dir = sim(['--audio', '@/title.wav', '--log', '@/log.txt', '--until', '12000']);
  const simPlay = Number(fs.readFileSync(`${dir}/log.txt`, 'utf8').split('\n').find((l) => l.includes('mci play sa1')).split(' ')[0]);
  const wav = fs.readFileSync(`${dir}/title.wav`);
  const native = mono(new Int16Array(wav.buffer.slice(wav.byteOffset + 44, wav.byteOffset + wav.length)));
  // Where the page was in the piece when it began to listen: the best match
  // between the piece's start and a second after the play command's time
  // (the browser may hold the sound back until the click; the device renders
  // ahead of the clock).
  const start = Math.round(simPlay / 1000 * 44100), latest = Math.round((simPlay + listenAt - playAt + 1000) / 1000 * 44100);
  let best = { offset: 0, r: -1 };
  // The match is a few frames wide: every fourth place, then each one around the best.
  for (const [from, to, step, sample] of [[start, latest, 4, 16], [-4, 4, 1, 1]]) {
    const base = step === 1 ? best.offset : 0;
    for (let o = Math.max(0, base + from); o < base + to; o += step) {
      const r = correlation(heard, native, o, sample);
      if (r > best.r) best = { offset: o, r };
    }
  }
  const db = 20 * Math.log10(rms(heard) / rms(native.subarray(best.offset, best.offset + heard.length)));
  console.log(`# page against native: correlation ${best.r.toFixed(3)}, ${db.toFixed(2)} dB`);
  assert.ok(rms(heard) > 300 && best.r > 0.9 && Math.abs(db) <= 1, `correlation ${best.r}, ${db} dB`);
});

test('Enter, Enter, arrows, Space, Shift and P play a game at its frame rate; it verifies natively', async () => {
  const ship = async () => (await game.state()).chr[0];
  await titleShown();
  await game.tap('Enter');
  await game.until('the stage banner', async () => (await game.state()).titleActive === 0);
  await sleep(500);  // it fades in before it waits for Enter
  await game.tap('Enter');
  await game.until('play', async () => (await game.logged('mci play sa2')) && (await game.state()).measuredFps > 0);
  const start = await ship();
  await game.tap('ArrowLeft', 500);
  await game.tap('ArrowUp', 300);
  const moved = await ship();
  assert.ok(moved.x < start.x && moved.y < start.y, `the ship from ${start.x},${start.y} to ${moved.x},${moved.y}`);
  await game.page.keyboard.down('Space');  // MANUAL: it fires while Space is held
  await game.until('a shot', async () => (await game.state()).sht.some((s) => s.kind === 1), 3000);
  await game.page.keyboard.up('Space');
  await game.tap('Shift');
  assert.equal((await game.state()).fireMode, 1, 'Shift: AUTO');
  // The regulator counts whole frames a quarter second (steps of 4) and lets
  // the rate be within 10 of its target: the middle count is the target's step.
  const target = (await game.state()).targetFps, rates = [];
  for (let i = 0; i < 12; ++i) rates.push((await game.state()).measuredFps), await sleep(250);
  console.log(`# measuredFps ${rates.join(' ')} (target ${target})`);
  assert.ok(Math.abs(rates.sort((a, b) => a - b)[6] - target) <= 4, `measured ${rates} against ${target}`);
  await game.tap('p');
  const paused = await game.state();
  await sleep(500);
  assert.ok(paused.pauseState !== 0 && (await game.state()).scrollY === paused.scrollY, 'P stops the frames');
  await game.tap('p');
  await game.until('play again', async () => (await game.state()).scrollY !== paused.scrollY, 3000);
  await game.tap('F2');  // abandons the game; its recording is kept
  await game.until('the title again', () => game.logged('mci play sa1', 2));
  const file = path.join(scratch(), 'last.qmr');
  fs.writeFileSync(file, await game.readFile('/persist/last.qmr'));
  // Status 0: the same game, frame for frame, on another compiler and machine.
  execFileSync(simBinary, ['--dir', path.resolve(simBinary, '../..'), '--replay', file, '--verify'], { stdio: 'pipe' });
});

test('S, a click on Hard and on O K set the level, which a reload keeps', async () => {
  assert.equal((await game.state()).enemySlots, 12);
  await game.tap('s');
  await game.until('the options window', () => game.logged('window created "Option"'));
  // On the page's desktop the window lies centred over the game: its client area at (60, 30).
  const box = await (await game.page.$('#canvas')).boundingBox(), scale = box.width / 320;
  for (const [x, y] of [[80, 122], [40, 162]])  // Hard, O K
    await game.page.mouse.click(box.x + (60 + x + 0.5) * scale, box.y + (30 + y + 0.5) * scale, { delay: 80 });
  await game.until('the window closed', () => game.logged('window destroyed "Option"'));
  assert.equal((await game.state()).enemySlots, 20);
  // Escape closes the game, which saves; on the closed screen a key plays again.
  await game.tap('Escape');
  await game.until('the closed screen', () => game.logged('window destroyed "Quillmoor'));
  await Promise.all([game.page.waitForNavigation(), game.tap('Enter')]);
  await game.until('the game again', () => game.page.evaluate(() => !!(globalThis.Module && Module.calledRun)));
  await titleShown();
  assert.equal((await game.state()).enemySlots, 20);
  assert.equal((await game.readFile('/persist/quillmoor.ini')).toString().split('\r\n')[5], '20', 'the level, sixth line');
});
