#!/usr/bin/env python3
"""The speed table: the image benchmarks' medians as ratios to memcpy of the frame in the
same run, the textured triangles against SDL's, and the whole demo per scene.

Usage: bench/ratios.sh [build folder]     (runs the three benchmarks, then this)
   or: python3 ratios.py image.json [engine3d.json] [demo.json]
image.json and engine3d.json come from --benchmark_repetitions=5
--benchmark_report_aggregates_only=true --benchmark_out=FILE --benchmark_out_format=json;
demo.json from demo_frames_bench --benchmark_out=FILE --benchmark_out_format=json.
"""
import json
import sys

# The most each routine may take, in memcpys of the frame.
LIMITS = {
    "BlitAdditive/0": 1.5, "VerticalSmear": 2.0, "GridMap": 6.0, "GridMapMasked_ball_r100": 2.0,
    "RadialBlur/256/128": 10.0, "RadialBlur/8/8": 10.0, "RotozoomMap": 6.0, "InvertFrame": 1.0,
}
TRIANGLE_OVER_SDL = 4.0      # TextureTriangle at least this many times faster than SDL's renderer
PARTICLES_MEDIAN_MS = 0.4    # the swarm's median frame
REAL_TIME = 60.0             # the whole demo, rendered at 60 fps, at least this many times real time


def medians(path):
    report = json.load(open(path))
    return report, {b["run_name"]: b["cpu_time"] for b in report["benchmarks"]
                    if b.get("aggregate_name") == "median"}


report, median = medians(sys.argv[1])
floor = median["Memcpy"]
print(f"load average at start: {report['context'].get('load_avg')}")
print(f"{'routine':28s} {'median':>12s}  {'ratio':>12s}  {'limit':>6s}")
for name, time in median.items():
    ratio = time / floor
    limit = LIMITS.get(name)
    verdict = "" if limit is None else f"  <= {limit:4.1f}x {'ok' if ratio <= limit else 'OVER'}"
    peer = ""
    if name.startswith("BlitAdditive/"):
        peer = f"  {time / median['SDL_BlitSurface_ADD/' + name.split('/')[1]]:.2f}x SDL"
    print(f"{name:28s} {time / 1000:9.1f} us  {ratio:6.2f}x memcpy{verdict}{peer}")

if len(sys.argv) > 2 and sys.argv[2]:
    _, engine = medians(sys.argv[2])
    print()
    for name, time in engine.items():
        if name.startswith("BM_TextureTriangle/"):
            side = name.split("/")[1]
            peer = engine.get("BM_SdlRenderGeometry/" + side)
            if peer:
                speedup = peer / time
                print(f"TextureTriangle/{side:4s} {speedup:6.2f}x faster than SDL_RenderGeometry "
                      f"(limit >= {TRIANGLE_OVER_SDL:.0f}x {'ok' if speedup >= TRIANGLE_OVER_SDL else 'UNDER'})")

if len(sys.argv) > 3:
    demo = json.load(open(sys.argv[3]))["benchmarks"][0]
    print()
    print(f"{'scene':14s} {'first ms':>9s} {'median ms':>10s} {'worst ms':>9s}   (worst limit 4 ms)")
    for scene in ["particles", "object", "ball", "rippled_plane", "zoom", "rotozoom", "end_logo"]:
        if scene + "_median_ms" in demo:
            median_ms = demo[scene + '_median_ms']
            verdict = ""
            if scene == "particles":
                verdict = f"  median <= {PARTICLES_MEDIAN_MS} ms {'ok' if median_ms <= PARTICLES_MEDIAN_MS else 'OVER'}"
            print(f"{scene:14s} {demo[scene + '_first_ms']:9.2f} {median_ms:10.3f} "
                  f"{demo[scene + '_worst_ms']:9.3f}{verdict}")
    seconds = demo["demo_seconds_at_60fps"]
    real_time = seconds / demo['cpu_seconds']
    print(f"whole demo: {seconds:.1f} s at 60 fps rendered in {demo['cpu_seconds']:.2f} s of processor time, "
          f"{real_time:.1f}x real time (limit >= {REAL_TIME:.0f}x {'ok' if real_time >= REAL_TIME else 'UNDER'})")
