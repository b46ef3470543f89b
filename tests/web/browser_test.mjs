// The page in headless Chromium: start screen with its loading bar, the particles scene,
// frame rate, grab, pause, mute, end screen and watching again, the first two scene
// changes against the sound, the music error of a missing module, and the audio pitfalls
// of other browsers emulated here, and both ways of drawing (WebGL, the 2D canvas). With --speed it
// plays the whole demo instead and prints each scene's frame rate and frame work (see
// tests/web/run.sh for its options).
//
// Usage: node browser_test.mjs <site folder> <native grab_1.bmp> <scene_table.mjs>
//        [--speed [--throttle=N] [--profile] [--display=webgl|2d]]
// scene_table.mjs is the native build's tests/web/scene_table.mjs, written from the scene
// table: the names and end positions of the scenes.
// The site is served by platform/web/serve.mjs on a free port; Chromium is Debian's, with a
// fresh profile each run.
import assert from 'assert/strict';
import fs from 'fs';
import path from 'path';
import test from 'node:test';
import { pathToFileURL } from 'url';
import { openBrowser, serve } from './page_support.mjs';
import { frameTiming, gcPerFrame, mean, meetsTargets, sceneSpans as spansOf, speedTable, startGcTrace } from './speed_run.mjs';

const [site, nativeGrab, sceneTable] = process.argv.slice(2).filter((a) => !a.startsWith('--'));
const speedRun = process.argv.includes('--speed');
const throttleOption = process.argv.find((a) => a.startsWith('--throttle='));
const throttle = throttleOption ? Number(throttleOption.slice('--throttle='.length)) : 1;
const profiled = process.argv.includes('--profile');
const displayOption = process.argv.find((a) => a.startsWith('--display='));
const displayAsked = displayOption ? displayOption.slice('--display='.length) : '';
if (!(throttle >= 1)) throw new Error(`--throttle=N wants a slowdown of 1 or more, not ${throttleOption}`);

const kGrabBytes = 393274;
const { kSceneEnds, kSceneNames } = await import(pathToFileURL(path.resolve(sceneTable)));
const sceneSpans = (orders) => spansOf(orders, kSceneEnds);

// Opens the page and waits for its start screen; `errors` collects the console's errors.
async function openPage(context, address, errors) {
  const page = await context.newPage();
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(address);
  return page;
}

const stateOf = (page) => page.evaluate(() => window.zeltoPage.state);
const readyToStart = (page) => page.waitForFunction(() => window.zeltoPage.state === 'ready', null, { timeout: 30000 });
const lastHeard = (page) => page.evaluate(() => window.zeltoPage.heard.length);
const framesShown = (page) => page.evaluate(() => window.zeltoPage.frames);

// A 24-bit bottom-up BMP's pixel at (x, y), top row 0: [red, green, blue].
function bmpPixel(bytes, x, y) {
  const width = bytes.readInt32LE(18);
  const height = bytes.readInt32LE(22);
  const rowBytes = (width * 3 + 3) & ~3;
  const at = bytes.readUInt32LE(10) + (height - 1 - y) * rowBytes + x * 3;
  return [bytes[at + 2], bytes[at + 1], bytes[at]];
}

// A picture as 512 x 256 [red, green, blue] pixels, top row first.
function bmpPicture(bytes) {
  const picture = new Uint8Array(512 * 256 * 3);
  for (let y = 0; y < 256; ++y)
    for (let x = 0; x < 512; ++x) picture.set(bmpPixel(bytes, x, y), (y * 512 + x) * 3);
  return picture;
}

