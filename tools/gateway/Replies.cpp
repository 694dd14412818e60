#include "Replies.h"

#include <utility>

#include "Verdict.h"

namespace zelgw {

Response TextReply(http::status status, const char* contentType, std::string body) {
  Response response(status, 11);
  response.set(http::field::content_type, contentType);
  response.set(http::field::cache_control, "no-store");
  response.body() = std::move(body);
  return response;
}

Response JsonReply(http::status status, const zeljson::Json& json) {
  return TextReply(status, "application/json", zeljson::Text(json));
}

Response ErrorReply(http::status status, const std::string& code, const std::string& message) {
  return JsonReply(status, ErrorJson(code, message));
}

}  // namespace zelgw
