#include "database/tie_order.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/text.h"

namespace liga {
namespace {

struct RuleWord {
  TieRule rule;
  const char* word;   // as shown, UTF-8
  const char* ascii;  // the same word folded to ASCII, as matched
};

constexpr RuleWord kWords[] = {
    {TieRule::Points, "poäng", "poang"},
    {TieRule::GoalDifference, "målskillnad", "malskillnad"},
    {TieRule::GoalsFor, "gjorda", "gjorda"},
    {TieRule::Wins, "vunna", "vunna"},
    {TieRule::HeadToHead, "inbördes", "inbordes"},
    {TieRule::AwayGoals, "bortamål", "bortamal"},
    {TieRule::Draw, "lottning", "lottning"},
    {TieRule::TeamNumber, "lagnummer", "lagnummer"},
};

constexpr std::string_view kCommentPrefix = "; tabellordning ";

// Lower case with å, ä and ö (in UTF-8 or code page 1252, either case) folded to a, a, o,
// blanks dropped.
std::string foldWord(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == 0xC3 && i + 1 < s.size()) {
      const auto d = static_cast<unsigned char>(s[i + 1]);
      const unsigned char low = d | 0x20;
      if (low == 0xA4 || low == 0xA5 || low == 0xB6) {
        out += low == 0xB6 ? 'o' : 'a';
        ++i;
        continue;
      }
    }
    const unsigned char low = c | 0x20;
    if (c >= 0xC0 && (low == 0xE4 || low == 0xE5)) {
      out += 'a';
    } else if (c >= 0xC0 && low == 0xF6) {
      out += 'o';
    } else if (c != ' ' && c != '\t') {
      out += static_cast<char>(c < 0x80 ? std::tolower(c) : c);
    }
  }
  return out;
}

bool endsTies(TieRule r) {
  return r == TieRule::Draw || r == TieRule::TeamNumber;
}

}  // namespace

bool TieOrder::isDefault() const {
  return *this == TieOrder{};
}

std::string TieRuleWord(TieRule rule) {
  for (const RuleWord& w : kWords)
    if (w.rule == rule) return w.word;
  return {};
}

std::optional<TieOrder> ParseTieOrder(std::string_view list, std::string* error) {
  auto fail = [&](std::string text) -> std::optional<TieOrder> {
    if (error) *error = std::move(text);
    return std::nullopt;
  };
  TieOrder order;
  order.rules.clear();
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string_view item = list.substr(start, comma - start);
    start = comma + 1;
    const std::string folded = foldWord(item);
    if (folded.empty()) {
      if (comma == list.size() && !order.rules.empty()) break;
      return fail("tom plats i listan");
    }
    const auto w = std::find_if(std::begin(kWords), std::end(kWords),
                                [&](const RuleWord& r) { return folded == r.ascii; });
    if (w == std::end(kWords))
      return fail("okänt ord '" + std::string(item) +
                  "' (poäng, målskillnad, gjorda, vunna, inbördes, bortamål, lottning, lagnummer)");
    if (std::find(order.rules.begin(), order.rules.end(), w->rule) != order.rules.end())
      return fail(std::string("'") + w->word + "' står två gånger");
    if (!order.rules.empty() && endsTies(order.rules.back()))
      return fail(TieRuleWord(order.rules.back()) + " kan bara stå sist");
    if (w->rule == TieRule::Points && !order.rules.empty()) return fail("poäng måste stå först");
    order.rules.push_back(w->rule);
  }
  if (order.rules.empty() || order.rules.front() != TieRule::Points)
    order.rules.insert(order.rules.begin(), TieRule::Points);
  return order;
}

std::string TieOrderText(const TieOrder& order) {
  std::string out;
  for (TieRule r : order.rules) {
    if (!out.empty()) out += ',';
    out += TieRuleWord(r);
  }
  return out;
}

// ---------------------------------------------------------------------------------------

std::string TieOrders::FileName(const std::string& dataDir, int k) {
  return dataDir + "/ordning" + FormatInt(k, 2, '0') + ".TXT";
}

TieOrders TieOrders::Load(const std::string& dataDir, int k) {
  TieOrders orders;
  std::ifstream in(FileName(dataDir, k), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    orders.readLine(line);
  }
  return orders;
}

bool TieOrders::save(const std::string& dataDir, int k) const {
  const std::string path = FileName(dataDir, k);
  if (m_orders.empty()) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
  }
  std::string bytes;
  for (const auto& [name, order] : m_orders)
    bytes += name + "=" + Utf8ToCp1252(TieOrderText(order)) + "\r\n";
  return ReplaceFile(path, bytes);
}

TieOrder TieOrders::get(const std::string& className) const {
  const auto it = m_orders.find(className);
  return it == m_orders.end() ? TieOrder{} : it->second;
}

void TieOrders::set(const std::string& className, const TieOrder& order) {
  if (order.isDefault())
    m_orders.erase(className);
  else
    m_orders[className] = order;
}

void TieOrders::rename(const std::string& from, const std::string& to) {
  const auto it = m_orders.find(from);
  if (it == m_orders.end() || from == to) return;
  TieOrder order = it->second;
  m_orders.erase(it);
  m_orders[to] = order;
}

std::vector<std::string> TieOrders::commentLines() const {
  std::vector<std::string> out;
  for (const auto& [name, order] : m_orders)
    out.push_back(std::string(kCommentPrefix) + name + "=" + Utf8ToCp1252(TieOrderText(order)));
  return out;
}

bool TieOrders::readCommentLine(std::string_view line) {
  if (line.substr(0, kCommentPrefix.size()) != kCommentPrefix) return false;
  return readLine(line.substr(kCommentPrefix.size()));
}

bool TieOrders::readLine(std::string_view line) {
  const std::size_t eq = line.rfind('=');
  if (eq == std::string_view::npos || eq == 0) return false;
  const auto order = ParseTieOrder(line.substr(eq + 1));
  if (!order) return false;
  set(std::string(line.substr(0, eq)), *order);
  return true;
}

}  // namespace liga
