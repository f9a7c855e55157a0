#!/usr/bin/env python3
"""The benchmark's corpus of real documentation pages: Debian's packaged manuals, chosen by a fixed rule.

`python3 corpus.py` rewrites corpus.txt from the installed packages (run it after a package update and check
the difference in); bench.py reads corpus.txt. Paths are relative to /usr/share/doc, which the benchmark
serves whole on 127.0.0.1, so the pages' relative style sheets, scripts and images load as they do on disk.

The rule, per package:
- debian-reference-en: every chapter (tall pages with images, tables and shell listings);
- postgresql-doc-15: the 12 largest pages (long references, the book index), every 100th page by name
  (ordinary short pages), and the pages that embed an SVG figure;
- cmake-doc: the 12 largest pages, every 160th by name, and the pages with figures (images from _images/); genindex.html is left
  out: it is taller than Quillmark's default --max-height, so Quillmark would cut it and the peers not."""
import os, re, subprocess

DOC = '/usr/share/doc'
HERE = os.path.dirname(os.path.abspath(__file__))
LIST = os.path.join(HERE, 'corpus.txt')
PACKAGES = ('debian-reference-en', 'postgresql-doc-15', 'cmake-doc')


def html_under(folder):
    found = []
    for top, dirs, files in os.walk(os.path.join(DOC, folder), followlinks=True):
        dirs.sort()
        found += [os.path.relpath(os.path.join(top, f), DOC) for f in files if f.endswith('.html')]
    return sorted(found)


def largest(paths, count):
    return sorted(paths, key=lambda p: (-os.path.getsize(os.path.join(DOC, p)), p))[:count]


def containing(paths, pattern):
    regex = re.compile(pattern)
    return [p for p in paths if regex.search(open(os.path.join(DOC, p), errors='replace').read())]


def select():
    chapters = [p for p in html_under('debian-reference-en/docs') if p.endswith('.en.html')]
    postgres = html_under('postgresql-doc-15/html')
    cmake = [p for p in html_under('cmake-doc/html') if not p.endswith('/genindex.html')]
    chosen = set(chapters)
    chosen.update(largest(postgres, 12), postgres[50::100], containing(postgres, r'<object[^>]+\.svg'))
    chosen.update(largest(cmake, 12), cmake[80::160], containing(cmake, r'<img [^>]*_images/'))
    return sorted(chosen)


def versions():
    query = ['dpkg-query', '-W', '-f', '${Package} ${Version}\n', *PACKAGES]
    return subprocess.run(query, capture_output=True, text=True).stdout.split('\n')


def load():
    with open(LIST) as f:
        return [line.strip() for line in f if line.strip() and not line.startswith('#')]


def main():
    pages = select()
    with open(LIST, 'w') as f:
        f.write('# Benchmark corpus: pages under /usr/share/doc, chosen by corpus.py from\n')
        f.writelines(f'# {v}\n' for v in versions() if v)
        f.writelines(p + '\n' for p in pages)
    print(f'{len(pages)} pages written to {LIST}')


if __name__ == '__main__':
    main()
