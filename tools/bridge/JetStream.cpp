#include "JetStream.h"

#include <nats/nats.h>

#include <mutex>
#include <algorithm>
#include <cstdlib>

namespace zelbridge {

namespace {

// The ids (or subjects) of writes without waiting that failed this round,
// told on nats.c's thread.
struct FailureLog {
  std::mutex lock;
  std::vector<std::string> names;
};

}  // namespace

// Released in the reverse of the order they were made in.
struct JetStream::Handles {
  natsOptions* options = nullptr;
  natsConnection* connection = nullptr;
  jsCtx* js = nullptr;
  kvStore* bucket = nullptr;
  natsSubscription* listened = nullptr;
  FailureLog failures;

  ~Handles() {
    if (listened) natsSubscription_Destroy(listened);
    if (bucket) kvStore_Destroy(bucket);
    if (js) jsCtx_Destroy(js);
    if (connection) natsConnection_Destroy(connection);
    if (options) natsOptions_Destroy(options);
  }
};

namespace {

constexpr std::int64_t kNanosPerMs = 1000 * 1000;
// Writes in flight at most: nats.c's bound, and a round's.
constexpr int kMaxPending = 4096;
constexpr std::size_t kRound = kMaxPending / 2;

struct MsgOwner {
  natsMsg* msg = nullptr;
  ~MsgOwner() {
    if (msg) natsMsg_Destroy(msg);
  }
};

struct AckOwner {
  jsPubAck* ack = nullptr;
  ~AckOwner() {
    if (ack) jsPubAck_Destroy(ack);
  }
};

// nats.c takes a list as separate URLs.
natsStatus SetServers(natsOptions* options, const std::string& list) {
  std::vector<std::string> urls;
  for (std::size_t from = 0; from <= list.size();) {
    const std::size_t comma = std::min(list.find(',', from), list.size());
    if (comma > from) urls.push_back(list.substr(from, comma - from));
    from = comma + 1;
  }
  std::vector<const char*> pointers;
  for (const std::string& url : urls) pointers.push_back(url.c_str());
  return natsOptions_SetServers(options, pointers.data(), static_cast<int>(pointers.size()));
}

std::string NameOf(natsMsg* msg) {
  const char* id = nullptr;
  if (msg && natsMsgHeader_Get(msg, "Nats-Msg-Id", &id) == NATS_OK && id) return id;
  return msg ? natsMsg_GetSubject(msg) : std::string();
}

void NoteFailure(jsCtx*, jsPubAckErr* failure, void* closure) {
  auto* log = static_cast<FailureLog*>(closure);
  std::lock_guard<std::mutex> lock(log->lock);
  log->names.push_back(NameOf(failure->Msg));
}

natsStatus MessageOf(natsMsg** msg, const Outgoing& message) {
  natsStatus s = natsMsg_Create(msg, message.subject.c_str(), nullptr, message.payload.data(),
                                static_cast<int>(message.payload.size()));
  for (const auto& header : message.headers)
    if (s == NATS_OK) s = natsMsgHeader_Set(*msg, header.name, header.value.c_str());
  return s;
}

natsStatus Configure(natsOptions* options, const NatsOptions& with) {
  natsStatus s = SetServers(options, with.url);
  if (s == NATS_OK) s = natsOptions_SetTimeout(options, with.timeoutMs);
  // Never give up on the server: the bridge's writes wait for it, bounded
  // by the event receiver's own queue.
  if (s == NATS_OK) s = natsOptions_SetMaxReconnect(options, -1);
  if (s == NATS_OK) s = natsOptions_SetReconnectWait(options, 250);
  if (s == NATS_OK && !with.user.empty())
    s = natsOptions_SetUserInfo(options, with.user.c_str(), with.password.c_str());
  if (s == NATS_OK && !with.credentialsFile.empty())
    s = natsOptions_SetUserCredentialsFromFiles(options, with.credentialsFile.c_str(), nullptr);
  if (s == NATS_OK && !with.nkeySeedFile.empty())
    s = natsOptions_SetNKeyFromSeed(options, with.nkeyPublic.c_str(), with.nkeySeedFile.c_str());
  const bool tls = !with.caFile.empty() || !with.certFile.empty();
  if (s == NATS_OK && tls) s = natsOptions_SetSecure(options, true);
  if (s == NATS_OK && !with.caFile.empty()) s = natsOptions_LoadCATrustedCertificates(options, with.caFile.c_str());
  if (s == NATS_OK && !with.certFile.empty())
    s = natsOptions_LoadCertificatesChain(options, with.certFile.c_str(), with.keyFile.c_str());
  return s;
}

StoredMessage Stored(natsMsg* msg) {
  StoredMessage stored;
  stored.subject = natsMsg_GetSubject(msg);
  stored.sequence = natsMsg_GetSequence(msg);
  stored.storedNs = natsMsg_GetTime(msg);
  const int length = natsMsg_GetDataLength(msg);
  if (length > 0) stored.payload.assign(natsMsg_GetData(msg), static_cast<std::size_t>(length));
  const char** keys = nullptr;
  int count = 0;
  if (natsMsgHeader_Keys(msg, &keys, &count) != NATS_OK) return stored;
  for (int i = 0; i < count; ++i) {
    const char* value = nullptr;
    if (natsMsgHeader_Get(msg, keys[i], &value) == NATS_OK && value) stored.headers.emplace_back(keys[i], value);
  }
  std::free(static_cast<void*>(keys));
  return stored;
}

bool PassesByItself(natsStatus status, jsErrCode jsError) {
  switch (jsError) {
    case JSClusterNotAvailErr:
    case JSClusterNoPeersErr:
    case JSClusterNotLeaderErr:
    case JSStreamOfflineErr: return true;
    default: break;
  }
  return status == NATS_TIMEOUT || status == NATS_NO_RESPONDERS || status == NATS_NO_SERVER ||
         status == NATS_NOT_YET_CONNECTED;
}

}  // namespace

const std::string* StoredMessage::Find(const std::string& name) const {
  for (const auto& header : headers)
    if (header.first == name) return &header.second;
  return nullptr;
}

JetStream::JetStream() = default;
JetStream::~JetStream() = default;

bool JetStream::Failed(int status, int jsError, const std::string& what, std::string* error) const {
  if (status == NATS_OK) return false;
  m_failedForNow = PassesByItself(static_cast<natsStatus>(status), static_cast<jsErrCode>(jsError));
  if (error) {
    *error = what + ": " + natsStatus_GetText(static_cast<natsStatus>(status));
    if (jsError != 0) *error += " (JetStream error " + std::to_string(jsError) + ")";
    const char* detail = nats_GetLastError(nullptr);
    if (detail && *detail) *error += std::string(" - ") + detail;
  }
  return true;
}

bool JetStream::Connect(const NatsOptions& options, std::string* error) {
  m_options = options;
  m_failedForNow = false;
  m_handles = std::make_unique<Handles>();
  Handles& h = *m_handles;
  if (Failed(natsOptions_Create(&h.options), 0, "NATS options", error)) return false;
  if (Failed(Configure(h.options, options), 0, "NATS options", error)) return false;
  if (Failed(natsConnection_Connect(&h.connection, h.options), 0, "connecting to " + options.url, error)) return false;
  jsOptions jsOpts;
  jsOptions_Init(&jsOpts);
  jsOpts.Wait = options.timeoutMs;
  jsOpts.PublishAsync.MaxPending = kMaxPending;
  jsOpts.PublishAsync.ErrHandler = NoteFailure;
  jsOpts.PublishAsync.ErrHandlerClosure = &h.failures;
  if (Failed(natsConnection_JetStream(&h.js, h.connection, &jsOpts), 0, "JetStream", error)) return false;
  return EnsureStream(error) && EnsureBucket(error);
}

bool JetStream::EnsureStream(std::string* error) {
  jsErrCode jsError = static_cast<jsErrCode>(0);
  jsStreamInfo* info = nullptr;
  natsStatus s = js_GetStreamInfo(&info, m_handles->js, m_options.stream.c_str(), nullptr, &jsError);
  if (info) jsStreamInfo_Destroy(info);
  if (s == NATS_OK) return true;
  if (s != NATS_NOT_FOUND || !m_options.create) return !Failed(s, jsError, "stream " + m_options.stream, error);

  const char* subjects[] = {"presence.>"};
  jsStreamConfig config;
  jsStreamConfig_Init(&config);
  config.Name = m_options.stream.c_str();
  config.Subjects = subjects;
  config.SubjectsLen = 1;
  config.Storage = js_FileStorage;
  config.Replicas = m_options.replicas;
  config.Duplicates = static_cast<std::int64_t>(m_options.duplicatesWindowMs) * kNanosPerMs;
  s = js_AddStream(&info, m_handles->js, &config, nullptr, &jsError);
  if (info) jsStreamInfo_Destroy(info);
  return !Failed(s, jsError, "creating stream " + m_options.stream, error);
}

bool JetStream::EnsureBucket(std::string* error) {
  natsStatus s = js_KeyValue(&m_handles->bucket, m_handles->js, m_options.bucket.c_str());
  if (s == NATS_OK) return true;
  if (s != NATS_NOT_FOUND || !m_options.create) return !Failed(s, 0, "bucket " + m_options.bucket, error);
  kvConfig config;
  kvConfig_Init(&config);
  config.Bucket = m_options.bucket.c_str();
  config.History = 1;
  config.StorageType = js_FileStorage;
  config.Replicas = m_options.replicas;
  s = js_CreateKeyValue(&m_handles->bucket, m_handles->js, &config);
  return !Failed(s, 0, "creating bucket " + m_options.bucket, error);
}

bool JetStream::Publish(const Outgoing& message, std::string* error) {
  MsgOwner msg;
  if (Failed(MessageOf(&msg.msg, message), 0, "message " + message.id, error)) return false;
  jsPubOptions options;
  jsPubOptions_Init(&options);
  if (!message.id.empty()) options.MsgId = message.id.c_str();
  options.MaxWait = m_options.timeoutMs;
  AckOwner ack;
  jsErrCode jsError = static_cast<jsErrCode>(0);
  const natsStatus s = js_PublishMsg(&ack.ack, m_handles->js, msg.msg, &options, &jsError);
  return !Failed(s, jsError, "publishing " + message.id, error);
}

void JetStream::BeginRound() {
  std::lock_guard<std::mutex> lock(m_handles->failures.lock);
  m_handles->failures.names.clear();
}

std::vector<std::string> JetStream::EndRound(int& status) {
  jsPubOptions options;
  jsPubOptions_Init(&options);
  options.MaxWait = m_options.timeoutMs;
  const natsStatus completed = js_PublishAsyncComplete(m_handles->js, &options);
  std::vector<std::string> failed;
  if (completed != NATS_OK) {
    // Given up: nothing of this round stays in flight.
    natsMsgList pending{};
    if (js_PublishAsyncGetPendingList(&pending, m_handles->js) == NATS_OK) {
      for (int i = 0; i < pending.Count; ++i) failed.push_back(NameOf(pending.Msgs[i]));
      natsMsgList_Destroy(&pending);
    }
    if (status == NATS_OK) status = completed;
  }
  std::lock_guard<std::mutex> lock(m_handles->failures.lock);
  failed.insert(failed.end(), m_handles->failures.names.begin(), m_handles->failures.names.end());
  m_handles->failures.names.clear();
  return failed;
}

std::vector<std::size_t> JetStream::PublishAll(const std::vector<Outgoing>& messages, std::string* error) {
  BeginRound();
  natsStatus s = NATS_OK;
  std::size_t sent = 0;
  for (; sent < messages.size() && s == NATS_OK; ++sent) {
    const Outgoing& message = messages[sent];
    natsMsg* msg = nullptr;
    s = MessageOf(&msg, message);
    jsPubOptions options;
    jsPubOptions_Init(&options);
    options.MsgId = message.id.c_str();
    options.MaxWait = m_options.timeoutMs;
    // Taken over by nats.c once published.
    if (s == NATS_OK) s = js_PublishMsgAsync(m_handles->js, &msg, &options);
    if (msg) natsMsg_Destroy(msg);
  }
  int status = s;
  const std::vector<std::string> names = EndRound(status);
  std::vector<std::size_t> failed;
  if (s != NATS_OK) {
    for (std::size_t i = sent == 0 ? 0 : sent - 1; i < messages.size(); ++i) failed.push_back(i);
  }
  // Failures are rare: looked up one by one rather than indexed each round.
  for (const std::string& name : names) {
    const auto found = std::find_if(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(sent),
                                    [&](const Outgoing& message) { return message.id == name; });
    if (found != messages.begin() + static_cast<std::ptrdiff_t>(sent))
      failed.push_back(static_cast<std::size_t>(found - messages.begin()));
  }
  std::sort(failed.begin(), failed.end());
  failed.erase(std::unique(failed.begin(), failed.end()), failed.end());
  if (!failed.empty()) Failed(status == NATS_OK ? NATS_ERR : status, 0, std::to_string(failed.size()) + " of " +
                                  std::to_string(messages.size()) + " messages not acknowledged", error);
  return failed;
}

std::optional<StoredMessage> JetStream::LastOf(const std::string& filter, std::string* error) {
  if (error) error->clear();
  MsgOwner msg;
  jsErrCode jsError = static_cast<jsErrCode>(0);
  const natsStatus s =
      js_GetLastMsg(&msg.msg, m_handles->js, m_options.stream.c_str(), filter.c_str(), nullptr, &jsError);
  if (s == NATS_NOT_FOUND) return std::nullopt;
  if (Failed(s, jsError, "last message of " + filter, error)) return std::nullopt;
  return Stored(msg.msg);
}

std::optional<StoredMessage> JetStream::Read(std::uint64_t sequence, std::string* error) {
  if (error) error->clear();
  MsgOwner msg;
  jsErrCode jsError = static_cast<jsErrCode>(0);
  const natsStatus s = js_GetMsg(&msg.msg, m_handles->js, m_options.stream.c_str(), sequence, nullptr, &jsError);
  if (s == NATS_NOT_FOUND) return std::nullopt;
  if (Failed(s, jsError, "message " + std::to_string(sequence), error)) return std::nullopt;
  // A message fetched by its sequence does not carry it.
  StoredMessage stored = Stored(msg.msg);
  stored.sequence = sequence;
  return stored;
}

struct StreamCursor::Subscription {
  natsSubscription* subscription = nullptr;
  ~Subscription() {
    natsSubscription_Unsubscribe(subscription);
    natsSubscription_Destroy(subscription);
  }
};

StreamCursor::StreamCursor(std::unique_ptr<Subscription> subscription) : m_subscription(std::move(subscription)) {}

StreamCursor::~StreamCursor() = default;

std::optional<StoredMessage> StreamCursor::Next(long timeoutMs, std::string* error) {
  if (error) error->clear();
  MsgOwner msg;
  const natsStatus s = natsSubscription_NextMsg(&msg.msg, m_subscription->subscription, std::max(1L, timeoutMs));
  if (s == NATS_OK) return Stored(msg.msg);
  if (s != NATS_TIMEOUT && error) *error = std::string("reading the stream: ") + natsStatus_GetText(s);
  return std::nullopt;
}

std::unique_ptr<StreamCursor> JetStream::Follow(std::uint64_t first, const std::string& filter, std::string* error) {
  jsSubOptions options;
  jsSubOptions_Init(&options);
  options.Stream = m_options.stream.c_str();
  options.Ordered = true;
  options.Config.DeliverPolicy = js_DeliverByStartSequence;
  options.Config.OptStartSeq = first == 0 ? 1 : first;
  auto subscription = std::make_unique<StreamCursor::Subscription>();
  jsErrCode jsError = static_cast<jsErrCode>(0);
  const natsStatus s =
      js_SubscribeSync(&subscription->subscription, m_handles->js, filter.c_str(), nullptr, &options, &jsError);
  if (Failed(s, jsError, "reading " + filter, error)) return nullptr;
  return std::unique_ptr<StreamCursor>(new StreamCursor(std::move(subscription)));
}

bool JetStream::ReadFrom(std::uint64_t first, const std::string& filter,
                         const std::function<bool(const StoredMessage&)>& take, long idleMs, std::string* error) {
  const std::unique_ptr<StreamCursor> cursor = Follow(first, filter, error);
  if (!cursor) return false;
  for (std::optional<StoredMessage> message; (message = cursor->Next(idleMs, nullptr)) && take(*message);) {
  }
  return true;
}

namespace {

struct PullOwner {
  natsSubscription* subscription = nullptr;
  ~PullOwner() {
    // Unsubscribing deletes the consumer it made.
    if (!subscription) return;
    natsSubscription_Unsubscribe(subscription);
    natsSubscription_Destroy(subscription);
  }
};

struct ListOwner {
  natsMsgList list{};
  ~ListOwner() { natsMsgList_Destroy(&list); }
};

// A delivered message carries its place, its time and how many more match
// in its reply subject.
bool Delivered(natsMsg* msg, StoredMessage& stored, std::uint64_t& pending) {
  jsMsgMetaData* meta = nullptr;
  if (natsMsg_GetMetaData(&meta, msg) != NATS_OK) return false;
  stored = Stored(msg);
  stored.sequence = meta->Sequence.Stream;
  stored.storedNs = meta->Timestamp;
  pending = meta->NumPending;
  jsMsgMetaData_Destroy(meta);
  return true;
}

}  // namespace

bool JetStream::ReadWindow(std::int64_t sinceNs, std::int64_t untilNs, const std::string& filter,
                           const std::function<bool(const StoredMessage&)>& take, std::string* error) {
  // The last message that matches is the end: nothing to wait for when the
  // stream holds none from sinceNs on.
  const std::optional<StoredMessage> end = LastOf(filter, error);
  if (!end) return error == nullptr || error->empty();
  if (end->storedNs < sinceNs || (untilNs != 0 && untilNs <= sinceNs)) return true;
  // nats-server 2.9 now and then starts a consumer by time at the stream's
  // end though later messages are stored (file storage, seen under load).
  const std::optional<std::uint64_t> first = FirstStoredFrom(sinceNs, error);
  if (!first) return false;
  if (*first > end->sequence) return true;
  jsSubOptions options;
  jsSubOptions_Init(&options);
  options.Stream = m_options.stream.c_str();
  options.Config.DeliverPolicy = js_DeliverByStartSequence;
  options.Config.OptStartSeq = *first;
  options.Config.AckPolicy = js_AckNone;
  // A reader killed before it unsubscribes leaves its consumer a minute.
  options.Config.InactiveThreshold = 60LL * 1000 * kNanosPerMs;
  PullOwner pull;
  jsErrCode jsError = static_cast<jsErrCode>(0);
  natsStatus s = js_PullSubscribe(&pull.subscription, m_handles->js, filter.c_str(), nullptr, nullptr, &options,
                                  &jsError);
  if (Failed(s, jsError, "reading " + filter, error)) return false;
  constexpr int kBatch = 512;
  for (;;) {
    ListOwner fetched;
    // Messages are there up to the end: a fetch that gets none failed.
    s = natsSubscription_Fetch(&fetched.list, pull.subscription, kBatch, m_options.timeoutMs, &jsError);
    if (Failed(s, jsError, "reading " + filter, error)) return false;
    for (int i = 0; i < fetched.list.Count; ++i) {
      StoredMessage message;
      std::uint64_t pending = 0;
      if (!Delivered(fetched.list.Msgs[i], message, pending))
        return !Failed(NATS_PROTOCOL_ERROR, 0, "reading " + filter, error);
      if (message.sequence > end->sequence || (untilNs != 0 && message.storedNs >= untilNs)) return true;
      if (!take(message) || message.sequence == end->sequence || pending == 0) return true;
    }
  }
}

std::optional<std::uint64_t> JetStream::FirstStoredFrom(std::int64_t sinceNs, std::string* error) {
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  if (!Bounds(low, high, error)) return std::nullopt;
  low = std::max<std::uint64_t>(low, 1);
  ++high;
  // Times rise with sequences; a deleted sequence counts as the next held one.
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2;
    std::uint64_t held = middle;
    std::optional<StoredMessage> message;
    std::string failure;
    for (; held < high && !(message = Read(held, &failure)); ++held) {
      if (failure.empty()) continue;
      if (error) *error = failure;
      return std::nullopt;
    }
    if (!message || message->storedNs >= sinceNs)
      high = middle;
    else
      low = held + 1;
  }
  return low;
}

