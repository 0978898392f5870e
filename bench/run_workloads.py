#!/usr/bin/env python3
"""Runs the workloads through zebhost as a user would and prints a Markdown table.

W1    full rebuild: 100 categories of 50 entries, 120 diary months of 20 entries, empty site-menu folder
W2    the same update right after (nothing stale)
W3    one month's data file touched, then the update
W1x4  400 categories, 480 months, full rebuild
W2p   W2 on the W1 site with 2,400 entry pages, 20 of which carry link parts (the page refresh
      taking what the last run learned)
W2p-scan  the same with what the last run learned removed first: every page read
apply select-all on a 50 KB page
floor the unavoidable work of W1 (bench/floor.cpp): read every data file and the template once,
      write W1's output bytes to as many files

The workloads take turns within each round, so that a busy spell of a shared machine falls on all
of them alike. Every run writes into folders of its own and nothing is deleted until the end:
ext4 passes over recently deleted inodes when it makes a file, so deleting a site before the
next run made creating files several times slower, by an amount that depended on what was
deleted last. Each figure is the median of --runs rounds; peak memory is the largest maximum
resident set size seen; pages written are zebhost's own count.

Each run is timed around the program itself, by bench/spawn_timer (built beside zebhost): it
starts the program with posix_spawn and reaps it with wait4, which also gives its processor time
and peak memory. Earlier rounds ran it under GNU time
(/usr/bin/time), whose own start, a few milliseconds, every figure then included; --gnu-time times
that way again, to compare. Either way the script prints what the timer costs by itself (the same
timing of /bin/true).
Usage: run_workloads.py BUILD_BIN_DIR [--runs N] [--keep] [--gnu-time]
(--keep leaves the work folder in place: deleting it slows the file creation of a benchmark run
right after, such as that of another build to compare with.)
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
NOW = '2026-12-07T12:00'
TEMPLATE = os.path.join(os.path.dirname(HERE), 'hostapp/data/template/_cm/temp/linkparts00.html')
ORDER = ('floor', 'W1', 'W2', 'W3', 'W1x4', 'apply', 'W2p', 'W2p-scan')
# What zebhost learned about the site's pages in its last page refresh.
PAGE_MEMORY = 'ZebSitemenu/.zebhost-pages'


def make_site(path, categories, months, *extra):
    subprocess.run([sys.executable, os.path.join(HERE, 'make_site.py'), path,
                    '--categories', str(categories), '--months', str(months)] + list(extra), check=True)


def timed_gnu(cmd, cwd=None):
    """Runs cmd under GNU time; returns (wall seconds, cpu seconds, peak KB, stdout)."""
    with tempfile.NamedTemporaryFile('r') as tf:
        start = time.perf_counter()
        p = subprocess.run(['/usr/bin/time', '-f', '%M %U %S', '-o', tf.name] + cmd, cwd=cwd,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        seconds = time.perf_counter() - start
        if p.returncode != 0:
            sys.exit('failed: %s\n%s%s' % (' '.join(cmd), p.stdout, p.stderr))
        peak, user, system = tf.read().strip().splitlines()[-1].split()
    return seconds, float(user) + float(system), int(peak), p.stdout


def timed_direct(cmd, cwd=None):
    """Runs cmd through bench/spawn_timer; returns (wall seconds, cpu seconds, peak KB, stdout).

    The timer takes the wall time from posix_spawn to wait4's return and the child's own rusage."""
    p = subprocess.run([SPAWN_TIMER] + cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    lines = p.stderr.splitlines()
    if p.returncode != 0 or not lines or not lines[-1].startswith('spawn_timer '):
        sys.exit('failed: %s\n%s%s' % (' '.join(cmd), p.stdout, p.stderr))
    wall, user, system, peak, _ = (int(x) for x in lines[-1].split()[1:])
    return wall / 1e9, (user + system) / 1e6, peak, p.stdout


timed = timed_direct


def pages_written(report):
    """The page count of zebhost's report ("12 pages written", "no page written")."""
    m = re.search(r'^(\d+) pages? written', report, re.M)
    return int(m.group(1)) if m else 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('bin')
    ap.add_argument('--runs', type=int, default=5)
    ap.add_argument('--keep', action='store_true', help='leave the work folder (its path is printed)')
    ap.add_argument('--gnu-time', action='store_true', help='time each run under GNU time, as rounds one to six did')
    args = ap.parse_args()
    global timed, SPAWN_TIMER
    SPAWN_TIMER = os.path.join(os.path.abspath(args.bin), 'spawn_timer')
    if args.gnu_time:
        timed = timed_gnu
    elif not os.access(SPAWN_TIMER, os.X_OK):
        sys.exit('%s is missing: build the target spawn_timer' % SPAWN_TIMER)
    bindir = os.path.abspath(args.bin)
    zebhost = os.path.join(bindir, 'zebhost')
    floor = os.path.join(bindir, 'floor')
    now = time.mktime(time.strptime(NOW, '%Y-%m-%dT%H:%M'))
    work = tempfile.mkdtemp(prefix='zebbench-')
    samples = {name: [] for name in ORDER}  # (wall, cpu, peak KB, pages)

    def fresh(base, name):
        site = os.path.join(work, name)
        shutil.copytree(base, site)
        return site

    def zeb(name, site, *command, cwd=None):
        wall, cpu, kb, out = timed([zebhost, '--site', site, '--now', NOW] + list(command), cwd=cwd)
        samples[name].append((wall, cpu, kb, pages_written(out)))

    try:
        base1 = os.path.join(work, 'w1')
        make_site(base1, 100, 120)
        base4 = os.path.join(work, 'w1x4')
        make_site(base4, 400, 480)
        # The site with entry pages, brought up to date once; every round's W2p runs on it.
        sitep = os.path.join(work, 'w1p')
        make_site(sitep, 100, 120, '--entry-pages', '2400', '--carrying', '20')
        timed([zebhost, '--site', sitep, '--now', NOW, 'update'])

        # W1's output, once, for the floor to write.
        site = fresh(base1, 'site-ref')
        timed([zebhost, '--site', site, '--now', NOW, 'update'])
        reference = os.path.join(work, 'reference')
        shutil.copytree(os.path.join(site, 'ZebSitemenu'), reference,
                        ignore=shutil.ignore_patterns(os.path.basename(PAGE_MEMORY)))

        touched = 'zebsitec001table000001202606.xml'
        harness = []  # /bin/true through the same timer: what every figure below includes besides the program
        for i in range(args.runs):
            harness.append(timed(['/bin/true'])[0])
            out = os.path.join(work, 'floor-out-%d' % i)
            wall, cpu, kb, text = timed([floor, base1, TEMPLATE, reference, out])
            samples['floor'].append((wall, cpu, kb, int(text.split()[2])))

            site = fresh(base1, 'site-%d' % i)
            zeb('W1', site, 'update')
            zeb('W2', site, 'update')
            # Newer than the pages, which carry the fixed moment as their last-write time.
            t = now + 60 + i
            os.utime(os.path.join(site, 'qcms', touched), (t, t))
            zeb('W3', site, 'update')
            shutil.copy(os.path.join(base1, 'index.html'), os.path.join(site, 'index.html'))
            zeb('apply', site, 'apply', 'index.html', '--select-all', cwd=site)

            site4 = fresh(base4, 'site4-%d' % i)
            zeb('W1x4', site4, 'update')

            zeb('W2p', sitep, 'update')
            os.remove(os.path.join(sitep, PAGE_MEMORY))
            zeb('W2p-scan', sitep, 'update')

        med = {name: statistics.median(s[0] for s in samples[name]) for name in ORDER}
        print('| workload | median ms | cpu ms | x floor | x W1 | pages written | peak MB |')
        print('|---|---|---|---|---|---|---|')
        for name in ORDER:
            s = samples[name]
            pages = sorted(set(x[3] for x in s))
            print('| %s | %.1f | %.1f | %.2f | %.3f | %s | %.1f |' % (
                name, med[name] * 1000, statistics.median(x[1] for x in s) * 1000, med[name] / med['floor'],
                med[name] / med['W1'], '/'.join(str(p) for p in pages), max(x[2] for x in s) / 1024.0))
        print()
        print('runs: %d; W1 / floor %.2f (target 2.5); W2 / W1 %.3f (target 0.10); W2 %.1f ms (target 8); '
              'W1x4 / W1 %.2f (target 4); W1x4 peak %.1f MB (target 16); W2p %.1f ms (target 15)' % (
                  args.runs, med['W1'] / med['floor'], med['W2'] / med['W1'], med['W2'] * 1000,
                  med['W1x4'] / med['W1'], max(x[2] for x in samples['W1x4']) / 1024.0, med['W2p'] * 1000))
        print('the timer itself (%s running /bin/true, median): %.2f ms' % (
            'GNU time' if args.gnu_time else 'spawn_timer', statistics.median(harness) * 1000))
        print('load average at the end: %.2f %.2f %.2f' % os.getloadavg())
    finally:
        if args.keep:
            print('work folder kept: %s' % work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
