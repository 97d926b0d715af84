// The process-wide dialog services and their scoped replacement.
#include "sources/Dialogs.h"

#include <iostream>

namespace mailferry::sources {

namespace {

Dialogs makeDefaults() {
  Dialogs d;
  d.browseForFolder = [](const FolderRequest&) { return std::string(); };
  d.messageBox = [](const std::string& text, const std::string& title, MessageIcon) {
    std::cerr << title << ": " << text << '\n';
  };
  d.shellOpen = [](const std::string&) {};
  return d;
}

}  // namespace

Dialogs& dialogs() {
  static Dialogs instance = makeDefaults();
  return instance;
}

ScopedDialogs::ScopedDialogs(Dialogs replacement) : previous_(dialogs()) {
  Dialogs& current = dialogs();
  if (replacement.browseForFolder) current.browseForFolder = std::move(replacement.browseForFolder);
  if (replacement.messageBox) current.messageBox = std::move(replacement.messageBox);
  if (replacement.shellOpen) current.shellOpen = std::move(replacement.shellOpen);
}

ScopedDialogs::~ScopedDialogs() {
  dialogs() = std::move(previous_);
}

}  // namespace mailferry::sources
