#include "zelclnt/platform/TGenericStatus.h"

#include "zelclnt/platform/TPack.h"

TPack& operator<<(TPack& pack, TGenericStatus::eServerStatus status) { return PackEnum32(pack, status); }

TPack& operator>>(TPack& pack, TGenericStatus::eServerStatus& status) { return UnpackEnum32(pack, status); }
