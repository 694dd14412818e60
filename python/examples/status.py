"""Is the presence server up?  python status.py --server tcp://127.0.0.1:7300"""

import argparse
import sys

from zelclnt import Server, ZelError


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--server", default="tcp://127.0.0.1:7300", help="a server, or a list of servers")
    parser.add_argument("--keys", help="a directory of CURVE keys (client.key and servers)")
    arguments = parser.parse_args()
    try:
        status = Server(arguments.server, keys=arguments.keys).status()
    except ZelError as error:
        print(f"{arguments.server}: {error}", file=sys.stderr)
        return 2
    print(f"{status.name}: {'up' if status.up else 'down'}, started {status.started_at}")
    return 0 if status.up else 1


if __name__ == "__main__":
    sys.exit(main())
