#include "WireVectors.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Bytes.h"
#include "zelclnt/zelclnt.h"

namespace {

using PS = ZelTPresenceServer;

std::vector<wirevectors::Vector> Vectors() {
  std::ifstream file(ZELCLNT_WIRE_VECTORS, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  std::vector<wirevectors::Vector> vectors;
  std::string error;
  EXPECT_TRUE(wirevectors::Parse(text.str(), vectors, &error)) << "not a vector: " << error;
  EXPECT_FALSE(vectors.empty()) << "no vectors in " << ZELCLNT_WIRE_VECTORS;
  return vectors;
}

TEST(WireVectorsTest, EveryVectorReadsBackIntoTheSameBytes) {
  for (const wirevectors::Vector& vector : Vectors())
    EXPECT_EQ(Hex(wirevectors::ReadAndWrite(vector.kind, vector.type, vector.bytes)), Hex(vector.expected))
        << vector.name;
}

// Every request type both ways, every event type the reader has a record
// for, and hostile bytes for each kind of reader.
TEST(WireVectorsTest, CoverEveryRequestReplyAndEventRecord) {
  std::set<std::string> covered;
  for (const wirevectors::Vector& vector : Vectors())
    covered.insert((vector.hostile ? "hostile/" : "") + vector.kind + "/" + std::to_string(vector.type));
  for (int type = 35000; type <= 35006; ++type)
    for (const char* kind : {"call/", "reply/", "hostile/call/", "hostile/reply/"})
      EXPECT_EQ(covered.count(kind + std::to_string(type)), 1u) << kind << type;
  for (int type = PS::CONNECTIONEVENT; type <= PS::QUERYEXTENSIONLISTEVENT; ++type) {
    ZelTAnyEvent event;
    if (!ZelTEventReader::Read(static_cast<PS::enEvent>(type), "", 0, event)) continue;
    EXPECT_EQ(covered.count("event/" + std::to_string(type)), 1u) << "event " << type;
    EXPECT_EQ(covered.count("hostile/event/" + std::to_string(type)), 1u) << "hostile event " << type;
  }
}

TEST(WireVectorsTest, LinesThatAreNoVectorsAreRefused) {
  for (const char* line : {"call/35001/a 0", "call/35001/a zz", "call/x/a 00", "call/35001 00", "hostile/call/35001/a 00",
                           "call/35001/a 00 00", "reply//a 00"}) {
    std::vector<wirevectors::Vector> vectors;
    std::string error;
    EXPECT_FALSE(wirevectors::Parse(std::string("# comment\n") + line + "\n", vectors, &error)) << line;
    EXPECT_EQ(error, line);
  }
}

}  // namespace
