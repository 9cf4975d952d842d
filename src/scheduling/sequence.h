// The match sequence of a run: one entry per match of every class, ordered so that the
// classes take turns evenly. The placement deals the pairs; an entry only fixes which
// class takes the turn (its k-th entry of a class becomes the class's match k).
#pragma once

#include <array>
#include <vector>

#include "scheduling/input.h"
#include "scheduling/lrec.h"
#include "scheduling/pairing.h"
#include "scheduling/random.h"

namespace liga::scheduling {

struct SequenceEntry {
  int slot = 0;  // class slot, 0-based index into Lrec::ClassSlots
  int home = 0;  // team numbers of the generated pair
  int away = 0;
  int serial = 0;        // the entry's number when generated (1-based)
  bool claimed = false;  // used while the sequence is ordered
};

struct Sequence {
  // `SerieLnr`: team number of team index i (1..16) of each class slot; index 0 unused.
  std::array<std::array<int, kMaxTeamsPerClass + 1>, kClassSlots> SerieLnr{};
  // Number of teams actually selected for each slot (0 when the class was skipped). The
  // placement deals pairs for this many teams, so a class record whose `TeamCount`
  // disagrees with its team records never yields an index without a team.
  std::array<int, kClassSlots> teams{};
  // `LGArr`: entries 1..G are entries[0..G-1].
  std::vector<SequenceEntry> entries;
};

// Fills `sequence` from the classes of `lrec` (progress lines 2..6) and returns G, the
// number of entries. A class with one team or none contributes nothing; a class with more
// than 16 team records is skipped with a warning. Stops early (returning the entries made
// so far) when the progress window's abort flag is set.
int GenerateSequence(const ScheduleInput& input, const Lrec& lrec, Sequence& sequence);

// Reorders entries 1..G (G > 1): the classes with the most entries are spread evenly over
// the whole sequence first, classes of equal size alternate in a random order, smaller
// classes fill the free positions evenly, and the result is rotated by a random amount.
void OrderSequence(Sequence& sequence, RandomSource& random);

// Rounds to the nearest integer, an exact half to the even neighbour (2.5 -> 2, 5.5 -> 6).
long RoundHalfEven(double value);

}  // namespace liga::scheduling
