// Serves a folder (the built site) over http on localhost: node serve.mjs <folder> [port].
// Prints the address once it listens. Port 0 picks a free one (the tests use that).
//
// Any program on the machine can reach it, so a bad request gets an answer and the server
// goes on: 400 for a path that does not decode, 403 for a path that leads out of the folder
// (symbolic links are resolved before the check), 405 for methods other than GET and HEAD,
// 404 for what is not there; a folder named without its trailing slash is sent there (301).
// It listens on localhost only.
import http from 'http';
import fs from 'fs';
import path from 'path';

const root = fs.realpathSync(path.resolve(process.argv[2] || '.'));
const port = Number(process.argv[3] ?? 8000);
const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm', '.txt': 'text/plain; charset=utf-8', '.bmp': 'image/bmp',
};
const reasons = { 400: 'bad request', 403: 'forbidden', 404: 'not found', 405: 'method not allowed', 500: 'server error' };

const inside = (file) => file === root || file.startsWith(root + path.sep);

function refuse(response, status, headers = {}) {
  response.writeHead(status, { 'Content-Type': 'text/plain; charset=utf-8', ...headers }).end(reasons[status] + '\n');
}

// The file a request path names, with every link resolved: { file } or { status }.
async function resolve(requestPath) {
  let url;
  let pathname;
  try {
    url = new URL(requestPath, 'http://localhost');
    pathname = decodeURIComponent(url.pathname);
  } catch {
    return { status: 400 };
  }
  if (pathname.includes('\0')) return { status: 400 };
  let file = path.join(root, pathname);
  if (!inside(file)) return { status: 403 };
  for (let step = 0; step < 2; ++step) {
    try {
      file = await fs.promises.realpath(file);
    } catch {
      return { status: 404 };
    }
    if (!inside(file)) return { status: 403 };
    const stat = await fs.promises.stat(file);
    if (!stat.isDirectory()) return stat.isFile() ? { file } : { status: 404 };
    // A folder named without its slash: the page's relative addresses need it.
    // One leading slash only: "//host/" would send the browser to another site.
    if (!url.pathname.endsWith('/')) return { status: 301, location: url.pathname.replace(/^\/+/, '/') + '/' + url.search };
    file = path.join(file, 'index.html');  // once: the folder's page, itself resolved again
  }
  return { status: 404 };
}

const server = http.createServer(async (request, response) => {
  try {
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      refuse(response, 405, { Allow: 'GET, HEAD' });
      return;
    }
    const found = await resolve(request.url);
    if (found.location) {
      response.writeHead(found.status, { Location: found.location }).end();
      return;
    }
    if (found.status) {
      refuse(response, found.status);
      return;
    }
    const bytes = await fs.promises.readFile(found.file);
    response.writeHead(200, {
      'Content-Type': types[path.extname(found.file)] || 'application/octet-stream',
      'Content-Length': bytes.length,
      'Cache-Control': 'no-cache',
    });
    response.end(request.method === 'HEAD' ? undefined : bytes);
  } catch {
    if (!response.headersSent) refuse(response, 500);
    else response.destroy();
  }
});
server.listen(port, 'localhost', () => {
  console.log(`Zelto2k is served on http://localhost:${server.address().port}/ (Ctrl-C stops it)`);
});
