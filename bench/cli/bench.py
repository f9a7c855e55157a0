#!/usr/bin/env python3
"""Command-line throughput on real documentation: Quillmark against Playwright, wkhtmltoimage/wkhtmltopdf and
CutyCapt, same pages, same run, PNG and PDF.

The pages are the corpus (corpus.txt: Debian's packaged manuals under /usr/share/doc, served whole on
127.0.0.1) plus a few generated pages for special cases; --quick uses 30 generated pages instead. Each
contender runs as a child process tree under proctree.py, which reports wall time, CPU seconds (user + system
of the whole tree) and peak memory (the largest sum of PSS over the tree, sampled from /proc). Results,
the pixel size of every PNG (sizes.json: Quillmark's output name -> WIDTHxHEIGHT, compared with the
checked-in sizes.json of a reference run) and the table go to --out."""
import argparse, http.server, json, os, shutil, socketserver, struct, subprocess, sys, tempfile, threading, time, \
    urllib.parse, zlib

import corpus

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CHROMIUM = '/usr/bin/chromium'
FLOOR = 'floor: bare protocol client, 1 at once'
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


def measure(name, commands, out_dir, wanted, kind, interval=0.25):
    """Runs the commands one after another under proctree.py and returns its report with the outputs counted."""
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    meta = out_dir + '.run'
    shutil.rmtree(meta, ignore_errors=True)
    os.makedirs(meta)
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
    written = sorted(f for f in os.listdir(out_dir) if f.endswith('.' + kind) and os.path.getsize(os.path.join(out_dir, f)))
    r.update(name=name, kind=kind, pages=len(written), wanted=wanted, rate=len(written) / r['wall'], out=out_dir,
             meta=meta, files=written)
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


