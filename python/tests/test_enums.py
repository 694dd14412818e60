"""The enumerations hold exactly the values the wire document names, under
the names it gives them."""

import re

import pytest

import zelclnt
from conftest import ROOT

TABLES = [
    ("RoutingState", "Routing states, `ZelTRoutingState::enRoutingState`"),
    ("RoutingStateSource", "Initial routing-state sources"),
    ("PresenceState", "Presence states, `ZelTPresenceState::enPresenceState`"),
    ("DesktopCapability", "Desktop capabilities, `ZelTDesktopCapability::enDesktopCapability`"),
    ("DesktopCapabilityCause", "Desktop capability causes"),
    ("Medium", "Media, in both records, `KRVEnum::MEDIUM`"),
    ("MediaState", "Media states, `enMediaState`"),
    ("MediaStateCause", "Media state causes, `enMediaStateCause`"),
    ("ReadinessState", "Readiness states, `enReadinessState`"),
    ("ReadinessCause", "Readiness causes, `enReadinessCause`"),
    ("SilentMonitoringType", "Silent-monitoring types"),
    ("ReferenceType", "Reference types of a handling state"),
    ("ContactType", "Contact types, `THandlingStateEnum::enContactType`"),
    ("ContactState", "Contact states, `enContactState`"),
    ("HandlingCause", "Handling causes, `enHandlingCause`"),
    ("PostProcessingStatus", "Post-processing statuses"),
    ("CapabilityType", "Capability types, `ZelTUserCapability::enCapabilityType`"),
    ("UsersQuery", "Query types, `ZelTQueryUsersPresence::enQueryType`"),
    ("EventType", "Event types, `ZelTPresenceServer::enEvent`"),
    ("ErrorCode", "| Value | Text | Given by |"),
]


def table(lines, heading):
    start = next(i for i, line in enumerate(lines) if heading in line)
    while not lines[start].startswith("|"):
        start += 1
    rows = {}
    for line in lines[start + 2:]:
        if not line.startswith("|"):
            break
        value, text = [cell.strip() for cell in line.strip("|").split("|")][:2]
        rows[re.sub(r"[^A-Za-z0-9]+", "_", text).strip("_").upper()] = int(value)
    return rows


@pytest.mark.parametrize("name, heading", TABLES, ids=[row[0] for row in TABLES])
def test_named_as_the_wire_document_names_them(name, heading):
    lines = (ROOT / "docs/wire-format.md").read_text().splitlines()
    enumeration = getattr(zelclnt, name)
    assert {member.name: int(member) for member in enumeration} == table(lines, heading)
