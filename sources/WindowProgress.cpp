// Progress on a conversion window.
#include "sources/WindowProgress.h"

namespace mailferry::sources {

void WindowProgress::started(const std::string&, std::size_t files) {
  files_ = files;
}

void WindowProgress::stepAt(RunStep step, const std::string& folder, std::ptrdiff_t index) {
  if (index >= 0) makeCurrent(static_cast<std::size_t>(index));
  window_.setCurrentCaption(statusCaption(window_.kind(), step, folder));
}

void WindowProgress::fileStarted(std::size_t index) {
  makeCurrent(index);
}

void WindowProgress::fileConverted(const FileReport& file) {
  showDone(file);
}

void WindowProgress::fileFailed(const FileReport& file, const std::string&) {
  showDone(file);  // the closing summary names the failures
}

void WindowProgress::yield() {
  window_.yield();
}

void WindowProgress::makeCurrent(std::size_t index) {
  window_.setGridRow(static_cast<int>(index));
  window_.setGridCol(0);
}

void WindowProgress::showDone(const FileReport& file) {
  // The labels name the file just taken in hand; the last file brings the bar to 100.
  window_.setConvertEnabled(false);
  window_.setCurrentCaption(statusCaption(window_.kind(), RunStep::Converting, file.folderText));
  window_.setProgressCaption(file.fileText);
  const double percent =
      (static_cast<double>(file.index) + 1.0) / static_cast<double>(files_) * 100.0;
  window_.setProgressValue(static_cast<float>(percent));
}

}  // namespace mailferry::sources