bool JetStream::Bounds(std::uint64_t& first, std::uint64_t& last, std::string* error) {
  jsErrCode jsError = static_cast<jsErrCode>(0);
  jsStreamInfo* info = nullptr;
  const natsStatus s = js_GetStreamInfo(&info, m_handles->js, m_options.stream.c_str(), nullptr, &jsError);
  if (s == NATS_OK) {
    first = info->State.FirstSeq;
    last = info->State.LastSeq;
  }
  if (info) jsStreamInfo_Destroy(info);
  return !Failed(s, jsError, "stream " + m_options.stream, error);
}

std::optional<std::string> JetStream::Get(const std::string& key, std::string* error) {
  if (error) error->clear();
  kvEntry* entry = nullptr;
  const natsStatus s = kvStore_Get(&entry, m_handles->bucket, key.c_str());
  if (s == NATS_NOT_FOUND) return std::nullopt;
  if (Failed(s, 0, "key " + key, error)) return std::nullopt;
  std::string value(static_cast<const char*>(kvEntry_Value(entry)), static_cast<std::size_t>(kvEntry_ValueLen(entry)));
  kvEntry_Destroy(entry);
  return value;
}

// A watcher hands over every value held, then a null entry.
bool JetStream::ReadBucket(const std::function<void(const std::string& key, const std::string& value)>& take,
                           std::string* error) {
  return WatchAll(false, take, error);
}

