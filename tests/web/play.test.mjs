// A game played in the page with the keys: the ship moves and fires, the
// game pauses and the frame rate holds; its recording, read out of the
// page's storage, plays frame for frame in the native quillmoor-sim.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { launch, open, serve, simBinary, sleep } from './harness.mjs';

let server, browser, game;
before(async () => { server = await serve(); browser = await launch(); game = await open(browser, server.url); });
after(async () => { await browser?.close(); server?.close(); });

const ship = async () => (await game.state()).chr[0];
const playerShots = async () => (await game.state()).sht.filter((s) => s.kind === 1).length;

test('Enter, Enter, arrows, Space, Shift and P play a game at its frame rate, and it verifies natively', async () => {
  await game.until('the title', () => game.logged('mci play sa1'));
  await game.tap('Enter');
  await game.until('the stage banner', async () => (await game.state()).titleActive === 0);
  await sleep(500);  // it fades in before it waits for Enter
  await game.tap('Enter');
  await game.until('play', () => game.logged('mci play sa2'));
  await game.until('frames counted', async () => (await game.state()).measuredFps > 0);

  const start = await ship();
  await game.tap('ArrowLeft', 500);
  await game.tap('ArrowUp', 300);
  const moved = await ship();
  assert.ok(moved.x < start.x && moved.y < start.y, `the ship went from ${start.x},${start.y} to ${moved.x},${moved.y}`);

  await game.page.keyboard.down('Space');  // MANUAL: fire while held
  const fired = await game.until('a shot', async () => (await playerShots()) > 0, 3000);
  await game.page.keyboard.up('Space');
  assert.ok(fired);
  await game.tap('Shift');  // AUTO
  assert.equal((await game.state()).fireMode, 1);

  // The regulator's count, every quarter second, stays at the target.
  const target = (await game.state()).targetFps, rates = [];
  for (let i = 0; i < 12; ++i) rates.push((await game.state()).measuredFps), await sleep(250);
  // It counts whole frames in a quarter second (steps of 4): the middle of the counts.
  const middle = [...rates].sort((a, b) => a - b)[rates.length >> 1];
  console.log(`# measuredFps ${rates.join(' ')} (target ${target})`);
  assert.ok(Math.abs(middle - target) <= 2, `measured ${rates} against ${target}`);

  await game.tap('p');
  const paused = await game.state();
  await sleep(500);
  assert.ok(paused.pauseState !== 0 && (await game.state()).scrollY === paused.scrollY, 'P stops the frames');
  await game.tap('p');
  await game.until('play again', async () => (await game.state()).scrollY !== paused.scrollY, 3000);

  await game.tap('F2');  // abandons the game; its recording is kept
  await game.until('the title again', () => game.logged('mci play sa1').then(async () => (await game.log()).filter((l) => l.includes('mci play sa1')).length === 2));
  const recording = await game.readFile('/persist/last.qmr');
  const file = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'qm-replay-')), 'last.qmr');
  fs.writeFileSync(file, recording);
  // Status 0: the same game, frame for frame, on another compiler and machine.
  execFileSync(simBinary, ['--replay', file, '--verify'], { cwd: path.dirname(simBinary) + '/..', stdio: 'pipe' });
  assert.deepEqual(game.errors, []);
});
