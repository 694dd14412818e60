#include "zelclnt/model/ZelTMediaState.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/KRVEnum.h"
#include "zelclnt/platform/TPack.h"

namespace {

constexpr const char* kSource = "ZelTMediaState";

}  // namespace

ZelTMediaState& ZelTMediaState::operator=(const TMediaStateBase& base) {
  TMediaStateBase::operator=(base);
  return *this;
}

bool ZelTMediaState::IsLoggedOn() const {
  return state == MEDIASTATE_LOGON || state == MEDIASTATE_AVAILABLE || state == MEDIASTATE_DND;
}

std::string ZelTMediaState::ToSummary(enSummaryType, bool showName) const {
  return TMediaState::ToString(0, showName, true, true);
}

void ZelTMediaState::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, __LINE__, kSource, "ZelTMediaState", "PrintDiag") << ToString();
}

ZelTMediaStates::ZelTMediaStates() {
  m_mediaStates.Reserve(KRVEnum::MEDIUM_OPENMEDIA);
  for (long medium = KRVEnum::MEDIUM_VOICE; medium <= KRVEnum::MEDIUM_OPENMEDIA; ++medium) {
    ZelTMediaState state;
    state.media = medium;
    m_mediaStates.PushBack(state);
  }
}

ZelTMediaState* ZelTMediaStates::Find(long medium) const {
  for (ZelTMediaState* state : m_mediaStates.GetVector())
    if (state && state->media == medium) return state;
  return nullptr;
}

ZelTMediaState ZelTMediaStates::GetMediaState(long medium) const {
  const ZelTMediaState* state = Find(medium);
  return state ? *state : ZelTMediaState();
}

bool ZelTMediaStates::AddMediaState(const ZelTMediaState& state) {
  if (Find(state.media)) return false;
  return m_mediaStates.PushBack(state);
}

bool ZelTMediaStates::UpdateMediaState(const ZelTMediaState& state) {
  ZelTMediaState* held = Find(state.media);
  if (!held) return false;
  *held = state;
  return true;
}

template <typename Matches>
long ZelTMediaStates::CountLoggedOn(Matches matches, bool stopAtFirst) const {
  long count = 0;
  // By iterator: the cursor would make two readers of one record race.
  for (const ZelTMediaState* state : m_mediaStates) {
    if (!state || !state->IsLoggedOn() || !matches(*state)) continue;
    ++count;
    if (stopAtFirst) break;
  }
  return count;
}

bool ZelTMediaStates::IsLoggedOn() const {
  return CountLoggedOn([](const ZelTMediaState&) { return true; }, true) > 0;
}

bool ZelTMediaStates::IsLoggedOnToMedia(long mediaType) const {
  PrintDiag();
  const auto asType = [](long medium) { return medium > 4 ? long{KRVEnum::MEDIUM_OPENMEDIA} : medium; };
  return CountLoggedOn([&](const ZelTMediaState& s) { return asType(s.media) == mediaType; }, true) > 0;
}

bool ZelTMediaStates::IsLoggedOnToMediaTypeLong(long medium) const {
  PrintDiag();
  return CountLoggedOn([&](const ZelTMediaState& s) { return s.media == medium; }, true) > 0;
}

long ZelTMediaStates::LoggedOnCount() const {
  return CountLoggedOn([](const ZelTMediaState&) { return true; }, false);
}

void ZelTMediaStates::PrintDiag() const {
  if (!TDiag::ShouldWeDiag(TDiag::INFO)) return;
  NuxDiagStream(TDiag::INFO, __LINE__, kSource, "ZelTMediaStates", "PrintDiag") << ToString();
}

TPack& operator<<(TPack& pack, const ZelTMediaState& state) { return pack << static_cast<const TMediaState&>(state); }

TPack& operator>>(TPack& pack, ZelTMediaState& state) { return pack >> static_cast<TMediaState&>(state); }

TPack& operator<<(TPack& pack, const ZelTMediaStates& states) { return pack << states.m_mediaStates; }

TPack& operator>>(TPack& pack, ZelTMediaStates& states) { return pack >> states.m_mediaStates; }
