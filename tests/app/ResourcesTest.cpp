// The Windows resources compiled by windres (manifest, icon, version record), the artwork
// in its fixed sizes, the help page as a real MHTML document, and the error numbering.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "MailferryVersion.h"
#include "app/HelpPage.h"
#include "app/UnexpectedError.h"
#include "tests/support/TempFolder.h"

namespace mailferry::app {
namespace {

namespace fs = std::filesystem;

fs::path sourceDir() {
  const char* dir = std::getenv("MAILFERRY_SOURCE_DIR");
  return dir ? fs::path(dir) : fs::path(".");
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint16_t u16(const std::string& b, size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b.at(at)) |
                                    static_cast<unsigned char>(b.at(at + 1)) << 8);
}
std::uint32_t u32(const std::string& b, size_t at) {
  return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2)) << 16;
}

std::string utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

// One resource of a .res file; only numeric types and names are used by our script.
struct Resource {
  int type;
  int name;
  int language;
  std::string data;
};

std::vector<Resource> parseRes(const std::string& b) {
  std::vector<Resource> out;
  size_t at = 0;
  while (at + 32 <= b.size()) {
    const std::uint32_t dataSize = u32(b, at);
    const std::uint32_t headerSize = u32(b, at + 4);
    size_t p = at + 8;
    auto ordinal = [&]() -> int {
      if (u16(b, p) != 0xFFFF) throw std::runtime_error("named resource in .res");
      const int value = u16(b, p + 2);
      p += 4;
      return value;
    };
    const int type = ordinal();
    const int name = ordinal();
    p = (p + 3) & ~size_t{3};
    const int language = u16(b, p + 6);
    if (dataSize > 0) out.push_back({type, name, language, b.substr(at + headerSize, dataSize)});
    at = (at + headerSize + dataSize + 3) & ~size_t{3};
  }
  return out;
}

class WindowsResourcesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<mailferry::testing::TempFolder>("res");
    res_ = *folder_ / "mailferry.res";
    coff_ = *folder_ / "mailferry.o";
    const fs::path rc = sourceDir() / "app" / "resources" / "mailferry.rc";
    // Without the cross compiler, the host's C preprocessor serves windres just as well.
    const std::string pre = std::system("command -v i686-w64-mingw32-gcc >/dev/null 2>&1") == 0
                                ? ""
                                : " --preprocessor=cpp --preprocessor-arg=-xc";
    const std::string base = "i686-w64-mingw32-windres" + pre + " -I '" +
                             rc.parent_path().string() + "' -I '" MAILFERRY_GENERATED_DIR "' '" +
                             rc.string() + "'";
    resStatus_ = std::system((base + " -O res -o '" + res_.string() + "'").c_str());
    coffStatus_ = std::system((base + " -O coff -o '" + coff_.string() + "'").c_str());
    resources_ = resStatus_ == 0 ? parseRes(readFile(res_)) : std::vector<Resource>{};
  }
  static void TearDownTestSuite() { folder_.reset(); }

  static const Resource* find(int type, int name) {
    for (const Resource& r : resources_) {
      if (r.type == type && r.name == name) return &r;
    }
    return nullptr;
  }

  static inline std::unique_ptr<mailferry::testing::TempFolder> folder_;
  static inline fs::path res_, coff_;
  static inline int resStatus_ = -1, coffStatus_ = -1;
  static inline std::vector<Resource> resources_;
};

TEST_F(WindowsResourcesTest, CompilesToResAndToACoffObjectWithAResourceSection) {
  ASSERT_EQ(resStatus_, 0);
  ASSERT_EQ(coffStatus_, 0);
  const std::string coff = readFile(coff_);
  EXPECT_EQ(u16(coff, 0), 0x014c) << "an i386 COFF object";
  EXPECT_NE(coff.find(".rsrc"), std::string::npos);
}

