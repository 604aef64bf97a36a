#!/usr/bin/env python3
"""How long each program takes from its start to its first request, and how
much memory it holds by then.

    bench/startup-bench.py [BUILD-FOLDER] [ROUNDS]      (default: build, 5)

RVClient --generate runs a brief with one entry at depth 1 whose address is
a loopback port of this script: the moment its first connection arrives is
the end of its start-up. RVServer --no-window is asked for an image once its
port accepts; the end of its start-up is the moment its answer arrives. For
each, the script reads VmRSS (resident now) and VmHWM (peak so far) from
/proc at that moment. Everything lives in a scratch folder on /dev/shm
(RV_BENCH_TMP names another).
Prints the fastest round's time and the memory of that round.
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
scratch = os.environ.get("RV_BENCH_TMP", "/dev/shm")
scratch = scratch if os.access(scratch, os.W_OK) else None


def memory(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            name, _, value = line.partition(":")
            if name in ("VmRSS", "VmHWM"):
                fields[name] = int(value.split()[0]) / 1024
    return fields["VmRSS"], fields["VmHWM"]


def environment(work):
    for sub in ("config/Marrowby Works", "run", "cache", "tmp", "Briefs"):
        os.makedirs(os.path.join(work, sub), exist_ok=True)
    os.chmod(os.path.join(work, "run"), 0o700)
    env = dict(os.environ)
    env.update(XDG_CONFIG_HOME=f"{work}/config", XDG_RUNTIME_DIR=f"{work}/run", XDG_CACHE_HOME=f"{work}/cache",
               TMPDIR=f"{work}/tmp", QT_QPA_PLATFORM="offscreen")
    return env


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def client_round(work):
    env = environment(work)
    origin = socket.socket()
    origin.bind(("127.0.0.1", 0))
    origin.listen(1)
    port = origin.getsockname()[1]
    text = f"name: Start\nentry: Start | http://127.0.0.1:{port}/index.html | 1\n"
    with open(f"{work}/Briefs/Start.txt", "w") as out:
        out.write(text)
    subprocess.run([f"{build}/bin/rvbrief", f"{work}/Briefs/Start.brf", f"{work}/Briefs/Start.txt"], check=True)
    start = time.monotonic()
    child = subprocess.Popen([f"{build}/bin/RVClient", "--generate", f"{work}/Briefs/Start.brf"], env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    origin.settimeout(30)
    connection, _ = origin.accept()
    took = time.monotonic() - start
    rss, peak = memory(child.pid)
    connection.settimeout(5)
    try:
        connection.recv(65536)
        connection.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>start</body></html>")
    finally:
        connection.close()
        origin.close()
    child.wait(timeout=60)
    return took, rss, peak


def server_round(work):
    env = environment(work)
    port = free_port()
    with open(f"{work}/config/Marrowby Works/Ravelin.conf", "w") as out:
        out.write(f"[Servers]\nRavelin%20Server%20Port={port}\n")
    start = time.monotonic()
    child = subprocess.Popen([f"{build}/bin/RVServer", "--no-window"], env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    try:
        while True:
            try:
                with socket.create_connection(("127.0.0.1", port), timeout=5) as conn:
                    conn.sendall(b"GET /HasDiffs HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n")
                    answer = conn.recv(65536)
                    if answer:
                        break
            except OSError:
                if time.monotonic() - start > 30 or child.poll() is not None:
                    raise SystemExit("startup-bench: RVServer did not answer")
                time.sleep(0.001)
        took = time.monotonic() - start
        rss, peak = memory(child.pid)
    finally:
        child.terminate()
        child.wait(timeout=10)
    return took, rss, peak


def main():
    results = {}
    for name, run in (("RVClient --generate", client_round), ("RVServer --no-window", server_round)):
        best = None
        for _ in range(rounds):
            work = tempfile.mkdtemp(prefix="rv-startup-bench.", dir=scratch)
            try:
                result = run(work)
            finally:
                shutil.rmtree(work, ignore_errors=True)
            if best is None or result[0] < best[0]:
                best = result
        results[name] = best
    print(f"{'program':<24}{'to first request ms':>22}{'resident MiB':>14}{'peak MiB':>10}")
    for name, (took, rss, peak) in results.items():
        print(f"{name:<24}{took * 1000:>22.1f}{rss:>14.1f}{peak:>10.1f}")


main()
