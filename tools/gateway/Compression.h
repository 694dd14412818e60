#pragma once
// gzip for what the gateway sends a client that takes it (Accept-Encoding):
// a whole reply at once, or an event stream piece by piece, each piece
// flushed so that the client can read every event as soon as it comes.

#include <zlib.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace zelgw {

// Whether an Accept-Encoding value admits gzip: named, or "*", and not with
// q=0. Anything malformed admits nothing.
bool AcceptsGzip(std::string_view acceptEncoding);

// Replies shorter than this are sent as they are: gzip would save little.
constexpr std::size_t kGzipAtLeast = 1024;

class Gzip {
 public:
  // level: zlib's, 1 (fastest) to 9.
  explicit Gzip(int level);
  ~Gzip();
  Gzip(const Gzip&) = delete;
  Gzip& operator=(const Gzip&) = delete;

  // Appends to `out` what `bytes` compress to so far.
  void Add(std::string_view bytes, std::string& out);
  // Appends what is held back, so that the client can read all added yet.
  void Flush(std::string& out);
  // Appends the end of the gzip stream.
  void Finish(std::string& out);

 private:
  void Deflate(std::string_view bytes, int flush, std::string& out);

  z_stream m_stream{};
};

// The whole of `text`, gzipped.
std::string Gzipped(std::string_view text);

}  // namespace zelgw
