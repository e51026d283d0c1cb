// The options window in the page: S opens it over the game, the mouse's
// clicks land on its controls, and what it set outlives a reload.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch, open, serve } from './harness.mjs';

let server, browser, game;
before(async () => { server = await serve(); browser = await launch(); game = await open(browser, server.url); });
after(async () => { await browser?.close(); server?.close(); });

// A click at a point of the options window's client area. On the page's
// desktop the window lies centred over the main window: its client area
// starts at (60, 30) of the canvas.
async function clickOption(x, y) {
  const box = await (await game.page.$('#canvas')).boundingBox();
  const scale = box.width / 320;
  await game.page.mouse.click(box.x + (60 + x + 0.5) * scale, box.y + (30 + y + 0.5) * scale, { delay: 80 });
}

test('S, a click on Hard and on O K set the level, which a reload keeps', async () => {
  await game.until('the title', () => game.logged('mci play sa1'));
  assert.equal((await game.state()).enemySlots, 12);
  await game.tap('s');
  await game.until('the options window', () => game.logged('window created "Option"'));
  await clickOption(80, 122);  // Hard
  await clickOption(40, 162);  // O K
  await game.until('the window closed', () => game.logged('window destroyed "Option"'));
  assert.equal((await game.state()).enemySlots, 20);

  // Escape closes the game, which saves; the closed screen's key plays again.
  await game.tap('Escape');
  await game.until('the settings saved', () => game.logged('settings written'));
  await game.until('the closed screen', () => game.logged('window destroyed "Quillmoor'));
  const reloaded = game.page.waitForNavigation();
  await game.tap('Enter');
  await reloaded;
  const again = await open(browser, null, game.page);
  await again.until('the title', () => again.logged('mci play sa1'));
  assert.equal((await again.state()).enemySlots, 20);
  assert.equal((await again.readFile('/persist/quillmoor.ini')).toString().split('\r\n')[5], '20', 'the level, sixth line');
  assert.deepEqual([...game.errors, ...again.errors], []);
});
