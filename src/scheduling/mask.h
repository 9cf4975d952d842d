// Mask file: the play times a team cannot play.
//
// A text file (code page 1252, lines ended by CR LF or LF), one entry per line, fields
// separated by ",", control characters read as blanks, blanks kept:
//   field 1: a team number in decimal, at most 5 characters; a longer field 1 makes the
//            line a remark that never applies; a field 1 that is not a number (optional
//            blanks around an optionally signed run of digits) never applies either;
//   field 2: a pattern of at most 16 characters (longer ones are cut); "?" stands for
//            any one character; an empty or missing field 2 never applies;
//   further fields are ignored.
// Lines longer than 255 characters are cut to 255.
//
// A line hits the play time text T when, with K = T padded with blanks on the right to
// the pattern's length and every "?" of the pattern copied into the same position of K,
// the pattern occurs in K at any position. So "?" only matches at the positions it has
// counted from the start of the play time: "2016-09-??" finds every play time of
// September 2016, while "10:??" is only a wildcard at positions 4 and 5.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace liga::scheduling {

struct MaskLine {
  int team = 0;
  std::string pattern;
};

class Mask {
 public:
  // Parses the lines of a mask file; lines that never apply are dropped.
  static Mask FromText(std::string_view text);
  // Reads the file; nullopt when it cannot be opened.
  static std::optional<Mask> Load(const std::string& path);

  const std::vector<MaskLine>& lines() const { return m_lines; }
  // True when a line for `team` hits `playTime`.
  bool hits(int team, std::string_view playTime) const;

 private:
  std::vector<MaskLine> m_lines;
};

// One line hit test (the rule in the header comment).
bool PatternHits(std::string_view pattern, std::string_view playTime);

// The raw lines of a text (without their line ends, each cut to 255 characters), as the
// schedule file's log repeats them.
std::vector<std::string> TextLines(std::string_view text);

// The whole content of a file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace liga::scheduling
