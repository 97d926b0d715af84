// What a conversion run tells its front end while it works. The runs report through this
// interface only; the windows and the terminal decide how to show it.
#pragma once

#include <cstddef>
#include <string>

#include "sources/ConversionWindow.h"

namespace mailferry::sources {

// The steps of a run. The email run goes through all four; the contacts run only converts.
enum class RunStep { ReadingFolders, PreparingFolders, CreatingFolders, Converting };

// One listed file taken in hand, with the texts the status labels show for it: the folder it
// lies in (without the drive) and its path after the drive.
struct FileReport {
  std::size_t index = 0;  // in the request's list
  std::string path;
  std::string folderText;
  std::string fileText;
};

class RunProgress {
 public:
  virtual ~RunProgress() = default;

  // The new PST file exists and the run is about to take its `files` listed files in hand.
  virtual void started(const std::string& pstPath, std::size_t files) = 0;
  // A step of the run is at a folder; `index` names the listed file it came from, when one did.
  virtual void stepAt(RunStep step, const std::string& folder, std::ptrdiff_t index) = 0;
  // The run is about to convert the listed file at `index`.
  virtual void fileStarted(std::size_t index) = 0;
  // The file became an item, or it did not and `reason` says why.
  virtual void fileConverted(const FileReport& file) = 0;
  virtual void fileFailed(const FileReport& file, const std::string& reason) = 0;
  // The run has ended; nothing more is reported.
  virtual void finished() = 0;
  // Lets the front end serve its events between items.
  virtual void yield() = 0;
  // Asked before each file: when the user has asked the run to stop (a closed window, Ctrl+C),
  // the run ends there, with the file at hand finished and everything saved committed.
  virtual bool stopRequested() const = 0;
};

// The status text the windows show for a step at a folder, by kind of run.
std::string statusCaption(WindowKind kind, RunStep step, const std::string& folder);

}  // namespace mailferry::sources
