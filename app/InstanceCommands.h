#pragma once

#include "app/SingleInstance.h"

#include <QString>

namespace kestrin {

class CMainWnd;

// Runs one command of the instance socket on the main window and answers it (see
// SingleInstance for the commands). While a dialog or library window waits for the user,
// commands that would change what it edits (use, apply, menu items but exit) are answered
// "busy" and change nothing.
void RunInstanceCommand(
    CMainWnd& mainWindow, const QString& command, const SingleInstance::Reply& reply);

// Posts a menu item to the main window, as the tray menu does; false when it cannot.
bool PostMenuCommand(CMainWnd& mainWindow, const QString& item);

} // namespace kestrin
