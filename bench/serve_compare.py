#!/usr/bin/env python3
"""Requests per second of `zebhost serve` against `python3 -m http.server` on the same site.

The sample site with every link part in its home page (as the demo makes it) is served by both
on loopback; bench/serve_load (built beside zebhost) asks for /index.html in two ways, taking
turns between the servers within each run so that a busy spell of the machine falls on both:

  burst   rounds of 200 clients at once, one request each on a new connection (--rounds); a
          connect not answered within 10 s counts as a failure
  steady  8 clients at once, 400 requests each, on one connection while the server keeps it
          (http.server closes it after each response, so its clients connect anew)

zebhost's response carries the live-reload script (about 120 bytes more). Prints a Markdown table
of the medians over --runs runs.
Usage: serve_compare.py BUILD_BIN_DIR [--runs N] [--rounds N]
(http.server listens with a queue of 5 pending connections: a burst round takes it seconds, so
the defaults are small.)
"""
import argparse
import os
import re
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(os.path.dirname(HERE), 'examples', 'site')
NOW = '2025-03-28T10:00'


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def wait_for(port):
    for _ in range(100):
        try:
            socket.create_connection(('127.0.0.1', port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.05)
    sys.exit('the server on port %d did not start' % port)


def load(bin_dir, port, args):
    out = subprocess.run([os.path.join(bin_dir, 'serve_load'), '127.0.0.1', str(port), '/index.html'] + args,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    fields = dict(re.findall(r'(\w+) ([\d.]+)', out.stdout))
    if 'per_second' not in fields:
        sys.exit('serve_load failed on port %d: %s%s' % (port, out.stdout, out.stderr))
    return (float(fields['per_second']), float(fields['median_ms']), float(fields['p99_ms']),
            int(fields['wrong']), int(fields['requests']))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('bin')
    parser.add_argument('--runs', type=int, default=3)
    parser.add_argument('--rounds', type=int, default=2)
    opts = parser.parse_args()
    zebhost = os.path.join(opts.bin, 'zebhost')
    work = tempfile.mkdtemp(prefix='serve-bench-')
    site = os.path.join(work, 'site')
    shutil.copytree(SAMPLE, site)
    for cmd in (['update'], ['apply', 'index.html', '--select-all']):
        subprocess.run([zebhost, '--site', site, '--now', NOW] + cmd, check=True, stdout=subprocess.DEVNULL)
    ports = {'zebhost serve': free_port(), 'python3 -m http.server': free_port()}
    servers = [
        subprocess.Popen([zebhost, '--site', site, '--now', NOW, 'serve', '--port', str(ports['zebhost serve'])],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL),
        subprocess.Popen([sys.executable, '-m', 'http.server', str(ports['python3 -m http.server']), '--bind',
                          '127.0.0.1', '--directory', site], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL),
    ]
    modes = {'burst': ['--connections', '200', '--rounds', str(opts.rounds)],
             'steady': ['--connections', '8', '--requests', '400', '--rounds', '1']}
    results = {}
    try:
        for port in ports.values():
            wait_for(port)
        for _ in range(opts.runs):
            for mode, args in modes.items():
                for name, port in ports.items():
                    results.setdefault((mode, name), []).append(load(opts.bin, port, args))
    finally:
        for server in servers:
            server.terminate()
            server.wait()
        shutil.rmtree(work)
    print('| load | server | requests/s | median ms | p99 ms | failed |')
    print('|---|---|---|---|---|---|')
    for (mode, name), runs in results.items():
        print('| %s | %s | %.0f | %.2f | %.2f | %d of %d |' % (
            mode, name, statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs),
            statistics.median(r[2] for r in runs), sum(r[3] for r in runs), sum(r[4] for r in runs)))


if __name__ == '__main__':
    main()
