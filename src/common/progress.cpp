#include "common/progress.h"

#include "common/encoding.h"
#include "common/ui_port.h"

namespace liga {
namespace {
int g_depth = 0;
bool g_abort = false;
}  // namespace

int ProgressRowOfLine(int line) {
  return (line - 2) % kProgressRows + 1;
}

bool OpenProgress(std::string_view title, int lines, bool cancellable) {
  if (g_depth >= kMaxProgressWindows) return false;
  if (g_depth == 0) g_abort = false;
  Ui().progressOpened(g_depth, DosToWin(title), lines, cancellable);
  ++g_depth;
  Ui().processPendingInput();
  return true;
}

void ProgressLine(int line, std::string_view text) {
  if (g_depth == 0 || g_abort) return;
  const int row = ProgressRowOfLine(line);
  if (row < 0) return;
  Ui().progressRow(g_depth - 1, row, DosToWin(text));
  Ui().processPendingInput();
}

void CloseProgress() {
  if (g_depth == 0) return;
  --g_depth;
  Ui().progressClosed(g_depth);
}

int OpenProgressWindows() {
  return g_depth;
}

bool ProgressAborted() {
  return g_abort;
}
void CancelProgress() {
  g_abort = true;
}
void ClearProgressAbort() {
  g_abort = false;
}

}  // namespace liga
