import asyncio

import pytest

from zelclnt import ChangeKind, EventType, NoticeKind, Part, RoutingState, Server, SyncCause


def test_events_of_chosen_types_and_users(endpoint):
    server = Server(endpoint)
    with server.events(types=[EventType.USER_ROUTING_STATE_EVENT], users=[43]) as events:
        server.agent(42).set_routing_state(RoutingState.WORK, reason=1)
        server.agent(43).set_routing_state(RoutingState.WORK, reason=1)
        event = events.next(10000)
        assert event is not None
        assert (event.kind, event.type, event.user) == (NoticeKind.EVENT, EventType.USER_ROUTING_STATE_EVENT, 43)
        assert "Work" in event.text
        assert events.next(0) is None


def test_mirror_follows_the_server(endpoint):
    server = Server(endpoint)
    with server.mirror() as mirror:
        assert len(mirror) == 8 and list(mirror) == list(range(42, 50)) and 44 in mirror
        assert mirror[44]._replace(answered_at_ms=0) == server.user(44)._replace(answered_at_ms=0)
        with pytest.raises(KeyError):
            mirror[4242]
        first = next(mirror.changes(10000))
        assert (first.kind, first.sync_cause) == (ChangeKind.SYNCED, SyncCause.FIRST)
        server.agent(45).set_routing_state(RoutingState.WORK, reason=7)
        change = next(change for change in mirror.changes(10000) if change.user == 45)
        assert Part.ROUTING_STATE in change.parts and mirror[45].routing_reason == 7


def test_mirror_of_chosen_users(endpoint):
    with Server(endpoint).mirror(users=[43, (44, "agent44")]) as mirror:
        assert list(mirror) == [43, 44]


def test_changes_awaited_in_a_loop_beside_other_work(endpoint):
    """The loop stays free while the mirror waits: calls awaited meanwhile
    end, and every change told is one the actions made."""
    server = Server(endpoint)
    keys = [42, 43, 47]

    async def follow():
        with server.mirror() as mirror:
            seen = []

            async def collect():
                async for change in mirror.achanges():
                    if change.kind == ChangeKind.USER:
                        seen.append(change.user)
                        if set(keys) <= set(seen):
                            mirror.close()

            collecting = asyncio.create_task(collect())
            for key in keys:
                await asyncio.sleep(0.05)
                server.agent(key).set_routing_state(RoutingState.WORK, reason=key)
                assert (await server.auser(key)).routing_reason == key
            # Generous: the changes come within milliseconds on an idle machine.
            await asyncio.wait_for(collecting, 30)
            return seen, mirror

    seen, mirror = asyncio.run(follow())
    assert set(seen) == set(keys) and [mirror[key].routing_reason for key in keys] == keys
