#!/usr/bin/env python3
"""Where the CPU goes when Quillmark converts the corpus to PNG (or --format PDF) with --jobs 1.

Two views of the same run: CPU seconds per process kind of the whole tree (quillmark, Chromium's browser,
renderer, GPU, network and other utility processes, zygote), sampled from /proc/PID/stat every 0.1 s by
proctree.py; and `perf record` on the quillmark process alone, reported as its top functions (self time) and
as shares by activity (callers included: base64, JSON, PNG/zlib, image decode/encode, the CDP transport).

usage: profile.py [--binary PATH] [--tallest N] [--format PNG|PDF] [--out DIR]
--tallest N profiles the N tallest pages alone (heights from the last bench.py run's heights.json)."""
import argparse, json, os, re, shutil, signal, subprocess, sys, tempfile, time, urllib.parse

import bench, corpus, proctree

ACTIVITIES = (  # a sample goes to the first activity found anywhere in its call chain
    ('base64 decode', r'fromBase64'),
    ('PNG encode (band encoder, libpng, zlib deflate)', r'BandEncoder|png_write|deflate|QImageWriter|QPngHandler::write'),
    ('image decode (libpng, zlib inflate)', r'QImageReader|loadFromData|png_read|inflate|QPngHandler::read'),
    ('image copy / convert', r'QImage::copy|convertTo|convertToFormat|qt_convert|QPainter|qt_blend'),
    ('JSON parse / build', r'QJson|QCbor|QJsonPrivate'),
    ('output file write', r'QFile|QSaveFile|OutputFile|fsync'),
    ('CDP pipe read / write', r'PipeTransport|QSocketNotifier'),
)
FRAME = re.compile(r'\s*([0-9a-f]+) (.*) \((.*)\)$')


def samples(data):
    """Call chains (leaf first) of (symbol, library) from `perf script`."""
    text = subprocess.run(['perf', 'script', '-i', data, '-F', 'ip,sym,dso'], capture_output=True,
                          text=True).stdout
    for block in text.split('\n\n'):
        frames = [(m.group(2), os.path.basename(m.group(3))) for m in map(FRAME.match, block.splitlines()) if m]
        if frames:
            yield frames


def resolved(symbol):
    return not (symbol.startswith('0x') or symbol == '[unknown]' or re.fullmatch(r'[0-9a-f]+', symbol))


def leaf_name(frames):
    """The function a sample ran in; an unnamed one by the first named caller, kernel time by its user caller."""
    symbol, library = frames[0]
    if library == '[kernel.kallsyms]':
        caller = next((s for s, lib in frames if lib != '[kernel.kallsyms]' and resolved(s)), '?')
        return f'kernel, under {caller}'
    if resolved(symbol):
        return f'{symbol} ({library})'
    caller = next((f'{s} ({lib})' for s, lib in frames if resolved(s)), library)
    return f'inside {caller}'


def analyse(data):
    total, activities, leaves = 0, {}, {}
    for frames in samples(data):
        total += 1
        chain = ' | '.join(s for s, _ in frames)
        name = next((n for n, pattern in ACTIVITIES if re.search(pattern, chain)), None)
        if name is None:
            name = 'kernel, other' if frames[0][1] == '[kernel.kallsyms]' else 'other'
        activities[name] = activities.get(name, 0) + 1
        leaf = leaf_name(frames)
        leaves[leaf] = leaves.get(leaf, 0) + 1
    return total, activities, leaves


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--binary', default=os.path.join(bench.ROOT, 'build', 'app', 'quillmark'))
    parser.add_argument('--tallest', type=int, default=0)
    parser.add_argument('--out', default=os.path.join(bench.ROOT, 'bench', 'out', 'cli'))
    parser.add_argument('--frequency', default='499')
    parser.add_argument('--format', default='PNG', type=str.upper)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix='quillmark-profile-')
    generated = os.path.join(work, 'site')
    os.makedirs(generated)
    names = bench.make_pages(generated, 3, special=True)
    server = bench.serve(generated)
    base = f'http://127.0.0.1:{server.server_address[1]}'
    paths = [f'/doc/{urllib.parse.quote(p)}' for p in corpus.load()] + [f'/gen/{n}' for n in names]
    if args.tallest:
        with open(os.path.join(args.out, 'heights.json')) as f:
            heights = json.load(f)
        paths = sorted(heights, key=lambda p: -heights[p])[:args.tallest]
    urls = [base + p for p in paths]
    home = os.path.join(work, 'home')
    subprocess.run([args.binary, 'convert', '--home', home, '-o', os.path.join(work, 'warm'), '-q', urls[-1]],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    meta = os.path.join(work, 'run')
    os.makedirs(meta)
    with open(os.path.join(meta, 'commands.json'), 'w') as f:
        json.dump([[args.binary, 'convert', '--home', home, '-o', os.path.join(work, 'out'), '-f', args.format, '-j', '1',
                    '--timeout', '120', '-q', *urls]], f)
    report = os.path.join(meta, 'report.json')
    runner = subprocess.Popen([sys.executable, os.path.join(bench.HERE, 'proctree.py'), report, '0.1',
                               os.path.join(meta, 'commands.json')])
    target = None
    while target is None and runner.poll() is None:
        target = next((p for p in proctree.descendants(runner.pid)
                       if os.path.basename(os.readlink(f'/proc/{p}/exe')) == 'quillmark'), None)
        time.sleep(0.02)
    data = os.path.join(args.out, 'perf-tallest.data' if args.tallest else 'perf.data')
    perf = subprocess.Popen(['perf', 'record', '-q', '-F', args.frequency, '--call-graph', 'dwarf,16384', '-p',
                             str(target), '-o', data], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    runner.wait()
    perf.send_signal(signal.SIGINT)
    perf.wait()
    server.shutdown()
    with open(report) as f:
        r = json.load(f)
    shutil.rmtree(work, ignore_errors=True)

    print(f'{len(urls)} pages, {args.format}, --jobs 1: {r["wall"]:.1f} s, CPU {r["cpu"]:.1f} s (user {r["user"]:.1f}, '
          f'system {r["sys"]:.1f}), load average {os.getloadavg()[0]:.1f}\n')
    print('| process | CPU s | share |\n|---|---|---|')
    kinds = sorted(r['cpu_by_kind'].items(), key=lambda kv: -kv[1])
    for kind, seconds in kinds + [('not sampled (ended between samples)', r['cpu'] - sum(r['cpu_by_kind'].values()))]:
        print(f'| {kind} | {seconds:.1f} | {100 * seconds / r["cpu"]:.0f}% |')
    total, activities, leaves = analyse(data)
    print(f'\nquillmark process, {total} samples at {args.frequency} Hz, by activity (callers included):\n')
    print('| activity | share |\n|---|---|')
    for name, count in sorted(activities.items(), key=lambda kv: -kv[1]):
        print(f'| {name} | {100 * count / max(total, 1):.1f}% |')
    print('\nquillmark process, top functions (self time):\n')
    print('| share | function |\n|---|---|')
    for name, count in sorted(leaves.items(), key=lambda kv: -kv[1])[:20]:
        print(f'| {100 * count / max(total, 1):.1f}% | `{name[:110]}` |')


if __name__ == '__main__':
    main()
