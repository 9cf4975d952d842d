// The limits of a competition, in one place. Two kinds are kept apart by their names:
// slots (the places the scheduling run's tables and the limit messages count) and records
// in use (what the registers and the import accept: one fewer than the slots).
#pragma once

namespace liga {

inline constexpr int kMaxCompetitions = 10;

inline constexpr int kClassSlots = 10;
inline constexpr int kTeamSlots = 160;
inline constexpr int kPlayTimeSlots = 4800;

inline constexpr int kMaxClassRecords = kClassSlots - 1;
inline constexpr int kMaxTeamRecords = kTeamSlots - 1;
inline constexpr int kMaxPlayTimeRecords = kPlayTimeSlots - 1;
// Match numbers share the play times' slots.
inline constexpr int kMaxMatchNumber = kPlayTimeSlots - 1;

inline constexpr int kMaxTeamsPerClass = 16;
inline constexpr int kMaxMatchesPerPlayTime = 16;
// From this many teams on a competition is warned that it nears kTeamSlots.
inline constexpr int kTeamWarningFrom = kTeamSlots - 4;

}  // namespace liga
