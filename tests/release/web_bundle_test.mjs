// The web bundle as a host serves it: unzipped under a sub-path (/demos/zelto2k/) of a
// static server, the page loads in headless Chromium, a click starts it, and the particles
// scene plays with no failed request and no error in the console.
// Usage: node web_bundle_test.mjs <zelto2k-web-VERSION.zip>
import { execFileSync } from 'child_process';
import assert from 'assert/strict';
import fs from 'fs';
import os from 'os';
import path from 'path';
import test from 'node:test';
import { openBrowser, serve } from '../web/page_support.mjs';

const bundle = path.resolve(process.argv[2]);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zelto-web-bundle-'));
const root = path.join(work, 'root');
fs.mkdirSync(path.join(root, 'demos'), { recursive: true });
execFileSync('unzip', ['-q', bundle, '-d', path.join(root, 'demos')]);
const [folder] = fs.readdirSync(path.join(root, 'demos'));
fs.renameSync(path.join(root, 'demos', folder), path.join(root, 'demos', 'zelto2k'));

const { server, address } = await serve(root);
const browser = await openBrowser();
const context = browser.context;
test.after(async () => {
  await browser.close();
  server.kill();
  fs.rmSync(work, { recursive: true, force: true });
});

test('the bundle plays from a sub-path with every request answered', async () => {
  const page = await context.newPage();
  const failed = [];
  const errors = [];
  const outside = [];
  page.on('request', (request) => {
    const url = request.url();
    if (url.startsWith('http') && !url.startsWith(address + 'demos/zelto2k/')) outside.push(url);
  });
  page.on('requestfailed', (request) => failed.push(`${request.url()}: ${request.failure()?.errorText}`));
  page.on('response', (response) => { if (response.status() >= 400) failed.push(`${response.url()}: ${response.status()}`); });
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  page.on('pageerror', (error) => errors.push(error.message));

  await page.goto(address + 'demos/zelto2k/');
  await page.waitForFunction(() => window.zeltoPage?.state === 'ready', null, { timeout: 30000 });
  await page.click('#start');
  await page.waitForTimeout(3000);
  const first = await page.evaluate(() => ({ state: window.zeltoPage.state, frames: window.zeltoPage.frames }));
  await page.waitForTimeout(1000);
  const { state, frames, orders } = await page.evaluate(() => window.zeltoPage);
  assert.equal(state, 'running');
  assert.ok(first.frames > 60 && frames - first.frames > 30, `frames advance (${first.frames}, then ${frames})`);
  assert.ok(orders.at(-1) < 12, `still the particles scene after 4 s (song position ${orders.at(-1)})`);
  assert.deepEqual(failed, [], 'no failed request');
  assert.deepEqual(outside, [], 'every request stays below the sub-path');
  assert.deepEqual(errors, [], 'no error in the console');
  await page.close();
});
