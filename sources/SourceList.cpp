// The source list of both conversion windows: folder command, list, counter, load step.
#include "sources/SourceList.h"

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "sources/PathSeparator.h"
#include "sources/Text.h"
#include "sources/pathLogger.h"
#include "sources/registry.h"

namespace mailferry::sources {

namespace {

// Shows the busy pointer for the life of the object, also when the search throws.
class BusyPointer {
 public:
  explicit BusyPointer(ConversionWindow& window) : window_(window) { window_.setBusy(true); }
  ~BusyPointer() { window_.setBusy(false); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  ConversionWindow& window_;
};

std::string joinPath(std::string base, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    base += kPathSeparator;
    base += name;
  }
  return base;
}

std::string userProfile() {
  if (const char* profile = std::getenv("userprofile")) return profile;
#ifndef _WIN32
  if (const char* home = std::getenv("HOME")) return home;
#endif
  return {};
}

constexpr char kRefusedFolderMessage[] = "Please Select Correct Store Folder.";

// One message for the whole search: the count, then the folders left out and why.
std::string foundMessage(WindowKind kind, int found, const std::vector<SkippedFolder>& skipped,
                         bool startRefused) {
  std::string text = std::to_string(found) + foundMessageWording(kind);
  const std::string skippedText = describeSkippedFolders(skipped);
  if (!skippedText.empty()) text += "\n\n" + skippedText;
  if (startRefused) text += std::string("\n\n") + kRefusedFolderMessage;
  return text;
}

MessageIcon foundMessageIcon(const std::vector<SkippedFolder>& skipped) {
  if (skipped.empty()) return MessageIcon::None;
  return countUnreadable(skipped) > 0 ? MessageIcon::Exclamation : MessageIcon::Information;
}

}  // namespace

std::string emptyCountCaption() {
  return "0 files";
}

std::string counterWording(WindowKind kind) {
  return kind == WindowKind::Email ? " Email Messages" : " Contacts";
}

std::string foundMessageWording(WindowKind kind) {
  return kind == WindowKind::Email ? " Email Messages Found." : " Contacts Found.";
}

bool matchesSourceExtension(WindowKind kind, const std::string& path) {
  const std::string name = asciiLower(trimSpaces(path));
  const std::string_view text(name);
  if (kind == WindowKind::Email) return text.ends_with(".eml") || text.ends_with(".emlx");
  return text.ends_with(".contact");
}

std::string emailStartFolder() {
  const std::string profile = userProfile();
  // Without a profile the candidates would sit at the file-system root: offer none.
  if (profile.empty()) return {};
  const std::string candidates[] = {
      joinPath(profile, {"AppData", "Local", "Microsoft", "Windows Live Mail"}),
      joinPath(profile, {"AppData", "Local", "Microsoft", "Windows Mail"}),
      joinPath(profile, {"Local Settings", "Application Data", "Microsoft", "Windows Live Mail"}),
      joinPath(profile, {"Local Settings", "Application Data", "Microsoft", "Windows Mail"}),
  };
  for (const std::string& candidate : candidates) {
    if (registry::PathExists(candidate, true)) return candidate + kPathSeparator;
  }
  return {};
}

void AddFileToList(ConversionWindow& window, const std::string& path) {
  window.yield();
  if (window.gridRows() == 1 && window.gridText(0, 0).empty()) {
    window.setGridRows(1);
    window.setGridCols(1);
    window.setGridFixedRows(0);
    window.setGridColWidth(0, kListedColumnTwips);
    window.setGridText(0, 0, path);
  } else {
    const int row = window.gridRows();
    window.setGridRows(row + 1);
    window.setGridText(row, 0, path);
  }
  window.yield();
  window.setCountCaption(std::to_string(window.gridRows()) + counterWording(window.kind()));
}

void CmdAddFolder_Click(ConversionWindow& window) {
  const WindowKind kind = window.kind();
  const std::string start = kind == WindowKind::Email ? emailStartFolder() : std::string();
  std::string chosen = registry::BrowseForFolder(
      window.owner(), start, std::string(registry::kBrowseFolderTitle), false, false);
  if (chosen.empty()) return;
  if (!endsWithSeparator(chosen, kPathSeparator)) chosen += kPathSeparator;

  int found = 0;
  std::vector<SkippedFolder> skipped;
  bool startRefused = false;
  {
    BusyPointer busy(window);
    std::shared_ptr<pathLogger::StringList> files;
    {
      pathLogger logger([&window] { window.yield(); });
      logger.PathLogInit();
      logger.fullFileNamesOnly(true);
      logger.LogPath(chosen);
      files = logger.fullFileNames();
      skipped = logger.skippedFolders();
      startRefused = logger.startFolderRefused();
      logger.Terminate();
    }
    for (const std::string& file : *files) {
      window.yield();
      if (matchesSourceExtension(kind, file)) {
        window.yield();
        AddFileToList(window, file);
        ++found;
      }
    }
  }
  window.skippedFolders().add(skipped);
  window.setConvertEnabled(found > 0);
  dialogs().messageBox(foundMessage(kind, found, skipped, startRefused),
                       std::string(kApplicationTitle), foundMessageIcon(skipped));
}

void Form_Load(ConversionWindow& window) {
  window.setGridColWidth(0, kLoadedColumnTwips);
}

}  // namespace mailferry::sources
