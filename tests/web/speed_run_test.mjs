// The speed run's arithmetic (speed_run.mjs): which frames belong to which scene, the rates
// and ranks, the goals at their edges, and the garbage collector's time out of a trace.
import assert from 'assert/strict';
import test from 'node:test';
import { collectionsOf, frameTiming, gcPerFrame, meetsTargets, mergeIntervals, sceneSpans } from './speed_run.mjs';

test('frames go to the scene whose end position is above their song position', () => {
  const cases = [
    // orders, scene ends, spans
    [[0, 0, 5, 12, 12, 13, 20, 20], [12, 20, 96], [[0, 0, 3], [1, 3, 6], [2, 6, 8]]],
    // A scene with one frame (or none) has no rate: it is left out, its frame still its own.
    [[0, 0, 12, 20, 20], [12, 20, 96], [[0, 0, 2], [2, 3, 5]]],
    [[0, 0, 20, 20], [12, 20, 96], [[0, 0, 2], [2, 2, 4]]],
    [[], [12], []],
  ];
  for (const [orders, ends, spans] of cases)
    assert.deepEqual(sceneSpans(orders, ends).map(({ scene, from, to }) => [scene, from, to]), spans,
                     JSON.stringify(orders));
});

test('a scene\'s rate and ranks leave its first frame out', () => {
  // 101 frames 1/60 s apart; the first (the scene's start) takes 500 ms, then 1..100 ms.
  const work = [500, ...Array.from({ length: 100 }, (_, i) => i + 1)];
  const shownAt = work.map((_, i) => 1000 + (i * 1000) / 60);
  const timing = frameTiming(work, shownAt, 0, work.length);
  assert.equal(timing.frames, 101);
  assert.ok(Math.abs(timing.fps - 60) < 1e-9, String(timing.fps));
  assert.deepEqual([timing.first, timing.mean, timing.p95, timing.p99, timing.worst], [500, 50.5, 96, 100, 100]);
});

test('the goals hold at their edges and not past them', () => {
  const good = { fps: 59, p95: 14, p99: 4, worst: 33 };
  const cases = [
    [good, 4, true], [{ ...good, fps: 58.9 }, 4, false], [{ ...good, p95: 14.1 }, 4, false],
    [{ ...good, worst: 33.1 }, 4, false],
    // At full speed the 99th percentile counts, the slowed goals do not.
    [good, 1, true], [{ ...good, p99: 4.1 }, 1, false], [{ ...good, p95: 20, worst: 50 }, 1, true],
    [{ ...good, fps: 58.9 }, 1, false],
  ];
  for (const [timing, throttle, meets] of cases)
    assert.equal(meetsTargets(timing, throttle), meets, `${JSON.stringify(timing)} at ${throttle}x`);
});

test('collections are merged, counted on the page\'s thread and clock, and shared out per frame', () => {
  assert.deepEqual(mergeIntervals([[5, 6], [0, 2], [1, 3], [1.5, 1.8], [3, 4]]), [[0, 4], [5, 6]]);
  // The mark was made at 100 ms on the page's clock and carries 5,100,000 us on the trace's.
  const mark = { name: 'zelto-clock', pid: 1, tid: 7, ts: 5100000 };
  const event = (name, ts, dur, tid = 7) => ({ name, ph: 'X', pid: 1, tid, ts, dur });
  const events = [
    event('MajorGC', 5010000, 4000), event('V8.GCFinalizeMC', 5011000, 1000),  // nested: counted once
    event('MinorGC', 5050000, 2000), event('MinorGC', 5060000, 9000, 8),      // another thread
    event('v8.callFunction', 5070000, 9000), { ...event('MinorGC', 5080000, 0), ph: 'B' },
  ];
  const collections = collectionsOf(events, mark, 100);
  assert.deepEqual(collections, [[10, 14], [50, 52]]);
  // Frames shown from 12 ms to 51 ms (four frames): 2 + 1 ms of collection, 1 ms a frame.
  assert.equal(gcPerFrame(collections, [0, 12, 30, 40, 51], 1, 5), 1);
});
