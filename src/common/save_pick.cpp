#include "common/save_pick.h"

#include <filesystem>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/ui_port.h"

namespace liga {

namespace fs = std::filesystem;

std::optional<std::string> PickSaveFile(const std::string& title, const std::string& startPath,
                                        const std::string& filter, const std::string& extension) {
  std::string start = startPath;
  for (;;) {
    const auto picked = Ui().pickSaveFile(title, start, filter);
    if (!picked || picked->empty()) return std::nullopt;
    fs::path path(*picked);
    if (!extension.empty() && !path.has_extension()) path += extension;
    std::error_code ec;
    if (!fs::exists(path, ec)) return path.string();
    // Asked through the port directly: a long path must reach the person uncut.
    const std::string question =
        W("Filen \"") + Utf8ToCp1252(path.string()) + W("\" finns redan.\nVill du ersätta den?");
    if (Ui().showMessage(MessageKind::Question, "??", question) == Answer::Yes)
      return path.string();
    start = path.string();
  }
}

std::string WrittenText(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return "skrev " + (ec ? path : absolute.lexically_normal().string());
}

void ReportWritten(const std::string& path) {
  ShowStatus(Utf8ToCp1252(WrittenText(path)));
}

}  // namespace liga
