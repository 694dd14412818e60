"""Each example, run as a user runs it, within a generous bound."""

import subprocess
import sys

import pytest

from conftest import ROOT

EXAMPLES = [
    # name, simulator arguments, example arguments, exit status, what its output holds
    ("status", [], [], 0, "presence-sim: up"),
    ("action", [], ["--agent", "42", "--state", "WORK", "--reason", "3"], 0, "agent 42: WORK (reason 3)"),
    ("action", [], ["--agent", "42", "--state", "LOGOFF"], 1, "agent 42: refused, ERR_INVALID_STATE (35030)"),
    ("wallboard", ["--churn", "200"], ["--seconds", "1.5", "--frame", "0.1"], 0, "8 agents, current"),
    ("team_service", ["--churn", "200"], ["--team", "10", "--seconds", "2"], 0, "agent "),
]


@pytest.mark.parametrize("name, simulated, arguments, exit_status, shown", EXAMPLES,
                         ids=[f"{row[0]} {' '.join(row[2])}" for row in EXAMPLES])
def test_example_runs(simulator, name, simulated, arguments, exit_status, shown):
    server = simulator(*simulated)
    ran = subprocess.run([sys.executable, str(ROOT / f"python/examples/{name}.py"), "--server", server, *arguments],
                         capture_output=True, text=True, timeout=60)
    assert (ran.returncode, shown in ran.stdout) == (exit_status, True), ran.stdout + ran.stderr
