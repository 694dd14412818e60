// The mirror's constants, defined once more so that the Windows DLL
// exports them, as the core's are (core/ExportedConstants.cpp).

#include "zelclnt/mirror/ZelAPresenceMirror.h"

constexpr long ZelAPresenceMirror::kSettleMs;
constexpr long ZelAPresenceMirror::kRetryMs;
constexpr long ZelAPresenceMirror::kHeardWithinMs;