// The picture as the page shows it: rows 64 to 319 of the 512 x 384 display, scaled to fit
// the viewport; each pixel is read at its centre.
async function pictureInScreenshot(page) {
  const png = (await page.screenshot()).toString('base64');
  return new Uint8Array(await page.evaluate(async (png) => {
    const shot = await createImageBitmap(await (await fetch('data:image/png;base64,' + png)).blob());
    const canvas = new OffscreenCanvas(shot.width, shot.height);
    const context = canvas.getContext('2d');
    context.drawImage(shot, 0, 0);
    const pixels = context.getImageData(0, 0, shot.width, shot.height).data;
    const scale = Math.min(shot.width / 512, shot.height / 384);
    const left = (shot.width - 512 * scale) / 2;
    const top = (shot.height - 384 * scale) / 2;
    const picture = [];
    for (let y = 0; y < 256; ++y)
      for (let x = 0; x < 512; ++x) {
        const at = (Math.floor(top + (y + 64.5) * scale) * shot.width + Math.floor(left + (x + 0.5) * scale)) * 4;
        picture.push(pixels[at], pixels[at + 1], pixels[at + 2]);
      }
    return picture;
  }, png));
}

// How well the logo band of `picture` (its top rows, where the particles scene adds the
// logo at (0, 0) before the frame's downward smear) matches the native drawing: of the
// pixels lit in either, the share within 8 of the logo smeared with the best-fitting keep
// factor (it pulses with time, so it is searched for). Placement, scale, colour order or
// orientation gone wrong fall far below 1 (swapped red and blue: 13 %); a particle crossing
// the band costs a few per cent.
const logoFile = fs.readFileSync(path.join(site, 'data/zellogo.bmp'));
const logoHeight = Math.abs(logoFile.readInt32LE(22));
const logo = bmpPicture(logoFile);  // the rows below the logo's own read as black
function logoMatchAt(picture, keep) {
  const own = Math.trunc(Math.fround(Math.fround(keep) * 65535));
  const above = Math.trunc(Math.fround((1 - Math.fround(keep)) * 65535));
  const smeared = new Uint8Array(512 * 3);
  let lit = 0;
  let close = 0;
  for (let y = 1; y < logoHeight; ++y) {
    for (let x = 0; x < 512; ++x) {
      const at = (y * 512 + x) * 3;
      let predicted = 0;
      let shown = 0;
      let near = true;
      for (let c = 0; c < 3; ++c) {
        const value = Math.min((smeared[x * 3 + c] * above + logo[at + c] * own) >>> 16, 255);
        smeared[x * 3 + c] = value;
        predicted += value;
        shown += picture[at + c];
        if (Math.abs(value - picture[at + c]) > 8) near = false;
      }
      if (predicted > 48 || shown > 48) {
        ++lit;
        if (near) ++close;
      }
    }
  }
  return lit ? close / lit : 0;
}
function logoMatch(picture) {
  let best = 0;
  let bestKeep = 0;
  for (let keep = 0.02; keep <= 0.98; keep += 0.02) {
    const match = logoMatchAt(picture, keep);
    if (match > best) [best, bestKeep] = [match, keep];
  }
  // A small keep smears far down (each row is mostly the one above), so it is refined finely.
  for (const step of [0.001, 0.00005]) {
    const around = bestKeep;
    for (let keep = around - 20 * step; keep <= around + 20 * step; keep += step) {
      const match = logoMatchAt(picture, keep);
      if (match > best) [best, bestKeep] = [match, keep];
    }
  }
  return best;
}

const { server, address } = await serve(site);
const browser = await openBrowser();
test.after(async () => { await browser.close(); server.kill(); });