def whole_page_check(results, urls, out):
    """Writes sizes.json (Quillmark --jobs 1 PNG name -> WxH) and compares every PNG's height with Quillmark's.
    Blink contenders should match it to the pixel; WebKit ones lay out differently, so only a height under
    90% of Quillmark's is counted as a cut page (not on pages shorter than the viewport, which Quillmark fills)."""
    by = {r['name']: r for r in results if r['kind'] == 'png'}
    reference = by.get('quillmark --jobs 1')
    if not reference:
        return []
    outputs = quillmark_outputs(reference)
    heights, sizes = {}, {}
    for i, url in enumerate(urls):
        if url in outputs and os.path.exists(outputs[url]):
            w, h = png_size(outputs[url])
            sizes[os.path.basename(outputs[url])] = f'{w}x{h}'
            heights[i] = (w, h)
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
    for r in by.values():
        if r is reference:
            continue
        if r['name'].startswith('quillmark'):
            paths = {i: quillmark_outputs(r).get(url) for i, url in enumerate(urls)}
        else:
            paths = {i: os.path.join(r['out'], f'page{i}.png') for i in range(len(urls))}
        same, cut, other = 0, [], []
        for i, (w, h) in heights.items():
            if not paths.get(i) or not os.path.exists(paths[i]):
                continue
            size = png_size(paths[i])
            note = f'{urls[i].rsplit("/", 1)[-1]} {size[0]}x{size[1]} vs {w}x{h}' if size else urls[i]
            if size == (w, h):
                same += 1
            elif not size or (size[1] < 0.9 * h and h > VIEWPORT_HEIGHT):
                cut.append(note)
            else:
                other.append(note)
        lines.append(f'{r["name"]}: {same} same size as Quillmark, {len(other)} other sizes'
                     + (f' (e.g. {"; ".join(other[:3])})' if other else '') + f', {len(cut)} cut'
                     + (f' ({"; ".join(cut[:6])})' if cut else ''))
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--quick', action='store_true', help='30 generated pages instead of the corpus')
    parser.add_argument('--pages', type=int, default=30, help='generated pages with --quick')
    parser.add_argument('--binary', default=os.path.join(ROOT, 'build', 'app', 'quillmark'))
    parser.add_argument('--playwright-jobs', default='1,2,4', help='Playwright concurrencies to try')
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
    docs = [] if args.quick else corpus.load()
    urls = [f'{base}/doc/{urllib.parse.quote(p)}' for p in docs] + [f'{base}/gen/{n}' for n in names]
    home = os.path.join(work, 'home')
    node = shutil.which('node')
    os.makedirs(args.out, exist_ok=True)
    results = []
    only = [o.strip() for o in args.only.split(',') if o.strip()]

    def run(fmt, name, commands, interval=0.25):
        if only and not any(name.startswith(o) for o in only):
            return
        results.append(measure(name, commands, os.path.join(work, f'{fmt}-{len(results)}'), len(urls), fmt, interval))

    def quillmark(fmt, jobs, browser=None):
        extra = ['--browser', browser] if browser else []
        label = f'quillmark --jobs {jobs}' + (f' ({os.path.basename(browser)})' if browser else '')
        out = os.path.join(work, f'{fmt}-{len(results)}')
        run(fmt, label, [[args.binary, 'convert', '--home', home, '-o', out, '-f', fmt.upper(), '-j', str(jobs),
                          '--timeout', '120', '-q', '--json', *extra, *urls]])

    def per_page(fmt, template):
        out = os.path.join(work, f'{fmt}-{len(results)}')
        return [[a.format(url=url, out=f'{out}/page{i}.{fmt}') for a in template] for i, url in enumerate(urls)]

    # Warm the disk cache (pages, browsers, peers) once, unmeasured.
    for p in docs:
        with open(os.path.join(corpus.DOC, p), 'rb') as f:
            f.read()
    warm = os.path.join(work, 'warm')
    for extra in ([], ['--browser', CHROMIUM]):
        subprocess.run([args.binary, 'convert', '--home', home, '-o', warm, '-q', *extra, urls[0]],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(['wkhtmltoimage', '-q', urls[0], os.path.join(work, 'warm.png')], stderr=subprocess.DEVNULL)

    load_before = os.getloadavg()
    for fmt in args.formats.split(','):
        quillmark(fmt, 1)
        quillmark(fmt, 2)
        # The default engine is the headless shell where installed; full Chromium beside it for comparison.
        if os.path.exists(CHROMIUM):
            quillmark(fmt, 2, CHROMIUM)
        # The engine's own floor: what any client of the default engine spends at the least.
        shell = shutil.which('chromium-headless-shell')
        if shell:
            out = os.path.join(work, f'{fmt}-{len(results)}')
            run(fmt, FLOOR, [[node, os.path.join(HERE, 'floor.mjs'), fmt, shell, out, *urls]])
        for jobs in map(int, args.playwright_jobs.split(',')):
            out = os.path.join(work, f'{fmt}-{len(results)}')
            run(fmt, f'playwright {jobs} at once', [[node, os.path.join(HERE, 'pw.mjs'), fmt, str(jobs), out, *urls]])
        if fmt == 'png':
            run(fmt, 'wkhtmltoimage', per_page(fmt, ['wkhtmltoimage', '-q', '--width', '1280', '-f', 'png', '{url}', '{out}']))
        else:
            run(fmt, 'wkhtmltopdf', per_page(fmt, ['wkhtmltopdf', '-q', '-s', 'A4', '{url}', '{out}']))
        # One X server for the whole run, as a browser is started once for the others.
        serial = os.path.join(work, f'cutycapt-{fmt}.json')
        with open(serial, 'w') as f:
            json.dump(per_page(fmt, ['cutycapt', '--url={url}', '--out={out}', '--min-width=1280', '--min-height=800',
                                     f'--out-format={fmt}']), f)
        run(fmt, 'cutycapt', [['xvfb-run', '-a', '-s', '-screen 0 1280x800x24', sys.executable,
                               os.path.join(HERE, 'serial.py'), serial]])
    load_after = os.getloadavg()

    kinds = 'generated' if args.quick else f'{len(docs)} corpus + {len(names)} generated'
    lines = [f'{len(urls)} pages ({kinds}) on 127.0.0.1; load average {load_before[0]:.1f} before, '
             f'{load_after[0]:.1f} after (1 min)', '',
             '| output | contender | pages | seconds | pages/s | CPU s | CPU s/page | peak PSS MB |',
             '|---|---|---|---|---|---|---|---|']
    for r in results:
        lines.append(f'| {r["kind"].upper()} | {r["name"]} | {r["pages"]}/{r["wanted"]} | {r["wall"]:.1f} | '
                     f'{r["rate"]:.2f} | {r["cpu"]:.1f} | {r["cpu"] / max(r["pages"], 1):.2f} | {r["peak_pss_mb"]:.0f} |')
    lines.append('')
    for fmt in args.formats.split(','):
        rows = [r for r in results if r['kind'] == fmt]
        ours = [r for r in rows if r['name'].startswith('quillmark')]
        peers = [r for r in rows if not r['name'].startswith('quillmark') and r['name'] != FLOOR]
        floor = next((r for r in rows if r['name'] == FLOOR), None)
        playwright = [r for r in peers if r['name'].startswith('playwright')]
        if not ours or not peers:
            continue
        best = max(peers, key=lambda r: r['rate'])
        pw = max(playwright, key=lambda r: r['rate']) if playwright else None
        for q in ours:
            line = f'{fmt.upper()} {q["name"]}: pages/s {q["rate"] / best["rate"]:.2f}x best peer ({best["name"]})'
            if pw:
                line += (f'; CPU/page {(q["cpu"] / max(q["pages"], 1)) / max(pw["cpu"] / max(pw["pages"], 1), 1e-9):.2f}x'
                         f' and peak memory {q["peak_pss_mb"] / max(pw["peak_pss_mb"], 1):.2f}x {pw["name"]}')
            if floor and q['name'] == 'quillmark --jobs 1':
                line += (f'; CPU/page {(q["cpu"] / max(q["pages"], 1)) / max(floor["cpu"] / max(floor["pages"], 1), 1e-9):.2f}x'
                         ' the floor')
            lines.append(line)
    lines.append('')
    lines += whole_page_check(results, urls, args.out)
    text_out = '\n'.join(lines)
    print(text_out)
    with open(os.path.join(args.out, 'results.md'), 'w') as f:
        f.write(text_out + '\n')
    with open(os.path.join(args.out, 'results.json'), 'w') as f:
        json.dump({'urls': urls, 'load': [load_before, load_after],
                   'results': [{k: v for k, v in r.items() if k != 'files'} for r in results]}, f, indent=1)
    server.shutdown()
    if args.keep:
        print(f'outputs kept in {work}')
    else:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
