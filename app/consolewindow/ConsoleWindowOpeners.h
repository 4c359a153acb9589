#pragma once

class QString;
class TMainForm;

// The Server Screen page's ways to open a console window on one of the listed screens of the chosen server:
// a double click on the screen, the list's context menu ("Open console window"), and Ctrl+N on the page (for
// the selected screen). They open through the program's ConsoleWindows; without one they do nothing.
void BindConsoleWindowOpeners(TMainForm& form);

// Opens a console window on the server's screen (the first one when screen is empty): what the server
// list's context menu calls for an attached server. False when it could not be opened.
bool OpenConsoleWindow(const QString& server, const QString& screen);
