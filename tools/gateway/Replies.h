#pragma once
// The HTTP messages the gateway reads and writes, and the replies every
// piece of it builds: JSON with its status, and the JSON error form of
// Verdict.h. Session sets version and keep-alive; nothing else does.

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <string>

#include "JsonValues.h"

namespace zelgw {

namespace http = boost::beast::http;

using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

Response JsonReply(http::status status, const zeljson::Json& json);
Response ErrorReply(http::status status, const std::string& code, const std::string& message);
Response TextReply(http::status status, const char* contentType, std::string body);

}  // namespace zelgw
