#!/usr/bin/env python3
"""Command-line throughput on real documentation: Quillmark against Playwright, wkhtmltoimage/wkhtmltopdf and
CutyCapt, same pages, same run, PNG and PDF.

The pages are the corpus (corpus.txt: Debian's packaged manuals under /usr/share/doc, served whole on
127.0.0.1) plus a few generated pages for special cases; --quick uses 30 generated pages instead. Each
contender runs as a child process tree under proctree.py, which reports wall time, CPU seconds (user + system
of the whole tree) and peak memory (the largest sum of PSS over the tree, sampled from /proc). Results,
the pixel size of every PNG (sizes.json: Quillmark's output name -> WIDTHxHEIGHT, compared with the
checked-in sizes.json of a reference run) and the table go to --out."""
import argparse, http.server, json, os, shlex, shutil, socketserver, statistics, struct, subprocess, sys, tempfile, \
    threading, urllib.parse, zlib

import corpus

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CHROMIUM = '/usr/bin/chromium'
FLOOR = 'floor'  # Quillmark's own protocol client doing the least per page (bench/floor)
VIEWPORT_HEIGHT = 800
PORT = 8931
BASELINE_SIZES = os.path.join(HERE, 'sizes.json')  # Quillmark --jobs 1 PNG sizes of a reference run


def png(width, height, seed):
    rows = b''.join(b'\0' + b''.join(bytes(((x * 7 + y * 3 + seed * 40) % 256, (x + seed * 90) % 256, (y * 5) % 256))
                                      for x in range(width)) for y in range(height))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) + \
        chunk(b'IDAT', zlib.compress(rows, 6)) + chunk(b'IEND', b'')


def png_size(path):
    with open(path, 'rb') as f:
        head = f.read(24)
    return struct.unpack('>II', head[16:24]) if head[:8] == b'\x89PNG\r\n\x1a\n' else None


WORDS = ('quill mark page capture render layout paragraph column image document browser engine pixel '
         'ledger harbour lantern meadow orchard').split()
STYLE = ('<style>body{font:16px "DejaVu Sans",sans-serif;margin:24px;color:#223}figure{display:inline-block;'
         'margin:8px}h2{color:#35a}header{position:fixed;top:0;left:0;right:0;background:#ddf;height:48px}'
         'nav{position:sticky;top:48px;background:#fed}.hero{height:100vh;background:#cde}'
         'td{border:1px solid #999;padding:4px}</style>')


def text(n, seed):
    return ' '.join(WORDS[(i * 7 + seed) % len(WORDS)] for i in range(n))


def make_pages(folder, count, special=False):
    """Generated pages: `count` short, long and image-heavy pages in turn; with `special`, also a page with
    lazy images far down, one with a fixed header, a sticky bar and a 100vh section, and one wider than the
    viewport."""
    for i in range(4):
        with open(os.path.join(folder, f'img{i}.png'), 'wb') as f:
            f.write(png(320, 200, i))
    pages = {}
    for i in range(count):
        kind = ('short', 'long', 'images')[i % 3]
        body = [f'<h1>Page {i} ({kind})</h1>']
        if kind == 'short':
            body.append(f'<p>{text(120, i)}</p>')
        elif kind == 'long':
            body += [f'<h2>Section {s}</h2><p>{text(260, i + s)}</p>' for s in range(40 + i)]
        else:
            body += [f'<figure><img src="img{(i + k) % 4}.png?{i}-{k}" width="320" height="200">'
                     f'<figcaption>{text(12, k)}</figcaption></figure>' for k in range(30)]
        pages[f'page{i}.html'] = body
    if special:
        pages['lazy.html'] = ['<h1>Lazy images</h1>'] + [
            f'<p>{text(200, k)}</p><img loading="lazy" src="img{k % 4}.png?lazy{k}" width="320" height="200">'
            for k in range(24)]
        pages['fixed.html'] = ['<header>Fixed header</header><div class="hero">Full-height section</div>',
                               '<nav>Sticky bar</nav>'] + [f'<h2>Part {s}</h2><p>{text(200, s)}</p>' for s in range(30)]
        pages['wide.html'] = ['<h1>Wide table</h1><table>'] + [
            '<tr>' + ''.join(f'<td>{text(3, r + c)}</td>' for c in range(24)) + '</tr>' for r in range(200)] + ['</table>']
    for name, body in pages.items():
        with open(os.path.join(folder, name), 'w') as f:
            f.write('<!doctype html><html><head><meta charset="utf-8">' + STYLE + '</head><body>' + ''.join(body) +
                    '</body></html>')
    return sorted(pages, key=lambda n: (not n.startswith('page'), len(n), n))


