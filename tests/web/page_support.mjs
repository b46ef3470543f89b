// What the browser tests share: the local server on a free port, and Debian's Chromium,
// headless with a fresh profile.
import { chromium } from 'playwright-core';
import { spawn } from 'child_process';
import fs from 'fs';
import os from 'os';
import path from 'path';
import { fileURLToPath } from 'url';

const here = path.dirname(fileURLToPath(import.meta.url));

// Serves `folder` with platform/web/serve.mjs: { server, address } once it listens.
export async function serve(folder) {
  const server = spawn(process.execPath, [path.join(here, '../../platform/web/serve.mjs'), folder, '0'],
                       { stdio: ['ignore', 'pipe', 'inherit'] });
  const address = await new Promise((resolve, reject) => {
    server.stdout.on('data', (text) => {
      const found = /http:\/\/localhost:\d+\//.exec(String(text));
      if (found) resolve(found[0]);
    });
    server.on('exit', () => reject(new Error('the server did not start')));
  });
  return { server, address };
}

const kFlags = ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// { context, close } of a browser on a profile of its own, removed by close.
export async function openBrowser() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zelto-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium', headless: true, args: kFlags,
    acceptDownloads: true, viewport: { width: 1024, height: 768 },
  });
  return { context, close: async () => { await context.close(); fs.rmSync(profile, { recursive: true, force: true }); } };
}
