#!/usr/bin/env python3
"""Workers on a Redis stream against one `convert --jobs 2`, over the same generated pages, in one run.

For 1, 2 and 4 workers (each --jobs 1, their browsers started before the clock runs) and for convert,
each batch is timed at PAGES pages and at 4 pages: the difference is the steady time of PAGES - 4 pages,
without browser start-up and other fixed costs. Then, without a browser, a synthetic batch of SYNTH jobs
goes through `quillmark submit` and a drain that answers each job as a worker does, with Redis's memory
read before and after.
"""
import argparse
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

PARAGRAPH = ("<p>Quillmark turns web pages into files. This paragraph is here so that the page has "
             "text to lay out, wrap and paint, as a documentation page does.</p>")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_pages(folder, count):
    os.makedirs(folder)
    for i in range(count):
        rows = "".join(f"<tr><td>{i}.{r}</td><td>{'x' * (r % 40)}</td></tr>" for r in range(20 + i % 30))
        with open(os.path.join(folder, f"page{i}.html"), "w") as f:
            f.write(f"<!doctype html><title>Page {i}</title><style>body{{font-family:sans-serif}}"
                    f"td{{border:1px solid #999;padding:4px}}</style><h1>Page {i}</h1>"
                    f"{PARAGRAPH * (5 + i % 25)}<table>{rows}</table>")


def run(command, env=None, quiet=True):
    started = time.monotonic()
    done = subprocess.run(command, env=env, stdout=subprocess.PIPE if quiet else None,
                          stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        sys.exit(f"{' '.join(command[:2])} failed ({done.returncode}): {done.stderr[-2000:]}")
    return time.monotonic() - started, done.stdout


def redis_cli(port, *args):
    return subprocess.run(["redis-cli", "-p", str(port), "--raw", *args], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True, check=True).stdout


def used_memory(port):
    for line in redis_cli(port, "INFO", "memory").splitlines():
        if line.startswith("used_memory:"):
            return int(line.split(":")[1])
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--drain", required=True)
    parser.add_argument("--pages", type=int, default=64)
    parser.add_argument("--synthetic", type=int, default=100000)
    parser.add_argument("--format", default="PNG")
    parser.add_argument("--rounds", type=int, default=2, help="each contender this often, in turn; medians")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="quillmark-queue-bench-")
    redis_port, http_port = free_port(), free_port()
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    processes = []
    try:
        make_pages(os.path.join(work, "pages"), args.pages)
        processes.append(subprocess.Popen(["python3", "-m", "http.server", str(http_port), "--bind", "127.0.0.1",
                                           "--directory", os.path.join(work, "pages")],
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        processes.append(subprocess.Popen(["redis-server", "--port", str(redis_port), "--bind", "127.0.0.1",
                                           "--dir", work, "--save", "", "--appendonly", "yes"],
                                          stdout=subprocess.DEVNULL))
        for _ in range(100):
            try:
                if redis_cli(redis_port, "PING").strip() == "PONG":
                    break
            except subprocess.CalledProcessError:
                pass
            time.sleep(0.1)
        time.sleep(0.5)  # the page server binds too
        addresses = [f"http://127.0.0.1:{http_port}/page{i}.html" for i in range(args.pages)]
        queue = f"redis://127.0.0.1:{redis_port}"
        common = ["--home", os.path.join(work, "home"), "-f", args.format, "-q"]
        load_before = os.getloadavg()[0]

        def convert(round_):
            out = os.path.join(work, f"convert{round_}")
            t_all, _ = run([args.binary, "convert", *common, "-j", "2", "-o", out] + addresses, env)
            t_few, _ = run([args.binary, "convert", *common, "-j", "2", "-o", out + "-few"] + addresses[:4], env)
            return t_all, t_few

        def workers_run(workers, round_):
            started = []
            for w in range(workers):
                started.append(subprocess.Popen(
                    [args.binary, "worker", "--queue", queue, "--home", os.path.join(work, f"w{workers}-{w}"),
                     "--name", f"w{w}", "--jobs", "1", "--output-root", work], env=env, stderr=subprocess.DEVNULL))
            while True:  # every worker's browser is up once its heartbeat is there
                _, status = run([args.binary, "status", "--queue", queue], env)
                if sum(line.startswith("worker ") for line in status.splitlines()) >= workers:
                    break
                time.sleep(0.2)
            out = os.path.join(work, f"queue{workers}-{round_}")
            t_all, _ = run([args.binary, "submit", "--queue", queue, *common, "--wait", "-o", out] + addresses, env)
            t_few, _ = run([args.binary, "submit", "--queue", queue, *common, "--wait", "-o", out + "-few"]
                           + addresses[:4], env)
            written = len([f for f in os.listdir(out) if not f.startswith(".")])
            if written != args.pages:
                sys.exit(f"{workers} workers wrote {written} files for {args.pages} pages")
            for p in started:
                p.terminate()
            for p in started:
                p.wait()
            redis_cli(redis_port, "DEL", "quillmark:workers")
            return t_all, t_few

        contenders = [("convert --jobs 2", convert)] + [
            (f"{n} worker{'s' if n > 1 else ''} (--jobs 1 each)", lambda r, n=n: workers_run(n, r)) for n in (1, 2, 4)]
        times = {name: [] for name, _ in contenders}
        for round_ in range(args.rounds):
            for name, contender in contenders:
                times[name].append(contender(round_))
        load_after = os.getloadavg()[0]

        steady = args.pages - 4
        print(f"\n{args.pages} pages, {args.format}, {args.rounds} rounds (medians); "
              f"load average {load_before:.1f} before, {load_after:.1f} after")
        print(f"{'contender':<28} {'pages/s':>8} {'s/page steady':>14}")
        per_page = {}
        for name, _ in contenders:
            per_page[name] = statistics.median((a - f) / steady for a, f in times[name])
            rate = statistics.median(args.pages / a for a, _ in times[name])
            print(f"{name:<28} {rate:>8.2f} {per_page[name]:>14.3f}")
        base = per_page["convert --jobs 2"]
        two = per_page["2 workers (--jobs 1 each)"]
        print(f"2 workers against convert --jobs 2: {(two - base) / base * 100:+.1f} % per page "
              f"({(two - base) * 1000:+.0f} ms)")

        # What one stream carries, without a browser.
        listing = os.path.join(work, "synthetic.txt")
        with open(listing, "w") as f:
            for i in range(args.synthetic):
                f.write(f"http://127.0.0.1:9/page{i}.html\n")
        before = used_memory(redis_port)
        t_submit, _ = run([args.binary, "submit", "--queue", queue, "--stream", "synthetic", "--home",
                           os.path.join(work, "home"), "-f", args.format, "-o", os.path.join(work, "synthetic"),
                           "-l", listing], env)
        pending = used_memory(redis_port)
        _, drained = run([args.drain, str(redis_port), "synthetic", str(args.synthetic)], env)
        after = used_memory(redis_port)
        print(f"\nsynthetic batch of {args.synthetic} jobs, no browser:")
        print(f"  submit: {t_submit:.1f} s, {args.synthetic / t_submit:.0f} jobs/s (the whole command, planning included)")
        print(f"  drain (read, result, done mark, expiries, XACK, XDEL): {drained.strip()}")
        print(f"  Redis memory: {(pending - before) / args.synthetic:.0f} bytes per pending job, "
              f"{(after - before) / args.synthetic:.0f} bytes per finished page (its result and done mark)")
    finally:
        for p in processes:
            p.terminate()
            p.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
