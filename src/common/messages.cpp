#include "common/messages.h"

#include <map>

#include "common/encoding.h"
#include "common/isam_error.h"

namespace liga {
namespace {

// Catalogue texts, written in UTF-8 here and served in code page 1252.
const std::map<int, std::string_view>& catalogue() {
  static const std::map<int, std::string_view> entries = {
      {msg::kDataFilesMissing, "Datafiler saknas/ ej i aktuellt bibliotek"},
      {msg::kFilesOpen, "Filerna öppna...."},
      {msg::kFilesClosed, "Filerna stängda.."},
      {msg::kPrintDone, "Printerutskriften klar..!"},
      {msg::kNoDatabase, "Databas ej vald/ datafiler saknas!"},
      {msg::kDestroyExisting, "Befintliga datafiler kommer att förstöras. OK?"},
      {msg::kTuDataBas, "TuDataBas"},
      {msg::kCopiedTo, " kopierad till "},
      {msg::kCopySucceeded, " ..lyckad kopiering!!"},
      {msg::kCopyFailed, "Fel vid kopiering!!"},
      {msg::kCannotRename, "Kan ej \"Rename\" fil "},
      {msg::kIndexBuildFailed, " misslyckad \"indexBuild\" "},
      {msg::kIndexingFile, " indexerar fil: "},
      {msg::kDone, " ...klart!!"},
      {msg::kIndexNeedsTuBas, "Kan ej bygga ytterligare index om inte \"TuBas\" vald!"},
      {msg::kMaxCompetitionsReached, "Max antal tävlingar uppnått, kan ej addera fler!"},
      // Storage engine errors.
      {isam_error::kPathNotFound, "Filvägen finns inte!"},
      {isam_error::kTooManyFiles, "För många filer öppna!"},
      {9902, "Biblioteket fullt"},
      {isam_error::kFileNotFound, "Filen ej funnen"},
      {9904, "Ogiltig filbeskrivning"},
      {9905, "Försök att läsa mer än 65535 bytes"},
      {9906, "Försök att skriva mer än 65535 bytes"},
      {isam_error::kPageStack, "GetPageStack: Storleken av @ är mindre än MaxHeight"},
      {isam_error::kAddRecRestored, "AddRec: IOerror, reparationen lyckad"},
      {isam_error::kDeleteRecRestored, "DeleteRec: IOerror, reparatonen lyckad"},
      {isam_error::kAddKeyRestored, "AddKey: IOerror, lyckad reparation"},
      {isam_error::kDeleteKeyRestored, "DeleteKey: IOerror, lyckad reparation"},
      {isam_error::kPutRecRestored, "PutRec: IOerror, lyckad reparation"},
      {isam_error::kBatchRestored, "CommitBatch: IOerror, lyckad reparation"},
      {isam_error::kStillOpen, "OpenFileBlock: Indexfilen redan öppen"},
      {isam_error::kBadRecordLength, "MakeFileBlock: 21<DataStorleken>2147MB"},
      {10030, "OpenFileBlock: Minnet slut"},
      {10040, "MakeFileBlock: Minnet slut"},
      {isam_error::kTooManyKeys, "MakeFileBlock: 0<@>MaxNrOfKeys"},
      {isam_error::kBadKeyLength, "MakeFileBlock: @>MaxNrOfKeys"},
      {isam_error::kBadDataFile, "OpenFileBlock: Fler än 750 index/fel dosfil"},
      {isam_error::kReadError, "Läsning av fel antal bytes"},
      {isam_error::kWriteError, "Skrivning av fel antal bytes"},
      {isam_error::kNotOpen, "CloseFileBlock: Filen ej öppen"},
      {10090, "MakeFileBlock: Minnet slut"},
      {10100, "OpenFileBlock: Minnet slut"},
      {isam_error::kBadIndexHeader, "OpenFileBlock: Fel KeyLen/PageSize"},
      {isam_error::kGeneral, "Generellt fel"},
      {10150, "Ogiltigt \"opening mode\""},
      {isam_error::kCloseFailed, "CloseFileBlock: Ej korrekt stängd"},
      {isam_error::kCorruptChain, "FindKeyAndRef: Ogiltig parameter"},
      {isam_error::kRollbackFailed, "Reparationsförsöket misslyckades"},
      {isam_error::kJournalDamaged,
       "OpenFileBlock: Journalfilen är skadad, ändringen kan inte rullas tillbaka; återställ "
       "från en säkerhetskopia"},
      {10190, "IsamExtendHandles: Endast DOS-3.3 och senare"},
      {10191, "IsamExtendHandles: Minnet slut"},
      {isam_error::kHandles, "IsamExtendHandles: DOSerror"},
      {10193, "PutRec: Försök att skriva record noll"},
      {isam_error::kKeyNotFound, "FindKey: Ej funnen"},
      {isam_error::kSearchNotFound, "SearchKey: Ej funnen"},
      {isam_error::kDeleteKeyNotFound, "DeleteKey: Ej funnen"},
      {isam_error::kKeyExists, "AddKey: Existerar redan som unik"},
      {isam_error::kNoNextKey, "NextKey: Finns ej"},
      {10255, "NextKey: Sekvensiellt anrop ej tillåten"},
      {isam_error::kNetwork, "InitIsam:"},
      {10315, "ExitIsam:"},
      {10322, "CloseFileBlock: Misslyckat försök att avlägsna läslåset"},
      {10330, "LockFileBlock: Misslyckat försök att låsa filblock"},
      {10400, "Rebuild: Kan ej finna filen"},
      {10401, "Rebuild: Minnesbrist för interna buffertar"},
      {10402, "Rebuild: Dataposten större än 65535"},
      {isam_error::kReorgFileNotFound, "Reorg: Kan ej finna filen"},
      {10411, "Reorg: Minnesbrist för interna buffertar"},
      {10412, "Reorg: Dataposten större än 65535"},
  };
  return entries;
}

std::string g_buffer;
std::string g_status;

std::string cut(std::string_view text, std::size_t max) {
  return std::string(text.substr(0, max));
}

// The number right-aligned in `width` positions, the sign next to the digits.
std::string rightAligned(int number, int width) {
  std::string digits = std::to_string(number);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), ' ');
  return digits;
}

