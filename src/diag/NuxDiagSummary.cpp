#include "zelclnt/diag/NuxDiagSummary.h"

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TTimeStamp.h"

NuxDiagSummary::NuxDiagSummary(bool showName, bool showOpen, bool showClose, const std::string& name,
                               const std::string& open, const std::string& close)
    : m_showName(showName), m_showOpen(showOpen), m_showClose(showClose), m_name(name), m_open(open), m_close(close) {}

void NuxDiagSummary::AddContactId(const std::string& contactId, long requeueCount, bool isReference,
                                  bool addSeparator, const std::string& separator, const std::string& pre,
                                  const std::string& post) {
  m_body += isReference ? GetContentName_RefId() : GetContentName_ContactId();
  m_body += "/";
  m_body += GetContentName_RequeueCount();
  m_body += pre;
  m_body += contactId;
  m_body += "/";
  Write(requeueCount);
  m_body += post;
  if (addSeparator) m_body += separator;
}

NuxDiagSummary& NuxDiagSummary::operator<<(const std::string& text) {
  m_body += text;
  return *this;
}

NuxDiagSummary& NuxDiagSummary::operator<<(const char* text) {
  Write(text);
  return *this;
}

std::string NuxDiagSummary::ToString() const {
  std::string text;
  text.reserve(m_name.size() + m_body.size() + 4);
  if (m_showName) text += m_name + ":";
  if (m_showOpen) text += m_open;
  text += m_body;
  if (m_showClose) text += m_close;
  return text;
}

bool NuxDiagSummary::IsDetailOn() {
  return TDiag::ShouldWeDiag(TDiag::INFO) != 0 || TDiag::ShouldWeDiag(TDiag::PRGM) != 0;
}

std::string NuxDiagSummary::DateTimeText(const TTimeStamp& stamp) { return stamp.GetDateTime(1, '/', ':', '.').str(); }

void NuxDiagSummary::Write(const char* value) {
  if (value) m_body += value;
}

void NuxDiagSummary::Write(const std::list<long>& values) {
  bool first = true;
  for (const long value : values) {
    if (!first) m_body += ",";
    Write(value);
    first = false;
  }
}