bool JetStream::WatchAll(bool metaOnly,
                         const std::function<void(const std::string& key, const std::string& value)>& take,
                         std::string* error) {
  kvWatchOptions options;
  kvWatchOptions_Init(&options);
  options.IgnoreDeletes = true;
  options.MetaOnly = metaOnly;
  kvWatcher* watcher = nullptr;
  natsStatus s = kvStore_WatchAll(&watcher, m_handles->bucket, &options);
  while (s == NATS_OK) {
    kvEntry* entry = nullptr;
    s = kvWatcher_Next(&entry, watcher, m_options.timeoutMs);
    if (s != NATS_OK || entry == nullptr) break;
    take(kvEntry_Key(entry), std::string(static_cast<const char*>(kvEntry_Value(entry)),
                                         static_cast<std::size_t>(kvEntry_ValueLen(entry))));
    kvEntry_Destroy(entry);
  }
  if (watcher) kvWatcher_Destroy(watcher);
  return !Failed(s, 0, (metaOnly ? "keys of " : "reading bucket ") + m_options.bucket, error);
}

bool JetStream::PutMany(const std::vector<std::pair<std::string, std::string>>& entries, std::string* error) {
  jsPubOptions options;
  jsPubOptions_Init(&options);
  options.MaxWait = m_options.timeoutMs;
  const std::string prefix = "$KV." + m_options.bucket + ".";
  int status = NATS_OK;
  // Rounds below the bound of writes in flight, past which nats.c refuses
  // more (a whole bucket's join, say).
  for (std::size_t from = 0; from < entries.size() && status == NATS_OK; from += kRound) {
    BeginRound();
    const std::size_t to = std::min(entries.size(), from + kRound);
    natsStatus s = NATS_OK;
    for (std::size_t i = from; i < to && s == NATS_OK; ++i)
      s = js_PublishAsync(m_handles->js, (prefix + entries[i].first).c_str(), entries[i].second.data(),
                          static_cast<int>(entries[i].second.size()), &options);
    status = s;
    const bool anyFailed = !EndRound(status).empty();
    if (status == NATS_OK && anyFailed) status = NATS_ERR;
  }
  return !Failed(status, 0, "writing " + std::to_string(entries.size()) + " keys", error);
}

