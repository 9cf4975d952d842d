// The tie order of a class: which criteria decide between teams, in which order.
//
// The standings always go by points first. The organiser chooses what comes after from
// goal difference, goals scored, matches won, head-to-head among the tied teams and away
// goals scored, and may end with a rule that separates a full tie: a seeded draw
// ("lottning") or the team number ("lagnummer"). The default is points, then goal
// difference, with a full tie left in stored order, which is the table every report
// printed before tie orders could be chosen.
//
// Where it is kept: not in the record layouts or the configuration file, which other
// installations read byte for byte, but in a small text file of the competition beside
// its data files, "ordningNN.TXT" (NN the competition number). Format, code page 1252,
// CR LF line ends, one line per class whose order is not the default:
//
//   CLASS NAME=poäng,målskillnad,inbördes,lottning
//
// The class name is everything before the last "=". A class absent from the file has
// the default order. The competition export carries the same lines as comment lines
// ("; tabellordning CLASS NAME=..."), which an installation without tie orders shows and
// otherwise ignores.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace liga {

enum class TieRule {
  Points,          // poäng
  GoalDifference,  // målskillnad
  GoalsFor,        // gjorda
  Wins,            // vunna
  HeadToHead,      // inbördes: points, goal difference, goals scored in their own matches
  AwayGoals,       // bortamål
  Draw,            // lottning: a seeded draw, shown as such
  TeamNumber,      // lagnummer
};

struct TieOrder {
  std::vector<TieRule> rules{TieRule::Points, TieRule::GoalDifference};
  bool isDefault() const;
  bool operator==(const TieOrder&) const = default;
};

// The word of a rule as the organiser writes it (UTF-8).
std::string TieRuleWord(TieRule rule);

// Reads a comma-separated list of rule words (UTF-8 or code page 1252; "poang",
// "malskillnad", "inbordes" and "bortamal" are accepted too). Points come first whether
// written or not; each word at most once; "lottning" and "lagnummer" only last. On a
// fault returns nothing and sets `error` to a Swedish sentence (UTF-8).
std::optional<TieOrder> ParseTieOrder(std::string_view list, std::string* error = nullptr);

// The list as words, comma-separated, UTF-8 ("poäng,målskillnad").
std::string TieOrderText(const TieOrder& order);

// The tie orders of one competition by class name (code page 1252, as stored).
class TieOrders {
 public:
  // The file of competition `k` in `dataDir`.
  static std::string FileName(const std::string& dataDir, int k);

  // Reads the file; a missing file is no tie orders. Unreadable lines are skipped.
  static TieOrders Load(const std::string& dataDir, int k);
  // Writes the file whole (or removes it when every order is the default). False when
  // it could not be written; the old file is then unchanged.
  bool save(const std::string& dataDir, int k) const;

  TieOrder get(const std::string& className) const;
  void set(const std::string& className, const TieOrder& order);
  // A class renamed or deleted takes its order with it.
  void rename(const std::string& from, const std::string& to);
  void remove(const std::string& className) { m_orders.erase(className); }

  // The export's comment lines, without line ends, and reading one back. A line that is
  // not a tie-order comment gives false and changes nothing.
  std::vector<std::string> commentLines() const;
  bool readCommentLine(std::string_view line);

  bool empty() const { return m_orders.empty(); }

 private:
  bool readLine(std::string_view line);
  std::map<std::string, TieOrder> m_orders;
};

}  // namespace liga
