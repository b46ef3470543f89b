// The speed run's figures (browser_test.mjs --speed): each scene's frames out of the page's
// record, their frame rate and work, the profile's parts and the garbage collector's share,
// and the table that prints them.
//
// `work` is the page's zeltoPage.work (ms of the demo's own work for each frame), `shownAt`
// each frame's animation frame time, `orders` the song position each frame was drawn at.

// The frames of each scene that showed at least two: [{ scene, from, to }], frames from..to-1.
// Scene i runs while the song position is below sceneEnds[i].
export function sceneSpans(orders, sceneEnds) {
  const spans = [];
  let from = 0;
  for (let scene = 0; scene < sceneEnds.length; ++scene) {
    let to = from;
    while (to < orders.length && orders[to] < sceneEnds[scene]) ++to;
    if (to - from >= 2) spans.push({ scene, from, to });
    from = to;
  }
  return spans;
}

export const mean = (values) => (values.length ? values.reduce((a, b) => a + b, 0) / values.length : 0);

// The value below which `share` of the sorted values lie (the one at that rank).
const rank = (sorted, share) => sorted[Math.min(sorted.length - 1, Math.floor(sorted.length * share))];

// A scene's frame rate and the work of its frames after the first (the scene's start,
// which loads its pictures, is given apart).
export function frameTiming(work, shownAt, from, to) {
  const rest = work.slice(from + 1, to);
  const sorted = [...rest].sort((a, b) => a - b);
  return {
    frames: to - from,
    fps: (to - from - 1) / ((shownAt[to - 1] - shownAt[from]) / 1000),
    first: work[from],
    mean: mean(rest),
    p95: rank(sorted, 0.95),
    p99: rank(sorted, 0.99),
    worst: sorted[sorted.length - 1],
  };
}

// The goals a scene's frames must meet: at full speed 59 frames a second with 99 % of the
// frames' work within 4 ms; on a slowed CPU 59 frames a second, 95 % within 14 ms and no
// frame after the first over 33 ms (two display periods).
export function meetsTargets(timing, throttle) {
  if (throttle > 1) return timing.fps >= 59 && timing.p95 <= 14 && timing.worst <= 33;
  return timing.fps >= 59 && timing.p99 <= 4;
}

// Merges [start, end] intervals that overlap or nest (a collection's events nest in each other).
export function mergeIntervals(intervals) {
  const merged = [];
  for (const [start, end] of [...intervals].sort((a, b) => a[0] - b[0])) {
    const last = merged[merged.length - 1];
    if (last && start <= last[1]) last[1] = Math.max(last[1], end);
    else merged.push([start, end]);
  }
  return merged;
}

// The garbage collector's time on the page's thread while a scene played, per frame:
// `collections` are merged [start, end] intervals in the page's clock.
export function gcPerFrame(collections, shownAt, from, to) {
  const [begin, finish] = [shownAt[from], shownAt[to - 1]];
  let total = 0;
  for (const [start, end] of collections) total += Math.max(0, Math.min(end, finish) - Math.max(start, begin));
  return total / (to - from - 1);
}

// The garbage collections of the page's main thread out of a DevTools trace's events, as
// merged intervals on the page's clock. `mark` is the trace event of a performance.mark made
// at `markedAt` on the page's clock: it names the thread and sets the clocks side by side.
export function collectionsOf(events, mark, markedAt) {
  const offset = mark.ts / 1000 - markedAt;
  const intervals = events
    .filter((event) => event.ph === 'X' && event.pid === mark.pid && event.tid === mark.tid &&
                       /^(MinorGC|MajorGC|V8\.GC)/.test(event.name))
    .map((event) => [event.ts / 1000 - offset, (event.ts + event.dur) / 1000 - offset]);
  return mergeIntervals(intervals);
}

// Starts a DevTools trace of the garbage collector on `page` (through its CDP session
// `devtools`); stop() ends it and returns the collections (collectionsOf).
export async function startGcTrace(devtools, page) {
  const events = [];
  devtools.on('Tracing.dataCollected', (data) => events.push(...data.value));
  await devtools.send('Tracing.start', { categories: 'v8,blink.user_timing', transferMode: 'ReportEvents' });
  return {
    async stop() {
      const markedAt = await page.evaluate(() => performance.mark('zelto-clock').startTime);
      const complete = new Promise((resolve) => devtools.once('Tracing.tracingComplete', resolve));
      await devtools.send('Tracing.end');
      await complete;
      const mark = events.find((event) => event.name === 'zelto-clock');
      if (!mark) throw new Error('the trace holds no clock mark');
      return collectionsOf(events, mark, markedAt);
    },
  };
}

const kColumns = [
  ['frames', (s) => String(s.frames)], ['fps', (s) => s.fps.toFixed(1)], ['first', (s) => s.first.toFixed(1)],
  ['mean', (s) => s.mean.toFixed(2)], ['p95', (s) => s.p95.toFixed(1)], ['p99', (s) => s.p99.toFixed(1)],
  ['worst', (s) => s.worst.toFixed(1)],
];
const kParts = ['rewind', 'scene', 'picture', 'unwind', 'draw', 'messages', 'gc'];

// The scenes' figures as a Markdown table; with the profile's parts (mean ms per frame)
// where the run had them. A scene that misses the goals is marked with *.
export function speedTable(scenes, throttle) {
  const withParts = scenes.some((scene) => scene.parts);
  const head = ['scene', ...kColumns.map(([name]) => name), ...(withParts ? kParts : [])];
  const rows = scenes.map((scene) => [
    scene.name + (meetsTargets(scene, throttle) ? '' : ' *'),
    ...kColumns.map(([, format]) => format(scene)),
    ...(withParts ? kParts.map((part) => (scene.parts ? scene.parts[part].toFixed(2) : '')) : []),
  ]);
  const line = (cells) => `| ${cells.join(' | ')} |`;
  return [line(head), line(head.map(() => '---')), ...rows.map(line)].join('\n');
}
