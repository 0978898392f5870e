#!/usr/bin/env python3
"""Makes a CMS site folder of any size for the benchmarks and the hostile-input tests.

The site gets qcms/qccl.xml (the diary is category 1, the second in the list), one category data
file per ordinary category, one month data file per diary month, and an index.html laid out with
the markers the apply flow looks for, and as many entry pages as asked for (contents/cNNN/eNNNN.html,
the pages the category entries link to), some of them carrying link parts. Every data file is dated in the past (--date), so that a
fresh site-menu folder is out of date everywhere and a rebuilt one is current.
"""
import argparse
import os
import time
from xml.sax.saxutils import escape

def month_seq(end_year, end_month, count):
    y, m = end_year, end_month
    months = []
    for _ in range(count):
        months.append((y, m))
        m -= 1
        if m == 0:
            y, m = y - 1, 12
    return list(reversed(months))

def write(path, text, encoding, mtime):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    decl = {'utf-8': 'UTF-8', 'shift_jis': 'Shift_JIS'}[encoding]
    data = ('<?xml version="1.0" encoding="%s"?>\n' % decl + text).encode(
        'cp932' if encoding == 'shift_jis' else 'utf-8')
    with open(path, 'wb') as f:
        f.write(data)
    os.utime(path, (mtime, mtime))

def entry(i, title, created, category, link):
    return ('  <contentpart>\n'
            '    <id>%d</id>\n    <title>%s</title>\n    <creationtime>%s</creationtime>\n'
            '    <category>%s</category>\n    <link>%s</link>\n'
            '  </contentpart>\n') % (i, escape(title), created, escape(category), escape(link))

def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument('site', help='folder to create (must not exist or be empty)')
    ap.add_argument('--categories', type=int, default=100, help='ordinary categories (besides the diary)')
    ap.add_argument('--entries', type=int, default=50, help='entries per category')
    ap.add_argument('--months', type=int, default=120, help='diary months')
    ap.add_argument('--month-entries', type=int, default=20, help='diary entries per month')
    ap.add_argument('--end', default='2026-12', help='last diary month, YYYY-MM')
    ap.add_argument('--encoding', choices=['utf-8', 'shift_jis'], default='utf-8')
    ap.add_argument('--date', default='2020-01-01', help='last-write date of the data files')
    ap.add_argument('--index-kb', type=int, default=50, help='approximate size of index.html in KB')
    ap.add_argument('--entry-pages', type=int, default=0, help='entry pages of the categories (about 3 KB each)')
    ap.add_argument('--carrying', type=int, default=0,
                    help='entry pages, spread evenly, that carry their category\'s link part and the calendar')
    args = ap.parse_args()

    mtime = time.mktime(time.strptime(args.date, '%Y-%m-%d'))
    qcms = os.path.join(args.site, 'qcms')
    os.makedirs(os.path.join(args.site, 'ZebSitemenu'), exist_ok=True)

    numids = [0] + list(range(2, args.categories + 1))
    numids = numids[:args.categories]
    cats = ['<categorymngdoc>\n']
    order = numids[:1] + [1] + numids[1:]
    for n in order:
        name = '日記' if n == 1 else 'カテゴリ%03d' % n
        cats.append('  <category numid="%d">\n    <name>%s</name>\n    <icon>icon%d.gif</icon>\n  </category>\n'
                    % (n, escape(name), n))
    cats.append('</categorymngdoc>\n')
    write(os.path.join(qcms, 'qccl.xml'), ''.join(cats), args.encoding, mtime)

    for n in numids:
        body = ['<partinfo>\n']
        for i in range(args.entries):
            body.append(entry(i + 1, '記事 %d の %d 番目' % (n, i + 1), '2019/12/%02d 10:00:00' % (i % 28 + 1),
                              'カテゴリ%03d' % n, 'contents/c%03d/e%04d.html' % (n, i + 1)))
        body.append('</partinfo>\n')
        write(os.path.join(qcms, 'zebsitec%03dtable000001.xml' % n), ''.join(body), args.encoding, mtime)

    ey, em = (int(x) for x in args.end.split('-'))
    for (y, m) in month_seq(ey, em, args.months):
        body = ['<partinfo>\n']
        for i in range(args.month_entries):
            day = i % 28 + 1
            body.append(entry(i + 1, '%d年%d月%d日の日記' % (y, m, day), '%04d/%02d/%02d 21:00:00' % (y, m, day),
                              '日記', 'contents/diary/%04d%02d%02d.html' % (y, m, day)))
        body.append('</partinfo>\n')
        write(os.path.join(qcms, 'zebsitec001table000001%04d%02d.xml' % (y, m)), ''.join(body),
              args.encoding, mtime)

    filler = ''.join('<p>段落 %d: サイトの本文です。</p>\n' % i for i in range(args.index_kb * 1024 // 48))
    index = ('<!DOCTYPE html>\n<html lang="ja">\n<head>\n<meta charset="UTF-8">\n<title>ベンチ</title>\n</head>\n'
             '<body>\n<table id="zebsitemenutable000000000001"><tr><td>メニュー</td></tr></table>\n'
             '<div id="_ZEB_LAYOUT_CONTENTS">\n<table><tr><td class="zeb-lb-tb1-cell3">\n</td></tr></table>\n'
             + filler + '</div>\n</body>\n</html>\n')
    with open(os.path.join(args.site, 'index.html'), 'w', encoding='utf-8') as f:
        f.write(index)

    # Entry pages in the order the category data files list them; the carrying ones hold stale
    # parts, which the first update refreshes.
    every = args.entry_pages // args.carrying if args.carrying else 0
    for k in range(args.entry_pages):
        n, i = numids[1 + (k // args.entries) % (len(numids) - 1)], k % args.entries + 1
        parts = ''
        if every and k % every == 0 and k // every < args.carrying:
            parts = ('<table id="zebsitec%03dtable000001"><tr><td>古い一覧</td></tr></table>\n'
                     '<table id="zebsitec001table000001"><tr><td>古い暦</td></tr></table>\n' % n)
        text = ''.join('<p>記事 %d の本文、段落 %d です。サイトの記事の本文が続きます。</p>\n' % (i, j)
                       for j in range(30))
        page = ('<!DOCTYPE html>\n<html lang="ja">\n<head>\n<meta charset="UTF-8">\n<title>記事 %d</title>\n'
                '</head>\n<body>\n<h1>記事 %d の %d 番目</h1>\n%s%s</body>\n</html>\n' % (i, n, i, parts, text))
        path = os.path.join(args.site, 'contents', 'c%03d' % n, 'e%04d.html' % i)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'w', encoding='utf-8') as f:
            f.write(page)

if __name__ == '__main__':
    main()
