#pragma once
// The time stamp inside the state records: the framework's stamp, null
// until set, with its summary text «StartTime{YYYY/MM/DD HH:MM:SS.mmm}».

#include <string>

#include "zelclnt/platform/TTimeStamp.h"
#include "zelclnt/ZelExport.h"

class ZELCLNT_API STTimeStamp : public TTimeStamp {
 public:
  STTimeStamp() : TTimeStamp(1) {}
  STTimeStamp(const TTimeStamp& stamp) : TTimeStamp(0) { TTimeStamp::operator=(stamp); }
  STTimeStamp(const STTimeStamp& other) : TTimeStamp(0) { TTimeStamp::operator=(other); }
  STTimeStamp& operator=(const STTimeStamp& other) = default;

  std::string ToString() const;
  void PrintDiag() const;
};
