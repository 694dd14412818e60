// gzip for clients that take it: which Accept-Encoding values admit it, and
// a stream whose every flushed piece a client can read at once.

#include "Compression.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

TEST(CompressionTest, AcceptEncodingAdmitsGzipOnlyWhenNamedOrStarredAndNotRefused) {
  const struct { std::string value; bool gzip; } cases[] = {
      {"gzip", true},          {"gzip, deflate, br", true}, {"br;q=1.0, GZIP;q=0.5", true},
      {"x-gzip", true},        {"*", true},                 {" deflate , * ; q=0.1", true},
      {"", false},             {"deflate, br", false},      {"gzip;q=0", false},
      {"gzip; q=0.000", false}, {"*;q=0", false},           {"*, gzip;q=0", false},
      {"gzipx", false},        {",,;;", false},             {"gzip;q=", true},
  };
  for (const auto& c : cases) EXPECT_EQ(zelgw::AcceptsGzip(c.value), c.gzip) << "'" << c.value << "'";
}

// Inflates what came so far, as a client reading the stream would.
class Reader {
 public:
  Reader() { inflateInit2(&m_stream, 15 + 16); }
  ~Reader() { inflateEnd(&m_stream); }
  std::string Read(const std::string& bytes) {
    m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    m_stream.avail_in = static_cast<uInt>(bytes.size());
    std::string out;
    char chunk[4096];
    do {
      m_stream.next_out = reinterpret_cast<Bytef*>(chunk);
      m_stream.avail_out = sizeof chunk;
      m_last = inflate(&m_stream, Z_SYNC_FLUSH);
      out.append(chunk, sizeof chunk - m_stream.avail_out);
    } while (m_stream.avail_out == 0);
    return out;
  }
  int Last() const { return m_last; }

 private:
  z_stream m_stream{};
  int m_last = Z_OK;
};

TEST(CompressionTest, EachFlushedPieceReadsBackWholeAndTheEndEndsTheStream) {
  const std::vector<std::string> pieces = {"retry: 2000\n\n", "event: snapshot\ndata: " + std::string(200000, 'u') + "\n\n",
                                           "", "event: change\ndata: {}\n\n"};
  zelgw::Gzip gzip(1);
  Reader reader;
  for (const std::string& piece : pieces) {
    std::string packed;
    gzip.Add(piece, packed);
    gzip.Flush(packed);
    EXPECT_EQ(reader.Read(packed), piece) << piece.substr(0, 20);
  }
  std::string end;
  gzip.Finish(end);
  EXPECT_EQ(reader.Read(end), "");
  EXPECT_EQ(reader.Last(), Z_STREAM_END);
  Reader whole;
  EXPECT_EQ(whole.Read(zelgw::Gzipped(pieces[1])), pieces[1]);
}

}  // namespace
