// The command line of mailferry-convert: arguments, the search, the run, the exit status.
#include "cli/ConvertCommand.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <deque>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "MailferryVersion.h"
#include "cli/StopSignals.h"
#include "cli/TerminalProgress.h"
#include "cli/TerminalWindow.h"
#include "contacts/ContactsRun.h"
#include "email/EmailRun.h"
#include "sources/Dialogs.h"
#include "sources/FsPath.h"
#include "sources/RunRequest.h"
#include "sources/SkippedFolders.h"
#include "sources/SourceList.h"
#include "store/RunSummary.h"
#include "store/StoreCreationError.h"

namespace mailferry::cli {

namespace {

constexpr const char* kHelp =
    "Usage: mailferry-convert emails SOURCE_DIR OUTPUT_DIR [--quiet]\n"
    "       mailferry-convert contacts SOURCE_DIR OUTPUT_DIR [--quiet]\n"
    "       mailferry-convert --help | --version\n"
    "\n"
    "Searches SOURCE_DIR and every folder below it for message files (.eml, .emlx) or\n"
    "Windows Contacts files (.contact) and converts them into a new PST file in OUTPUT_DIR,\n"
    "named after the date and time (Kestrolin7.12.26 8.5.09.pst, WindowsContacts7.12.26\n"
    "8.5.09.pst). Messages land in a folder tree that repeats the folders the files came\n"
    "from; contacts land in the Contacts folder. OUTPUT_DIR is created when missing.\n"
    "\n"
    "Progress, the number of files found and the closing summary go to standard error; the\n"
    "path of the new PST file is the last line of standard output. On a terminal the\n"
    "progress is one line that updates in place (files done, percentage, rate, time left);\n"
    "otherwise each step and each tenth of the work is a line of its own.\n"
    "\n"
    "Options:\n"
    "  -q, --quiet  print only the path of the new PST file and the errors: the files not\n"
    "               converted, the folders not searched and why nothing was made\n"
    "      --commit-interval=SECONDS\n"
    "               commit the PST file once SECONDS have passed since its last commit,\n"
    "               so that a crash loses at most about that much work (default 3; 0:\n"
    "               only every 10,000 items or 256 MB, for measuring what it costs)\n"
    "  -h, --help   print this help\n"
    "      --version print the version\n"
    "\n"
    "Exit status:\n"
    "  0  every file was converted\n"
    "  1  some files could not be converted, or some folders could not be searched (each\n"
    "     is named on standard error), or no file matched (then no PST file is made), or\n"
    "     the run was stopped (Ctrl+C or SIGTERM: the PST keeps what was converted), or\n"
    "     the finished PST file could not take its final name (it keeps its name ending\n"
    "     in \"(incomplete).pst\", printed as the path; \"not renamed\" says why)\n"
    "  2  bad arguments, or the PST file could not be made or written (the disk is full):\n"
    "     the cause is on standard error\n";

namespace fs = std::filesystem;

fs::path absoluteFolder(const std::string& text) {
  std::error_code ec;
  fs::path path = fs::absolute(sources::toFsPath(text), ec);
  if (ec) path = sources::toFsPath(text);
  return path.lexically_normal();
}

int usageError(std::FILE* err, const std::string& message) {
  std::fprintf(err, "mailferry-convert: %s\n\n%s", message.c_str(), kHelp);
  return kExitUsage;
}

int fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "mailferry-convert: %s\n", message.c_str());
  return kExitUsage;
}

// Every folder the search left out, one line each (the messages name only the first few).
// Quiet, only the unreadable ones: the links not followed are notes.
void nameSkippedFolders(const std::vector<sources::SkippedFolder>& skipped, bool quiet,
                        std::FILE* err) {
  for (const sources::SkippedFolder& folder : skipped) {
    const bool unreadable = folder.kind == sources::SkippedFolder::Kind::Unreadable;
    if (quiet && !unreadable) continue;
    std::fprintf(err, "%s: %s: %s\n", unreadable ? "not searched" : "not followed",
                 folder.path.c_str(), folder.reason.c_str());
  }
}

using Run = store::RunResult (*)(const sources::RunRequest&, sources::RunProgress&);

// What the options change.
struct Options {
  bool quiet = false;
  std::optional<std::chrono::milliseconds> commitInterval;  // empty: the engine's default
};

// "--commit-interval=SECONDS": a number of seconds, fractions allowed, at most a day.
std::optional<std::chrono::milliseconds> parseSeconds(std::string_view text) {
  double seconds = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || !(seconds >= 0) ||
      seconds > 86400)
    return std::nullopt;
  return std::chrono::milliseconds(std::llround(seconds * 1000));
}

