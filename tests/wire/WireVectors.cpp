#include "WireVectors.h"

#include <memory>
#include <sstream>
#include <type_traits>
#include <variant>

#include "zelclnt/zelclnt.h"

namespace wirevectors {
namespace {

using PS = ZelTPresenceServer;

std::unique_ptr<ZelTRequest> RequestOf(int type) {
  switch (type) {
    case 35000:
      return std::make_unique<ZelTQueryIntegratedPresence>();
    case 35001:
      return std::make_unique<ZelTServerStatus>();
    case 35002:
      return std::make_unique<ZelTUserPresence>();
    case 35003:
      return std::make_unique<ZelTQueryUsersPresence>();
    case 35004:
      return std::make_unique<ZelTQueryUserMediumStatus>();
    case 35005:
      return std::make_unique<ZelTAddCapability>();
    case 35006:
      return std::make_unique<ZelTRemoveCapability>();
    default:
      return nullptr;
  }
}

std::string ReadAndWriteRequest(bool call, int type, const std::string& bytes) {
  std::unique_ptr<ZelTRequest> request = RequestOf(type);
  if (!request) return "unknown type";
  TRPC in;
  TRPC out;
  if (call) {
    in.SetCallData(bytes.data(), bytes.size());
    request->UnpackRpcCall(in);
    if (request->PackRpcCall(out) != 0) return "not packed";
    return std::string(out.GetCallPointer(), out.GetCallSize());
  }
  in.SetReplyData(bytes.data(), bytes.size());
  request->UnpackRpcReply(in);
  if (request->PackRpcReply(out) != 0) return "not packed";
  return std::string(out.GetReplyPointer(), out.GetReplySize());
}

std::string ReadAndWriteEvent(int type, const std::string& bytes) {
  ZelTAnyEvent event;
  if (!ZelTEventReader::Read(static_cast<PS::enEvent>(type), bytes.data(), bytes.size(), event)) return "unknown type";
  TPack pack;
  std::visit(
      [&pack](const auto& record) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(record)>, std::monostate>) pack << record;
      },
      event);
  return std::string(pack.Contents(), pack.Length());
}

}  // namespace

std::string ReadAndWrite(const std::string& kind, int type, const std::string& bytes) {
  if (kind == "event") return ReadAndWriteEvent(type, bytes);
  if (kind == "call" || kind == "reply") return ReadAndWriteRequest(kind == "call", type, bytes);
  return "unknown kind";
}

bool FromHex(const std::string& hex, std::string& bytes) {
  if (hex.size() % 2) return false;
  bytes.clear();
  for (std::size_t at = 0; at < hex.size(); at += 2) {
    const std::string pair = hex.substr(at, 2);
    if (pair.find_first_not_of("0123456789abcdef") != std::string::npos) return false;
    bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
  }
  return true;
}

bool Parse(const std::string& text, std::vector<Vector>& vectors, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Vector vector;
    std::string name;
    std::string input;
    std::string output;
    fields >> name >> input >> output;
    vector.name = name;
    vector.hostile = name.rfind("hostile/", 0) == 0;
    std::istringstream parts(vector.hostile ? name.substr(8) : name);
    std::string type;
    std::string label;
    const bool named = std::getline(parts, vector.kind, '/') && std::getline(parts, type, '/') &&
                       type.find_first_not_of("0123456789") == std::string::npos && !type.empty() &&
                       std::getline(parts, label) && !label.empty();
    if (!named || !FromHex(input, vector.bytes) || vector.hostile == output.empty() ||
        !FromHex(vector.hostile ? output : input, vector.expected)) {
      *error = line.substr(0, 80);
      return false;
    }
    vector.type = std::stoi(type);
    vectors.push_back(std::move(vector));
  }
  return true;
}

}  // namespace wirevectors