bool JetStream::Delete(const std::string& key, std::string* error) {
  return !Failed(kvStore_Delete(m_handles->bucket, key.c_str()), 0, "deleting key " + key, error);
}

bool JetStream::Keys(std::vector<std::string>& keys, std::string* error) {
  keys.clear();
  return WatchAll(true, [&](const std::string& key, const std::string&) { keys.push_back(key); }, error);
}

bool JetStream::Announce(const std::string& subject, std::string* error) {
  return !Failed(natsConnection_Publish(m_handles->connection, subject.c_str(), nullptr, 0), 0, subject, error);
}

bool JetStream::ListenTo(const std::string& subject, std::string* error) {
  return !Failed(natsConnection_SubscribeSync(&m_handles->listened, m_handles->connection, subject.c_str()), 0,
                 "listening to " + subject, error);
}

std::size_t JetStream::Arrived() {
  std::size_t count = 0;
  natsMsg* msg = nullptr;
  while (m_handles && m_handles->listened && natsSubscription_NextMsg(&msg, m_handles->listened, 0) == NATS_OK) {
    natsMsg_Destroy(msg);
    ++count;
  }
  return count;
}

bool JetStream::Connected() const {
  return m_handles && m_handles->connection && natsConnection_Status(m_handles->connection) == NATS_CONN_STATUS_CONNECTED;
}

}  // namespace zelbridge
