// A request's every record in two calls: a binding building fifty thousand
// records pays for two crossings, not a few hundred thousand.

#include <algorithm>
#include <cstring>
#include <list>
#include <new>
#include <string>
#include <vector>

#include "Handles.h"

using zelclnt::capi::GuardedValue;

namespace {

constexpr int kUserNumbers = ZEL_USER_NUMBERS;
constexpr int kContactNumbers = ZEL_CONTACT_NUMBERS;
static_assert(ZEL_RECORD_MEDIA_COUNT == kUserNumbers && ZEL_RECORD_COLUMNS == kUserNumbers + 3 &&
                  ZEL_CONTACT_REASON_COUNT == kContactNumbers && ZEL_CONTACT_COLUMNS == kContactNumbers + 1,
              "the counts follow the numbers each record hands out alone");

const zel_user* View(const ZelTUserPresence* user) { return reinterpret_cast<const zel_user*>(user); }

// Records first to first + count - 1, or those of them there are.
std::vector<const ZelTUserPresence*> RecordsOf(const zel_request* request, size_t first, size_t count) {
  std::vector<const ZelTUserPresence*> records;
  const size_t total = zel_records_count(request);
  if (first >= total) return records;
  const size_t end = first + std::min(count, total - first);
  records.reserve(end - first);
  if (const ZelTUserPresence* user = zelclnt::capi::UserOf(request)) {
    records.push_back(user);
    return records;
  }
  for (size_t i = first; i < end; ++i) {
    const zel_user* user = zel_users_at(request, i);
    if (!user) throw std::bad_alloc();
    records.push_back(reinterpret_cast<const ZelTUserPresence*>(user));
  }
  return records;
}

// How many items each section holds.
struct Sizes {
  explicit Sizes(const std::vector<const ZelTUserPresence*>& held) : records(held.size()) {
    for (const ZelTUserPresence* record : held) {
      media += record->GetMediaStatesVector().size();
      contacts += record->GetHandlingStatesList().size();
      monitored += record->GetSilentMonitoringCollList().size();
      for (const ZelTHandlingState* contact : record->GetHandlingStatesList()) reasons += contact->GetReasons().size();
    }
  }
  size_t Values() const {
    return records * ZEL_RECORD_COLUMNS + media * ZEL_MEDIA_COLUMNS + contacts * ZEL_CONTACT_COLUMNS +
           monitored * ZEL_MONITORING_COLUMNS + reasons;
  }

  size_t records;
  size_t media = 0;
  size_t contacts = 0;
  size_t monitored = 0;
  size_t reasons = 0;
};

// One section, written item by item into its columns.
class Section {
 public:
  Section(int64_t* start, size_t items) : m_start(start), m_items(items) {}
  void Put(const int64_t* row, size_t columns) {
    for (size_t column = 0; column < columns; ++column) m_start[column * m_items + m_row] = row[column];
    ++m_row;
  }

