// The error numbers the storage engine raises, each by the name the code uses. This header
// is the only place that spells them as numbers; the message catalogue maps each to its text.
#pragma once

#include <cstdint>

namespace liga {

namespace isam_error {
inline constexpr std::int32_t kPathNotFound = 9900;
inline constexpr std::int32_t kTooManyFiles = 9901;
inline constexpr std::int32_t kFileNotFound = 9903;
inline constexpr std::int32_t kPageStack = 10000;
inline constexpr std::int32_t kAddRecRestored = 10001;
inline constexpr std::int32_t kDeleteRecRestored = 10002;
inline constexpr std::int32_t kAddKeyRestored = 10003;
inline constexpr std::int32_t kDeleteKeyRestored = 10004;
inline constexpr std::int32_t kPutRecRestored = 10005;
inline constexpr std::int32_t kBatchRestored = 10006;
inline constexpr std::int32_t kStillOpen = 10010;
inline constexpr std::int32_t kBadRecordLength = 10020;
inline constexpr std::int32_t kTooManyKeys = 10050;
inline constexpr std::int32_t kBadKeyLength = 10055;
inline constexpr std::int32_t kBadDataFile = 10060;
inline constexpr std::int32_t kReadOnly = 10065;
inline constexpr std::int32_t kReadError = 10070;
inline constexpr std::int32_t kWriteError = 10075;
inline constexpr std::int32_t kNotOpen = 10080;
inline constexpr std::int32_t kBadIndexHeader = 10120;
inline constexpr std::int32_t kKeyLengthRange = 10121;
inline constexpr std::int32_t kItemsPerPage = 10122;
inline constexpr std::int32_t kKeyTooLong = 10125;
inline constexpr std::int32_t kPutRecNumber = 10130;
inline constexpr std::int32_t kDeleteRecNumber = 10135;
inline constexpr std::int32_t kGeneral = 10140;
inline constexpr std::int32_t kCloseFailed = 10160;
inline constexpr std::int32_t kBadIndexNumber = 10164;
inline constexpr std::int32_t kCorruptChain = 10170;
inline constexpr std::int32_t kRollbackFailed = 10180;
inline constexpr std::int32_t kJournalDamaged = 10182;
inline constexpr std::int32_t kHandles = 10192;
inline constexpr std::int32_t kKeyNotFound = 10200;
inline constexpr std::int32_t kSearchNotFound = 10210;
inline constexpr std::int32_t kDeleteKeyNotFound = 10220;
inline constexpr std::int32_t kKeyExists = 10230;
inline constexpr std::int32_t kNoNextKey = 10250;
inline constexpr std::int32_t kNetwork = 10310;
inline constexpr std::int32_t kBadHandle = 10445;
inline constexpr std::int32_t kBusy = 10446;
inline constexpr std::int32_t kInitTwice = 10450;
inline constexpr std::int32_t kTooFewPages = 10451;
inline constexpr std::int32_t kNotInitialised = 10455;

// The error classes (IsamErrorClassOf) also cover numbers of the catalogue that this engine
// never raises but files and callers of other installations may carry.
// Class 1, an expected negative result: kFileNotFound, kKeyNotFound..kExpectedLast and
// kReorgFileNotFound.
inline constexpr std::int32_t kExpectedLast = 10299;
inline constexpr std::int32_t kReorgFileNotFound = 10410;
// Class 2, an access conflict or an unavailable path: kPathNotFound, kReadOnly and these.
inline constexpr std::int32_t kAccessConflicts[] = {10110, 10306, 10330, 10332, 10335,
                                                    10355, 10360, 10390, 10397, 10399};
// Class 3, failed and restored from the journal: kAddRecRestored..kRestoredLast.
inline constexpr std::int32_t kRestoredLast = 10009;
}  // namespace isam_error

}  // namespace liga
