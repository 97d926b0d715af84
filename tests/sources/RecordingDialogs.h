// Recording stand-ins for the modal dialogs and the shell, installed for one test.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "sources/Dialogs.h"

namespace mailferry::sources::testing {

struct ShownMessage {
  std::string text;
  std::string title;
  MessageIcon icon;
};

class RecordingDialogs {
 public:
  RecordingDialogs() : scope_(makeDialogs()) {}

  // The folder browser answers these in turn, then cancels.
  std::deque<std::string> browseAnswers;
  std::vector<FolderRequest> browseRequests;
  std::vector<ShownMessage> messages;
  std::vector<std::string> opened;

 private:
  Dialogs makeDialogs() {
    Dialogs d;
    d.browseForFolder = [this](const FolderRequest& request) {
      browseRequests.push_back(request);
      if (browseAnswers.empty()) return std::string();
      std::string answer = browseAnswers.front();
      browseAnswers.pop_front();
      return answer;
    };
    d.messageBox = [this](const std::string& text, const std::string& title, MessageIcon icon) {
      messages.push_back({text, title, icon});
    };
    d.shellOpen = [this](const std::string& target) { opened.push_back(target); };
    return d;
  }

  ScopedDialogs scope_;
};

}  // namespace mailferry::sources::testing
