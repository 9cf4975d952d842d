#include "common/ui_port.h"

namespace liga {
namespace {

class SilentUi final : public UiPort {
 public:
  Answer showMessage(MessageKind kind, const std::string&, const std::string&) override {
    switch (kind) {
      case MessageKind::Question:
        return Answer::No;
      case MessageKind::AbortRetryIgnore:
        return Answer::Abort;
      default:
        return Answer::Ok;
    }
  }
  void setStatus(const std::string&) override {}
  void progressOpened(int, const std::string&, int, bool) override {}
  void progressRow(int, int, const std::string&) override {}
  void progressClosed(int) override {}
  std::optional<std::string> pickOpenFile(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> pickSaveFile(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> pickFolder(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void beep(int, int) override {}
};

SilentUi g_silent;
UiPort* g_port = nullptr;

}  // namespace

UiPort& Ui() {
  return g_port ? *g_port : g_silent;
}

UiPort* SetUi(UiPort* port) {
  UiPort* previous = g_port;
  g_port = port;
  return previous;
}

}  // namespace liga
