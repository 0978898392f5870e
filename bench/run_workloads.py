#!/usr/bin/env python3
"""Runs the workloads through zebhost as a user would and prints a Markdown table.

W1    full rebuild: 100 categories of 50 entries, 120 diary months of 20 entries, empty site-menu folder
W2    the same update right after (nothing stale)
W3    one month's data file touched, then the update
W1x4  400 categories, 480 months, full rebuild
apply select-all on a 50 KB page
floor the unavoidable work of W1 (bench/floor.cpp)

Each figure is the median of --runs runs; peak memory is the largest maximum resident set size
seen (GNU time). Usage: run_workloads.py BUILD_BIN_DIR [--runs N]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
NOW = '2026-12-07T12:00'

def make_site(path, categories, months):
    subprocess.run([sys.executable, os.path.join(HERE, 'make_site.py'), path,
                    '--categories', str(categories), '--months', str(months)], check=True)

def timed(cmd, cwd=None):
    """Runs cmd under GNU time; returns (seconds, peak KB, stdout)."""
    with tempfile.NamedTemporaryFile('r') as tf:
        start = time.perf_counter()
        p = subprocess.run(['/usr/bin/time', '-f', '%M', '-o', tf.name] + cmd, cwd=cwd,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        seconds = time.perf_counter() - start
        if p.returncode != 0:
            sys.exit('failed: %s\n%s' % (' '.join(cmd), p.stderr))
        peak = int(tf.read().strip().splitlines()[-1])
    return seconds, peak, p.stdout

def count_pages(folder):
    return len([n for n in os.listdir(folder) if n.endswith('.html')])

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('bin')
    ap.add_argument('--runs', type=int, default=5)
    args = ap.parse_args()
    zebhost = os.path.join(args.bin, 'zebhost')
    floor = os.path.join(args.bin, 'floor')
    work = tempfile.mkdtemp(prefix='zebbench-')
    rows = []
    try:
        base1 = os.path.join(work, 'w1')
        make_site(base1, 100, 120)
        base4 = os.path.join(work, 'w1x4')
        make_site(base4, 400, 480)

        def fresh(base):
            site = os.path.join(work, 'site')
            shutil.rmtree(site, ignore_errors=True)
            shutil.copytree(base, site)
            return site

        def update(site):
            return timed([zebhost, '--site', site, '--now', NOW, 'update'])

        results = {}
        for name, base in (('W1', base1), ('W1x4', base4)):
            times, peaks = [], []
            for _ in range(args.runs):
                site = fresh(base)
                s, kb, _ = update(site)
                times.append(s); peaks.append(kb)
            results[name] = (statistics.median(times), max(peaks), count_pages(os.path.join(site, 'ZebSitemenu')))
            if name == 'W1':
                reference = os.path.join(work, 'reference')
                shutil.rmtree(reference, ignore_errors=True)
                shutil.copytree(os.path.join(site, 'ZebSitemenu'), reference)
                w1site = site
                # W2 and W3 on the rebuilt W1 site.
                times, peaks = [], []
                for _ in range(args.runs):
                    s, kb, _ = update(site)
                    times.append(s); peaks.append(kb)
                results['W2'] = (statistics.median(times), max(peaks), 0)
                times, peaks = [], []
                touched = os.path.join(site, 'qcms', 'zebsitec001table000001202606.xml')
                for i in range(args.runs):
                    t = time.time() + 10 + i
                    os.utime(touched, (t, t))
                    s, kb, _ = update(site)
                    times.append(s); peaks.append(kb)
                results['W3'] = (statistics.median(times), max(peaks), None)
                # apply with select-all on the 50 KB page.
                times, peaks = [], []
                for _ in range(args.runs):
                    shutil.copy(os.path.join(base1, 'index.html'), os.path.join(site, 'index.html'))
                    s, kb, _ = timed([zebhost, '--site', site, '--now', NOW, 'apply', 'index.html',
                                      '--select-all'], cwd=site)
                    times.append(s); peaks.append(kb)
                results['apply'] = (statistics.median(times), max(peaks), 1)

        times, peaks = [], []
        templ = os.path.join(os.path.dirname(HERE), 'hostapp/data/template/_cm/temp/linkparts00.html')
        for _ in range(args.runs):
            out = os.path.join(work, 'floor-out')
            shutil.rmtree(out, ignore_errors=True)
            s, kb, text = timed([floor, base1, templ, reference, out])
            times.append(s); peaks.append(kb)
        results['floor'] = (statistics.median(times), max(peaks), count_pages(reference))

        fl = results['floor'][0]
        w1 = results['W1'][0]
        print('| workload | median s | x floor | x W1 | pages written | peak MB |')
        print('|---|---|---|---|---|---|')
        for name in ('floor', 'W1', 'W2', 'W3', 'W1x4', 'apply'):
            s, kb, pages = results[name]
            print('| %s | %.3f | %.2f | %.3f | %s | %.1f |' % (name, s, s / fl, s / w1,
                  '-' if pages is None else pages, kb / 1024.0))
    finally:
        shutil.rmtree(work, ignore_errors=True)

if __name__ == '__main__':
    main()
