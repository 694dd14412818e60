"""The Python package beside the C++ library, in one run on one machine.

    cmake --preset release && cmake --build --preset release --target zelclnt presence-sim zelclnt_capi_bench
    python/install build/release
    python/.venv/bin/python python/bench/compare.py --build build/release

Against a presence-sim of its own (50,000 agents, over tcp on loopback):
  - a users query of every agent into Python's records, beside the same
    query in C++ and through the C interface (zelclnt_capi_bench, Remote*):
    the query alone (its records are made as they are looked at), and the
    query with every record made and read as the C++ benchmark reads its own;
  - a small call (server status), Python beside C++;
  - the C interface beside the C++ call it wraps (zelclnt_capi_bench over
    inproc, the wrapper's share not lost in the transport's);
  - a mirror of every agent followed from Python while the simulator makes
    --rate changes a second: how long it took to join, and to tell the
    changes made meanwhile; the process's CPU per change taken by the C
    interface alone and by Python's loop (the difference is Python's own);
    how late each routing-state change reached Python once caught up (now
    less the start time the server gave the state; one clock, millisecond
    stamps); and whether any change was lost (the mirror beside a fresh
    query, for users the stream told nothing about for a while).
Medians of --repetitions; ratios are Python's (or C's) over C++'s.
"""

from __future__ import annotations

import argparse
import json
import os
import pathlib
import resource
import socket
import statistics
import subprocess
import sys
import time
from typing import Dict, List, Tuple

from zelclnt import ChangeKind, Part, Server
from zelclnt._native import lib

ROOT = pathlib.Path(__file__).resolve().parents[2]


def free_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Simulator:
    def __init__(self, build: pathlib.Path, *arguments: str) -> None:
        port = free_port()
        self.endpoint = f"tcp://127.0.0.1:{port}"
        self.process = subprocess.Popen([str(build / "tools/sim/presence-sim"), "--bind", self.endpoint, *arguments],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.05)
        # Its agents are made before it answers: wait for a full answer.
        Server(self.endpoint).status()

    def close(self) -> None:
        self.process.terminate()
        self.process.wait(timeout=60)


def cxx_medians(build: pathlib.Path, endpoint: str, repetitions: int) -> Dict[str, Tuple[float, float]]:
    """Median real time and the calling thread's CPU time of each
    zelclnt_capi_bench benchmark, in seconds."""
    ran = subprocess.run([str(build / "bench/zelclnt_capi_bench"), f"--benchmark_repetitions={repetitions}",
                          "--benchmark_report_aggregates_only=true", "--benchmark_format=json",
                          "--benchmark_filter=^BM_(Remote)?(Status|Users)(Cxx|C)(/50000)?(/real_time)?$"],
                         env={**os.environ, "ZELCLNT_BENCH_SERVER": endpoint}, capture_output=True, text=True,
                         check=True, timeout=3600)
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    return {entry["run_name"].removesuffix("/real_time"): (entry["real_time"] * scale[entry["time_unit"]],
                                                           entry["cpu_time"] * scale[entry["time_unit"]])
            for entry in json.loads(ran.stdout)["benchmarks"] if entry.get("aggregate_name") == "median"}


def python_median(call, repetitions: int, batch: int) -> Tuple[float, float]:
    """Medians over repetitions of the real time of one call and of the
    calling thread's CPU time (as Google Benchmark's CPU column), each timed
    in a batch."""
    call()
    times, cpu = [], []
    for _ in range(repetitions):
        start, start_cpu = time.perf_counter(), time.thread_time()
        for _ in range(batch):
            call()
        times.append((time.perf_counter() - start) / batch)
        cpu.append((time.thread_time() - start_cpu) / batch)
    return statistics.median(times), statistics.median(cpu)


def read_every_record(server: Server) -> int:
    """As the C++ benchmark reads the records it holds."""
    return sum(user.key + len(user.id) + user.routing_state for user in server.users())


def cpu_seconds() -> float:
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def routing_lateness(mirror, change) -> float:
    """How late a routing-state change reached Python: now less the start
    time the server gave the state (one clock, millisecond stamps)."""
    return time.time() * 1000 - mirror[change.user].routing_since_ms


