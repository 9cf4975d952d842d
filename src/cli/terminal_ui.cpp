#include "cli/terminal_ui.h"

#include <unistd.h>

#include <iostream>
#include <string>

#include "common/encoding.h"

namespace liga::cli {

TerminalUi::TerminalUi(std::istream& in, std::ostream& err, int answer, bool quiet,
                       bool interactive)
    : m_in(in), m_err(err), m_answer(answer), m_quiet(quiet), m_interactive(interactive) {}

Answer TerminalUi::ask(const std::string& text) {
  const std::string shown = Cp1252ToUtf8(text);
  if (m_answer != 0) {
    if (!m_quiet) m_err << "?? " << shown << (m_answer > 0 ? " [ja]" : " [nej]") << "\n";
    return m_answer > 0 ? Answer::Yes : Answer::No;
  }
  if (!m_interactive && m_quiet) {
    // Quiet: no question, only the error it leads to.
    m_err << "fel: frågan \"" << shown
          << "\" kan inte besvaras utan terminal (använd --yes eller --no)\n";
    m_unanswered = true;
    return Answer::No;
  }
  if (!m_interactive) {
    m_err << "?? " << shown
          << "\nFrågan kan inte besvaras utan terminal; svaret blir Nej (använd --yes eller "
             "--no).\n";
    m_unanswered = true;
    return Answer::No;
  }
  for (;;) {
    m_err << "?? " << shown << " (j/n) " << std::flush;
    std::string line;
    if (!std::getline(m_in, line)) return Answer::No;
    if (line == "j" || line == "J" || line == "ja" || line == "y") return Answer::Yes;
    if (line == "n" || line == "N" || line == "nej") return Answer::No;
  }
}

Answer TerminalUi::showMessage(MessageKind kind, const std::string&, const std::string& text) {
  switch (kind) {
    case MessageKind::Question:
      return ask(text);
    case MessageKind::Information:
      // Reports of work done (an import's comments and line count) are for the window; the
      // command prints its own result.
      if (m_verbose) m_err << Cp1252ToUtf8(text) << "\n";
      return Answer::Ok;
    case MessageKind::Warning:
      if (!m_quiet) m_err << Cp1252ToUtf8(text) << "\n";
      return Answer::Ok;
    case MessageKind::AbortRetryIgnore:
      m_err << "fel: " << Cp1252ToUtf8(text) << "\n";
      return Answer::Abort;
    case MessageKind::Error:
    case MessageKind::Status:
      break;
  }
  m_err << "fel: " << Cp1252ToUtf8(text) << "\n";
  return Answer::Ok;
}

void TerminalUi::setStatus(const std::string& text) {
  // Status lines ("Filerna öppna....") are the window's; a terminal shows them on request.
  if (m_verbose && !text.empty()) m_err << Cp1252ToUtf8(text) << "\n";
}

void TerminalUi::progressOpened(int, const std::string&, int, bool) {}
void TerminalUi::progressRow(int, int, const std::string&) {}
void TerminalUi::progressClosed(int) {}

std::optional<std::string> TerminalUi::pickOpenFile(const std::string&, const std::string&,
                                                    const std::string&) {
  return std::nullopt;
}
std::optional<std::string> TerminalUi::pickSaveFile(const std::string&, const std::string&,
                                                    const std::string&) {
  return std::nullopt;
}
std::optional<std::string> TerminalUi::pickFolder(const std::string&, const std::string&) {
  return std::nullopt;
}

void TerminalUi::showText(const std::string&, const std::vector<std::string>& lines) {
  // A text window (the import log) is kept in its file; the terminal shows it on request.
  if (!m_verbose) return;
  std::ostream& out = m_out ? *m_out : m_err;
  for (const auto& line : lines) out << Cp1252ToUtf8(line) << "\n";
}

void TerminalUi::beep(int, int) {
  if (isatty(STDERR_FILENO)) m_err << '\a' << std::flush;
}

}  // namespace liga::cli