// The architecture is "*": a manifest naming x86 stops a 64-bit program from starting.
TEST_F(WindowsResourcesTest, ManifestBindsCommonControlsSixAndDeclaresDpiAwareness) {
  const Resource* manifest = find(24, 1);
  ASSERT_NE(manifest, nullptr);
  EXPECT_EQ(manifest->language, 0x0409);
  const std::string& xml = manifest->data;
  EXPECT_NE(
      xml.find(R"(<assemblyIdentity processorArchitecture="*" version="1.0.0.0" type="win32")"),
      std::string::npos);
  EXPECT_NE(xml.find("<description></description>"), std::string::npos);
  for (const char* attribute :
       {R"(name="Microsoft.Windows.Common-Controls")", R"(version="6.0.0.0")",
        R"(processorArchitecture="*")", R"(publicKeyToken="6595b64144ccf1df")", R"(language="*")",
        R"(type="win32")"}) {
    EXPECT_NE(xml.find(attribute, xml.find("<dependentAssembly>")), std::string::npos) << attribute;
  }
  // Per-monitor (v2) awareness, as Qt sets it itself, so that Qt does not try to change it.
  EXPECT_NE(xml.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(xml.find(">true/pm</dpiAware>"), std::string::npos);
}

TEST_F(WindowsResourcesTest, IconGroupHoldsFourSizesIn256Colours) {
  const Resource* group = find(14, 1);
  ASSERT_NE(group, nullptr);
  const std::string& g = group->data;
  ASSERT_EQ(u16(g, 2), 1) << "icon type";
  ASSERT_EQ(u16(g, 4), 4) << "four images";
  std::vector<int> sizes;
  for (int i = 0; i < 4; ++i) {
    const size_t e = 6 + 14 * static_cast<size_t>(i);
    sizes.push_back(static_cast<unsigned char>(g[e]));
    EXPECT_EQ(u16(g, e + 6), 8) << "8 bits per pixel";
    const Resource* image = find(3, u16(g, e + 12));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(u32(image->data, 0), 40u) << "a DIB with BITMAPINFOHEADER";
    EXPECT_EQ(u16(image->data, 14), 8);
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48}));
}

TEST_F(WindowsResourcesTest, VersionRecordCarriesVersionDescriptionAndLanguage) {
  const Resource* version = find(16, 1);
  ASSERT_NE(version, nullptr);
  const std::string& v = version->data;
  const size_t fixed = v.find(std::string("\xBD\x04\xEF\xFE", 4));
  ASSERT_NE(fixed, std::string::npos);
  // The project version: 5.2.0 is 5.2.0.0 in numbers and "5.02" in the strings.
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(kVersion, "%u.%u.%u", &major, &minor, &patch), 3);
  EXPECT_EQ(u32(v, fixed + 8), major << 16 | minor) << "file version major.minor";
  EXPECT_EQ(u32(v, fixed + 12), patch << 16) << "file version .patch.0";
  EXPECT_EQ(u32(v, fixed + 16), major << 16 | minor) << "product version";
  EXPECT_EQ(u32(v, fixed + 20), patch << 16);
  const std::string text =
      std::to_string(major) + (minor < 10 ? ".0" : ".") + std::to_string(minor);
  for (const std::string& expected :
       {std::string("040904b0"), std::string("FileDescription"),
        std::string("Convert Windows Mail Messages & Contacts"), text, std::string("Kestrolin"),
        std::string("Mailferry"), std::string("mailferry.exe")}) {
    EXPECT_NE(v.find(utf16(expected)), std::string::npos) << expected;
  }
  const size_t translation = v.find(utf16("Translation"));
  ASSERT_NE(translation, std::string::npos);
  const size_t value = (translation + utf16("Translation").size() + 2 + 3) & ~size_t{3};
  EXPECT_EQ(u16(v, value), 0x0409);
  EXPECT_EQ(u16(v, value + 2), 1200);
}

TEST(ArtworkTest, ImagesHaveTheirFixedSizes) {
  const fs::path images = sourceDir() / "app" / "resources" / "images";
  const struct {
    const char* file;
    int width, height;
  } expected[] = {
      {"banner.png", 199, 365},     {"hint.png", 16, 16},         {"bullet.png", 12, 11},
      {"link-pointer.png", 32, 32}, {"xpstyle.png", 54, 54},      {"mailferry-16.png", 16, 16},
      {"mailferry-24.png", 24, 24}, {"mailferry-32.png", 32, 32}, {"mailferry-48.png", 48, 48}};
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const auto name = "mailferry-" + std::to_string(size) + ".png";
    const QImage icon(QString::fromStdString((images / ".." / "icons" / name).string()));
    EXPECT_EQ(icon.size(), QSize(size, size)) << "desktop icon " << name;
  }
  for (const auto& e : expected) {
    const QImage image(QString::fromStdString((images / e.file).string()));
    ASSERT_FALSE(image.isNull()) << e.file;
    EXPECT_EQ(image.size(), QSize(e.width, e.height)) << e.file;
  }
  const QImage pointer(QString::fromStdString((images / "link-pointer.png").string()));
  EXPECT_EQ(pointer.pixelColor(12, 1).alpha(), 255) << "the fingertip is the hot spot";
  EXPECT_EQ(pointer.pixelColor(0, 31).alpha(), 0);
  const QImage xp(QString::fromStdString((images / "xpstyle.png").string()));
  EXPECT_FALSE(xp.hasAlphaChannel()) << "24-bit picture with a mask colour";
  EXPECT_EQ(xp.pixelColor(0, 0), QColor(255, 0, 255));
}

