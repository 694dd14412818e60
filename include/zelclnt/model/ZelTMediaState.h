#pragma once
// The media a user is logged on to. A ZelTMediaState is one medium's state;
// ZelTMediaStates holds one per medium (voice, callback, e-mail, web chat,
// open media from the start) and answers whether the user is logged on.
// A state counts as logged on when it is Logon, Available or Do Not Disturb.
//
// Wire forms: a media state is the state-manager media state; the set is
// the collection of them, which replaces every state held.

#include <cstdint>
#include <string>

#include "zelclnt/model/ZelTStdVectorPointerColl.h"
#include "zelclnt/state/TMediaState.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API ZelTMediaState : public TMediaState {
 public:
  enum enSummaryType : std::int32_t {
    SUMMARY_FULL = 0,
  };

  ZelTMediaState() { state = MEDIASTATE_LOGOFF; }
  ZelTMediaState(const ZelTMediaState&) = default;
  ZelTMediaState& operator=(const ZelTMediaState&) = default;
  // The base part only; the start time stays.
  ZelTMediaState& operator=(const TMediaStateBase& base);
  ~ZelTMediaState() = default;

  bool IsLoggedOn() const;

  std::string ToSummary(enSummaryType type, bool showName) const;
  std::string ToString() const { return ToSummary(SUMMARY_FULL, true); }
  void PrintDiag() const;
};

class ZELCLNT_API ZelTMediaStates {
 public:
  ZelTMediaStates();
  ZelTMediaStates(const ZelTMediaStates&) = default;
  ZelTMediaStates& operator=(const ZelTMediaStates&) = default;
  ~ZelTMediaStates() = default;

  const ZelTStdVectorPointerColl<ZelTMediaState>& GetMediaStates() const { return m_mediaStates; }
  // Exchanges the held states without copying them.
  void Swap(ZelTMediaStates& other) { m_mediaStates.Swap(other.m_mediaStates); }
  // A copy of the medium's state; a default state (media 0) when none is held.
  ZelTMediaState operator[](long medium) const { return GetMediaState(medium); }
  ZelTMediaState GetMediaState(long medium) const;
  // False, and no change, when the medium already has a state.
  bool AddMediaState(const ZelTMediaState& state);
  // False, and nothing added, when the medium has no state.
  bool UpdateMediaState(const ZelTMediaState& state);
  long Count() const { return m_mediaStates.Size(); }

  // These walk with the collection's cursor and leave it moved.
  bool IsLoggedOn() const;
  // Media above 4 count as 5 (open media).
  bool IsLoggedOnToMedia(long mediaType) const;
  bool IsLoggedOnToMediaTypeLong(long medium) const;
  long LoggedOnCount() const;

  std::string ToString() const { return "Media States:" + m_mediaStates.ToString(); }
  void PrintDiag() const;

 private:
  friend TPack& operator<<(TPack& pack, const ZelTMediaStates& states);
  friend TPack& operator>>(TPack& pack, ZelTMediaStates& states);

  ZelTMediaState* Find(long medium) const;
  template <typename Matches>
  long CountLoggedOn(Matches matches, bool stopAtFirst) const;

  ZelTStdVectorPointerColl<ZelTMediaState> m_mediaStates;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTMediaState& state);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTMediaState& state);
ZELCLNT_API TPack& operator<<(TPack& pack, const ZelTMediaStates& states);
ZELCLNT_API TPack& operator>>(TPack& pack, ZelTMediaStates& states);
