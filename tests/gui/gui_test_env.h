// What the window tests share: an offscreen QApplication and a fresh home with its own
// configuration and data folders for each test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>

#include "app/shell.h"
#include "gui/main_form.h"
#include "gui/qt_ui.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace liga::gui::testing {

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "gui_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return *app;
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    m_cwd = std::filesystem::current_path();
    setenv("HOME", m_dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_dir / "cfg").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", (m_dir / "docs").c_str(), 1);
    m_data = m_dir / "docs" / "LigaWin32" / "data";
    m_configFile = m_dir / "cfg" / "LigaWin32" / "LigaWin32.P32";
    // The program falls back to the directory it runs in when the saved one is gone.
    std::filesystem::current_path(m_dir);
    m_ui.setScripted(true);
    m_scoped = std::make_unique<ScopedUi>(m_ui);
  }
  void TearDown() override {
    m_form.reset();
    m_shell.reset();
    m_scoped.reset();
    std::filesystem::current_path(m_cwd);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DOCUMENTS_DIR");
  }

  // Starts the window as the program does.
  TMainForm& start() {
    m_shell = std::make_unique<Shell>();
    m_form = std::make_unique<TMainForm>(*m_shell, m_ui);
    m_form->FormCreate({});
    return *m_form;
  }

  template <typename T = QAction>
  T* control(const char* name) {
    T* c = m_form->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }

  liga::testing::TempDir m_dir{"gui"};
  std::filesystem::path m_cwd, m_data, m_configFile;
  QtUi m_ui;
  std::unique_ptr<ScopedUi> m_scoped;
  std::unique_ptr<Shell> m_shell;
  std::unique_ptr<TMainForm> m_form;
};

// The text of a PDF as pdftotext reads it ("" when it cannot be read).
inline std::string PdfText(const std::filesystem::path& pdf) {
  return liga::testing::RunSplit("pdftotext -layout '" + pdf.string() + "' -").out;
}

}  // namespace liga::gui::testing
