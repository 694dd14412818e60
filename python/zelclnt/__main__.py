"""python3 -m zelclnt status --server tcp://127.0.0.1:7300"""

import argparse
import sys

from zelclnt import Server, ZelError


def main() -> int:
    parser = argparse.ArgumentParser(prog="python3 -m zelclnt")
    commands = parser.add_subparsers(dest="command", required=True)
    status = commands.add_parser("status", help="the server's status")
    status.add_argument("--server", default="tcp://127.0.0.1:7300", help="a server, or a list of servers")
    arguments = parser.parse_args()
    try:
        answer = Server(arguments.server).status()
    except ZelError as error:
        print(f"no status from {arguments.server}: {error}", file=sys.stderr)
        return 1
    print(f"{answer.name} is {'up' if answer.up else 'down'}")
    print(f"  description:  {answer.description}")
    print(f"  started at:   {answer.started_at}")
    print(f"  heartbeat:    {answer.heartbeat_interval_ms} ms")
    return 0


sys.exit(main())
