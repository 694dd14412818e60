#pragma once
// A request with one field of its own, for envelope and client tests.

#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/platform/TPack.h"

class TestRequest : public ZelTRequest {
 public:
  explicit TestRequest(bool replyRequired = true) : ZelTRequest(replyRequired) {}

  TPack& PackRequest(TPack& pack) override {
    pack << static_cast<const ZelTRequest&>(*this) << value;
    for (int i = 0; i < extraOnSecondPass && m_passes++ > 0; ++i) pack << i;
    return pack;
  }
  TPack& UnpackRequest(TPack& pack) override { return pack >> static_cast<ZelTRequest&>(*this) >> value; }
  unsigned short GetObjectType() const override { return 35099; }
  unsigned short GetRpcType() const override { return 35098; }
  unsigned short GetActionType() const override { return static_cast<unsigned short>(action); }

  long value = 0;
  std::int32_t action = 0;
  // Writes this many more ints after the sizing pass, as a faulty body would.
  int extraOnSecondPass = 0;

 private:
  int m_passes = 0;
};
