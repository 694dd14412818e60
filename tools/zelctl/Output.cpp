#include "Output.h"

namespace zelctl {
namespace {

std::FILE* g_out = nullptr;
std::FILE* g_err = nullptr;

}  // namespace

std::FILE* Out() { return g_out ? g_out : stdout; }

std::FILE* Err() { return g_err ? g_err : stderr; }

OutputStreams::OutputStreams(std::FILE* out, std::FILE* err) : m_out(g_out), m_err(g_err) {
  g_out = out;
  g_err = err;
}

OutputStreams::~OutputStreams() {
  g_out = m_out;
  g_err = m_err;
}

}  // namespace zelctl
