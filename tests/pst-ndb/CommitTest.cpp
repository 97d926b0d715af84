// Commits: deep B-trees over many nodes and blocks, copy-on-write page updates, a previous
// commit left intact on disk, truncated files, a failed write, the FMap of a file past 31 MB,
// and a file written to the disk about once through background commits.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "pst/PstError.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/Header.h"
#include "pst/ndb/NdbReader.h"
#include "pst/ndb/NodeDatabase.h"
#include "tests/pst-ndb/NdbLayoutCheck.h"
#include "tests/pst-ndb/NdbTestFiles.h"

namespace mailferry::pst {
namespace {

using namespace format;

Header headerOf(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<std::uint8_t> h(kHeaderSize);
  in.read(reinterpret_cast<char*>(h.data()), static_cast<std::streamsize>(h.size()));
  return decodeHeader(h);
}

void copyTruncated(const std::filesystem::path& from, const std::filesystem::path& to,
                   std::uint64_t size) {
  std::filesystem::copy_file(from, to);
  std::filesystem::resize_file(to, size);
}

TEST(Commit, DeepTreesOverManyNodesAndBlocks) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "many.pst";
  constexpr std::uint32_t kNodes = 4000;
  constexpr std::uint32_t kBlocksPerNode = 50;  // 200,000 blocks
  {
    auto db = NodeDatabase::create(path);
    for (std::uint32_t i = 0; i < kNodes; ++i) {
      std::vector<SubnodeEntry> subs;
      for (std::uint32_t j = 0; j < kBlocksPerNode; ++j) {
        const std::uint8_t small[4] = {std::uint8_t(i), std::uint8_t(i >> 8), std::uint8_t(j),
                                       0x5A};
        subs.push_back({makeNid(NidType::Ltp, j + 1), db->writeBlock(small), 0});
      }
      const Nid nid = db->allocateNid(NidType::NormalMessage);
      const Bid data = subs[0].data;
      db->putNode(nid, {data, db->writeSubnodes(std::move(subs))}, 0x122);
      if (i % 1000 == 999) db->commit();
    }
  }
  const auto layout = testing::checkNdbLayout(path);
  EXPECT_EQ(layout.nodes, kNodes);
  EXPECT_EQ(layout.blocks, kNodes * (kBlocksPerNode + 1));
  EXPECT_GE(layout.nbtDepth, 3);
  EXPECT_GE(layout.bbtDepth, 4);

  auto reader = NdbReader::open(path);
  const auto nodes = reader->nodes();
  ASSERT_EQ(nodes.size(), kNodes);
  for (std::uint32_t i = 0; i < kNodes; i += 397) {
    const NodeEntry& n = nodes[i];
    EXPECT_EQ(n.nid, makeNid(NidType::NormalMessage, 0x10001 + i));
    EXPECT_EQ(n.parent, 0x122u);
    const auto subs = reader->readSubnodes(n.sub);
    ASSERT_EQ(subs.size(), kBlocksPerNode);
    EXPECT_EQ(reader->readData(subs[7].data),
              (std::vector<std::uint8_t>{std::uint8_t(i), std::uint8_t(i >> 8), 7, 0x5A}));
    EXPECT_EQ(reader->block(subs[0].data)->refCount, 3);  // SLBLOCK entry and node data
  }
}

TEST(Commit, OnlyChangedPagesAreRewritten) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "cow.pst";
  auto db = NodeDatabase::create(path);
  for (std::uint32_t i = 0; i < 2990; ++i) {  // no leaf is full: the next entry splits none
    const std::uint8_t b[1] = {std::uint8_t(i)};
    db->putNode(db->allocateNid(NidType::NormalMessage), {db->writeBlock(b), 0}, 0x122);
  }
  db->commit();
  const auto first = testing::checkNdbLayout(path);
  const Header before = headerOf(path);

  const std::uint8_t b[1] = {1};
  db->putNode(db->allocateNid(NidType::NormalMessage), {db->writeBlock(b), 0}, 0x122);
  db->commit();
  const Header after = headerOf(path);
  const auto second = testing::checkNdbLayout(path);
  // One path per tree: page BIDs step by two.
  EXPECT_LE((after.bidNextP - before.bidNextP) / 2,
            static_cast<std::uint64_t>(first.nbtDepth + first.bbtDepth));
  EXPECT_EQ(second.btPages, first.btPages);