int convertFolder(sources::WindowKind kind, Run run, store::ItemWords words, const fs::path& source,
                  const fs::path& output, const Options& options, std::FILE* out, std::FILE* err) {
  const bool quiet = options.quiet;
  TerminalWindow window(kind, err, quiet);
  std::deque<std::string> answers{sources::fromFsPath(source)};
  sources::Dialogs answered;
  answered.browseForFolder = [&answers](const sources::FolderRequest&) {
    if (answers.empty()) return std::string();
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  };
  answered.messageBox = [&window](const std::string& text, const std::string& title,
                                  sources::MessageIcon) { window.showMessage(text, title); };
  answered.shellOpen = [](const std::string&) {};
  const sources::ScopedDialogs scope(answered);

  sources::CmdAddFolder_Click(window);
  // The found-message has been shown; with nothing found there is nothing to convert.
  if (!window.convertEnabled()) {
    nameSkippedFolders(window.skippedFolders().all(), quiet, err);
    if (quiet) {
      std::fprintf(err, "mailferry-convert: no %s file found in %s\n",
                   kind == sources::WindowKind::Email ? "message" : "contact",
                   source.string().c_str());
    }
    return kExitSomeFailed;
  }

  std::error_code ec;
  bool createdOutput = false;
  if (!fs::exists(output, ec)) {
    createdOutput = fs::create_directories(output, ec);
    if (ec)
      return fail(err, "cannot create the output folder " + output.string() + ": " + ec.message());
  }

  const sources::RunRequest request{kind, window.listed(), sources::fromFsPath(output),
                                    window.skippedFolders().all(), options.commitInterval};
  store::RunResult result;
  {
    TerminalProgress progress(kind, err, quiet);
    const StopSignals stopSignals;
    result = run(request, progress);
  }
  const store::RunTally& tally = result.tally;
  const bool finished = result.outcome == store::RunResult::Outcome::Finished;
  if (finished) {
    window.showMessage(store::summarizeRun(tally, words).text,
                       std::string(sources::kApplicationTitle));
  } else {
    window.showMessage(store::storeCreationErrorText(tally.storeError),
                       std::string(sources::kApplicationTitle));
  }
  if (!finished) {
    // The failed run removed what it made; the folder made for it goes too.
    if (createdOutput) fs::remove(output, ec);
    return fail(err, "no PST file was made" +
                         (tally.storeError.empty() ? std::string() : ": " + tally.storeError));
  }
  for (const store::FailedFile& failure : tally.failures) {
    std::fprintf(err, "not converted: %s: %s\n", failure.path.c_str(), failure.cause.c_str());
  }
  for (const store::FailedFile& loss : tally.contentLost) {
    std::fprintf(err, "content left out: %s: %s\n", loss.path.c_str(), loss.cause.c_str());
  }
  const bool renamed = tally.notRenamed.finalPath.empty();
  if (!renamed) {
    // The complete file kept its working name, the path printed below.
    std::fprintf(err, "not renamed: %s: %s\n", tally.notRenamed.finalPath.c_str(),
                 tally.notRenamed.cause.c_str());
  }
  if (!tally.storeError.empty()) {
    // The run stopped: the PST file holds what was saved before, or was removed.
    if (!tally.pstRemoved) std::fprintf(out, "%s\n", tally.pstPath.c_str());
    std::fflush(out);
    return fail(err, "the run stopped: " + tally.storeError);
  }
  nameSkippedFolders(tally.skippedFolders, quiet, err);
  std::fprintf(out, "%s\n", tally.pstPath.c_str());
  std::fflush(out);
  const bool complete = tally.failures.empty() && !tally.stopped && renamed &&
                        sources::countUnreadable(tally.skippedFolders) == 0;
  return complete ? kExitConverted : kExitSomeFailed;
}

}  // namespace

int convertMain(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err) {
  std::vector<std::string> args;
  Options options;
  constexpr std::string_view kCommitInterval = "--commit-interval=";
  for (const std::string& argument : arguments) {
    if (argument == "--quiet" || argument == "-q") {
      options.quiet = true;
    } else if (argument.starts_with(kCommitInterval)) {
      options.commitInterval =
          parseSeconds(std::string_view(argument).substr(kCommitInterval.size()));
      if (!options.commitInterval)
        return usageError(err, "--commit-interval takes a number of seconds (0 to 86400)");
    } else {
      args.push_back(argument);
    }
  }
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kHelp, out);
    return kExitConverted;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::fprintf(out, "mailferry-convert %s\n", kVersion);
    return kExitConverted;
  }
  if (args.size() != 3) return usageError(err, "expected a kind, a source and an output folder");
  const std::string& kind = args[0];
  if (kind != "emails" && kind != "contacts") {
    return usageError(err, "unknown kind \"" + kind + "\" (emails or contacts)");
  }
  const fs::path source = absoluteFolder(args[1]);
  const fs::path output = absoluteFolder(args[2]);
  std::error_code ec;
  if (!fs::is_directory(source, ec)) {
    return fail(err, "the source folder " + args[1] + " does not exist or is no folder");
  }
  if (fs::exists(output, ec) && !fs::is_directory(output, ec)) {
    return fail(err, "the output path " + args[2] + " exists and is no folder");
  }
  if (kind == "contacts") {
    return convertFolder(sources::WindowKind::Contacts, contacts::convertContacts,
                         contacts::kContactWords, source, output, options, out, err);
  }
  return convertFolder(sources::WindowKind::Email, email::convertEmails, email::kMessageWords,
                       source, output, options, out, err);
}

}  // namespace mailferry::cli