class Handler(http.server.SimpleHTTPRequestHandler):
    """/doc/ serves /usr/share/doc, /gen/ the generated pages."""
    generated = None

    def translate_path(self, path):
        for prefix, folder in (('/doc/', corpus.DOC), ('/gen/', self.generated)):
            if path.startswith(prefix):
                self.directory = folder
                return super().translate_path(path[len(prefix) - 1:])
        return '/nonexistent'

    def log_message(self, *args):
        pass


def serve(generated, port=0):
    """On `port` when it is free (Quillmark's output names hold it, so a fixed one keeps sizes.json comparable
    between runs), else on any."""
    Handler.generated = generated
    try:
        server = socketserver.ThreadingTCPServer(('127.0.0.1', port), Handler)
    except OSError:
        sys.stderr.write(f'port {port} is taken: output names will not match the baseline sizes\n')
        server = socketserver.ThreadingTCPServer(('127.0.0.1', 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def measure(name, commands, out_dir, meta, wanted, kind, keep, interval=0.25):
    """Runs the commands one after another under proctree.py and returns its report with the outputs counted:
    pages, bytes, and for PNG each picture's size from its header (megapixels); the outputs themselves are
    removed afterwards unless `keep`."""
    with open(os.path.join(meta, 'commands.json'), 'w') as f:
        json.dump(commands, f)
    report = os.path.join(meta, 'report.json')
    # The contender before may have left a gigabyte of pictures unwritten: a contender that syncs its
    # files (Quillmark does) would otherwise wait for those too.
    os.sync()
    subprocess.run([sys.executable, os.path.join(HERE, 'proctree.py'), report, str(interval),
                    os.path.join(meta, 'commands.json')], check=True)
    with open(report) as f:
        r = json.load(f)
    for error in r['errors'][:3]:
        sys.stderr.write(f'{name}: {error}\n')
    paths = [os.path.join(out_dir, f) for f in sorted(os.listdir(out_dir)) if f.endswith('.' + kind)]
    written = [p for p in paths if os.path.getsize(p)]
    sizes = {p: png_size(p) for p in written} if kind == 'png' else {}
    pixels = sum(w * h for w, h in filter(None, sizes.values()))
    r.update(pages=len(written), wanted=wanted, bytes=sum(os.path.getsize(p) for p in written), mpx=pixels / 1e6,
             sizes=sizes, out=out_dir, meta=meta)
    if not keep:
        shutil.rmtree(out_dir, ignore_errors=True)
    print(f'  {kind.upper()} {name}: {r["pages"]}/{wanted} in {r["wall"]:.1f} s, CPU {r["cpu"]:.1f} s, '
          f'peak PSS {r["peak_pss_mb"]:.0f} MB', file=sys.stderr, flush=True)
    return r


def quillmark_outputs(r):
    """Page address -> output path, from Quillmark's --json lines."""
    found = {}
    with open(os.path.join(r['meta'], 'stdout-0.txt')) as f:
        for line in f:
            if line.startswith('{'):
                row = json.loads(line)
                if row.get('status') == 'OK':
                    found[row['address']] = row['output']
    return found


def whole_page_check(contenders, urls, out):
    """Writes sizes.json (Quillmark --jobs 1 PNG name -> WxH) and compares every PNG's height with Quillmark's,
    from each contender's first round. Blink contenders should match it to the pixel; WebKit ones lay out
    differently, so only a height under 90% of Quillmark's is counted as a cut page (not on pages shorter than
    the viewport, which Quillmark fills)."""
    by = {c['name']: c['rounds'][0] for c in contenders if c['kind'] == 'png' and c['rounds']}
    reference = by.get('quillmark --jobs 1')
    if not reference:
        return []
    outputs = quillmark_outputs(reference)
    heights, sizes = {}, {}
    for i, url in enumerate(urls):
        size = reference['sizes'].get(outputs.get(url))
        if size:
            sizes[os.path.basename(outputs[url])] = f'{size[0]}x{size[1]}'
            heights[i] = tuple(size)
    with open(os.path.join(out, 'sizes.json'), 'w') as f:
        json.dump(sizes, f, indent=1, sort_keys=True)
    baseline = {}
    if os.path.exists(BASELINE_SIZES):
        with open(BASELINE_SIZES) as f:
            baseline = json.load(f)
    changed = [f'{n} {baseline[n]} -> {sizes[n]}' for n in sorted(sizes) if n in baseline and baseline[n] != sizes[n]]
    with open(os.path.join(out, 'heights.json'), 'w') as f:  # for profile.py --tallest
        json.dump({urllib.parse.urlsplit(urls[i]).path: h for i, (_, h) in heights.items()}, f, indent=1)
    lines = [f'Quillmark --jobs 1 PNG: {len(sizes)} outputs, widths {sorted({w for w, _ in heights.values()})}, '
             f'{sum(h > 20000 for _, h in heights.values())} over 20,000 px, '
             f'{sum(h > 32768 for _, h in heights.values())} over 32,768 px, tallest {max((h for _, h in heights.values()), default=0)} px',
             f'against the checked-in sizes.json: {len(set(sizes) & set(baseline))} compared, {len(changed)} changed'
             + (f' ({"; ".join(changed[:8])})' if changed else '')]
    for name, r in by.items():
        if r is reference:
            continue
        if name.startswith('quillmark'):
            mine = quillmark_outputs(r)
            paths = {i: mine.get(url) for i, url in enumerate(urls)}
        else:
            paths = {i: os.path.join(r['out'], f'page{i}.png') for i in range(len(urls))}
        same, cut, other = 0, [], []
        for i, (w, h) in heights.items():
            if paths.get(i) not in r['sizes']:
                continue
            size = r['sizes'][paths[i]]
            note = f'{urls[i].rsplit("/", 1)[-1]} {size[0]}x{size[1]} vs {w}x{h}' if size else urls[i]
            if size and tuple(size) == (w, h):
                same += 1
            elif not size or (size[1] < 0.9 * h and h > VIEWPORT_HEIGHT):
                cut.append(note)
            else:
                other.append(note)
        lines.append(f'{name}: {same} same size as Quillmark, {len(other)} other sizes'
                     + (f' (e.g. {"; ".join(other[:3])})' if other else '') + f', {len(cut)} cut'
                     + (f' ({"; ".join(cut[:6])})' if cut else ''))
    return lines


def spread(values, digits=2, suffix=''):
    """Median with the min-max range of the rounds, e.g. "1.02x (0.97-1.08)"."""
    values = [v for v in values if v is not None]
    if not values:
        return '-'
    low, mid, high = min(values), statistics.median(values), max(values)
    if len(values) == 1 or round(low, digits) == round(high, digits):
        return f'{mid:.{digits}f}{suffix}'
    return f'{mid:.{digits}f}{suffix} ({low:.{digits}f}–{high:.{digits}f})'


def metrics(r):
    """What one round of one contender gives per page and per megapixel; None where there is nothing to divide."""
    pages, mpx = r['pages'], r['mpx']
    return {'rate': pages / r['wall'], 'mpx_rate': mpx / r['wall'] if mpx else None,
            'cpu_page': r['cpu'] / pages if pages else None, 'cpu_mpx': r['cpu'] / mpx if mpx else None,
            'pss': r['peak_pss_mb']}


def median_of(contender, key):
    values = [metrics(r)[key] for r in contender['rounds'] if metrics(r)[key] is not None]
    return statistics.median(values) if values else None


def ratio(ours, theirs, key, invert=False):
    """Round by round (the rounds interleave the contenders, so each pair ran under the same load): ours over
    theirs, median and spread."""
    values = []
    for a, b in zip(ours['rounds'], theirs['rounds']):
        x, y = metrics(a)[key], metrics(b)[key]
        if x and y:
            values.append(y / x if invert else x / y)
    return spread(values, suffix='x')


def best(contenders, key):
    rated = [c for c in contenders if median_of(c, key) is not None]
    return max(rated, key=lambda c: median_of(c, key)) if rated else None


def summary(contenders, fmt):
    """Quillmark's best against the best peer, the WebKit tools and the floor."""
    rows = [c for c in contenders if c['kind'] == fmt and c['rounds']]
    ours = [c for c in rows if c['name'].startswith('quillmark')]
    peers = [c for c in rows if not c['name'].startswith(('quillmark', FLOOR))]
    lines = []
    for key, label in (('rate', 'pages/s'), ('mpx_rate', 'Mpx/s')):
        q, p = best(ours, key), best(peers, key)
        if q and p:
            lines.append(f'{fmt.upper()} {label}: Quillmark\'s best ({q["name"]}) {ratio(q, p, key)} the best peer '
                         f'({p["name"]})')
    q = best(ours, 'rate')
    for family in ('wkhtmlto', 'cutycapt'):
        w = best([c for c in peers if c['name'].startswith(family)], 'rate')
        if not (q and w):
            continue
        line = f'{fmt.upper()} {q["name"]} against {w["name"]}: CPU/page {ratio(q, w, "cpu_page")}'
        if fmt == 'pdf':
            per_page = lambda c: statistics.median(r['bytes'] / r['pages'] for r in c['rounds'] if r['pages'])
            line += f', bytes/page {per_page(q) / per_page(w):.2f}x'
        lines.append(line)
    one = next((c for c in rows if c['name'] == 'quillmark --jobs 1'), None)
    floor = next((c for c in rows if c['name'] == f'{FLOOR}, 1 tab'), None)
    if one and floor:
        lines.append(f'{fmt.upper()} quillmark --jobs 1 against {floor["name"]}: pages/s {ratio(one, floor, "rate")}, '
                     f'CPU/page {ratio(one, floor, "cpu_page")}')
    return lines


def table(contenders):
    lines = ['| output | contender | pages | MB written | Mpx | pages/s | Mpx/s | CPU s/page | CPU s/Mpx | peak PSS MB |',
             '|---|---|---|---|---|---|---|---|---|---|']
    for c in contenders:
        if not c['rounds']:
            continue
        m = [metrics(r) for r in c['rounds']]
        get = lambda key: [x[key] for x in m]
        pages = min(r['pages'] for r in c['rounds'])
        mb = statistics.median(r['bytes'] for r in c['rounds']) / 1e6
        mpx = statistics.median(r['mpx'] for r in c['rounds'])
        lines.append(f'| {c["kind"].upper()} | {c["name"]} | {pages}/{c["rounds"][0]["wanted"]} | {mb:.1f} | '
                     + (f'{mpx:.0f}' if mpx else '-') + f' | {spread(get("rate"))} | {spread(get("mpx_rate"))} | '
                     f'{spread(get("cpu_page"))} | {spread(get("cpu_mpx"), 3)} | {spread(get("pss"), 0)} |')
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--quick', action='store_true', help='30 generated pages instead of the corpus')
    parser.add_argument('--pages', type=int, default=30, help='generated pages with --quick')
    parser.add_argument('--corpus', type=int, default=0, help='only the first N corpus pages (0: all)')
    parser.add_argument('--rounds', type=int, default=3, help='rounds, each running every contender once')
    parser.add_argument('--binary', default=os.path.join(ROOT, 'build', 'app', 'quillmark'))
    parser.add_argument('--floor', default=os.path.join(ROOT, 'build', 'bench', 'floor', 'cli_floor'))
    parser.add_argument('--jobs', default='1,2,4', help='concurrencies to try: Quillmark --jobs, Playwright pages at '
                        'once, processes at once for the one-page tools')
    parser.add_argument('--floor-tabs', default='1,2', help='tabs at once for the floor')
    parser.add_argument('--formats', default='png,pdf')
    parser.add_argument('--only', default='', help='comma-separated contender name prefixes to run')
    parser.add_argument('--keep', action='store_true', help='keep the outputs (the folder is named at the end)')
    parser.add_argument('--out', default=os.path.join(ROOT, 'bench', 'out', 'cli'))
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix='quillmark-bench-')
    generated = os.path.join(work, 'site')
    os.makedirs(generated)
    names = make_pages(generated, args.pages) if args.quick else make_pages(generated, 3, special=True)
    server = serve(generated, PORT)
    base = f'http://127.0.0.1:{server.server_address[1]}'
    docs = [] if args.quick else corpus.load()[:args.corpus or None]
    urls = [f'{base}/doc/{urllib.parse.quote(p)}' for p in docs] + [f'{base}/gen/{n}' for n in names]
    home = os.path.join(work, 'home')
    node = shutil.which('node')
    os.makedirs(args.out, exist_ok=True)
    only = [o.strip() for o in args.only.split(',') if o.strip()]
    jobs = [int(j) for j in args.jobs.split(',')]
    contenders = []

    # Each contender: a name and a function of (output folder, run folder, addresses) giving its commands.
    def add(fmt, name, build):
        if not only or any(name.startswith(o) for o in only):
            contenders.append({'kind': fmt, 'name': name, 'build': build, 'rounds': [],
                               'command': ' ; '.join(described(c) for c in build('OUT', 'RUN', ['URL...']))})

    def described(command):
        return 'each: ' + shlex.join(command[1:]) if command[0] == 'each:' else shlex.join(command)

    def per_page(runner, template, fmt):
        """One process per page, `n` at once: the list of commands goes to the run folder."""
        def build(out, meta, pages):
            if pages == ['URL...']:  # for the printed command line
                listing = 'RUN/pages.json'
                each = [a.format(url='URL', out=f'OUT/pageN.{fmt}') for a in template]
                return [runner(listing), ['each:', *each]]
            listing = os.path.join(meta, 'pages.json')
            with open(listing, 'w') as f:
                json.dump([[a.format(url=url, out=f'{out}/page{i}.{fmt}') for a in template]
                           for i, url in enumerate(pages)], f)
            return [runner(listing)]
        return build

    for fmt in args.formats.split(','):
        for n in jobs:
            add(fmt, f'quillmark --jobs {n}', lambda out, meta, pages, n=n, fmt=fmt: [
                [args.binary, 'convert', '--home', home, '-o', out, '-f', fmt.upper(), '-j', str(n), '--timeout', '120',
                 '-q', '--json', *pages]])
        # The default engine is the headless shell where installed; full Chromium beside it for comparison.
        if os.path.exists(CHROMIUM):
            add(fmt, 'quillmark --jobs 2 (chromium)', lambda out, meta, pages, fmt=fmt: [
                [args.binary, 'convert', '--home', home, '-o', out, '-f', fmt.upper(), '-j', '2', '--timeout', '120',
                 '-q', '--json', '--browser', CHROMIUM, *pages]])
        # What Quillmark's own protocol client spends at the least on the same engine: not a peer.
        if not os.path.exists(args.floor):
            sys.stderr.write(f'no floor at {args.floor} (build the cli_floor target): left out\n')
        for n in [int(t) for t in args.floor_tabs.split(',') if t and os.path.exists(args.floor)]:
            add(fmt, f'{FLOOR}, {n} tab' + ('s' if n > 1 else ''),
                lambda out, meta, pages, n=n, fmt=fmt: [[args.floor, fmt, out, str(n), *pages]])
        for n in jobs:
            add(fmt, f'playwright {n} at once', lambda out, meta, pages, n=n, fmt=fmt: [
                [node, os.path.join(HERE, 'pw.mjs'), fmt, str(n), out, *pages]])
        parallel = os.path.join(HERE, 'parallel.py')
        for n in jobs:
            if fmt == 'png':
                add(fmt, f'wkhtmltoimage {n} at once', per_page(lambda listing, n=n: [sys.executable, parallel, str(n), listing],
                    ['wkhtmltoimage', '-q', '--width', '1280', '-f', 'png', '{url}', '{out}'], fmt))
            else:
                add(fmt, f'wkhtmltopdf {n} at once', per_page(lambda listing, n=n: [sys.executable, parallel, str(n), listing],
                    ['wkhtmltopdf', '-q', '-s', 'A4', '{url}', '{out}'], fmt))
        # One X server for each run, as a browser is started once for the others.
        for n in jobs:
            add(fmt, f'cutycapt {n} at once', per_page(
                lambda listing, n=n: ['xvfb-run', '-a', '-s', '-screen 0 1280x800x24', sys.executable, parallel, str(n),
                                      listing],
                ['cutycapt', '--url={url}', '--out={out}', '--min-width=1280', '--min-height=800',
                 f'--out-format={fmt}'], fmt))

    # Warm the disk cache (pages, browsers, peers) once, unmeasured.
    for p in docs:
        with open(os.path.join(corpus.DOC, p), 'rb') as f:
            f.read()
    warm = os.path.join(work, 'warm')
    for extra in ([], ['--browser', CHROMIUM]):
        subprocess.run([args.binary, 'convert', '--home', home, '-o', warm, '-q', *extra, urls[0]],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(['wkhtmltoimage', '-q', urls[0], os.path.join(work, 'warm.png')], stderr=subprocess.DEVNULL)

    def report(rounds_done):
        load_after = os.getloadavg()
        kinds = 'generated' if args.quick else f'{len(docs)} corpus + {len(names)} generated'
        lines = [f'{len(urls)} pages ({kinds}) on 127.0.0.1; {rounds_done} of {args.rounds} rounds, contenders interleaved; '
                 f'load average {load_before[0]:.1f} before, {load_after[0]:.1f} after (1 min)',
                 'Figures: median of the rounds (min–max). Mpx: megapixels written, from the PNG headers.', '']
        lines += table(contenders)
        lines.append('')
        for fmt in args.formats.split(','):
            lines += summary(contenders, fmt)
        lines.append('')
        lines += whole_page_check(contenders, urls, args.out)
        lines += ['', 'Command lines (URL... stands for the pages, OUT for the output folder):', '']
        lines += [f'- {c["kind"].upper()} {c["name"]}: `{c["command"]}`' for c in contenders]
        text_out = '\n'.join(lines)
        if rounds_done == args.rounds:
            print(text_out)
        with open(os.path.join(args.out, 'results.md'), 'w') as f:
            f.write(text_out + '\n')
        with open(os.path.join(args.out, 'results.json'), 'w') as f:
            json.dump({'urls': urls, 'load': [load_before, load_after], 'rounds': rounds_done,
                       'contenders': [{'name': c['name'], 'kind': c['kind'], 'command': c['command'],
                                       'commands': [json.load(open(os.path.join(r['meta'], 'commands.json')))
                                                    for r in c['rounds'][:1]],
                                       'rounds': [{k: v for k, v in r.items() if k != 'sizes'} | metrics(r)
                                                  for r in c['rounds']]}
                                      for c in contenders]}, f, indent=1)

    load_before = os.getloadavg()
    # Each round runs every contender once; the order turns by a share of the list each round, so no
    # contender always runs first, last, or after the same one.
    step = -(-len(contenders) // max(args.rounds, 1))
    for round_ in range(args.rounds):
        shift = (round_ * step) % max(len(contenders), 1)
        print(f'round {round_ + 1} of {args.rounds}', file=sys.stderr, flush=True)
        for index, c in [(i % len(contenders), contenders[i % len(contenders)])
                         for i in range(shift, shift + len(contenders))]:
            out = os.path.join(work, f'{c["kind"]}-{index}-r{round_}')
            meta = out + '.run'
            os.makedirs(out)
            os.makedirs(meta)
            r = measure(c['name'], c['build'](out, meta, urls), out, meta, len(urls), c['kind'], args.keep)
            c['rounds'].append(r)
        # Each finished round is written out, so a run stopped early still gives its figures.
        report(round_ + 1)
    server.shutdown()
    if args.keep:
        print(f'outputs kept in {work}')
    else:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