  // Nothing changed: no page is written, only the header.
  db->commit();
  EXPECT_EQ(headerOf(path).bidNextP, after.bidNextP);
  EXPECT_NE(headerOf(path).unique, after.unique);
}

TEST(Commit, ThePreviousCommitStaysIntactOnDisk) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "previous.pst";
  auto db = NodeDatabase::create(path);
  std::vector<Nid> nids;
  for (std::uint32_t i = 0; i < 500; ++i) {
    nids.push_back(db->allocateNid(NidType::NormalMessage));
    db->putNode(nids.back(), {db->writeBlock(testing::patternBytes(300, i)), 0}, 0x122);
  }
  db->commit();
  const auto committedHeader = testing::readWholeFile(path);

  // The next session replaces, removes and adds nodes, and commits.
  for (std::uint32_t i = 0; i < 500; i += 2) {
    db->putNode(nids[i], {db->writeBlock(testing::patternBytes(200, 1000 + i)), 0}, 0x122);
  }
  for (std::uint32_t i = 1; i < 500; i += 4) db->removeNode(nids[i]);
  for (std::uint32_t i = 0; i < 300; ++i) {
    db->putNode(db->allocateNid(NidType::NormalMessage),
                {db->writeBlock(testing::patternBytes(300, 5000 + i)), 0}, 0x122);
  }
  db->commit();

  // Had the machine stopped before the new header reached the disk, the old header would
  // still find everything it references, unchanged.
  auto file = testing::readWholeFile(path);
  std::copy_n(committedHeader.begin(), kHeaderSize, file.begin());
  const auto oldState = dir / "old-header.pst";
  testing::writeWholeFile(oldState, file);
  auto reader = NdbReader::open(oldState);
  ASSERT_EQ(reader->nodes().size(), 500u);
  for (std::uint32_t i = 0; i < 500; ++i) {
    EXPECT_EQ(reader->readData(reader->node(nids[i])->data), testing::patternBytes(300, i)) << i;
  }
}

TEST(Commit, TruncatedFilesKeepTheLastCommit) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "crash.pst";
  auto db = NodeDatabase::create(path);
  const auto body = testing::patternBytes(200000, 1);
  auto writer = db->streamData();
  writer.append(body);
  db->putNode(0x21, {writer.finish(), 0}, 0);
  db->commit();
  const std::uint64_t committedEof = headerOf(path).fileEof;
  ASSERT_EQ(std::filesystem::file_size(path), committedEof);

  // Work after the commit that never gets committed: it fills the rest of the last interval
  // and goes past the committed end of file.
  auto more = db->streamData();
  for (int i = 0; i < 600; ++i) more.append(testing::patternBytes(kMaxBlockData, 100 + i));
  db->putNode(0x61, {more.finish(), 0}, 0);
  db->putNode(0x21, {db->writeBlock(testing::patternBytes(5, 5)), 0}, 0);
  const auto crashed = dir / "crashed.pst";
  db->waitForWrites();  // the appends that filled the buffers have reached the file
  std::filesystem::copy_file(path, crashed);
  const std::uint64_t crashedSize = std::filesystem::file_size(crashed);
  ASSERT_GT(crashedSize, committedEof);

  const auto atEof = dir / "at-eof.pst";
  const auto midway = dir / "midway.pst";
  copyTruncated(path, atEof, committedEof);
  copyTruncated(path, midway, committedEof + (crashedSize - committedEof) / 2 + 17);
  for (const auto& p : {atEof, midway, crashed}) {
    SCOPED_TRACE(p.filename().string());
    testing::checkNdbLayout(p);
    auto reader = NdbReader::open(p);
    ASSERT_EQ(reader->nodes().size(), 1u);
    EXPECT_EQ(reader->readData(reader->node(0x21)->data), body);
  }
}

