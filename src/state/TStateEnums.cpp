#include "zelclnt/state/TStateEnums.h"

#include "ZelTextTable.h"
#include "zelclnt/platform/TPack.h"

std::string MediaToString(long media) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"}, {1, "Voice"}, {2, "Callback"}, {3, "Email"}, {4, "Web Chat"}, {5, "OpenMedia"},
  };
  if (const char* text = ZelFindText(kTexts, media)) return text;
  return "MediaType: " + std::to_string(media);
}

std::string MediaStateToString(enMediaState state) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "Logoff"},
      {1, "Logon"},
      {2, "Available"},
      {3, "Do Not Distrub"},
      {4, "Unknown"},
  };
  return ZelTextOrInvalid(kTexts, state);
}

std::string MediaStateCauseToString(enMediaStateCause cause) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"},
      {1, "Desktop Logoff"},
      {2, "Extension OOS"},
      {3, "Logoff - T Server Not Ready"},
      {4, "Logoff - Callback Server Not Ready"},
      {5, "Logoff - Email Server Not Ready"},
      {6, "Logoff - Web Interaction Server Not Ready"},
      {8, "Logoff - IM Server Not Ready"},
      {9, "Logoff - Admin Server Not Ready"},
      {10, "Logoff - Watchdog Server Not Ready"},
      {11, "Logoff - Corporate Email Server Not Ready"},
      {12, "Logoff - Comm Platform Not Ready"},
      {13, "Logoff - User Deleted"},
      {15, "Logon - Recovery"},
  };
  return ZelTextOrInvalid(kTexts, cause);
}

std::string ReadinessStateToString(enReadinessState state) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "Unknown"},
      {1, "Ready"},
      {2, "Not Ready"},
  };
  return ZelTextOrInvalid(kTexts, state);
}

std::string ReadinessCauseToString(enReadinessCause cause) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"},
      {1, "T-Server Down"},
      {2, "Callback Server Down"},
      {3, "Email Server Down"},
      {4, "Web Interaction Server Down"},
      {6, "IM Server Down"},
      {7, "Admin Server Down"},
      {8, "Watchdog Server Down"},
      {9, "Corporate Email Server Down"},
      {10, "Communication Platform Down"},
      {11, "Callback Feature Disabled"},
      {12, "Email Feature Disabled"},
      {13, "Web Feature Disabled"},
  };
  return ZelTextOrInvalid(kTexts, cause);
}

std::string CSMStateCauseToString(TMediaServerCommonEnum::enCSMStateCause cause) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"},
      {1, "Add CSM"},
      {2, "Remove CSM"},
      {3, "Update Participation"},
      {4, "Remove Participation"},
  };
  return ZelTextOrInvalid(kTexts, cause);
}

std::string UserSetToString(enUserSet set) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "Logged On Users"},
      {1, "Logged On And Csm user"},
      {2, "All Users"},
  };
  return ZelTextOrInvalid(kTexts, set);
}

std::string SilentMonitoringTypeToString(enSilentMonitoringType type) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"},
      {1, "Silent Monitoring"},
      {2, "BargeIn"},
      {3, "Continuous Silent Monitoring"},
  };
  return ZelTextOrInvalid(kTexts, type);
}

std::string RefTypeToString(enRefType type) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"},
      {1, "Callback"},
      {2, "Callback Voice Leg"},
      {3, "Networking"},
  };
  return ZelTextOrInvalid(kTexts, type);
}

std::string PostProcessingModeToString(enPostProcessingMode mode) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"},
      {1, "Default"},
      {2, "Default No Mandatory"},
      {3, "Default Always Mandatory"},
  };
  return ZelTextOrInvalid(kTexts, mode);
}

std::string ContactTypeToString(THandlingStateEnum::enContactType type) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"},
      {1, "Routed Voice"},
      {2, "Direct Incoming Voice"},
      {3, "Direct Outgoing Voice"},
      {4, "Direct Internal Voice"},
      {5, "Routed Callback"},
      {6, "Routed Email"},
      {7, "Direct Outgoing Email"},
      {8, "Routed Web"},
      {9, "Unknown Voice"},
      {10, "Routed OpenMedia"},
      {11, "Direct Outgoing OpenMedia"},
  };
  return ZelTextOrInvalid(kTexts, type);
}

std::string ContactStateToString(enContactState state) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"},
      {1, "Pending"},
      {2, "Dialing"},
      {3, "Busy"},
      {4, "Ringing"},
      {5, "Talking"},
      {6, "Queued"},
      {7, "OnHold"},
      {8, "Consulting"},
      {9, "Processing"},
      {10, "PostProcessing"},
      {11, "Unknown"},
  };
  return ZelTextOrInvalid(kTexts, state);
}

std::string HandlingCauseToString(enHandlingCause cause) {
  static constexpr ZelTextEntry kTexts[] = {
      {0, "None"},
      {1, "Pickup"},
      {2, "Consult Queue - Old"},
      {3, "Consult Queue - New"},
      {4, "Email Deferred"},
      {5, "Email Resumed"},
      {6, "Email Consult Deferred"},
      {7, "Email Consult Resumed"},
      {8, "Silent Monitoring"},
      {9, "Recalled"},
      {10, "Unassign RNA"},
      {11, "Unassign Undeliverable"},
      {12, "Unassign Other"},
      {13, "Voice BlockedCall"},
      {14, "Voice Timedout Pending Movement Confirmation"},
      {15, "Voice Network Congestion"},
      {16, "Voice CallForwardNoAnswer"},
      {17, "Voice Network Reached"},
      {18, "Voice Parking"},
      {19, "Voice Camping_On"},
      {20, "Assign Contact"},
      {21, "Callback User Delete"},
      {22, "Voice Reset Callback"},
      {23, "OpenMedia Deferred"},
      {24, "OpenMedia Resumed"},
      {25, "OpenMedia Consult Deferred"},
      {26, "OpenMedia Consult Resumed"},
  };
  return ZelTextOrInvalid(kTexts, cause);
}

TPack& operator<<(TPack& pack, enMediaState value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, enMediaState& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, enMediaStateCause value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, enMediaStateCause& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, enReadinessState value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, enReadinessState& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, enReadinessCause value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, enReadinessCause& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, enSilentMonitoringType value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, enSilentMonitoringType& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, enRefType value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, enRefType& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, THandlingStateEnum::enContactType value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, THandlingStateEnum::enContactType& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, enContactState value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, enContactState& value) { return UnpackEnum32(pack, value); }
TPack& operator<<(TPack& pack, enHandlingCause value) { return PackEnum32(pack, value); }
TPack& operator>>(TPack& pack, enHandlingCause& value) { return UnpackEnum32(pack, value); }