if (!speedRun) {
  test('the demo: start screen, particles, 60 fps, grab, pause, mute, end screen, again', async (t) => {
    const errors = [];
    // One data file held back: the bar stops short of 100 % and the start waits for it.
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    const page = await browser.context.newPage();
    page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
    page.on('pageerror', (error) => errors.push(error.message));
    await page.route('**/data/mowt.xm', async (route) => { await held; await route.continue(); });
    await page.goto(address);
    await page.waitForFunction(() => window.zeltoPage.loaded > 1000000, null, { timeout: 30000 });
    await page.waitForTimeout(500);
    const waiting = await page.evaluate(() => ({ ...window.zeltoPage, bar: document.getElementById('loading-bar').value }));
    assert.equal(waiting.state, 'loading');
    assert.ok(waiting.bar < 1 && waiting.loaded < waiting.total, `the bar waits for the module (${waiting.loaded} of ${waiting.total})`);
    assert.ok(await page.locator('#start-button').isDisabled(), 'no start before everything arrived');
    release();
    await readyToStart(page);
    const ready = await page.evaluate(() => ({ ...window.zeltoPage, bar: document.getElementById('loading-bar').value }));
    assert.equal(ready.bar, 1);
    assert.equal(ready.loaded, ready.total);
    assert.ok(ready.total > 4000000, `the wasm, the worklet and the data are counted (${ready.total} bytes)`);
    assert.ok(await page.locator('#start-button').isEnabled());
    // Chromium here draws WebGL in software (SwiftShader): the page takes the 2D canvas. The
    // pixel routines ran once before the start.
    assert.match(ready.renderer, /SwiftShader/);
    assert.equal(await page.locator('#display').getAttribute('data-display'), '2d');
    assert.ok(ready.warmUpMilliseconds > 0, `the warm-up ran (${ready.warmUpMilliseconds} ms)`);
    // What the viewer is about to watch: the still (a real frame), its length, the warning's place.
    assert.equal(await page.locator('#still').evaluate((image) => image.complete && image.naturalWidth), 512);
    assert.match(await page.locator('#length').innerText(), /^\d+ min \d\d s$/);
    assert.equal(await page.locator('#flash-warning-slot').count(), 1);
    assert.match(await page.locator('#start').innerText(), /Space[\s\S]*pauses[\s\S]*M mutes/);
    // The manifest that lets a phone start it from the home screen, full screen, with
    // icons of the sizes it names.
    const manifest = await page.evaluate(async () => {
      const answer = await (await fetch(document.querySelector('link[rel=manifest]').href)).json();
      const icons = await Promise.all(answer.icons.map(async (icon) => {
        const bitmap = await createImageBitmap(await (await fetch(icon.src)).blob());
        return [icon.sizes, `${bitmap.width}x${bitmap.height}`];
      }));
      return { name: answer.name, display: answer.display, icons };
    });
    assert.deepEqual([manifest.name, manifest.display], ['Zelto2k', 'fullscreen']);
    assert.ok(manifest.icons.length >= 3 && manifest.icons.every(([named, real]) => named === real),
              JSON.stringify(manifest.icons));

    await page.keyboard.press(' ');
    await page.waitForTimeout(3000);
    const order = await page.evaluate(() => window.zeltoPage.orders.at(-1));
    assert.ok(order < kSceneEnds[0], `still the particles scene after 3 s (song position ${order})`);
    const onPage = await pictureInScreenshot(page);
    const download = page.waitForEvent('download');
    await page.keyboard.press('Enter');  // at once, before the particles climb into the logo
    const grab = await download;
    const shown = logoMatch(onPage);
    assert.ok(shown > 0.9, `the page shows the logo as the native frame has it (${(shown * 100).toFixed(1)} %)`);
    assert.equal(grab.suggestedFilename(), 'grab_1.bmp');
    const bytes = fs.readFileSync(await grab.path());
    assert.equal(bytes.length, kGrabBytes);
    const native = fs.readFileSync(nativeGrab);
    assert.deepEqual(bytes.subarray(0, 58), native.subarray(0, 58), 'the native grab\'s header');
    const grabbed = logoMatch(bmpPicture(bytes));
    assert.ok(grabbed > 0.9, `the grab holds the particles scene's picture (${(grabbed * 100).toFixed(1)} %)`);

    const before = await page.evaluate(() => window.zeltoPage.frames);
    await page.waitForTimeout(2000);
    const shownAt = await page.evaluate((from) => window.zeltoPage.shownAt.slice(from), before);
    const rate = shownAt.length / 2;
    const gaps = shownAt.slice(1).map((time, i) => time - shownAt[i]).sort((a, b) => a - b);
    const typical = gaps[gaps.length >> 1];
    t.diagnostic(`logo on the page ${(shown * 100).toFixed(1)} %, in the grab ${(grabbed * 100).toFixed(1)} %, ` +
                 `${rate} frames a second, median gap ${typical.toFixed(1)} ms`);
    // About 60 a second: never more (the pacing), and most frames one 60 Hz tick apart (a
    // busy machine may drop some, but not make every frame wait two ticks).
    assert.ok(rate < 63, `at most 60 frames a second (${rate})`);
    assert.ok(typical > 14 && typical < 19.5, `frames 1/60 s apart (median ${typical} ms)`);

    // Pause: no frame and no song position for a second, then both go on. Space is held
    // down: its repeat is not a second Space.
    await page.keyboard.down(' ');
    await page.keyboard.down(' ');
    await page.keyboard.up(' ');
    await page.waitForTimeout(300);
    const [pausedFrames, pausedHeard] = [await framesShown(page), await lastHeard(page)];
    await page.waitForTimeout(1000);
    assert.equal(await framesShown(page), pausedFrames, 'no frame shown in the pause');
    assert.equal(await lastHeard(page), pausedHeard, 'the song position stands still in the pause');
    await page.keyboard.press(' ');
    await page.waitForTimeout(500);
    assert.ok(await framesShown(page) > pausedFrames + 10, 'frames go on after the pause');
    assert.ok(await lastHeard(page) > pausedHeard, 'the song goes on after the pause');
    // Mute: the gain goes to 0 and back, and the song moves on meanwhile.
    await page.keyboard.press('m');
    await page.waitForFunction(() => window.zeltoPage.gain() === 0, null, { timeout: 2000 });
    const mutedHeard = await lastHeard(page);
    await page.waitForTimeout(300);
    assert.ok(await lastHeard(page) > mutedHeard, 'the music keeps its place while muted');
    await page.keyboard.press('m');
    await page.waitForFunction(() => window.zeltoPage.gain() === 1, null, { timeout: 2000 });

    await page.keyboard.press('Escape');
    await page.waitForFunction(() => window.zeltoPage.state === 'ended', null, { timeout: 5000 });
    assert.ok(await page.locator('#end').isVisible());
    assert.ok(!(await page.locator('#stage').isVisible()));
    await page.waitForFunction(() => window.zeltoPage.audioState() === 'closed', null, { timeout: 5000 });

    // Watch again: the same frames from the start, without a reload.
    await page.waitForFunction(() => !document.getElementById('again').disabled, null, { timeout: 10000 });
    await page.click('#again');
    await page.waitForTimeout(3000);
    const again = await page.evaluate(() => ({ runs: window.zeltoPage.runs, state: window.zeltoPage.state,
                                                order: window.zeltoPage.orders.at(-1) }));
    assert.deepEqual([again.runs, again.state], [2, 'running']);
    assert.ok(again.order < kSceneEnds[0], `the particles scene again (song position ${again.order})`);
    const shownAgain = logoMatch(await pictureInScreenshot(page));
    t.diagnostic(`watching again: the logo ${(shownAgain * 100).toFixed(1)} %`);
    assert.ok(shownAgain > 0.9, `the second run shows the logo as the native frame has it (${(shownAgain * 100).toFixed(1)} %)`);
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => window.zeltoPage.state === 'ended', null, { timeout: 5000 });
    assert.deepEqual(errors, [], 'no error in the console');
    await page.close();
  });

  // The page's own account of sync at the first two scene changes, all on the clock of the
  // animation frames. The worklet's report of the order reaches the page from one frame
  // period before the output plays the order's first sound to two after (the page's thread
  // may be busy with a frame when it comes). The new scene's first frame is shown after
  // that sound, and no later than its own start (the scene loads its assets before it
  // draws) and two animation frames after the report: the one the running frame waits for,
  // and its own.
  test('each scene change is shown as soon as its music is heard', { timeout: 150000 }, async (t) => {
    const errors = [];
    const page = await openPage(browser.context, address, errors);
    await readyToStart(page);
    await page.click('#start-button');
    const changes = kSceneEnds.slice(0, 2);
    await page.waitForFunction((last) => window.zeltoPage.orders.at(-1) >= last || window.zeltoPage.state !== 'running',
                               changes.at(-1), { timeout: 120000, polling: 500 });
    const { orders, shownAt, heard, work } = await page.evaluate(() => window.zeltoPage);
    const period = 1000 / 60;
    for (const order of changes) {
      const first = orders.findIndex((drawnAt) => drawnAt >= order);
      const sound = heard.find((position) => position.order === order && position.row === 0);
      assert.ok(first > 0 && sound, `order ${order}: shown at frame ${first}, heard ${JSON.stringify(sound)}`);
      const reported = sound.reportedAt - sound.at, shown = shownAt[first] - sound.at;
      t.diagnostic(`order ${order}: reported ${reported.toFixed(1)} ms and its first frame shown ${shown.toFixed(1)} ms ` +
                   `after its sound; the scene's start took ${work[first].toFixed(1)} ms`);
      assert.ok(reported >= -period && reported <= 2 * period, `order ${order}: reported ${reported.toFixed(1)} ms from its sound`);
      assert.ok(shown >= 0 && shown - reported - work[first] <= 2 * period,
                `order ${order}: shown ${shown.toFixed(1)} ms after its sound`);
    }
    assert.deepEqual(errors, []);
    await page.close();
  });

  // Waits until the picture stands (paused), then checks it stays so for a moment.
  async function expectPictureWaits(page, what) {
    await page.waitForFunction(() => window.zeltoPage.paused, null, { timeout: 2000 });
    await page.waitForTimeout(300);
    const stoppedAt = await framesShown(page);
    await page.waitForTimeout(400);
    assert.equal(await framesShown(page), stoppedAt, `the picture waits: ${what}`);
    return stoppedAt;
  }

  async function expectPictureGoesOn(page, from, what) {
    await page.waitForFunction(() => !window.zeltoPage.paused, null, { timeout: 3000 });
    await page.waitForTimeout(400);
    assert.ok(await framesShown(page) > from + 10, `frames go on: ${what}`);
  }

  test('the pitfalls of phones and other browsers, emulated', async () => {
    const errors = [];
    const page = await browser.context.newPage();
    page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
    page.on('pageerror', (error) => errors.push(error.message));
    await page.addInitScript(() => {
      // No outputLatency, no element full screen (iPhone), an audio session whose type
      // the page should set, and a record of when the context is made and resumed against
      // the page's click handlers.
      delete AudioContext.prototype.outputLatency;
      delete Element.prototype.requestFullscreen;
      delete Element.prototype.webkitRequestFullscreen;
      Object.defineProperty(navigator, 'audioSession', { value: { type: 'auto' }, configurable: true });
      const calls = (window.recordedCalls = []);
      const Original = window.AudioContext;
      window.AudioContext = class extends Original {
        constructor(...options) { calls.push('make context'); super(...options); }
        resume() { calls.push('resume'); return super.resume(); }
      };
      const listen = EventTarget.prototype.addEventListener;
      EventTarget.prototype.addEventListener = function (type, listener, ...rest) {
        if (type !== 'click' || typeof listener !== 'function') return listen.call(this, type, listener, ...rest);
        return listen.call(this, type, function (...args) {
          calls.push('handler in');
          try { return listener.apply(this, args); } finally { calls.push('handler out'); }
        }, ...rest);
      };
    });
    await page.goto(address);
    await readyToStart(page);
    await page.click('#start-button');
    await page.waitForTimeout(2000);
    const calls = await page.evaluate(() => window.recordedCalls);
    const made = calls.indexOf('make context');
    assert.deepEqual(calls.slice(made - 1, made + 3), ['handler in', 'make context', 'resume', 'handler out'],
                     `the context is made and resumed within the click handler itself (${calls.join(', ')})`);
    assert.equal(await page.evaluate(() => navigator.audioSession.type), 'playback');
    const heard = await page.evaluate(() => window.zeltoPage.heard);
    assert.ok(heard.length > 8, `positions are reported without outputLatency (${heard.length})`);
    assert.ok(heard.every(({ order, row, at }) => Number.isInteger(order) && Number.isInteger(row) && Number.isFinite(at)),
              'every song position is a whole number, heard at a finite time');
    assert.equal(await stateOf(page), 'running');
    // Without element full screen the stage covers the viewport.
    assert.ok(await page.evaluate(() => document.documentElement.classList.contains('covering')));
    const stage = await page.locator('#stage').boundingBox();
    assert.deepEqual([stage.x, stage.y, stage.width, stage.height], [0, 0, 1024, 768]);

    // A tap on the picture pauses and goes on.
    await page.mouse.click(512, 384);
    const tapped = await expectPictureWaits(page, 'after a tap');
    await page.mouse.click(512, 384);
    await expectPictureGoesOn(page, tapped, 'after a second tap');

    // The system takes the sound away mid-run (suspended, or Safari's interrupted): the
    // picture waits, and the next key resumes the context within its handler, and the demo.
    for (const how of ['suspended', 'interrupted']) {
      await page.evaluate((how) => {
        const context = window.zeltoPage.audioContext();
        if (how === 'suspended') return context.suspend();
        Object.defineProperty(context, 'state', { get: () => 'interrupted', configurable: true });
        context.resume = function () { delete this.state; delete this.resume; return this.resume(); };
        context.dispatchEvent(new Event('statechange'));
      }, how);
      const stoppedAt = await expectPictureWaits(page, how);
      await page.keyboard.press('x');
      await page.waitForFunction(() => window.zeltoPage.audioState() === 'running', null, { timeout: 3000 });
      await expectPictureGoesOn(page, stoppedAt, `the key after ${how}`);
    }
    assert.deepEqual(errors, []);
    await page.close();
  });

  test('the start screen warns of flashing and offers the reduced-flashing switch', async () => {
    const errors = [];
    const page = await openPage(browser.context, address, errors);
    assert.match(await page.locator('#start').innerText(), /flashing lights and strobe effects/);
    const box = page.locator('#reduce-flashing');
    assert.equal(await page.locator('#flash-switch').innerText(), 'Reduce flashing');
    assert.equal(await box.isChecked(), false, 'off when the browser does not ask for reduced motion');
    await readyToStart(page);
    await page.click('#flash-switch');  // the switch is not the start button
    assert.equal(await box.isChecked(), true);
    assert.equal(await stateOf(page), 'ready');
    await page.close();

    const calm = await browser.context.newPage();
    calm.on('pageerror', (error) => errors.push(error.message));
    await calm.emulateMedia({ reducedMotion: 'reduce' });
    await calm.goto(address);
    assert.equal(await calm.locator('#reduce-flashing').isChecked(), true, 'on under prefers-reduced-motion: reduce');
    await readyToStart(calm);
    await calm.click('#start-button');
    await calm.waitForFunction(() => window.zeltoPage.frames > 60, null, { timeout: 10000 });
    assert.deepEqual(await calm.evaluate(() => window.zeltoPage.arguments), ['--reduce-flashing']);
    assert.equal(await stateOf(calm), 'running');
    await calm.keyboard.press('Escape');
    await calm.waitForFunction(() => window.zeltoPage.state === 'ended', null, { timeout: 5000 });
    assert.deepEqual(errors, []);
    await calm.close();
  });

  // Through WebGL where it is asked for (here it is drawn in software, so the page would not
  // take it by itself), and on the 2D canvas where WebGL is then missing: the same picture.
  test('the picture through WebGL, and on the 2D canvas where WebGL is missing', async (t) => {
    const setUps = [
      ['WebGL asked for with ?display=webgl', '?display=webgl', null, 'webgl'],
      ['WebGL asked for but missing', '?display=webgl', () => {
        const own = HTMLCanvasElement.prototype.getContext;
        HTMLCanvasElement.prototype.getContext = function (type, ...options) {
          return /webgl/.test(type) ? null : own.call(this, type, ...options);
        };
      }, '2d'],
    ];
    for (const [what, query, setUp, drawnWith] of setUps) {
      const errors = [];
      const page = await browser.context.newPage();
      page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
      page.on('pageerror', (error) => errors.push(error.message));
      if (setUp) await page.addInitScript(setUp);
      await page.goto(address + query);
      await readyToStart(page);
      assert.equal(await page.locator('#display').getAttribute('data-display'), drawnWith, what);
      await page.click('#start-button');
      await page.waitForTimeout(3000);
      const order = await page.evaluate(() => window.zeltoPage.orders.at(-1));
      assert.ok(order < kSceneEnds[0], `${what}: still the particles scene (song position ${order})`);
      const shown = logoMatch(await pictureInScreenshot(page));
      t.diagnostic(`${what}: the logo ${(shown * 100).toFixed(1)} %`);
      assert.ok(shown > 0.9, `${what}: the page shows the logo as the native frame has it (${(shown * 100).toFixed(1)} %)`);
      await page.keyboard.press('Escape');
      await page.waitForFunction(() => window.zeltoPage.state === 'ended', null, { timeout: 5000 });
      assert.deepEqual(errors, [], what);
      await page.close();
    }
  });

  test('a missing music module is named on the page', async () => {
    const errors = [];
    const page = await browser.context.newPage();
    await page.route('**/data/mowt.xm', (route) => route.fulfill({ status: 404, body: 'not found' }));
    await page.goto(address);
    await readyToStart(page);
    await page.click('#start-button');
    await page.waitForFunction(() => window.zeltoPage.state === 'failed', null, { timeout: 10000 });
    assert.equal(await page.locator('#error-caption').innerText(), 'FATAL ERROR');
    assert.equal((await page.locator('#error-text').innerText()).trim(), 'MIDAS ERREUR : MIDASloadModule');
    assert.match(await page.locator('#error-detail').innerText(), /data\/mowt\.xm/);
    assert.ok(!(await page.locator('#stage').isVisible()));
    assert.deepEqual(errors, []);
    await page.close();
  });
} else {
  test(`every scene holds 60 frames a second${throttle > 1 ? ` at ${throttle}x CPU throttling` : ''}`,
       { timeout: 900000 }, async () => {
    const query = [...(displayAsked ? [`display=${displayAsked}`] : []), ...(profiled ? ['profile'] : [])];
    const page = await openPage(browser.context, address + (query.length ? '?' + query.join('&') : ''), []);
    await readyToStart(page);
    const devtools = await browser.context.newCDPSession(page);
    if (throttle > 1) await devtools.send('Emulation.setCPUThrottlingRate', { rate: throttle });
    const trace = profiled ? await startGcTrace(devtools, page) : null;
    await page.click('#start-button');
    await page.waitForFunction(() => ['ended', 'failed'].includes(window.zeltoPage.state), null,
                               { timeout: 400000 * throttle, polling: 1000 });
    assert.equal(await stateOf(page), 'ended');
    const { work, orders, shownAt, phases, display } = await page.evaluate(() => window.zeltoPage);
    const collections = trace ? await trace.stop() : [];
    const scenes = sceneSpans(orders).map(({ scene, from, to }) => {
      const timing = frameTiming(work, shownAt, from, to);
      const parts = phases ? Object.fromEntries(Object.entries(phases).map(([name, values]) =>
        [name, mean(values.slice(from + 1, to))])) : null;
      if (parts) parts.gc = gcPerFrame(collections, shownAt, from, to);
      return { name: kSceneNames[scene], ...timing, parts };
    });
    const rate = throttle > 1 ? `${throttle}x CPU throttling` : 'full speed';
    console.log(`Each scene in headless Chromium at ${rate}, drawn through ${display === 'webgl' ? 'WebGL' : 'the 2D canvas'} ` +
                '(frame work in ms, from the frame\'s wake-up to its present; the first frame of a scene, its start, apart):');
    console.log(speedTable(scenes, throttle));
    const missed = scenes.filter((scene) => !meetsTargets(scene, throttle)).map((scene) => scene.name);
    assert.deepEqual(missed, [], `below the goals (${throttle > 1 ? '59 fps, 95 % within 14 ms, none after the first over 33 ms'
                                                                  : '59 fps, 99 % within 4 ms'})`);
  });
}