// A write that fails on the writer thread (here: the file size limit, as a full disk would)
// is reported by the next call, no later commit succeeds, and the file keeps the last commit.
TEST(Commit, AFailedWriteKeepsTheLastCommit) {
#ifdef _WIN32
  GTEST_SKIP() << "needs fork and a file size limit (setrlimit), which Windows lacks";
#else
  mailferry::testing::TempFolder dir;
  const auto path = dir / "full.pst";
  const auto body = testing::patternBytes(300, 1);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A child process, so that the limit does not reach the rest of the tests.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1 << 20, 1 << 20};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int code = 0;
    try {
      auto db = NodeDatabase::create(path);
      db->putNode(0x21, {db->writeBlock(body), 0}, 0);
      db->commit();
      try {
        auto writer = db->streamData();
        for (int i = 0; i < 1300; ++i) writer.append(testing::patternBytes(kMaxBlockData, i));
        db->putNode(0x61, {writer.finish(), 0}, 0);
        db->commit();
        code = 1;  // ten megabytes past the limit, and no error
      } catch (const PstError&) {
      }
      try {
        db->commit();
        code = 2;  // a commit after the failure
      } catch (const PstError&) {
      }
    } catch (...) {
      code = 3;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error reported, 2: a later commit succeeded";
  testing::checkNdbLayout(path);
  auto reader = NdbReader::open(path);
  ASSERT_EQ(reader->nodes().size(), 1u);
  EXPECT_EQ(reader->readData(reader->node(0x21)->data), body);
#endif
}

TEST(Commit, FMapPastThirtyOneMegabytes) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "fmap.pst";
  auto db = NodeDatabase::create(path);
  // 34 MB of blocks that repeat one pattern, 8 KB at a time.
  const auto chunk = testing::patternBytes(kMaxBlockData, 3);
  auto writer = db->streamData();
  for (int i = 0; i < 4200; ++i) writer.append(chunk);
  const Bid tree = writer.finish();
  db->putNode(0x21, {tree, 0}, 0);
  db->commit();
  const auto layout = testing::checkNdbLayout(path);  // checks every FMap byte
  EXPECT_GT(layout.intervals, kFMapFirst);
  const auto page = testing::readWholeFile(path);
  EXPECT_EQ(page[fmapOffset(kFMapFirst) + pagetrailer::kPtype],
            static_cast<std::uint8_t>(PageType::FMap));
  EXPECT_EQ(load64(&page[fmapOffset(kFMapFirst) + pagetrailer::kBid]), fmapOffset(kFMapFirst));

  // Free space at the end of the file shows in the FMap: freeing it changes the page.
  db->removeNode(0x21);
  db->commit();
  testing::checkNdbLayout(path);
  auto reader = NdbReader::open(path);
  EXPECT_TRUE(reader->nodes().empty());
}

// Bytes this process has had written to a disk so far, or nothing where the system does not
// say.
std::optional<std::uint64_t> diskBytesWritten() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "write_bytes:") return value;
  }
  return std::nullopt;
}

TEST(Commit, BackgroundCommitsHaveTheDiskWriteEachByteAboutOnce) {
  mailferry::testing::TempFolder dir;
  const auto path = dir / "once.pst";
  const auto before = diskBytesWritten();
  if (!before) GTEST_SKIP() << "the system does not count bytes written to disk";
  {
    auto db = NodeDatabase::create(path);
    // 48 MB in nodes of 64 KB, committed in the background every 4 MB while appends go on,
    // as a conversion run does; every tenth node later replaced, which frees blocks in
    // intervals written long before.
    std::vector<Nid> nids;
    for (std::uint32_t i = 0; i < 768; ++i) {
      auto writer = db->streamData();
      for (std::uint32_t j = 0; j < 8; ++j) writer.append(testing::patternBytes(8000, i * 8 + j));
      nids.push_back(db->allocateNid(NidType::NormalMessage));
      db->putNode(nids.back(), {writer.finish(), 0}, 0x122);
      if (i >= 100 && i % 10 == 0) {
        db->putNode(nids[i - 100], {db->writeBlock(testing::patternBytes(100, i)), 0}, 0x122);
      }
      if (db->bytesSinceCommit() >= (4u << 20)) db->commitInBackground();
    }
    db->commit();
  }
  const std::uint64_t written = *diskBytesWritten() - *before;
  const std::uint64_t size = std::filesystem::file_size(path);
  // A map page patched after the disk wrote its interval costs a second write of it and of
  // its neighbours (the system keeps up to 2 MB of a file together): the whole file twice.
  EXPECT_LE(written, size + size / 5) << written << " bytes written for a file of " << size;
  testing::checkNdbLayout(path);
}

}  // namespace
}  // namespace mailferry::pst
