"""Runs commands one after another and measures their whole process tree.

The runner makes itself a child subreaper, so every descendant (browser helpers that outlive or escape their
parent too) is waited for by it: the kernel's user + system time of its waited-for children is then the CPU
of the whole tree. While the commands run it samples /proc: the sum of PSS (proportional set size, from
smaps_rollup) over the tree for peak memory, and each process's user + system ticks with its kind (a Chromium
--type=, or the program's name) for a CPU breakdown.

usage: python3 proctree.py REPORT.json INTERVAL COMMANDS.json
COMMANDS.json holds a list of argument lists; each one's stdout goes to REPORT.json's folder as stdout-N.txt."""
import ctypes, json, os, resource, signal, subprocess, sys, time

PR_SET_CHILD_SUBREAPER = 36
TICK = os.sysconf('SC_CLK_TCK')


def stat_of(pid):
    """(parent pid, start time, user + system seconds) of a live process, or None."""
    try:
        with open(f'/proc/{pid}/stat', 'rb') as f:
            data = f.read()
    except OSError:
        return None
    fields = data[data.rindex(b')') + 2:].split()
    return int(fields[1]), int(fields[19]), (int(fields[11]) + int(fields[12])) / TICK


def kind_of(pid):
    """Chromium helpers by their --type= (utilities by sub-type, so the network service shows), else the
    program's base name; the browser process itself has no --type. Chromium rewrites its helpers' command
    lines as one space-separated string, so the words are split on both."""
    try:
        with open(f'/proc/{pid}/cmdline', 'rb') as f:
            words = f.read().replace(b'\0', b' ').decode(errors='replace').split()
    except OSError:
        return '?'
    if not words:
        return '?'
    program = os.path.basename(words[0])
    option = lambda name: next((w.split('=', 1)[1] for w in words if w.startswith(name + '=')), None)
    kind = option('--type')
    if kind == 'utility':
        sub = option('--utility-sub-type') or ''
        return 'utility: ' + sub.split('.')[-1] if sub else 'utility'
    if kind:
        return kind
    if program.startswith(('chromium', 'chrome', 'headless_shell')):
        return 'browser'
    return program


def pss_kb(pid):
    try:
        with open(f'/proc/{pid}/smaps_rollup') as f:
            for line in f:
                if line.startswith('Pss:'):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return 0


def descendants(root):
    children = {}
    for name in os.listdir('/proc'):
        if name.isdigit():
            s = stat_of(int(name))
            if s:
                children.setdefault(s[0], []).append(int(name))
    found, todo = [], [root]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


class Sampler:
    def __init__(self):
        self.peak_pss_kb = 0
        self.cpu = {}  # (pid, start time) -> [kind, latest seconds]

    def sample(self, root):
        total = 0
        for pid in descendants(root):
            s = stat_of(pid)
            if not s:
                continue
            # Classified again each time: a launcher script that execs the browser keeps its pid and name,
            # and its whole time goes to what it became. A zombie has no command line: it keeps its kind.
            key, kind = (pid, s[1]), kind_of(pid)
            if kind == '?' and key in self.cpu:
                kind = self.cpu[key][0]
            self.cpu[key] = [kind, s[2]]
            total += pss_kb(pid)
        self.peak_pss_kb = max(self.peak_pss_kb, total)

    def by_kind(self):
        out = {}
        for kind, seconds in self.cpu.values():
            out[kind] = out.get(kind, 0.0) + seconds
        return out


def reap_all(deadline):
    """Waits for every remaining descendant (orphans come to us); after the deadline, kills them."""
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            if time.monotonic() > deadline:
                for child in descendants(os.getpid()):
                    try:
                        os.kill(child, signal.SIGKILL)
                    except OSError:
                        pass
            time.sleep(0.05)


def main():
    report_path, interval, commands_path = sys.argv[1], float(sys.argv[2]), sys.argv[3]
    with open(commands_path) as f:
        commands = json.load(f)
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    sampler = Sampler()
    failures, errors = 0, []
    start = time.monotonic()
    folder = os.path.dirname(os.path.abspath(report_path))
    for n, command in enumerate(commands):
        with open(os.path.join(folder, f'stdout-{n}.txt'), 'wb') as out:
            process = subprocess.Popen(command, stdout=out, stderr=subprocess.PIPE)
            err = b''
            while True:
                try:
                    _, err = process.communicate(timeout=interval)
                    break
                except subprocess.TimeoutExpired:
                    sampler.sample(os.getpid())
        if process.returncode != 0:
            failures += 1
            errors.append(f'exit {process.returncode}: {err.decode(errors="replace")[-300:]}')
    wall = time.monotonic() - start
    reap_all(time.monotonic() + 10)
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(report_path, 'w') as f:
        json.dump({'wall': wall, 'cpu': usage.ru_utime + usage.ru_stime, 'user': usage.ru_utime,
                   'sys': usage.ru_stime, 'peak_pss_mb': sampler.peak_pss_kb / 1024, 'failures': failures,
                   'errors': errors, 'cpu_by_kind': sampler.by_kind()}, f, indent=1)


if __name__ == '__main__':
    main()
