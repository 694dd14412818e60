import asyncio
import dataclasses
import subprocess
import sys

import pytest

from zelclnt import CallFailed, ChangeKind, FailureKind, NoticeKind, Part, Refused, RoutingState, Server


def test_status_and_users(endpoint):
    server = Server(endpoint)
    status = server.status()
    assert (status.name, status.up) == ("presence-sim", True)
    users = server.users(query="all")
    assert [(user.key, user.id) for user in users] == [(key, f"agent{key}") for key in range(42, 50)]
    with pytest.raises(dataclasses.FrozenInstanceError):
        users[0].key = 1
    with pytest.raises(ValueError):
        server.users(query="everyone")


def test_actions_done_and_refused(endpoint):
    agent = Server(endpoint).agent(42)
    agent.set_routing_state(RoutingState.WORK, reason=3)
    user = agent.query()
    assert (user.routing_state, user.routing_reason) == (RoutingState.WORK, 3)
    with pytest.raises(Refused) as refused:
        agent.set_routing_state(RoutingState.LOGOFF)
    assert (refused.value.code, refused.value.text) == (35030, "ERR_INVALID_STATE")


def test_no_answer():
    with pytest.raises(CallFailed) as failed:
        Server("tcp://127.0.0.1:1").status()
    assert failed.value.kind == FailureKind.CONNECTION_REFUSED
    assert "tcp://127.0.0.1:1" in failed.value.reason


def test_command_line(endpoint):
    answer = subprocess.run([sys.executable, "-m", "zelclnt", "status", "--server", endpoint],
                            capture_output=True, text=True, timeout=60)
    assert answer.returncode == 0 and "presence-sim is up" in answer.stdout


def test_events(endpoint):
    server = Server(endpoint)
    routing = 35007
    with server.events(types=[routing], users=[43]) as events:
        server.agent(43).set_routing_state(RoutingState.WORK, reason=1)
        event = events.next(10000)
        assert event is not None and (event.kind, event.type, event.user) == (NoticeKind.EVENT, routing, 43)
        assert "Work" in event.text


def test_asyncio_calls_side_by_side(endpoint):
    async def both():
        server = Server(endpoint)
        return await asyncio.gather(server.astatus(), server.ausers(), Server("tcp://127.0.0.1:1").astatus(),
                                    return_exceptions=True)

    status, users, failed = asyncio.run(both())
    assert status.name == "presence-sim" and len(users) == 8
    assert isinstance(failed, CallFailed) and failed.kind == FailureKind.CONNECTION_REFUSED


def test_mirror(endpoint):
    server = Server(endpoint)
    with server.mirror() as mirror:
        assert len(mirror) == 8 and list(mirror) == list(range(42, 50))
        assert mirror[44].id == "agent44"
        with pytest.raises(KeyError):
            mirror[4242]
        assert next(mirror.changes(10000)).kind == ChangeKind.CHANGE_SYNCED
        server.agent(45).set_routing_state(RoutingState.WORK, reason=7)
        change = next(change for change in mirror.changes(10000) if change.user == 45)
        assert Part.PART_ROUTING_STATE in change.parts and mirror[45].routing_reason == 7