def cpu_per_change(take, seconds: float) -> Tuple[float, float]:
    """Changes a second, and the process's CPU a change in microseconds."""
    told = 0
    cpu = cpu_seconds()
    start = time.monotonic()
    while time.monotonic() - start < seconds:
        told += take()
    used = cpu_seconds() - cpu
    return told / (time.monotonic() - start), used / told * 1e6 if told else float("nan")


def follow_mirror(server: Server, seconds: float) -> Dict[str, float]:
    joined = time.monotonic()
    with server.mirror(timeout_ms=120000) as mirror:
        join_s = time.monotonic() - joined
        # Changes made while the records were on their way are told once they
        # are held, as late as the join took: followed until told on time.
        caught_up = time.monotonic()
        while time.monotonic() - caught_up < 60:
            change = mirror.next(100)
            if (change is not None and change.kind == ChangeKind.USER and Part.ROUTING_STATE in change.parts
                    and routing_lateness(mirror, change) < 10):
                break
        catch_up_s = time.monotonic() - caught_up

        # The process's CPU a change, the changes taken and nothing more: by
        # the C interface alone, then by Python's loop; the difference is
        # Python's own share.
        # Taken in turns, so that the machine's other load falls on both alike.
        slices = [(cpu_per_change(lambda: lib.zel_mirror_next(mirror._mirror, 100) == lib.ZEL_OK, seconds / 16),
                   cpu_per_change(lambda: mirror.next(100) is not None, seconds / 16)) for _ in range(4)]
        bare = statistics.median(held[0][0] for held in slices), statistics.median(held[0][1] for held in slices)
        python = statistics.median(held[1][0] for held in slices), statistics.median(held[1][1] for held in slices)

        # Then each routing-state change's record looked up: how late it came.
        lateness: List[float] = []
        last_told: Dict[int, float] = {}
        start = time.monotonic()
        while time.monotonic() - start < seconds / 2:
            change = mirror.next(100)
            if change is None or change.kind != ChangeKind.USER:
                continue
            last_told[change.user] = time.monotonic()
            if Part.ROUTING_STATE in change.parts:
                lateness.append(routing_lateness(mirror, change))

        # Lost: a user whose record differs from the server's though the
        # stream told nothing of it since well before the query.
        asked = time.monotonic()
        answered = {user.key: user._replace(answered_at_ms=0) for user in server.users()}
        settle = time.monotonic() + 1.0
        while time.monotonic() < settle:
            change = mirror.next(100)
            if change is not None and change.kind == ChangeKind.USER:
                last_told[change.user] = time.monotonic()
        quiet_since = asked - 1.0
        lost = sum(1 for key, user in answered.items()
                   if last_told.get(key, 0.0) < quiet_since and mirror.get(key) is not None
                   and mirror[key]._replace(answered_at_ms=0) != user)
        missing = len(set(answered) ^ set(mirror.keys()))
    lateness.sort()
    return {
        "join_s": join_s,
        "catch_up_s": catch_up_s,
        "changes_per_second": python[0],
        "cpu_per_change_us": python[1],
        "c_cpu_per_change_us": bare[1],
        "python_share_us": python[1] - bare[1],
        "cpu_share": python[0] * python[1] * 1e-6,
        "late_p50_ms": lateness[len(lateness) // 2] if lateness else float("nan"),
        "late_p99_ms": lateness[int(len(lateness) * 0.99)] if lateness else float("nan"),
        "late_max_ms": lateness[-1] if lateness else float("nan"),
        "routing_changes": len(lateness),
        "lost": lost + missing,
    }


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=str(ROOT / "build/release"), help="a release build tree")
    parser.add_argument("--agents", type=int, default=50000)
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--rate", type=float, default=5000, help="changes a second the simulator makes")
    parser.add_argument("--seconds", type=float, default=20, help="how long the mirror is followed")
    parser.add_argument("--mirror-repetitions", type=int, default=3)
    parser.add_argument("--skip", choices=["calls", "mirror"], action="append", default=[])
    arguments = parser.parse_args()
    build = pathlib.Path(arguments.build).resolve()
    if "calls" not in arguments.skip:
        compare_calls(build, arguments)
    if "mirror" not in arguments.skip:
        measure_mirror(build, arguments)
    return 0


