// Messages the mime tests generate: every case the import must handle (charsets, encodings,
// bodies, inline images, attachments, attached messages, S/MIME, TNEF, .emlx, bad input),
// written as the bytes a mail client would have saved.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace mailferry::mime::testing {

std::string base64(const std::string& bytes, std::size_t lineLength = 76);
// Deterministic pseudo-random bytes (a stand-in for image or archive data).
std::string binaryBytes(std::size_t size, unsigned seed);

// Bytes the corpus puts in its attachments, for comparison.
extern const std::string kPngBytes;
extern const std::string kPdfBytes;
extern const std::string kUnreferencedPngBytes;
extern const std::string kThreadIndex;  // the envelope message's conversation index

// The named messages of the corpus. Texts use "\n" line ends unless a case needs CRLF.
std::string envelopeMessage();  // full header set, QP UTF-8 text body
std::string latin1QuotedPrintable();
std::string koi8rBase64();
std::string shiftJis8bit();
std::string gb2312HtmlOnly();
std::string alternativeRelatedMixed();  // plain + related HTML with inline image, files
std::string nestedMessages();           // message/rfc822 in message/rfc822
std::string tnefMessage();
std::string smimeClearSigned();
std::string undisclosedNoDate();
std::string undeclaredUtf8();
std::string undeclared1252();
std::string emlxOf(const std::string& message, long countAdjust = 0);

struct CorpusFile {
  std::string relativePath;
  std::string bytes;
};
// The corpus as files under a folder tree, one file per case above.
std::vector<CorpusFile> corpusFiles();
void writeFile(const std::filesystem::path& path, const std::string& bytes);
void writeCorpus(const std::filesystem::path& folder);

using mailferry::testing::TempFolder;

}  // namespace mailferry::mime::testing
