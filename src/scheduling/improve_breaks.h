// Part b of the improvement pass (improve.h): the breaks of one class.
//
// The search works on the class's matches on real play times and on the orientation of
// every match. Its moves:
//  - turn one match around (with "växla hemma/borta": all meetings of the two teams at
//    once, which keeps their sides alternating in play-time order);
//  - exchange the play times of two matches of the class in different periods;
//  - move a match to a play time of another period that has a free position.
// A time move is only made when it keeps the rules: no team twice in a period, the mask,
// the capacity of every play time. The cost of a team is its breaks plus three for each
// step its home/away difference exceeds one; simulated annealing lowers the sum, and the
// best orientation and timetable with every difference within one is kept.
#pragma once

#include <string_view>
#include <vector>

#include "scheduling/lrec.h"
#include "scheduling/mask.h"
#include "scheduling/placement.h"
#include "scheduling/random.h"

namespace liga::scheduling {

// The real play times of a schedule as the searches see them.
struct ScheduleLayout {
  std::size_t real = 0;     // slots [0, real) are play-time records
  std::vector<int> period;  // per slot below `real`: its period, -1 for a stored placeholder
  int periods = 0;
  int perPlayTime = 1;
  std::vector<int> load;  // matches per slot below `real`, all classes
};

// Called now and then by both searches: shows the pass on the progress window's line 8
// (which lets the window repaint) and returns false once "avbryt" was pressed.
bool ImprovementGoesOn(std::string_view what);

// Periods are runs of consecutive play times with equal period keys, as in the placement.
ScheduleLayout MakeLayout(const Lrec& lrec, const std::vector<PlayTimeSlot>& slots,
                          std::size_t realPlayTimes);

class ClassSearch {
 public:
  // `teams`: the team numbers of the class. `layout.load` is kept up to date by write().
  ClassSearch(std::vector<PlayTimeSlot>& slots, ScheduleLayout& layout,
              const std::vector<int>& teams, bool alternatePairs, const Mask* mask, Pcg32& random);
  ClassSearch(const ClassSearch&) = delete;
  ClassSearch& operator=(const ClassSearch&) = delete;

  bool empty() const { return m_matches.empty(); }
  // Anneals for at most `work` units, stopping at `floor` breaks; returns the work used.
  long run(long work, int floor);
  // Writes the best state into the slots.
  void write();

 private:
  struct Match {
    int slot;
    int lo, hi;            // class-local team indexes, lo < hi
    int group;             // the unit of orientation
    int parity;            // the match's place among its group's meetings, modulo 2
    int origin, position;  // slot and position before the search
  };

  void collect(const std::vector<int>& teams, bool alternatePairs);
  int periodOf(const Match& m) const;
  bool movable(const Match& m) const;
  bool homeIsLo(const Match& m) const { return ((m_value[m.group] + m.parity) & 1) == 0; }
  int side(int team, int match) const;
  int breaks(int team) const;
  int cost(int team) const;
  int totalBreaks() const;
  int violations() const;

  bool freeAt(const Match& m, int period, int except) const;
  bool allowedAt(const Match& m, int slot) const;
  void relocate(int match, int slot);
  void resort(std::vector<int> teams, std::vector<int> groups);
  bool trySwap(int e, int f, long& work, double temperature);
  bool tryMove(int e, int slot, long& work, double temperature);
  bool tryFlip(int group, long& work, double temperature);
  bool accept(int delta, double temperature);
  void remember(int& bestBreaks);
  void restore();

  std::vector<PlayTimeSlot>& m_slots;
  ScheduleLayout& m_layout;
  const Mask* m_mask;
  Pcg32& m_random;
  std::vector<int> m_numbers;  // team number of each class-local index
  std::vector<Match> m_matches;
  std::vector<int> m_movable;               // matches on real play times
  std::vector<std::vector<int>> m_ofTeam;   // per team, in slot order
  std::vector<std::vector<int>> m_ofGroup;  // per group, in slot order
  std::vector<std::vector<int>> m_teamsOfGroup;
  std::vector<int> m_value;              // per group
  std::vector<int> m_busy;               // team x period -> match, or -1
  std::vector<unsigned char> m_allowed;  // team x real slot
  std::vector<int> m_bestValue, m_bestSlot;
};

}  // namespace liga::scheduling
