"""Runs the commands of a JSON list with at most N at once, starting the next as soon as one ends (one process
per page, for the peers that take one page per run); exits 1 if any of them failed.

usage: python3 parallel.py N COMMANDS.json"""
import json, subprocess, sys
from concurrent.futures import ThreadPoolExecutor


def run(command):
    if subprocess.call(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) != 0:
        sys.stderr.write(f'failed: {" ".join(command)[:300]}\n')
        return False
    return True


with open(sys.argv[2]) as f:
    commands = json.load(f)
with ThreadPoolExecutor(max_workers=int(sys.argv[1])) as pool:
    ok = all(list(pool.map(run, commands)))
sys.exit(0 if ok else 1)
