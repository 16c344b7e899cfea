// The file operations on the platform's own layer (POSIX natively, Win32
// under Wine): positions, ends of files, sharing, and sizes past 32 bits.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/operations.h"
#include "tests/core/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

namespace fs = std::filesystem;

class FileOperations : public ::testing::Test {
 protected:
  Text Make(const Text& name, const Bytes& content) {
    Text path = dir / name;
    EXPECT_TRUE(FileWriteWhole(path, content));
    return path;
  }
  TempFolder dir;
};

TEST_F(FileOperations, ReadsUpToTheEndAndNoFurther) {
  FileNumber f = FileOpen(Make("a.txt", "0123456789abc"));
  ASSERT_NE(f, 0);
  EXPECT_EQ(FileLengthOf(f), 13);
  EXPECT_EQ(FileRead(f, 10), "0123456789");
  EXPECT_EQ(FileRead(f, 10), "abc");  // fewer than asked: the rest
  EXPECT_EQ(FileRead(f, 10), "");     // at the end
  EXPECT_EQ(FileRead(f, 10), "");
  EXPECT_TRUE(FileSeek(f, 3, -1));
  EXPECT_EQ(FileRead(f, 5), "c");  // the position stayed at the end
  EXPECT_EQ(FileRead(f, 0), "");
  EXPECT_EQ(FileRead(f, -3), "");
  FileClose(f);
}

TEST_F(FileOperations, SeekBackByOneRereadsTheLastByte) {
  FileNumber f = FileOpen(Make("a.txt", "0123456789abc"));
  ASSERT_NE(f, 0);
  EXPECT_EQ(FileRead(f, 10), "0123456789");
  EXPECT_TRUE(FileSeek(f, 3, -1));
  EXPECT_EQ(FileRead(f, 2), "9a");
  struct Case { int origin; int64_t distance; bool moved; Bytes next; } cases[] = {
      {1, 2, true, "2"},     {2, -1, true, "c"},  {3, -2, true, "9"},
      {1, -1, false, "c"},   {0, 0, false, ""},   {4, 0, false, ""},
      {3, -100, false, ""},  {2, 5, true, ""},    // past the end is allowed; reads nothing
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(FileSeek(f, 1, 11));  // before 'b'
    EXPECT_EQ(FileSeek(f, c.origin, c.distance), c.moved) << c.origin << " " << c.distance;
    Bytes next = FileRead(f, 1);
    EXPECT_EQ(next, c.moved ? c.next : Bytes("b")) << c.origin << " " << c.distance;
  }
  FileClose(f);
}

TEST_F(FileOperations, WriteWholeReplacesAndRefuses) {
  Text path = Make("a.txt", "a much longer content than the next");
  EXPECT_TRUE(FileWriteWhole(path, Bytes("x\0y", 3)));
  EXPECT_EQ(ReadWhole(path), Bytes("x\0y", 3));
  EXPECT_TRUE(FileWriteWhole(path, ""));
  EXPECT_TRUE(Exists(path));
  EXPECT_EQ(FileSize(path), 0);
  EXPECT_FALSE(FileWriteWhole("", "data"));
  EXPECT_FALSE(FileWriteWhole(dir / "missing\\a.txt", "data"));
  EXPECT_FALSE(Exists(dir / "missing"));
  ASSERT_TRUE(DirectoryCreate(dir / "sub"));
  EXPECT_FALSE(FileWriteWhole(dir / "sub", "data"));  // a folder is not a file
}

TEST_F(FileOperations, MissingFilesAndFolders) {
  Text missing = dir / "nothing.txt";
  EXPECT_EQ(FileOpen(missing), 0);
  EXPECT_EQ(FileOpen(""), 0);
  EXPECT_EQ(FileSize(missing), -1);
  EXPECT_EQ(FileLengthOf(0), -1);
  EXPECT_EQ(FileRead(0, 5), "");
  EXPECT_FALSE(FileSeek(0, 1, 0));
  FileClose(0);  // ignored
  EXPECT_FALSE(FileDelete(missing));
  EXPECT_EQ(FileOpen(TextLeft(dir.path(), TextLength(dir.path()) - 1)), 0);
  EXPECT_EQ(FileSize(TextLeft(dir.path(), TextLength(dir.path()) - 1)), -1);
  EXPECT_EQ(FileSize(dir / "*"), -1);
}

