// Pictures of the window and its main dialogs for the documentation.
#pragma once

#include <string>

namespace liga::gui {

class TMainForm;

// Writes main.png of `form` into `dir`; with `dialogs` also konfig.png (the configuration
// dialog), sendemail.png and sendemail-server.png (the e-mail window) and, when a
// competition with matches is open, lottn.png (the scheduling dialog) and angra.png (the
// "redigera" menu naming a result stored through the window and then undone).
void WriteScreenshots(TMainForm& form, const std::string& dir, bool dialogs);

}  // namespace liga::gui
