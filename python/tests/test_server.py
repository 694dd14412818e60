import asyncio
import os
import subprocess
import sys

import pytest

from zelclnt import (CallFailed, CapabilityType, ContactState, ErrorCode, FailureKind, InterfaceError, Medium,
                     PostProcessingStatus, Presentity, ReadinessState, Refused, RoutingState, Server, UsersQuery)
from zelclnt._native import ffi, lib


def contact(user, contact_id):
    return next(held for held in user.contacts if held.contact_id == contact_id)


# Each action carried out, and what the agent's record says after it. The
# simulator's agents start alike on every run (its seed is fixed).
ACTIONS = [
    ("routing state", 42, lambda a: a.set_routing_state(RoutingState.WORK, reason=3),
     lambda u: (u.routing_state, u.routing_reason) == (RoutingState.WORK, 3)),
    ("routing state, not waited for", 43, lambda a: a.set_routing_state(RoutingState.UNAVAILABLE, 2, synchronous=False),
     lambda u: (u.routing_state, u.routing_reason) == (RoutingState.UNAVAILABLE, 2)),
    ("ACD state", 42, lambda a: a.set_acd_state(RoutingState.UNAVAILABLE, reason=4),
     lambda u: (u.routing_state, u.routing_reason) == (RoutingState.UNAVAILABLE, 4)),
    ("primary contact", 42, lambda a: a.set_primary_contact("C42-3"),
     lambda u: (u.primary_contact_id, u.old_primary_contact_id) == ("C42-3", "C42-1")),
    ("recovery mode", 43, lambda a: a.set_recovery_mode(True), lambda u: u.recovery_mode and u.recovery_mode_since_ms),
    ("contact assist", 43, lambda a: a.set_contact_assist(True),
     lambda u: u.contact_assist and u.contact_assist_since_ms),
    ("wrap-up", 42, lambda a: a.submit_wrapup("C42-2", 0, reasons=[1, 2], queue_key=7, sequence_number=1),
     lambda u: "C42-2" not in [held.contact_id for held in u.contacts]),
    ("post-processing", 42, lambda a: a.request_post_processing("C42-1", 0, reason=5),
     lambda u: (contact(u, "C42-1").manual_status, contact(u, "C42-1").manual_reason)
     == (PostProcessingStatus.PENDING, 5)),
    ("post-processing left", 42,
     lambda a: (a.request_post_processing("C42-1", 0, reason=5), a.exit_post_processing("C42-1", 0)),
     lambda u: contact(u, "C42-1").manual_status == PostProcessingStatus.STOPPED),
    ("mandatory post-processing cancelled", 44, lambda a: a.cancel_mandatory_post_processing("C44-2", 0),
     lambda u: "C44-2" not in [held.contact_id for held in u.contacts]
     or contact(u, "C44-2").mandatory_status != PostProcessingStatus.ACTIVE),
]


@pytest.mark.parametrize("name, key, action, holds", ACTIONS, ids=[row[0] for row in ACTIONS])
def test_action_carried_out(endpoint, name, key, action, holds):
    server = Server(endpoint)
    action(server.agent(key))
    assert holds(server.user(key))


REFUSALS = [
    ("a state the user's does not allow", lambda s: s.agent(42).set_routing_state(RoutingState.LOGOFF),
     ErrorCode.ERR_INVALID_STATE),
    ("a contact the user does not handle", lambda s: s.agent(42).set_primary_contact("C42-9"),
     ErrorCode.ERR_ITEM_NOT_FOUND),
    ("an unknown user", lambda s: s.user(4242), ErrorCode.ERR_INVALID_USER),
    ("a user id not the key's", lambda s: s.user(42, "agent43"), ErrorCode.ERR_INVALID_USER),
    ("a capability without parameters", lambda s: s.add_capability(43, ""), ErrorCode.ERR_INVALID_PARAMETERS),
    ("a capability never added", lambda s: s.remove_capability(43, "nail-up=555"), ErrorCode.ERR_ITEM_NOT_FOUND),
]


@pytest.mark.parametrize("name, call, code", REFUSALS, ids=[row[0] for row in REFUSALS])
def test_refused_with_code_and_text(endpoint, name, call, code):
    with pytest.raises(Refused) as refused:
        call(Server(endpoint))
    assert (refused.value.code, refused.value.text) == (code, code.name)
    assert isinstance(refused.value.code, ErrorCode)


NO_ANSWER = [
    ("status", lambda s: s.status()),
    ("users", lambda s: s.users()),
    ("an action", lambda s: s.agent(42).set_recovery_mode(True)),
    ("status, awaited", lambda s: asyncio.run(s.astatus())),
]


@pytest.mark.parametrize("name, call", NO_ANSWER, ids=[row[0] for row in NO_ANSWER])
def test_call_failed_on_a_dead_server(name, call):
    with pytest.raises(CallFailed) as failed:
        call(Server("tcp://127.0.0.1:1"))
    assert failed.value.kind == FailureKind.CONNECTION_REFUSED
    assert "tcp://127.0.0.1:1" in failed.value.reason and failed.value.server == "tcp://127.0.0.1:1"


