#include "zelclnt/model/ZelTMediaState.h"

#include <gtest/gtest.h>

#include <string>

#include "Bytes.h"
#include "DiagCapture.h"
#include "zelclnt/platform/KRVEnum.h"

namespace {

ZelTMediaState StateOf(long medium, enMediaState state) {
  ZelTMediaState media;
  media.media = medium;
  media.state = state;
  return media;
}

TEST(ZelTMediaStateTest, NewSetHoldsFiveLoggedOffMedia) {
  ZelTMediaStates states;
  EXPECT_EQ(states.Count(), 5);
  EXPECT_FALSE(states.IsLoggedOn());
  EXPECT_EQ(states.LoggedOnCount(), 0);
  EXPECT_FALSE(states.AddMediaState(StateOf(3, MEDIASTATE_LOGON)));
  EXPECT_EQ(states[3].state, MEDIASTATE_LOGOFF);
  EXPECT_TRUE(states.AddMediaState(StateOf(6, MEDIASTATE_LOGON)));
  EXPECT_EQ(states.Count(), 6);
  EXPECT_FALSE(states.UpdateMediaState(StateOf(9, MEDIASTATE_LOGON)));
  EXPECT_EQ(states.Count(), 6);
  EXPECT_EQ(states.GetMediaState(9).media, 0);
}

TEST(ZelTMediaStateTest, LoggedOnQueries) {
  const struct {
    enMediaState state;
    bool loggedOn;
  } states[] = {{MEDIASTATE_LOGOFF, false},
                {MEDIASTATE_LOGON, true},
                {MEDIASTATE_AVAILABLE, true},
                {MEDIASTATE_DND, true},
                {MEDIASTATE_UNKNOWN, false}};
  for (const auto& c : states) {
    ZelTMediaStates set;
    EXPECT_TRUE(set.UpdateMediaState(StateOf(KRVEnum::MEDIUM_EMAIL, c.state)));
    EXPECT_EQ(set.IsLoggedOn(), c.loggedOn) << c.state;
    EXPECT_EQ(set.IsLoggedOnToMediaTypeLong(KRVEnum::MEDIUM_EMAIL), c.loggedOn) << c.state;
    EXPECT_EQ(set.LoggedOnCount(), c.loggedOn ? 1 : 0) << c.state;
  }

  ZelTMediaStates seven;
  seven.AddMediaState(StateOf(7, MEDIASTATE_AVAILABLE));
  seven.UpdateMediaState(StateOf(1, MEDIASTATE_LOGON));
  EXPECT_TRUE(seven.IsLoggedOnToMedia(5)) << "media above 4 count as open media";
  EXPECT_FALSE(seven.IsLoggedOnToMediaTypeLong(5));
  EXPECT_TRUE(seven.IsLoggedOnToMediaTypeLong(7));
  EXPECT_EQ(seven.LoggedOnCount(), 2);
}

TEST(ZelTMediaStateTest, LoggedOnQueriesDescribeTheSet) {
  DiagCapture diag("INFO");
  ZelTMediaStates states;
  states.IsLoggedOnToMedia(1);
  const auto lines = diag.Texts(TDiag::INFO);
  const std::string text = "ZelTMediaStates::PrintDiag. " + states.ToString();
  ASSERT_EQ(lines.size(), 2u) << "one line, in pieces of 400";
  EXPECT_EQ(lines[0] + lines[1].substr(3), text);
  EXPECT_EQ(states.ToString().rfind("Media States:VectorDetails:{MediaState:{Media{Voice},State{Logoff},", 0), 0u);
}

TEST(ZelTMediaStateTest, AssignmentFromBaseKeepsTheStartTime) {
  ZelTMediaState state = StateOf(2, MEDIASTATE_LOGON);
  state.startTime = TTimeStamp::FromMilliseconds(5000, true);
  TMediaStateBase base;
  base.media = 4;
  base.state = MEDIASTATE_DND;
  state = base;
  EXPECT_EQ(state.media, 4);
  EXPECT_EQ(state.startTime.MillisecondsSince1970(), 5000);
}

TEST(ZelTMediaStateTest, WireReplacesEveryHeldState) {
  ZelTMediaStates sent;
  sent.UpdateMediaState(StateOf(2, MEDIASTATE_AVAILABLE));
  const std::string bytes = BytesOf(sent);
  ZelTMediaStates received;
  received.AddMediaState(StateOf(8, MEDIASTATE_LOGON));
  TPack reader(bytes.data(), static_cast<unsigned long>(bytes.size()));
  reader >> received;
  EXPECT_EQ(received.Count(), 5);
  EXPECT_EQ(received[2].state, MEDIASTATE_AVAILABLE);
  EXPECT_EQ(BytesOf(received), bytes);

  TPack empty;
  empty << 0 << 0;
  TPack emptyReader(empty.Contents(), empty.Length());
  emptyReader >> received;
  EXPECT_EQ(received.Count(), 0) << "the five defaults are gone";
}

}  // namespace
