// The source list of both conversion windows: the folder command that fills the grid
// grdFiles1 from a folder search, the counter beside it, and the window's load step.
#pragma once

#include <string>

#include "sources/ConversionWindow.h"

namespace mailferry::sources {

inline constexpr int kListedColumnTwips = 10000;  // column 0 once the first file is listed
inline constexpr int kLoadedColumnTwips = 50000;  // column 0 after Form_Load

// The folder command: choose a folder, search it, append the files that match the window.
void CmdAddFolder_Click(ConversionWindow& window);

// Appends one path to the list and updates the counter.
void AddFileToList(ConversionWindow& window, const std::string& path);

// The window's load step: sets the width of the grid's column 0.
void Form_Load(ConversionWindow& window);

// The window's texts and tests, exposed for the windows and the command-line program.
std::string emptyCountCaption();                   // "0 files"
std::string counterWording(WindowKind kind);       // " Email Messages" / " Contacts"
std::string foundMessageWording(WindowKind kind);  // " Email Messages Found." / " Contacts Found."
bool matchesSourceExtension(WindowKind kind, const std::string& path);
// Where the email window's folder browser starts: a Windows Live Mail or Windows Mail
// store folder under the user profile, or empty text.
std::string emailStartFolder();

}  // namespace mailferry::sources
