#!/usr/bin/env python3
"""Start-up benchmark: process start to the first image on screen, under Xvfb.

Runs the banner program (the GIF control in its Qt host showing the banner)
and the reference program (a plain Qt window showing one static image of the
same size) alternately, N runs each after one warm-up run each, on a private
Xvfb server. The start of a run is the monotonic clock read just before the
program is spawned; its end is the "on-screen" mark the program prints (after
its first paint, the backing-store flush and an X round trip). Prints the
medians, the ratio banner / reference and where the banner's time goes.

The banner program starts from the banner's property set built into it, as
the main window does; --banner-from-file makes it load GIF from the file
instead. The reference program always reads GIF with Qt's image reader.

Usage: startup_run.py BUILD_BIN_DIR GIF [--runs N] [--banner-from-file]
"""
import argparse
import os
import statistics
import subprocess
import sys
import time


def start_xvfb():
    for display in range(90, 120):
        if os.path.exists(f"/tmp/.X11-unix/X{display}") or os.path.exists(f"/tmp/.X{display}-lock"):
            continue
        proc = subprocess.Popen(["Xvfb", f":{display}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(f"/tmp/.X11-unix/X{display}"):
                return proc, f":{display}"
            if proc.poll() is not None:
                break
            time.sleep(0.05)
        proc.kill()
    sys.exit("no free display for Xvfb")


def run_once(command, env):
    program = command[0]
    start = time.monotonic_ns()
    out = subprocess.run(command, env=env, capture_output=True, text=True, timeout=30)
    if out.returncode != 0:
        sys.exit(f"{program} failed with {out.returncode}: {out.stderr}")
    marks = {}
    for line in out.stdout.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[0] == "mark":
            marks[parts[1]] = (int(parts[2]) - start) / 1e6
    if "on-screen" not in marks:
        sys.exit(f"{program} printed no on-screen mark")
    return marks


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bindir")
    parser.add_argument("gif")
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--banner-from-file", action="store_true")
    args = parser.parse_args()
    banner = [os.path.join(args.bindir, "startup_banner")]
    if args.banner_from_file:
        banner.append(args.gif)
    static = [os.path.join(args.bindir, "startup_static"), args.gif]

    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    try:
        run_once(banner, env)
        run_once(static, env)
        runs = {"banner": [], "static": []}
        for _ in range(args.runs):
            runs["banner"].append(run_once(banner, env))
            runs["static"].append(run_once(static, env))
    finally:
        xvfb.terminate()
        xvfb.wait()

    def med(name, key):
        return statistics.median(m[key] for m in runs[name])

    source = "the GIF file" if args.banner_from_file else "its built-in property set"
    print(f"banner from {source}; static image read from {args.gif}")
    print(f"runs: {args.runs} each, alternating, after one warm-up each; times in ms from spawn")
    for name in ("banner", "static"):
        times = [m["on-screen"] for m in runs[name]]
        print(f"{name:7s} on-screen: median {statistics.median(times):7.1f}  mean {statistics.mean(times):7.1f}"
              f"  min {min(times):7.1f}  max {max(times):7.1f}")
    ratio = med("banner", "on-screen") / med("static", "on-screen")
    print(f"ratio banner / static (medians): {ratio:.3f}  (target <= 1.2)")
    print("where the time goes (medians, ms from spawn):")
    for name in ("banner", "static"):
        keys = [k for k in ("main", "app", "loaded", "shown", "first-paint-begin", "first-paint-end", "on-screen")
                if all(k in m for m in runs[name])]
        print(f"  {name:7s} " + "  ".join(f"{k} {med(name, k):.1f}" for k in keys))
    b = runs["banner"]
    load = statistics.median(m["loaded"] - m["app"] for m in b)
    paint = statistics.median(m["first-paint-end"] - m["first-paint-begin"] for m in b)
    print(f"  banner: load (property set or file) and first-frame decode {load:.2f} ms; first paint (surface, draw, present) {paint:.2f} ms")
    s = runs["static"]
    sload = statistics.median(m["loaded"] - m["app"] for m in s)
    print(f"  static: image read by Qt {sload:.2f} ms")


if __name__ == "__main__":
    main()
