#pragma once
// The server side's hand on post-processing: the state changes that clients
// never make themselves.

#include "zelclnt/model/ZelTPostProcessing.h"

class ZelTPostProcessingControl {
 public:
  static bool RequestManual(ZelTPostProcessing& pp, long reason) {
    return pp.GetManualPostProcessing().RequestReceived(reason);
  }
  static bool StartManual(ZelTPostProcessing& pp, long reason) { return pp.GetManualPostProcessing().Start(reason); }
  static bool StartManual(ZelTPostProcessing& pp) { return pp.GetManualPostProcessing().Start(); }
  static bool StopManual(ZelTPostProcessing& pp) { return pp.GetManualPostProcessing().Stop(); }

  static bool StartAuto(ZelTPostProcessing& pp, unsigned long ms) { return pp.GetAutoPostProcessing().Start(ms); }
  static bool SuspendAuto(ZelTPostProcessing& pp, unsigned long ms) { return pp.GetAutoPostProcessing().Suspend(ms); }
  static bool SuspendAuto(ZelTPostProcessing& pp) { return pp.GetAutoPostProcessing().Suspend(); }
  static bool ResumeAuto(ZelTPostProcessing& pp) { return pp.GetAutoPostProcessing().Resume(); }
  static bool StopAuto(ZelTPostProcessing& pp) { return pp.GetAutoPostProcessing().Stop(); }
  static unsigned long RemainingTime(ZelTPostProcessing& pp) { return pp.GetAutoPostProcessing().GetRemainingTime(); }

  static bool StartMandatory(ZelTPostProcessing& pp) { return pp.GetMandatoryPostProcessing().Start(); }
  static bool StopMandatory(ZelTPostProcessing& pp) { return pp.GetMandatoryPostProcessing().Stop(); }
  static void SetWrapupReceived(ZelTPostProcessing& pp, bool received) {
    pp.GetMandatoryPostProcessing().SetWrapupReceived(received);
  }
};