def test_queries(endpoint):
    server = Server(endpoint)
    status = server.status()
    assert (status.name, status.up, status.shutting_down, status.heartbeat_interval_ms) == ("presence-sim", True,
                                                                                            False, 10000)
    users = server.users(query="all")
    assert [(user.key, user.id) for user in users] == [(key, f"agent{key}") for key in range(42, 50)]
    assert [user._replace(answered_at_ms=0) for user in server.users(UsersQuery.ALL_USERS)] \
        == [user._replace(answered_at_ms=0) for user in users]
    agent = users[0]
    assert [state.medium for state in agent.media_states] == list(Medium)[1:]
    assert contact(agent, "C42-1").state == ContactState.TALKING and agent.answered_at_ms > 0
    with pytest.raises(AttributeError):
        agent.key = 1
    assert {readiness.medium: readiness.state for readiness in server.medium_status()}[Medium.VOICE] \
        == ReadinessState.READY
    asked = [Presentity("sip:a", "a", "100"), ("sip:b", "b", "101")]
    assert server.integrated_presence("user", "secret", "agent42", asked) == tuple(Presentity(*p) for p in asked)
    server.add_capability(42, "nail-up=555")
    server.remove_capability(42, "nail-up=555")


def test_users_across_the_records_made_at_a_time(simulator):
    # More agents than are made at one time, one of them with reasons kept
    # after a wrap-up: each record as the server gives it alone.
    server = Server(simulator("--agents", "600"))
    agent = server.agent(44)
    agent.request_post_processing("C44-2", 0, reason=5)
    agent.submit_wrapup("C44-2", 0, reasons=[1, 2], queue_key=7, sequence_number=1)
    users = server.users()
    assert len(users) == 600 and list(users[-2:]) == list(users[598:]) and users[-600] is users[0]
    for index in (0, 2, 255, 256, 257, 511, 599):
        assert users[index]._replace(answered_at_ms=0) == server.user(users[index].key)._replace(answered_at_ms=0)
    assert contact(users[2], "C44-2").reasons == (1, 2)
    assert users == tuple(users) and users != tuple(users)[1:]
    for outside in (600, -601):
        with pytest.raises(IndexError):
            users[outside]
    with pytest.raises(TypeError):
        users[0] = users[1]


BAD_ARGUMENTS = [
    ("a users query of no such name", lambda s: s.users(query="everyone"), ValueError),
    ("a NUL in a user id", lambda s: s.agent(42, "agent\x0042"), ValueError),
    ("four presentities", lambda s: s.integrated_presence("u", "p", "a", [("x", "y", "z")] * 4), ValueError),
    ("a capability the server never changes", lambda s: s.add_capability(42, "x", CapabilityType.DESKTOP),
     CallFailed),
    ("keys from no directory", lambda s: Server(s.servers, keys="/nonexistent/keys"), InterfaceError),
]


@pytest.mark.parametrize("name, call, error", BAD_ARGUMENTS, ids=[row[0] for row in BAD_ARGUMENTS])
def test_bad_arguments_raise_clear_errors(endpoint, name, call, error):
    with pytest.raises(error):
        call(Server(endpoint))


def test_awaited_calls_side_by_side(endpoint):
    async def all_at_once():
        server = Server(endpoint)
        return await asyncio.gather(server.astatus(), server.ausers(), server.auser(44), server.amedium_status(),
                                    Server("tcp://127.0.0.1:1").astatus(), server.auser(4242),
                                    return_exceptions=True)

    status, users, user, readiness, failed, refused = asyncio.run(all_at_once())
    assert status.name == "presence-sim" and len(users) == 8 and user._replace(answered_at_ms=0) == users[2]._replace(answered_at_ms=0)
    assert len(readiness) == 5
    assert isinstance(failed, CallFailed) and failed.kind == FailureKind.CONNECTION_REFUSED
    assert isinstance(refused, Refused) and refused.code == ErrorCode.ERR_INVALID_USER and refused.server == endpoint


def _key_pair(path):
    public, secret = ffi.new("char[41]"), ffi.new("char[41]")
    assert lib.zel_curve_generate(public, secret) == lib.ZEL_OK
    public, secret = ffi.string(public).decode(), ffi.string(secret).decode()
    path.write_text(f"public-key = {public}\nsecret-key = {secret}\n")
    path.chmod(0o600)
    return public


@pytest.mark.skipif(not lib.zel_curve_available(), reason="this ZeroMQ has no CURVE")
def test_keys_from_a_directory(simulator, tmp_path):
    server_public = _key_pair(tmp_path / "server.key")
    keys = tmp_path / "keys"
    keys.mkdir()
    client_public = _key_pair(keys / "client.key")
    (tmp_path / "allow").write_text(f"{client_public} control\n")
    secured = simulator("--key", str(tmp_path / "server.key"), "--allow", str(tmp_path / "allow"))
    (keys / "servers").write_text(f"{secured} {server_public}\n")
    with pytest.raises(CallFailed):
        Server(secured).status()
    server = Server(secured, keys=keys)
    assert server.status().up
    server.agent(42).set_recovery_mode(True)
    assert server.user(42).recovery_mode


def test_command_line(endpoint):
    answer = subprocess.run([sys.executable, "-m", "zelclnt", "status", "--server", endpoint],
                            capture_output=True, text=True, timeout=60)
    assert answer.returncode == 0 and "presence-sim is up" in answer.stdout
    answer = subprocess.run([sys.executable, "-m", "zelclnt", "status", "--server", "tcp://127.0.0.1:1"],
                            capture_output=True, text=True, timeout=60, env={**os.environ, "ZEL_DIAG": ""})
    assert answer.returncode == 1 and "connection_refused" in answer.stderr
