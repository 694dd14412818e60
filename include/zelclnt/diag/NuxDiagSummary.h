#pragma once
// The one-line self-description every record builds: an optional name, a
// brace-delimited body and inside it a comma-separated run of labelled
// fields, «Name:{Label{value},Label{value}}». A record renders a nested
// record with name and braces off and splices the text into its own body.
// A summary is built on the stack, used once and dropped.

#include <list>
#include <string>

#include "zelclnt/ZelExport.h"

class TTimeStamp;

class ZELCLNT_API NuxDiagSummary {
 public:
  NuxDiagSummary(bool showName, bool showOpen, bool showClose, const std::string& name, const std::string& open,
                 const std::string& close);
  virtual ~NuxDiagSummary() = default;

  // Appends label, pre, the value, post and, when asked, the separator.
  // Numbers are written in decimal; a list of numbers as its elements joined
  // by "," whatever the separator.
  template <typename T>
  void Add(const std::string& label, const T& value, bool addSeparator, const std::string& separator,
           const std::string& pre, const std::string& post) {
    m_body += label;
    m_body += pre;
    Write(value);
    m_body += post;
    if (addSeparator) m_body += separator;
  }

  // The usual form: «Label{value}», then "," when asked.
  template <typename T>
  void Add(const std::string& label, const T& value, bool addSeparator) {
    Add(label, value, addSeparator, ",", "{", "}");
  }

  // «ContactId/RqC{<id>/<count>}» or, for a reference, «RefId/RqC{...}».
  void AddContactId(const std::string& contactId, long requeueCount, bool isReference, bool addSeparator,
                    const std::string& separator, const std::string& pre, const std::string& post);

  void AddContactId(const std::string& contactId, long requeueCount, bool isReference, bool addSeparator) {
    AddContactId(contactId, requeueCount, isReference, addSeparator, ",", "{", "}");
  }

  NuxDiagSummary& operator<<(const std::string& text);
  NuxDiagSummary& operator<<(const char* text);

  std::string ToString() const;

  // Whether detail-gated fields are shown: INFO or PRGM diagnostics are on.
  // Asked afresh for every text.
  static bool IsDetailOn();

  // "T" or "F".
  static std::string BoolText(bool value) { return value ? GetContentName_True() : GetContentName_False(); }
  // The stamp as "YYYY/MM/DD HH:MM:SS.mmm".
  static std::string DateTimeText(const TTimeStamp& stamp);

  static std::string GetContentName_ContactId() { return "ContactId"; }
  static std::string GetContentName_RefId() { return "RefId"; }
  static std::string GetContentName_RequeueCount() { return "RqC"; }
  static std::string GetContentName_Media() { return "Media"; }
  static std::string GetContentName_State() { return "State"; }
  static std::string GetContentName_Cause() { return "Cause"; }
  static std::string GetContentName_RefType() { return "RefType"; }
  static std::string GetContentName_ContactType() { return "ContactType"; }
  static std::string GetContentName_QueueKey() { return "QueueKey"; }
  static std::string GetContentName_Priority() { return "Priority"; }
  static std::string GetContentName_StartTime() { return "StartTime"; }
  static std::string GetContentName_UserKey() { return "UserKey"; }
  static std::string GetContentName_UserId() { return "UserId"; }
  static std::string GetContentName_True() { return "T"; }
  static std::string GetContentName_False() { return "F"; }

 private:
  void Write(const std::string& value) { m_body += value; }
  void Write(const char* value);
  void Write(long value) { m_body += std::to_string(value); }
  void Write(const std::list<long>& values);

  std::string m_body;
  bool m_showName;
  bool m_showOpen;
  bool m_showClose;
  std::string m_name;
  std::string m_open;
  std::string m_close;
};
