"""An asyncio service that follows one team: each change of one of its
agents is told as it comes, while the loop stays free for other work (here,
a status check of the server every few seconds).

    python team_service.py --server tcp://127.0.0.1:7300 --team 10 [--seconds 30]
"""

import argparse
import asyncio
import contextlib
import sys

from zelclnt import ChangeKind, Server, ZelError


async def follow(server: Server, team: int, seconds: float) -> None:
    with server.mirror() as mirror:
        members = {key for key in mirror if mirror[key].team_key == team}
        print(f"team {team}: {len(members)} agents", flush=True)

        async def check_status() -> None:
            while True:
                await asyncio.sleep(5)
                status = await server.astatus()
                print(f"server {status.name} {'up' if status.up else 'down'}", flush=True)

        checking = asyncio.create_task(check_status())
        if seconds > 0:
            asyncio.get_running_loop().call_later(seconds, mirror.close)
        try:
            async for change in mirror.achanges():
                if change.kind in (ChangeKind.USER, ChangeKind.USER_ADDED) and mirror.get(change.user) is not None:
                    user = mirror[change.user]
                    if user.team_key == team:
                        members.add(user.key)
                        parts = ", ".join(part.name.lower() for part in change.parts)
                        print(f"agent {user.key}: {user.routing_state.name} ({parts})", flush=True)
                elif change.kind == ChangeKind.USER_REMOVED:
                    members.discard(change.user)
                elif change.kind != ChangeKind.USER:
                    print(f"mirror: {change.kind.name}", flush=True)
        finally:
            checking.cancel()
            with contextlib.suppress(asyncio.CancelledError):
                await checking


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--server", default="tcp://127.0.0.1:7300")
    parser.add_argument("--team", type=int, required=True, help="the team's key")
    parser.add_argument("--seconds", type=float, default=0, help="stop after this long (0: never)")
    arguments = parser.parse_args()
    try:
        asyncio.run(follow(Server(arguments.server), arguments.team, arguments.seconds))
    except ZelError as error:
        print(f"{arguments.server}: {error}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