 private:
  int64_t* m_start;
  size_t m_items;
  size_t m_row = 0;
};

void WriteNumbers(const std::vector<const ZelTUserPresence*>& records, const Sizes& sizes, int64_t* values) {
  Section users(values, sizes.records);
  Section media(values + sizes.records * ZEL_RECORD_COLUMNS, sizes.media);
  Section contacts(values + sizes.records * ZEL_RECORD_COLUMNS + sizes.media * ZEL_MEDIA_COLUMNS, sizes.contacts);
  int64_t* const monitoredStart = values + sizes.records * ZEL_RECORD_COLUMNS + sizes.media * ZEL_MEDIA_COLUMNS +
                                  sizes.contacts * ZEL_CONTACT_COLUMNS;
  Section monitored(monitoredStart, sizes.monitored);
  int64_t* reasons = monitoredStart + sizes.monitored * ZEL_MONITORING_COLUMNS;

  int64_t row[ZEL_RECORD_COLUMNS];
  for (const ZelTUserPresence* record : records) {
    zel_user_numbers(View(record), row, ZEL_USER_NUMBERS);
    row[ZEL_RECORD_MEDIA_COUNT] = static_cast<int64_t>(record->GetMediaStatesVector().size());
    row[ZEL_RECORD_CONTACT_COUNT] = static_cast<int64_t>(record->GetHandlingStatesList().size());
    row[ZEL_RECORD_MONITORING_COUNT] = static_cast<int64_t>(record->GetSilentMonitoringCollList().size());
    users.Put(row, ZEL_RECORD_COLUMNS);

    const std::vector<ZelTMediaState*>& states = record->GetMediaStatesVector();
    for (size_t i = 0; i < states.size(); ++i) {
      const int64_t state[ZEL_MEDIA_COLUMNS] = {states[i]->media, states[i]->state, states[i]->cause,
                                                zel_user_media_since(View(record), i)};
      media.Put(state, ZEL_MEDIA_COLUMNS);
    }

    for (const ZelTHandlingState* contact : record->GetHandlingStatesList()) {
      const std::list<long> held = contact->GetReasons();
      zelclnt::capi::ContactNumbers(*contact, row, ZEL_CONTACT_NUMBERS);
      row[ZEL_CONTACT_REASON_COUNT] = static_cast<int64_t>(held.size());
      contacts.Put(row, ZEL_CONTACT_COLUMNS);
      for (long reason : held) *reasons++ = reason;
    }
    for (const TSilentMonitoringInfo* info : record->GetSilentMonitoringCollList()) {
      const int64_t pair[ZEL_MONITORING_COLUMNS] = {info->requeueCount, info->type};
      monitored.Put(pair, ZEL_MONITORING_COLUMNS);
    }
  }
}

// Each text up to its first NUL, as every text is handed out, and a NUL.
void Append(std::string& whole, const std::string& text) {
  whole.append(text.c_str());
  whole.push_back('\0');
}

std::string Texts(const std::vector<const ZelTUserPresence*>& records) {
  std::string whole;
  for (const ZelTUserPresence* record : records) {
    const ZelTHandlingStates& contacts = record->GetHandlingStates();
    for (const std::string& text : {record->GetUserID(), record->GetExtension(), record->GetAssociatedLine(),
                                    record->GetGroupID(), contacts.GetPrimaryContactId(),
                                    contacts.GetOldPrimaryContactId()})
      Append(whole, text);
  }
  for (const ZelTUserPresence* record : records)
    for (const ZelTHandlingState* contact : record->GetHandlingStatesList()) {
      Append(whole, contact->contactId);
      Append(whole, contact->refId);
    }
  for (const ZelTUserPresence* record : records)
    for (const TSilentMonitoringInfo* info : record->GetSilentMonitoringCollList()) {
      Append(whole, info->contactId);
      Append(whole, info->extension);
    }
  return whole;
}

}  // namespace

extern "C" {

size_t zel_records_count(const zel_request* request) {
  if (zelclnt::capi::UserOf(request)) return 1;
  return zel_users_count(request);
}

size_t zel_records_numbers(const zel_request* request, size_t first, size_t count, int64_t* values,
                           size_t capacity) {
  return GuardedValue<size_t>(0, [&] {
    const std::vector<const ZelTUserPresence*> records = RecordsOf(request, first, count);
    const Sizes sizes(records);
    if (values && sizes.Values() <= capacity) WriteNumbers(records, sizes, values);
    return sizes.Values();
  });
}

size_t zel_records_texts(const zel_request* request, size_t first, size_t count, char* buffer, size_t size) {
  if (buffer && size > 0) buffer[0] = '\0';
  return GuardedValue<size_t>(0, [&] {
    const std::string whole = Texts(RecordsOf(request, first, count));
    if (buffer && whole.size() <= size) std::memcpy(buffer, whole.data(), whole.size());
    return whole.size();
  });
}

}  // extern "C"