TEST_F(FileOperations, AClosedNumberStopsWorking) {
  Text path = Make("a.txt", "abc");
  FileNumber first = FileOpen(path);
  ASSERT_NE(first, 0);
  FileClose(first);
  EXPECT_EQ(FileLengthOf(first), -1);
  EXPECT_EQ(FileRead(first, 1), "");
  FileNumber second = FileOpen(path);
  EXPECT_NE(second, first);  // never handed out again
  EXPECT_EQ(FileLengthOf(first), -1);
  FileClose(second);
}

TEST_F(FileOperations, AReadOnlySourceOpensForReading) {
  Text path = Make("ro.txt", "content");
  fs::permissions(NativePath(path), fs::perms::owner_write | fs::perms::group_write |
                  fs::perms::others_write, fs::perm_options::remove);
  FileNumber f = FileOpen(path);
  ASSERT_NE(f, 0);
  EXPECT_EQ(FileRead(f, 100), "content");
  FileClose(f);
  EXPECT_FALSE(FileDelete(path));  // read-only files are not deleted
  EXPECT_TRUE(Exists(path));
  EXPECT_FALSE(FileWriteWhole(path, "x"));
}

TEST_F(FileOperations, DeleteAndCreateFolders) {
  Text path = Make("a.txt", "abc");
  EXPECT_TRUE(FileDelete(path));
  EXPECT_FALSE(Exists(path));
  EXPECT_TRUE(DirectoryCreate(dir / "sub"));
  EXPECT_FALSE(DirectoryCreate(dir / "sub"));  // already there
  EXPECT_FALSE(DirectoryCreate(dir / "no\\such"));
  EXPECT_FALSE(FileDelete(dir / "sub"));
}

TEST_F(FileOperations, TheOpenSourceStaysSharedWithOtherPrograms) {
  Text path = Make("shared.txt", "abc");
  FileNumber f = FileOpen(path);
  ASSERT_NE(f, 0);
  // Another program, sharing as programs usually do, may still write it.
  {
    std::FILE* other = std::fopen(NativePath(path).string().c_str(), "ab");
    ASSERT_NE(other, nullptr);
    std::fputs("def", other);
    std::fclose(other);
  }
  EXPECT_EQ(FileLengthOf(f), 6);
  FileClose(f);
}

#ifdef _WIN32
TEST_F(FileOperations, AFileHeldWithoutSharingDoesNotOpen) {
  Text path = Make("held.txt", "abc");
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FileOpen(path), 0);
  EXPECT_FALSE(FileWriteWhole(path, "x"));
  EXPECT_FALSE(FileDelete(path));
  // Its identity can still be read: nobody may overwrite it unnoticed.
  EXPECT_TRUE(FileInfoAt(path).has_value());
  CloseHandle(held);
  EXPECT_EQ(ReadWhole(path), "abc");
}

TEST_F(FileOperations, SameFileUnderAnotherSpelling) {
  Text path = Make("Novel.txt", "abc");
  FileNumber f = FileOpen(path);
  ASSERT_NE(f, 0);
  auto other = FileInfoAt(dir / "NOVEL.TXT");
  ASSERT_TRUE(other.has_value());
  EXPECT_TRUE(SameFile(*FileInfoOf(f), *other));
  FileClose(f);
}
#else
TEST_F(FileOperations, SameFileUnderAHardLink) {
  Text path = Make("novel.txt", "abc");
  fs::create_hard_link(NativePath(path), NativePath(dir / "001.txt"));
  FileNumber f = FileOpen(path);
  ASSERT_NE(f, 0);
  EXPECT_TRUE(SameFile(*FileInfoOf(f), *FileInfoAt(dir / "001.txt")));
  EXPECT_FALSE(SameFile(*FileInfoOf(f), *FileInfoAt(Make("other.txt", "abc"))));
  FileClose(f);
}
#endif