def compare_calls(build: pathlib.Path, arguments: argparse.Namespace) -> None:

    simulator = Simulator(build, "--agents", str(arguments.agents))
    try:
        cxx = cxx_medians(build, simulator.endpoint, arguments.repetitions)
        server = Server(simulator.endpoint)
        users = python_median(server.users, arguments.repetitions, 1)
        read = python_median(lambda: read_every_record(server), arguments.repetitions, 1)
        status = python_median(server.status, arguments.repetitions, 1000)
    finally:
        simulator.close()

    rows = [
        (f"users query of {arguments.agents} agents, records made on look", users, cxx["BM_RemoteUsersCxx"],
         "Python/C++", 3.0),
        ("  and every record made, key, id and state read", read, cxx["BM_RemoteUsersCxx"], "Python/C++", 3.0),
        ("  the same through the C interface (key, id, state read)", cxx["BM_RemoteUsersC"],
         cxx["BM_RemoteUsersCxx"], "C/C++", None),
        ("server status call", status, cxx["BM_RemoteStatusCxx"], "Python/C++", 1.5),
        ("C interface: status call, inproc", cxx["BM_StatusC"], cxx["BM_StatusCxx"], "C/C++", 1.05),
        ("C interface: users query of 50000, inproc", cxx["BM_UsersC/50000"],
         cxx["BM_UsersCxx/50000"], "C/C++", 1.05),
    ]
    print(f"medians of {arguments.repetitions}; {os.cpu_count()} CPUs, load {os.getloadavg()[0]:.1f}; "
          "real time, then the calling thread's CPU, on which each goal is judged")
    for name, measured, reference, ratio_name, target in rows:
        ratios = [measured[i] / reference[i] for i in range(2)]
        # Judged on CPU: on a shared machine the real time is mostly the others'.
        verdict = "" if target is None else (f" ok (goal {target}x)" if ratios[1] <= target else f" OVER {target}x")
        print(f"{name:<58} {measured[0] * 1e3:10.3f} ms  C++ {reference[0] * 1e3:10.3f} ms  "
              f"{ratio_name} {ratios[0]:5.2f}x  | CPU {measured[1] * 1e3:10.3f} ms  "
              f"C++ {reference[1] * 1e3:10.3f} ms  {ratios[1]:5.2f}x{verdict}")


def measure_mirror(build: pathlib.Path, arguments: argparse.Namespace) -> None:
    simulator = Simulator(build, "--agents", str(arguments.agents), "--churn", str(arguments.rate))
    try:
        followed = [follow_mirror(Server(simulator.endpoint), arguments.seconds)
                    for _ in range(arguments.mirror_repetitions)]
    finally:
        simulator.close()

    def median(name: str) -> float:
        return statistics.median(run[name] for run in followed)

    p99 = median("late_p99_ms")
    lost = sum(run["lost"] for run in followed)
    print(f"mirror of {arguments.agents} agents at {arguments.rate:.0f} changes/s, medians of "
          f"{arguments.mirror_repetitions} runs of {arguments.seconds:.0f} s (load {os.getloadavg()[0]:.1f}):")
    print(f"  joined in {median('join_s'):.2f} s; the changes made meanwhile told within a further "
          f"{median('catch_up_s'):.2f} s")
    print(f"  {median('changes_per_second'):.0f} changes/s told; the process's CPU a change "
          f"{median('cpu_per_change_us'):.1f} us ({median('cpu_share') * 100:.0f} % of a core), of which "
          f"Python's own {median('python_share_us'):.1f} us beside the C interface's "
          f"{median('c_cpu_per_change_us'):.1f} us")
    print(f"  routing changes late p50 {median('late_p50_ms'):.1f} ms p99 {p99:.1f} ms "
          f"max {median('late_max_ms'):.1f} ms ({median('routing_changes'):.0f} measured a run)"
          f"{' ok' if p99 <= 10 else ' OVER 10 ms'}; lost {lost}{' ok' if lost == 0 else ' LOST'}")


if __name__ == "__main__":
    sys.exit(main())
