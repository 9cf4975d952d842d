// Leak-checker suppressions for the window tests: fontconfig keeps its configuration cache
// for the life of the process and never frees it; nothing of ours is suppressed.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
