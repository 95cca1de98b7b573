// The library window's Import and Export: other programs' code files into
// the library and remotes out to them (library/transfer.h does the work).
//
// An import shows its progress in a modeless dialog over the library
// window, which takes no input meanwhile; a worker thread reads the files
// and only posts to that dialog, which writes the remotes a few at a time
// between its messages. Cancel takes back everything the import wrote.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace library {
class Library;
struct Remote;
}

namespace frmLibraryFiles {

// Told when an import ends with the remotes it wrote (none when it
// wrote nothing) and the line that says how it went.
using Imported = std::function<void(const std::vector<int>& ids, const std::string& outcome)>;

// Library, Import files... and Import folder...: asks for what to import
// and starts the import over window; false when the user chose nothing.
bool importFiles(HWND window, library::Library* lib, const Imported& done);
bool importFolder(HWND window, library::Library* lib, const Imported& done);

// Whether an import's dialog is open (the library window takes no input).
bool busy();
// Brings the import's dialog to the front.
void bringForward();
// The import's dialog's keys (Tab, Enter, Escape) for the message loop.
bool isDialogMessage(MSG* msg);

// Library, Export...: the remotes, in a format and to a file the user
// chooses in a Save dialog. Returns what the status line says of it.
std::string exportRemotes(HWND window, const std::vector<library::Remote>& remotes);

}  // namespace frmLibraryFiles
