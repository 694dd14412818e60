#include "AckLedger.h"

#include <bitset>

namespace zelsim {
namespace {

constexpr std::uint64_t kBits = 64;
constexpr std::uint64_t kMaxWords = AckLedger::kMaxPositions / kBits;

std::uint64_t Ones(std::uint64_t word) { return std::bitset<kBits>(word).count(); }

}  // namespace

void AckLedger::Record(const TEventPosition& at) {
  if (!at.IsKnown()) return;
  std::lock_guard<std::mutex> guard(m_lock);
  if (at.incarnation != m_incarnation) {
    m_incarnation = at.incarnation;
    m_base = at.position;
    m_words.clear();
  }
  if (at.position < m_base) return;
  std::uint64_t word = (at.position - m_base) / kBits;
  if (word >= kMaxWords) {
    const std::uint64_t drop = word - kMaxWords + 1;
    if (drop >= m_words.size()) {
      m_words.clear();
    } else {
      m_words.erase(m_words.begin(), m_words.begin() + static_cast<std::ptrdiff_t>(drop));
    }
    m_base += drop * kBits;
    word -= drop;
  }
  if (word >= m_words.size()) m_words.resize(word + 1, 0);
  m_words[word] |= std::uint64_t{1} << ((at.position - m_base) % kBits);
}

std::uint64_t AckLedger::CountBetween(const TEventPosition& after, const TEventPosition& upTo) const {
  std::lock_guard<std::mutex> guard(m_lock);
  if (upTo.incarnation != m_incarnation || !upTo.IsKnown()) return 0;
  const std::uint64_t from = after.incarnation == m_incarnation && after.IsKnown() ? after.position + 1 : 0;
  std::uint64_t count = 0;
  for (std::uint64_t word = 0; word < m_words.size(); ++word) {
    const std::uint64_t first = m_base + word * kBits;
    if (first + kBits <= from || first > upTo.position) continue;
    std::uint64_t bits = m_words[word];
    if (from > first) bits &= ~std::uint64_t{0} << (from - first);
    if (upTo.position < first + kBits - 1) bits &= ~(~std::uint64_t{0} << (upTo.position - first + 1));
    count += Ones(bits);
  }
  return count;
}

}  // namespace zelsim
