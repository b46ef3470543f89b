// Runs the Node.js build of the frame lister (build-web/node/zelto2k_frames.js) with the web
// build of libopenmpt that its module player calls.
// Usage: node --no-experimental-fetch run_frames.mjs <zelto2k_frames.js> [fps], in a folder with data/.
import { createRequire } from 'module';
import path from 'path';
import { fileURLToPath } from 'url';

const here = path.dirname(fileURLToPath(import.meta.url));
const { default: libopenmpt } = await import(
  path.join(here, '../../node_modules/chiptune3/libopenmpt.worklet.js'));
globalThis.zeltoOpenmpt = await libopenmpt();
const program = path.resolve(process.argv[2]);
process.argv = [process.argv[0], program, ...process.argv.slice(3)];
createRequire(import.meta.url)(program);
