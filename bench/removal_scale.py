#!/usr/bin/env python3
"""Removals at scale: the cleanup and the sweep through the real veltrano-cli,
next to the shell tools that delete the same files, in one run.

  cleanup  N junk files in two folders (C:\\a\\Cookies, C:\\b\\Cookies), deleted
           by `veltrano-cli --answer yes menuclean`; peer: `find DIR -type f -delete`
  sweep    a removable drive's root holding N .scr files, removed by
           `veltrano-cli --answer yes menuqim`; peer: `rm -f` of the same files

Each program runs on a fresh tree; the time is the wall clock of the whole
process (start-up and search included). Prints seconds, microseconds per
file and the ratio to the peer, so that growth with N shows at a glance.

With --wine-cli the Windows edition runs too, under Wine (through
scripts/wine-run.sh), on the same trees made inside the prefix's build folder
and reached through its B: drive, beside the same native peers. With --strace each program run is also counted
(`strace -f -c`): system calls and folder reads (getdents64) per file.
Programs can be limited to sizes up to --max-n (an old build whose removals
grow with the square of N would take hours at 100,000).

Usage: removal_scale.py --cli BUILD/bin/veltrano-cli [--label after]
         [--wine-cli BUILD-WIN/bin/veltrano-cli.exe --prefix DIR]
         [--sizes 1000,10000,100000] [--cleanup-sizes ...] [--max-n N]
         [--strace] [--work DIR]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.join(HERE, "..", "scripts", "wine-run.sh")


def make_files(folder, names):
    os.makedirs(folder, exist_ok=True)
    for name in names:
        os.close(os.open(os.path.join(folder, name), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644))


def cleanup_tree(root, n):
    shutil.rmtree(root, ignore_errors=True)
    half = n // 2
    make_files(os.path.join(root, "a", "Cookies"), (f"c{i}.txt" for i in range(half)))
    make_files(os.path.join(root, "b", "Cookies"), (f"c{i}.txt" for i in range(half, n)))


def sweep_tree(root, n):
    shutil.rmtree(root, ignore_errors=True)
    make_files(root, (f"decoy{i}.scr" for i in range(n)))


def count_files(root):
    return sum(len(files) for _, _, files in os.walk(root))


def timed(argv, strace_out=None, env=None):
    if strace_out:
        argv = ["strace", "-f", "-c", "-o", strace_out] + argv
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    err = proc.stderr.read()
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.monotonic() - start
    # CPU time of the process and its children (Wine's), which a machine
    # shared with other work inflates less than the wall clock
    cpu = usage.ru_utime + usage.ru_stime
    return elapsed, cpu, os.waitstatus_to_exitcode(status), err.decode(errors="replace")


def strace_counts(path):
    total = getdents = 0
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) >= 5 and fields[-1] == "total":
                total = int(fields[3])
            elif fields and fields[-1] == "getdents64":
                getdents = int(fields[3])
    return total, getdents


def windows_path(build, path):
    """A host path inside the prefix's build folder as its B: drive shows it."""
    return "B:" + os.path.relpath(path, build).replace("/", "\\")


class Program:
    def __init__(self, name, argv, drive_path, env=None):
        self.name, self.argv, self.drive_path, self.env = name, argv, drive_path, env

    def command(self, kind, root):
        if kind == "cleanup":
            return self.argv + ["--drive", f"C:fixed:{self.drive_path(root)}", "--answer", "yes",
                                "menuclean"]
        return self.argv + ["--drive", f"E:removable:{self.drive_path(root)}", "--answer", "yes",
                            "menuqim"]


def peer(kind, root):
    if kind == "cleanup":
        return "find -delete", ["find", root, "-type", "f", "-delete"]
    # rm of the same files, in as many calls as the argument list needs
    return "rm", ["sh", "-c", 'cd "$1" && find . -maxdepth 1 -name "*.scr" -print0 | xargs -0 rm -f --',
                  "sh", root]


