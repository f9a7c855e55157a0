"""Runs the commands of a JSON list one after another (one process per page, for the peers that take one page
per run); exits 1 if any of them failed."""
import json, subprocess, sys

failed = 0
for command in json.load(open(sys.argv[1])):
    if subprocess.call(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) != 0:
        failed += 1
        sys.stderr.write(f'{command[0]}: failed on {command[1]}\n')
sys.exit(1 if failed else 0)
