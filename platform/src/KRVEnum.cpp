#include "zelclnt/platform/KRVEnum.h"

#include "zelclnt/platform/TPack.h"

TPack& operator<<(TPack& pack, KRVEnum::MEDIUM medium) { return PackEnum32(pack, medium); }

TPack& operator>>(TPack& pack, KRVEnum::MEDIUM& medium) { return UnpackEnum32(pack, medium); }