// Quoted-printable text as a reader sees it: soft breaks joined, =XX decoded.
std::string decodeQuotedPrintable(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '=') {
      out += text[i];
    } else if (text.compare(i + 1, 2, "\r\n") == 0) {
      i += 2;
    } else if (i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    }
  }
  return out;
}

TEST(HelpPageTest, IsAMultipartRelatedDocumentWithAnHtmlPart) {
  const std::string page = readFile(sourceDir() / "app" / "resources" / "show-hidden.mht");
  const size_t headerEnd = page.find("\r\n\r\n");
  ASSERT_NE(headerEnd, std::string::npos);
  const std::string header = page.substr(0, headerEnd);
  EXPECT_NE(header.find("MIME-Version: 1.0"), std::string::npos);
  EXPECT_NE(header.find("Content-Type: multipart/related;"), std::string::npos);
  const std::string marker = "boundary=\"";
  const size_t b = header.find(marker);
  ASSERT_NE(b, std::string::npos);
  const std::string boundary =
      header.substr(b + marker.size(), header.find('"', b + marker.size()) - b - marker.size());
  EXPECT_NE(page.find("\r\n--" + boundary + "\r\nContent-Type: text/html"), std::string::npos);
  EXPECT_NE(page.find("\r\n--" + boundary + "--"), std::string::npos);
  const size_t html = page.find("Content-Transfer-Encoding: quoted-printable");
  ASSERT_NE(html, std::string::npos);
  const std::string text =
      decodeQuotedPrintable(page.substr(html, page.find("\r\n--" + boundary, html) - html));
  EXPECT_NE(text.find("<html"), std::string::npos);
  for (const char* words : {"Windows 11", "Windows 10", "Windows 7", "Hidden items",
                            "Windows Live Mail", "Show hidden files, folders, and drives"}) {
    EXPECT_NE(text.find(words), std::string::npos) << words;
  }
}

TEST(HelpPageTest, FoundBesideTheProgramElseInTheInstalledLayout) {
  const mailferry::testing::TempFolder root("help-page");
  const fs::path bin = root.path() / "bin";
  const fs::path shared = root.path() / "share" / "mailferry";
  fs::create_directories(bin);
  fs::create_directories(shared);
  const QString programDir = QString::fromStdString(bin.string());
  const auto found = [&] { return fs::path(helpPagePath(programDir).toStdString()); };

  EXPECT_EQ(found(), bin / kHelpPageName) << "neither exists: the usual place is named";
  std::ofstream(shared / kHelpPageName) << "installed";
  EXPECT_EQ(found(), shared / kHelpPageName);
  std::ofstream(bin / kHelpPageName) << "build tree";
  EXPECT_EQ(found(), bin / kHelpPageName);
}

TEST(UnexpectedErrorTest, NumbersFollowTheClassicRunTimeErrors) {
  auto numberOf = [](auto error) { return describeError(std::make_exception_ptr(error)).number; };
  EXPECT_EQ(numberOf(std::bad_alloc()), 7);
  EXPECT_EQ(numberOf(std::out_of_range("row")), 9);
  EXPECT_EQ(numberOf(std::invalid_argument("x")), 5);
  EXPECT_EQ(numberOf(std::overflow_error("x")), 6);
  EXPECT_EQ(numberOf(std::filesystem::filesystem_error(
                "open", std::make_error_code(std::errc::no_such_file_or_directory))),
            53);
  EXPECT_EQ(numberOf(std::system_error(std::make_error_code(std::errc::permission_denied))), 70);
  EXPECT_EQ(numberOf(std::runtime_error("engine")), 440);
  EXPECT_EQ(numberOf(42), 51);
  const ErrorReport report =
      describeError(std::make_exception_ptr(std::runtime_error("disk full")));
  EXPECT_EQ(report.description, "disk full");
  EXPECT_EQ(errorMessageText(report), "Error 440\n\ndisk full");
}

}  // namespace
}  // namespace mailferry::app
