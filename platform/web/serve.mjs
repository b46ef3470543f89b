// Serves a folder (the built site) over http on localhost: node serve.mjs <folder> [port].
// Prints the address once it listens. Port 0 picks a free one (the tests use that).
import http from 'http';
import fs from 'fs';
import path from 'path';

const root = path.resolve(process.argv[2] || '.');
const port = Number(process.argv[3] ?? 8000);
const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm', '.txt': 'text/plain; charset=utf-8', '.bmp': 'image/bmp',
};

const server = http.createServer((request, response) => {
  const url = new URL(request.url, 'http://localhost');
  let file = path.normalize(path.join(root, decodeURIComponent(url.pathname)));
  if (file !== root && !file.startsWith(root + path.sep)) {
    response.writeHead(403).end();
    return;
  }
  if (fs.existsSync(file) && fs.statSync(file).isDirectory()) file = path.join(file, 'index.html');
  fs.readFile(file, (error, bytes) => {
    if (error) {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
      return;
    }
    response.writeHead(200, {
      'Content-Type': types[path.extname(file)] || 'application/octet-stream',
      'Cache-Control': 'no-cache',
    }).end(bytes);
  });
});
server.listen(port, 'localhost', () => {
  console.log(`Zelto2k is served on http://localhost:${server.address().port}/ (Ctrl-C stops it)`);
});
