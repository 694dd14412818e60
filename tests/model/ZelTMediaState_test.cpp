#include "zelclnt/model/ZelTMediaState.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "DiagCapture.h"
#include "zelclnt/platform/KRVEnum.h"

namespace {

ZelTMediaState StateOf(long medium, enMediaState state) {
  ZelTMediaState media;
  media.media = medium;
  media.state = state;
  return media;
}

// A new set holds the five media, logged off; a medium is added once and
// only a held one is updated; asking by medium describes the set.
TEST(ZelTMediaStateTest, TheSetAddsUpdatesAndAnswersByMedium) {
  ZelTMediaStates states;
  EXPECT_EQ(states.Count(), 5);
  EXPECT_FALSE(states.AddMediaState(StateOf(3, MEDIASTATE_LOGON)));
  EXPECT_EQ(states[3].state, MEDIASTATE_LOGOFF);
  EXPECT_TRUE(states.AddMediaState(StateOf(6, MEDIASTATE_LOGON)));
  EXPECT_FALSE(states.UpdateMediaState(StateOf(9, MEDIASTATE_LOGON)));
  EXPECT_EQ(states.Count(), 6);
  EXPECT_EQ(states.GetMediaState(9).media, 0);

  ZelTMediaState state = StateOf(2, MEDIASTATE_LOGON);
  state.startTime = TTimeStamp::FromMilliseconds(5000, true);
  TMediaStateBase base;
  base.media = 4;
  state = base;
  EXPECT_EQ(state.media, 4);
  EXPECT_EQ(state.startTime.MillisecondsSince1970(), 5000) << "assignment from the base keeps the start time";

  const struct { enMediaState state; bool loggedOn; } cases[] = {
      {MEDIASTATE_LOGOFF, false}, {MEDIASTATE_LOGON, true}, {MEDIASTATE_AVAILABLE, true}, {MEDIASTATE_DND, true},
      {MEDIASTATE_UNKNOWN, false}};
  for (const auto& c : cases) {
    ZelTMediaStates set;
    EXPECT_TRUE(set.UpdateMediaState(StateOf(KRVEnum::MEDIUM_EMAIL, c.state)));
    EXPECT_EQ(
        std::make_tuple(set.IsLoggedOn(), set.IsLoggedOnToMediaTypeLong(KRVEnum::MEDIUM_EMAIL), set.LoggedOnCount()),
        std::make_tuple(c.loggedOn, c.loggedOn, c.loggedOn ? 1 : 0)) << c.state;
  }

  ZelTMediaStates seven;
  seven.AddMediaState(StateOf(7, MEDIASTATE_AVAILABLE));
  seven.UpdateMediaState(StateOf(1, MEDIASTATE_LOGON));
  EXPECT_EQ(std::make_tuple(seven.IsLoggedOnToMedia(5), seven.IsLoggedOnToMediaTypeLong(5),
                            seven.IsLoggedOnToMediaTypeLong(7), seven.LoggedOnCount()),
            std::make_tuple(true, false, true, 2)) << "media above 4 count as open media";

  DiagCapture diag("INFO");
  seven.IsLoggedOnToMedia(1);
  // The line is cut at 400 characters.
  const std::string line = diag.Texts(TDiag::INFO).front();
  const std::string opening =
      "ZelTMediaStates::PrintDiag. Media States:VectorDetails:{MediaState:{Media{Voice},State{Logon},Cause{None},";
  EXPECT_EQ(line.substr(0, opening.size()), opening);
  EXPECT_EQ(line.size(), 400u);
}

}  // namespace