bool hasDosNordicLetter(std::string_view text) {
  return text.find_first_of(std::string_view("\x8F\x8E\x99\x86\x84\x94")) != std::string_view::npos;
}

}  // namespace

std::string MessageText(int number) {
  std::string text;
  const auto& entries = catalogue();
  if (auto it = entries.find(number); it != entries.end()) text = Utf8ToCp1252(it->second);
  if (number >= 9500 && number <= 10499) {
    if (number == 9500) {
      text = "IOresult=" + rightAligned(0, 3);
    } else if (text.empty()) {
      text = "errornr=" + rightAligned(number, 6);
    }
    text = "Btree: " + text;
  }
  if (text.empty()) text = W("Okänt nummer i msgtextanrop= ") + rightAligned(number, 6);
  return cut(text, kMessageTextMax);
}

Answer ShowMessage(int number, std::string_view rawText) {
  std::string text(rawText);
  if (hasDosNordicLetter(text)) text = DosToWin(text);
  const int kind = number / 100;
  switch (kind) {
    case 0:
      g_status = text;
      Ui().setStatus(text);
      return Answer::Ok;
    case 1:
      return Ui().showMessage(MessageKind::Question, "??", text);
    case 2:
      return Ui().showMessage(MessageKind::Warning, "info", text);
    case 3:
      return Ui().showMessage(MessageKind::AbortRetryIgnore, "error", text);
    default:
      // Negative numbers (kind below 0) have no dialog of their own; they are errors too.
      if (kind < 0) {
        g_status = text;
        Ui().setStatus(text);
        return Answer::Ok;
      }
      return Ui().showMessage(MessageKind::Error, "error", text);
  }
}

void ShowInfo(std::string_view text) {
  Ui().showMessage(MessageKind::Information, "info", std::string(text));
}

void ShowStatus(std::string_view text) {
  g_status = std::string(text);
  Ui().setStatus(g_status);
}

bool Ask(int number) {
  const int lastTwo = (number < 0 ? -number : number) % 100;
  int textNumber = 0;
  switch (lastTwo) {
    case 7:
      textNumber = msg::kDataFilesMissing;
      break;
    case 31:
      textNumber = msg::kFilesOpen;
      break;
    case 33:
      textNumber = msg::kFilesClosed;
      break;
    case 36:
      textNumber = msg::kPrintDone;
      break;
    case 39:
      textNumber = msg::kNoDatabase;
      break;
    default:
      break;
  }
  if (textNumber != 0) SetMessageBuffer(MessageText(textNumber));
  const Answer a = ShowMessage(number, g_buffer);
  return a == Answer::Ok || a == Answer::Yes || a == Answer::Retry || a == Answer::Ignore;
}

const std::string& MessageBuffer() {
  return g_buffer;
}
void SetMessageBuffer(std::string_view text) {
  g_buffer = text;
}
void AppendMessageBuffer(std::string_view text) {
  g_buffer += text;
}

const std::string& StatusMessage() {
  return g_status;
}

}  // namespace liga
