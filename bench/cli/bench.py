#!/usr/bin/env python3
"""Command-line throughput: Quillmark against Chromium's own --screenshot and Playwright, same pages, same run.

Serves generated pages (short, long, image-heavy) on 127.0.0.1, runs every contender as a child process and
reports pages per second, CPU seconds (user + system of the whole process tree) and peak memory (the largest
resident set of any one process of the tree, as the kernel reports for waited-for children)."""
import argparse, http.server, os, resource, shutil, socketserver, struct, subprocess, sys, tempfile, threading, time, zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CHROMIUM_FLAGS = ['--headless', '--disable-gpu', '--no-first-run', '--disable-background-networking',
                  '--disable-component-update', '--disable-sync', '--disable-dev-shm-usage'] + \
                 (['--no-sandbox'] if os.geteuid() == 0 else [])


def png(width, height, seed):
    rows = b''.join(b'\0' + b''.join(bytes(((x * 7 + y * 3 + seed * 40) % 256, (x + seed * 90) % 256, (y * 5) % 256))
                                      for x in range(width)) for y in range(height))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) + \
        chunk(b'IDAT', zlib.compress(rows, 6)) + chunk(b'IEND', b'')


WORDS = ('quill mark page capture render layout paragraph column image document browser engine pixel '
         'ledger harbour lantern meadow orchard').split()


def text(n, seed):
    return ' '.join(WORDS[(i * 7 + seed) % len(WORDS)] for i in range(n))


def make_pages(folder, count):
    kinds = []
    for i in range(4):
        with open(os.path.join(folder, f'img{i}.png'), 'wb') as f:
            f.write(png(320, 200, i))
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
        html = ('<!doctype html><html><head><meta charset="utf-8"><style>body{font:16px "DejaVu Sans",sans-serif;'
                'margin:24px;color:#223}figure{display:inline-block;margin:8px}h2{color:#35a}</style></head><body>'
                + ''.join(body) + '</body></html>')
        with open(os.path.join(folder, f'page{i}.html'), 'w') as f:
            f.write(html)
        kinds.append(kind)
    return kinds


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    handler = lambda *a, **k: QuietHandler(*a, directory=folder, **k)
    server = socketserver.ThreadingTCPServer(('127.0.0.1', 0), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def measure(name, commands, out_dir, pages, kind):
    """Runs the commands one after another (one per page for --screenshot) and measures them together."""
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    peak = 0
    failures = 0
    for command in commands:
        # Each command runs under a small wrapper that reports the peak of its own process tree.
        wrapped = [sys.executable, os.path.abspath(__file__), '--wrap', *command]
        process = subprocess.Popen(wrapped, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        report, err = process.communicate()
        if process.returncode != 0:
            failures += 1
            sys.stderr.write(f'{name}: exit {process.returncode}: {err.decode(errors="replace")[-400:]}\n')
        peak = max(peak, int(report.split()[-1]) if report.split() else 0)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    written = [f for f in os.listdir(out_dir) if f.endswith('.' + kind)]
    return {'name': name, 'pages': len(written), 'wanted': pages, 'wall': wall, 'rate': len(written) / wall,
            'cpu': cpu, 'peak_mb': peak / 1024, 'failures': failures}


def wrap(command):
    code = subprocess.call(command, stdout=subprocess.DEVNULL)
    print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
    sys.exit(code)


def main():
    if len(sys.argv) > 1 and sys.argv[1] == '--wrap':
        wrap(sys.argv[2:])
    parser = argparse.ArgumentParser()
    parser.add_argument('--pages', type=int, default=30)
    parser.add_argument('--binary', default=os.path.join(ROOT, 'build', 'app', 'quillmark'))
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix='quillmark-bench-')
    site = os.path.join(work, 'site')
    os.makedirs(site)
    kinds = make_pages(site, args.pages)
    server = serve(site)
    port = server.server_address[1]
    urls = [f'http://127.0.0.1:{port}/page{i}.html' for i in range(args.pages)]
    home = os.path.join(work, 'home')
    node = shutil.which('node')
    chromium = '/usr/bin/chromium'
    results = []

    def qm(fmt, jobs):
        out = os.path.join(work, f'qm-{fmt}-{jobs}')
        return measure(f'quillmark --jobs {jobs}', [[args.binary, 'convert', '--home', home, '-o', out, '-f', fmt.upper(),
                                                      '-j', str(jobs), '--timeout', '60', '-q', *urls]], out, len(urls), fmt)

    def pw(fmt, jobs):
        out = os.path.join(work, f'pw-{fmt}-{jobs}')
        return measure(f'playwright {"sequential" if jobs == 1 else f"{jobs} at once"}',
                       [[node, os.path.join(HERE, 'pw.mjs'), fmt, str(jobs), out, *urls]], out, len(urls), fmt)

    # Warm the disk cache and the browser binary once, unmeasured.
    subprocess.run([args.binary, 'convert', '--home', home, '-o', os.path.join(work, 'warm'), '-q', urls[0]],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for fmt in ('png', 'pdf'):
        for jobs in (1, 2):
            results.append((fmt, qm(fmt, jobs)))
            results.append((fmt, pw(fmt, jobs)))
        if fmt == 'png':
            out = os.path.join(work, 'cr-png')
            profile = os.path.join(work, 'cr-profile')
            commands = [[chromium, *CHROMIUM_FLAGS, f'--user-data-dir={profile}', '--window-size=1280,800',
                         '--hide-scrollbars', f'--screenshot={out}/page{i}.png', url] for i, url in enumerate(urls)]
            results.append((fmt, measure('chromium --screenshot (viewport only)', commands, out, len(urls), 'png')))

    print(f'{args.pages} pages ({kinds.count("short")} short, {kinds.count("long")} long, '
          f'{kinds.count("images")} image-heavy) on 127.0.0.1\n')
    print('| output | contender | pages | seconds | pages/s | CPU s | peak MB |')
    print('|---|---|---|---|---|---|---|')
    for fmt, r in results:
        print(f'| {fmt.upper()} | {r["name"]} | {r["pages"]}/{r["wanted"]} | {r["wall"]:.1f} | {r["rate"]:.2f} | '
              f'{r["cpu"]:.1f} | {r["peak_mb"]:.0f} |')
    print()
    by = {(fmt, r['name']): r for fmt, r in results}
    for fmt in ('png', 'pdf'):
        for jobs, label in ((1, 'sequential'), (2, '2 at once')):
            q, p = by[(fmt, f'quillmark --jobs {jobs}')], by[(fmt, f'playwright {label}')]
            target = 1.3 if fmt == 'png' else 1.0
            ratio = q['rate'] / p['rate'] if p['rate'] else float('inf')
            verdict = 'meets' if ratio >= target else 'misses'
            print(f'{fmt.upper()} --jobs {jobs}: Quillmark / Playwright {label} = {ratio:.2f}x pages/s '
                  f'({verdict} the {target}x target); CPU {q["cpu"] / max(p["cpu"], 0.01):.2f}x, '
                  f'peak memory {q["peak_mb"] / max(p["peak_mb"], 1):.2f}x')
    server.shutdown()
    shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
