#include "Output.h"

namespace zelctl {
namespace {

std::FILE* g_out = nullptr;
std::FILE* g_err = nullptr;
bool g_json = false;

}  // namespace

std::FILE* Out() { return g_out ? g_out : stdout; }

std::FILE* Err() { return g_err ? g_err : stderr; }

bool JsonOutput() { return g_json; }

OutputStreams::OutputStreams(std::FILE* out, std::FILE* err) : m_out(g_out), m_err(g_err), m_json(g_json) {
  g_out = out;
  g_err = err;
}

void OutputStreams::SetJson(bool on) { g_json = on; }

OutputStreams::~OutputStreams() {
  g_out = m_out;
  g_err = m_err;
  g_json = m_json;
}

}  // namespace zelctl
