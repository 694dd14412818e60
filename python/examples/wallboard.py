"""A wallboard in the terminal: every agent's routing state, kept live by the
mirror, drawn again at most a few times a second.

    python wallboard.py --server tcp://127.0.0.1:7300 [--seconds 10]
"""

import argparse
import collections
import sys
import time

from zelclnt import ChangeKind, Mirror, RoutingState, Server, ZelError

ROWS = 20


def draw(mirror: Mirror, out) -> None:
    users = [mirror[key] for key in mirror.keys()[:ROWS]]
    totals = collections.Counter(mirror[key].routing_state for key in mirror.keys())
    out.write("\x1b[H\x1b[2J" if out.isatty() else "\n")
    state = "current" if mirror.current else f"NOT CURRENT: {mirror.why_not_current()}"
    out.write(f"{len(mirror)} agents, {state}\n")
    out.write("  ".join(f"{routing.name} {totals.get(routing, 0)}" for routing in RoutingState) + "\n\n")
    for user in users:
        name = getattr(user.routing_state, "name", str(user.routing_state))
        out.write(f"{user.key:>8}  {user.id:<16} {name:<12} {user.routing_reason:>4}  {len(user.contacts)} contacts\n")
    out.flush()


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--server", default="tcp://127.0.0.1:7300")
    parser.add_argument("--seconds", type=float, default=0, help="stop after this long (0: never)")
    parser.add_argument("--frame", type=float, default=0.25, help="seconds between drawings at most")
    arguments = parser.parse_args()
    try:
        mirror = Server(arguments.server).mirror()
    except ZelError as error:
        print(f"{arguments.server}: {error}", file=sys.stderr)
        return 2
    stop = time.monotonic() + arguments.seconds if arguments.seconds > 0 else float("inf")
    with mirror:
        draw(mirror, sys.stdout)
        changed = False
        drawn = time.monotonic()
        while time.monotonic() < stop:
            change = mirror.next(int(arguments.frame * 1000))
            changed = changed or (change is not None and change.kind != ChangeKind.READINESS)
            if changed and time.monotonic() - drawn >= arguments.frame:
                draw(mirror, sys.stdout)
                changed, drawn = False, time.monotonic()
    return 0


if __name__ == "__main__":
    sys.exit(main())
