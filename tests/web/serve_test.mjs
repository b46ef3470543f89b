// The local server under bad requests: each gets its answer (400 a path that does not
// decode, 403 a path or a link leading out of the folder, 405 another method) and the
// server goes on serving the page.
// Usage: node serve_test.mjs
import { spawn } from 'child_process';
import assert from 'assert/strict';
import fs from 'fs';
import http from 'http';
import os from 'os';
import path from 'path';
import test from 'node:test';
import { fileURLToPath } from 'url';

const here = path.dirname(fileURLToPath(import.meta.url));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zelto-serve-'));
const site = path.join(work, 'site');
fs.mkdirSync(path.join(site, 'sub'), { recursive: true });
fs.mkdirSync(path.join(work, 'outside'));
fs.writeFileSync(path.join(site, 'index.html'), 'the page');
fs.writeFileSync(path.join(site, 'sub', 'index.html'), 'the sub page');
fs.writeFileSync(path.join(work, 'outside', 'secret.txt'), 'secret');
fs.writeFileSync(path.join(work, 'site-secret.txt'), 'secret beside');
fs.symlinkSync(path.join(site, 'index.html'), path.join(site, 'inside-link.html'));
fs.symlinkSync(path.join(work, 'outside', 'secret.txt'), path.join(site, 'escape-link.txt'));
fs.symlinkSync(path.join(work, 'outside'), path.join(site, 'escape-folder'));

const server = spawn(process.execPath, [path.join(here, '../../platform/web/serve.mjs'), site, '0'],
                     { stdio: ['ignore', 'pipe', 'inherit'] });
let exited = false;
server.on('exit', () => { exited = true; });
const port = await new Promise((resolve, reject) => {
  server.stdout.on('data', (text) => {
    const found = /localhost:(\d+)\//.exec(String(text));
    if (found) resolve(Number(found[1]));
  });
  server.on('exit', () => reject(new Error('the server did not start')));
});
test.after(() => { server.kill(); fs.rmSync(work, { recursive: true, force: true }); });

function request(method, requestPath) {
  return new Promise((resolve, reject) => {
    const outgoing = http.request({ host: 'localhost', port, method, path: requestPath }, (response) => {
      let body = '';
      response.on('data', (chunk) => { body += chunk; });
      response.on('end', () => resolve({ status: response.statusCode, headers: response.headers, body }));
    });
    outgoing.on('error', reject);
    outgoing.end();
  });
}

test('each bad request gets its answer and the page is served after them', async () => {
  const cases = [
    ['GET', '/%E0%A4%A', 400],          // a malformed percent-encoding
    ['GET', '/%', 400],
    ['GET', '/index.html%00.txt', 400],  // an encoded NUL
    ['GET', '/..%2F..%2Fetc%2Fpasswd', 403],
    ['GET', '/..%2Fsite-secret.txt', 403],  // the folder's name is a prefix of the file's
    ['GET', '/%2e%2e/%2e%2e/etc/passwd', 404],  // dot segments stay inside: the URL folds them
    ['GET', '/escape-link.txt', 403],
    ['GET', '/escape-folder/secret.txt', 403],
    ['GET', '/escape-folder/', 403],
    ['GET', '/inside-link.html', 200, 'the page'],
    ['GET', '/missing.js', 404],
    ['GET', '/sub/', 200, 'the sub page'],
    ['POST', '/', 405],
    ['PUT', '/index.html', 405],
    ['DELETE', '/index.html', 405],
    ['OPTIONS', '/', 405],
    ['HEAD', '/', 200, ''],
  ];
  for (const [method, requestPath, status, body] of cases) {
    const answer = await request(method, requestPath);
    assert.equal(answer.status, status, `${method} ${requestPath}`);
    if (body !== undefined) assert.equal(answer.body, body, `${method} ${requestPath}`);
    assert.doesNotMatch(answer.body, /secret/, `${method} ${requestPath}`);
    if (status === 405) assert.equal(answer.headers.allow, 'GET, HEAD');
  }
  const folder = await request('GET', '/sub?x=1');
  assert.equal(folder.status, 301);
  assert.equal(folder.headers.location, '/sub/?x=1');
  const doubled = await request('GET', '/.//sub');
  assert.equal(doubled.status, 301);
  assert.equal(doubled.headers.location, '/sub/', 'the folder on this server, not a host named sub');
  const head = await request('HEAD', '/index.html');
  assert.equal(head.headers['content-length'], String('the page'.length));

  const page = await request('GET', '/');
  assert.equal(page.status, 200);
  assert.equal(page.body, 'the page');
  assert.equal(exited, false, 'the server still runs');
});
