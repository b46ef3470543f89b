#!/usr/bin/env python3
"""Ratios of the image benchmarks' medians to memcpy of the frame and to SDL's blit.

Usage: image_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
         --benchmark_out=image.json --benchmark_out_format=json
       python3 ratios.py image.json
"""
import json
import sys

report = json.load(open(sys.argv[1]))
median = {b["run_name"]: b["cpu_time"] for b in report["benchmarks"]
          if b.get("aggregate_name") == "median"}
floor = median["Memcpy"]
print(f"load average at start: {report['context'].get('load_avg')}")
for name, time in median.items():
    peer = ""
    if name.startswith("BlitAdditive/"):
        peer = f"  {time / median['SDL_BlitSurface_ADD/' + name.split('/')[1]]:.2f}x SDL"
    print(f"{name:28s} {time / 1000:9.1f} us  {time / floor:6.2f}x memcpy{peer}")
