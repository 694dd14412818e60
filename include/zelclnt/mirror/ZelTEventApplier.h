#pragma once
// Applies one event the presence server published to the record of the user
// it is about, as the server changed that record, and says which parts
// (ZelTPresenceChange::enPart) now differ.
//
// Complete events carry every part they change, whole:
//  - every event built on the user's presence details (the media events of
//    each medium, routing state, contact created, connected and completed,
//    handling state updated, contact queue consulted, recovery mode) carries
//    the user's whole presence but the silent monitoring: it settles every
//    other part, also ones an earlier event left unknown;
//  - the capability event carries the whole desktop capability;
//  - the silent-monitoring (CSM) event the user's whole list of
//    participations;
//  - the contact-assist event switching assistance off (its start time
//    becomes null, as the server clears it) or leaving it as it was.
// Incomplete events: the applier applies what they carry and names in
// unknownParts what the server changed beyond it; the caller queries the
// user again, unless a later complete event settles those parts first.
//  - primary contact changed: the primary contact and the previous one are
//    set and the old primary's start time cleared; the change time and the
//    new primary's start time are not carried. An event the record already
//    shows (it follows the contact event that told the same) changes nothing;
//  - wrap-up submitted: the contact's reasons are set; what became of its
//    post-processing, and of the contact, is not carried (the contact event
//    that follows tells it);
//  - contact assist switched on: its start time is not carried.
// Readiness events change no user: ApplyReadiness keeps them in a table of
// media. Types that change neither are not the applier's.
//
// A record is changed only by a whole event of its type about the record's
// user: bytes cut short, or an event about another user, leave it exactly
// as it was (OUTCOME_MALFORMED). Bytes after a whole event are ignored, and
// so is a list of affected contacts cut after a whole contact: no record
// holds them.
//
// One thread at a time: the applier keeps the records it reads into, so
// that reading an event reuses what the last one left.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zelclnt/core/ZelTPresenceServer.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/state/TMediaReadiness.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTEventApplier {
 public:
  enum enOutcome : std::int32_t {
    OUTCOME_APPLIED = 0,
    OUTCOME_MALFORMED = 1,  // not a whole event of its type about this user: nothing changed
    OUTCOME_NOT_USER = 2,   // the type changes no user's record
  };

  struct Result {
    enOutcome outcome = OUTCOME_NOT_USER;
    // Parts that now differ from what the record held.
    std::uint32_t changedParts = 0;
    // Parts the server changed that the event did not carry.
    std::uint32_t unknownParts = 0;
    // Parts the event carried whole: known exactly from now on.
    std::uint32_t settledParts = 0;
  };

  ZelTEventApplier();
  ~ZelTEventApplier();
  ZelTEventApplier(const ZelTEventApplier&) = delete;
  ZelTEventApplier& operator=(const ZelTEventApplier&) = delete;

  Result Apply(ZelTPresenceServer::enEvent type, const void* data, std::size_t size, ZelTUserPresence& user);

  // A readiness event into the table (one entry per medium, added when
  // first told); `changed` gets the media whose entry changed. A changed
  // entry's start time is null: the events do not tell it. False for bytes
  // that are no whole readiness event (the table stays as it was) and for
  // other types.
  bool ApplyReadiness(ZelTPresenceServer::enEvent type, const void* data, std::size_t size,
                      std::vector<TMediaReadiness>& table, std::vector<long>& changed);

  // The types Apply changes a record for, and those ApplyReadiness takes.
  static const std::vector<int>& UserEventTypes();
  static const std::vector<int>& ReadinessEventTypes();
  static bool IsUserEvent(int type);
  static bool IsReadinessEvent(int type);
  // The parts an event of the type may change; 0 for a type Apply does not take.
  static std::uint32_t PartsOf(int type);

  // The user key and id at the head of a user event, for a user the caller
  // does not hold yet; false for other types and bytes too short.
  static bool ReadUser(int type, const void* data, std::size_t size, long& userKey, std::string& userId);

 private:
  struct Scratch;

  Result ApplyDetails(ZelTUserPresence& user);
  Result ApplyPrimary(ZelTUserPresence& user);
  Result ApplyWrapup(ZelTUserPresence& user);
  Result ApplyContactAssist(ZelTUserPresence& user);
  Result ApplyCapability(ZelTUserPresence& user);
  Result ApplySilentMonitoring(ZelTUserPresence& user);

  std::unique_ptr<Scratch> m_scratch;
};
