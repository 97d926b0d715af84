// The modal dialogs and shell services behind replaceable function objects, so that tests
// and the command-line program can answer them without a display.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace mailferry::sources {

// The title of every message box that does not name its own.
inline constexpr std::string_view kApplicationTitle = "Kestrolin Mailferry";

// An owner window for a dialog, opaque below app/ (the Qt windows pass their QWidget*).
using OwnerHandle = void*;

enum class MessageIcon { None, Critical, Question, Exclamation, Information };

// What a caller asks of the folder browser.
struct FolderRequest {
  OwnerHandle owner = nullptr;
  std::string startFolder;  // preselected when not empty
  std::string title;
  bool includeFiles = false;
  bool newStyle = false;
};

struct Dialogs {
  // Returns the chosen folder's full path, or empty text when the user cancels.
  std::function<std::string(const FolderRequest&)> browseForFolder;
  // A modal message box with an OK button.
  std::function<void(const std::string& text, const std::string& title, MessageIcon icon)>
      messageBox;
  // Opens a document or web address with its associated program; reports nothing.
  std::function<void(const std::string& target)> shellOpen;
};

// The process-wide services. Until something is installed: the folder browser answers
// empty text, a message box is printed to stderr, and shell open does nothing.
Dialogs& dialogs();

// Installs replacements for the lifetime of the object and restores the previous services
// afterwards. Members left empty in the replacement keep the services installed before.
class ScopedDialogs {
 public:
  explicit ScopedDialogs(Dialogs replacement);
  ~ScopedDialogs();
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;

 private:
  Dialogs previous_;
};

}  // namespace mailferry::sources
