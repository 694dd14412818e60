#include "zelclnt/state/STTimeStamp.h"

#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/diag/NuxDiagSummary.h"

std::string STTimeStamp::ToString() const {
  NuxDiagSummary summary(false, false, false, "", "{", "}");
  summary.Add(NuxDiagSummary::GetContentName_StartTime(), GetDateTime(1, '/', ':', '.').str(), false);
  return summary.ToString();
}

void STTimeStamp::PrintDiag() const {
  if (TDiag::ShouldWeDiag(TDiag::INFO)) NuxDiagStream::WriteDiag(TDiag::INFO, 158, "NUXTTimeStamp", ToString());
}
