"""Sets an agent's routing state, and tells how it went.

    python action.py --server tcp://127.0.0.1:7300 --agent 42 --state WORK --reason 3
"""

import argparse
import sys

from zelclnt import CallFailed, Refused, RoutingState, Server


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--server", default="tcp://127.0.0.1:7300")
    parser.add_argument("--agent", type=int, required=True, help="the agent's user key")
    parser.add_argument("--id", help="the agent's user id (default: agent<key>)")
    parser.add_argument("--state", choices=[state.name for state in RoutingState], required=True)
    parser.add_argument("--reason", type=int, default=0)
    arguments = parser.parse_args()
    agent = Server(arguments.server).agent(arguments.agent, arguments.id)
    try:
        agent.set_routing_state(RoutingState[arguments.state], reason=arguments.reason)
    except Refused as refused:
        print(f"agent {arguments.agent}: refused, {refused.text} ({int(refused.code)})")
        return 1
    except CallFailed as failed:
        print(f"agent {arguments.agent}: no answer, {failed.reason}", file=sys.stderr)
        return 2
    user = agent.query()
    print(f"agent {user.key}: {user.routing_state.name} (reason {user.routing_reason})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
