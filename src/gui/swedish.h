// Swedish for Qt's own texts: the file and folder pickers, the print and preview dialogs and
// the standard buttons, so that no English appears in a window of the program.
#pragma once

class QCoreApplication;

namespace liga::gui {

// Loads Qt's Swedish catalogue (qt_sv, from the package qt6-translations-l10n, found through
// QLibraryInfo::TranslationsPath) and a small catalogue of our own for the standard button
// texts Qt 6 takes from its platform theme, which that catalogue lacks. Returns whether Qt's
// catalogue was found; the button texts are Swedish either way. Call once, after the
// application object exists.
bool InstallSwedishTranslations(QCoreApplication& app);

}  // namespace liga::gui