TEST_F(FileOperations, InfoTellsChangesAndNoFolders) {
  Text path = Make("a.txt", "abc");
  auto before = FileInfoAt(path);
  ASSERT_TRUE(before.has_value());
  EXPECT_EQ(before->size, 3);
  EXPECT_FALSE(FileInfoAt(dir / "missing").has_value());
  EXPECT_FALSE(FileInfoAt(TextLeft(dir.path(), TextLength(dir.path()) - 1)).has_value());
  ASSERT_TRUE(FileWriteWhole(path, "abcd"));
  EXPECT_EQ(FileInfoAt(path)->size, 4);
}

TEST_F(FileOperations, SizesPastFourGibibytes) {
  // A sparse file: 5 GiB and 4 bytes, the last four bytes known.
  const int64_t size = (int64_t{5} << 30) + 4;
  Text path = Make("big.bin", "");
  std::error_code error;
  fs::resize_file(NativePath(path), static_cast<uintmax_t>(size - 4), error);
  if (error) GTEST_SKIP() << "this file system cannot hold a sparse 5 GiB file: " << error.message();
  {
    std::FILE* out = std::fopen(NativePath(path).string().c_str(), "r+b");
    ASSERT_NE(out, nullptr);
#ifdef _WIN32
    _fseeki64(out, size - 4, SEEK_SET);
#else
    fseeko(out, size - 4, SEEK_SET);
#endif
    std::fputs("TAIL", out);
    std::fclose(out);
  }
  EXPECT_EQ(FileSize(path), size);
  FileNumber f = FileOpen(path);
  ASSERT_NE(f, 0);
  EXPECT_EQ(FileLengthOf(f), size);
  EXPECT_EQ(FileInfoOf(f)->size, size);
  ASSERT_TRUE(FileSeek(f, 2, -4));
  EXPECT_EQ(FileRead(f, 100), "TAIL");
  ASSERT_TRUE(FileSeek(f, 1, (int64_t{4} << 30) + 1));  // past 4 GiB from the start
  char buffer[8];
  EXPECT_EQ(FileReadInto(f, buffer, 8), 8);
  FileClose(f);
}

TEST_F(FileOperations, StreamingWritesAndReads) {
  Text path = dir / "stream.bin";
  FileNumber w = FileCreate(path);
  ASSERT_NE(w, 0);
  EXPECT_TRUE(FileWrite(w, "abc", 3));
  EXPECT_TRUE(FileWrite(w, "", 0));
  EXPECT_TRUE(FileWrite(w, "de", 2));
  EXPECT_TRUE(FileCommit(w));
  EXPECT_FALSE(FileCommit(w));  // already closed
  EXPECT_FALSE(FileWrite(w, "x", 1));
  FileNumber r = FileOpen(path);
  char buffer[8];
  EXPECT_EQ(FileReadInto(r, buffer, 8), 5);
  EXPECT_EQ(FileReadInto(r, buffer, 8), 0);
  FileClose(r);
  EXPECT_EQ(FileReadInto(r, buffer, 8), -1);
  EXPECT_EQ(FileCreate(dir / "missing\\x.bin"), 0);
}

TEST(Environment, PathsAndTheClock) {
  Text absolute = AbsolutePath("novel.txt");
  EXPECT_EQ(PathPart(absolute, 3), "novel.txt");
  EXPECT_NE(PathPart(absolute, 5), "");
  EXPECT_EQ(AbsolutePath(absolute), absolute);
  Text exe = ExecutablePath();
  EXPECT_EQ(exe.find('\\'), Text::npos);
  EXPECT_EQ(exe.rfind("core_tests", 0), 0u) << exe;
  DateTime now = CurrentTime();
  EXPECT_GE(HourOf(now), 0);
  EXPECT_LE(HourOf(now), 23);
  EXPECT_LE(MinuteOf(now), 59);
  EXPECT_LE(SecondOf(now), 59);
  PumpEvents();  // nothing waiting: returns at once
}

}  // namespace