def run_one(kind, n, program, work, use_strace):
    root = os.path.join(work, kind)
    make = cleanup_tree if kind == "cleanup" else sweep_tree
    make(root, n)
    trace = os.path.join(work, "strace.txt") if use_strace else None
    wall, cpu, status, err = timed(program.command(kind, root), trace, program.env)
    left = count_files(root)
    if left:
        print(f"  {program.name}: {left} files left (exit {status}) {err.strip()[:200]}",
              file=sys.stderr)
    counts = strace_counts(trace) if trace else None

    make(root, n)
    peer_name, peer_argv = peer(kind, root)
    peer_wall, peer_cpu, _, _ = timed(peer_argv)
    if count_files(root):
        print(f"  {peer_name}: files left", file=sys.stderr)
    shutil.rmtree(root, ignore_errors=True)
    return (wall, cpu), status, counts, peer_name, (peer_wall, peer_cpu)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--cli", help="Linux veltrano-cli")
    ap.add_argument("--wine-cli", help="Windows veltrano-cli.exe, run under Wine")
    ap.add_argument("--prefix", help="Wine prefix (created when missing)")
    ap.add_argument("--label", default="", help="a name for this build in the output")
    ap.add_argument("--sizes", default="1000,10000,100000", help="sweep sizes")
    ap.add_argument("--cleanup-sizes", default="1000,10000,40000,100000")
    ap.add_argument("--max-n", type=int, default=0, help="skip sizes above this (0: none)")
    ap.add_argument("--strace", action="store_true", help="count system calls per run")
    ap.add_argument("--work", help="folder for the trees (default: a new one in $TMPDIR)")
    args = ap.parse_args()

    programs = []
    if args.cli:
        programs.append(Program("linux", [os.path.abspath(args.cli)], lambda p: p))
    if args.wine_cli:
        if not args.prefix:
            ap.error("--wine-cli needs --prefix")
        prefix = os.path.abspath(args.prefix)
        argv = [WINE_RUN, "--prefix", prefix, os.path.abspath(args.wine_cli)]
        # Makes the prefix when it is new, and starts its server and Wine's
        # helpers before anything is timed.
        subprocess.run(argv + ["--help"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(prefix, ".veltrano-build")) as f:
            build = f.read().strip()
        programs.append(Program("wine", argv, lambda p: windows_path(build, p)))
        if not args.work:
            args.work = tempfile.mkdtemp(prefix="removal-bench-", dir=build)
            args.remove_work = True
    if not programs:
        ap.error("give --cli and/or --wine-cli")

    remove_work = getattr(args, "remove_work", False) or not args.work
    work = args.work or tempfile.mkdtemp(prefix="veltrano-removal-bench-")
    os.makedirs(work, exist_ok=True)
    label = f" [{args.label}]" if args.label else ""
    header = f"{'run':<26}{'files':>8}{'wall s':>8}{'cpu s':>8}{'us/file':>9}  {'peer':<13}" \
             f"{'wall s':>7}{'cpu s':>7}{'us/file':>9}{'ratio':>7}{'cpu ratio':>10}"
    if args.strace:
        header += f"{'calls/file':>11}{'getdents':>9}"
    print(header)
    plan = [("cleanup", int(s)) for s in args.cleanup_sizes.split(",") if s] + \
           [("sweep", int(s)) for s in args.sizes.split(",") if s]
    for program in programs:
        for kind, n in plan:
            if args.max_n and n > args.max_n:
                continue
            (wall, cpu), status, counts, peer_name, (pwall, pcpu) = run_one(
                kind, n, program, work, args.strace)
            row = f"{kind + ' ' + program.name + label:<26}{n:>8}{wall:>8.2f}{cpu:>8.2f}" \
                  f"{wall / n * 1e6:>9.1f}  {peer_name:<13}{pwall:>7.2f}{pcpu:>7.2f}" \
                  f"{pwall / n * 1e6:>9.1f}{wall / pwall:>7.1f}{cpu / max(pcpu, 1e-3):>10.1f}"
            if counts:
                row += f"{counts[0] / n:>11.1f}{counts[1]:>9}"
            if status != 0:
                row += f"  (exit {status})"
            print(row, flush=True)
    if remove_work:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
