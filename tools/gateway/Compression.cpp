#include "Compression.h"

#include <cctype>
#include <new>

namespace zelgw {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// q=0, 0.0, 0.00 or 0.000: refused.
bool Refused(std::string_view parameters) {
  while (!parameters.empty()) {
    const std::size_t semicolon = parameters.find(';');
    const std::string_view parameter = Trimmed(parameters.substr(0, semicolon));
    parameters = semicolon == std::string_view::npos ? std::string_view() : parameters.substr(semicolon + 1);
    if (parameter.size() < 2 || !SameName(parameter.substr(0, 2), "q=")) continue;
    const std::string_view value = parameter.substr(2);
    return !value.empty() && value.find_first_not_of("0.") == std::string_view::npos && value.front() == '0';
  }
  return false;
}

}  // namespace

bool AcceptsGzip(std::string_view acceptEncoding) {
  bool any = false;
  bool named = false;
  while (!acceptEncoding.empty()) {
    const std::size_t comma = acceptEncoding.find(',');
    const std::string_view item = acceptEncoding.substr(0, comma);
    acceptEncoding = comma == std::string_view::npos ? std::string_view() : acceptEncoding.substr(comma + 1);
    const std::size_t semicolon = item.find(';');
    const std::string_view name = Trimmed(item.substr(0, semicolon));
    const bool refused = semicolon != std::string_view::npos && Refused(item.substr(semicolon + 1));
    if (SameName(name, "gzip") || SameName(name, "x-gzip")) {
      if (refused) return false;
      named = true;
    } else if (name == "*") {
      any = !refused;
    }
  }
  return named || any;
}

Gzip::Gzip(int level) {
  // 15 bits of window, plus 16: a gzip header and trailer.
  if (deflateInit2(&m_stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::bad_alloc();
}

Gzip::~Gzip() { deflateEnd(&m_stream); }

void Gzip::Add(std::string_view bytes, std::string& out) { Deflate(bytes, Z_NO_FLUSH, out); }

void Gzip::Flush(std::string& out) { Deflate({}, Z_SYNC_FLUSH, out); }

void Gzip::Finish(std::string& out) { Deflate({}, Z_FINISH, out); }

void Gzip::Deflate(std::string_view bytes, int flush, std::string& out) {
  m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  m_stream.avail_in = static_cast<uInt>(bytes.size());
  unsigned char chunk[16384];
  int result = Z_OK;
  do {
    m_stream.next_out = chunk;
    m_stream.avail_out = sizeof chunk;
    result = deflate(&m_stream, flush);
    out.append(reinterpret_cast<const char*>(chunk), sizeof chunk - m_stream.avail_out);
  } while (m_stream.avail_out == 0 || (m_stream.avail_in != 0 && result == Z_OK));
}

std::string Gzipped(std::string_view text) {
  Gzip gzip(Z_DEFAULT_COMPRESSION);
  std::string out;
  gzip.Add(text, out);
  gzip.Finish(out);
  return out;
}

}  // namespace zelgw
