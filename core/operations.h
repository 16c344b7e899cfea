// The text, byte, number, file, time and environment operations that the
// rest of the program does its work with. None of them throws or shows
// anything: failure is the empty text, the empty byte string, -1, 0 or false.
//
// Texts are bytes of the ANSI code page (GBK), never holding a zero byte;
// positions are 1-based and count bytes. The character-aware operations
// (FindLastText, TrimText, SplitText, TextToNumber) step over a byte of 0x80
// or above together with the byte after it, so a GBK second byte such as
// 0x5C ("\") or 0x7C ("|") is never taken for a character of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using Text = std::string;
using Bytes = std::string;  // any bytes, zero bytes included

// ---- Text --------------------------------------------------------------

int TextLength(const Text& t);
Text TextLeft(const Text& t, int n);
Text TextRight(const Text& t, int n);
Text TextMid(const Text& t, int pos, int n);  // pos < 1 gives the empty text
int FindLastText(const Text& t, const Text& s);
Text TrimText(const Text& t);  // blanks: 0x20 and the full-width 0xA1 0xA1
Text RepeatText(int n, const Text& t);
Text BlankText(int n);
int CompareText(const Text& a, const Text& b);
Text JoinText(std::initializer_list<std::string_view> parts);
std::vector<Text> SplitText(const Text& t, const Text& sep);
Text NumberToText(int64_t n);  // integer form: '42', '-5'
inline Text NumberToText(int n) { return NumberToText(static_cast<int64_t>(n)); }
Text NumberToText(double x);   // real form: "%.13g", three exponent digits
double TextToNumber(const Text& t);
int FirstByteCode(const Text& t);
Text HexText(int n);

// ---- Byte strings ------------------------------------------------------

Bytes TextToBytes(const Text& t);
Text BytesToText(const Bytes& b);
int BytesLength(const Bytes& b);
Bytes BytesLeft(const Bytes& b, int n);
Bytes BytesMid(const Bytes& b, int pos, int n);  // pos < 1 counts as 1
int FindBytes(const Bytes& b, const Bytes& p);
Bytes ReplaceBytes(const Bytes& b, const Bytes& p, const Bytes& r);
Bytes ZeroBytes(int n);
Bytes JoinBytes(std::initializer_list<std::string_view> parts);

// The number of bytes of 0x80 and above; the fast form of testing every byte
// with FirstByteCode and HexText.
int64_t CountHighBytes(const void* data, size_t n);

// ---- Numbers -----------------------------------------------------------

double IntegerDivide(double a, double b);
double Remainder(double a, double b);
int BitOr(std::initializer_list<int> values);

// A real stored into an integer: truncated toward zero to 64 bits (values
// beyond the range saturate, NaN gives 0); the 32-bit form keeps the low bits.
int64_t RealToInt64(double x);
int32_t RealToInt32(double x);

// ---- Files -------------------------------------------------------------
// Paths are Windows paths, "\" between folders. The POSIX layer turns each
// "\" that starts a character into "/", so the same paths work natively.

using FileNumber = int;  // 0 names no file

// Opens an existing file for reading only, sharing reading, writing and
// deleting with everyone. 0 when missing, a folder, or held without sharing.
FileNumber FileOpen(const Text& path);
int64_t FileLengthOf(FileNumber f);
Bytes FileRead(FileNumber f, int64_t n);
bool FileSeek(FileNumber f, int origin, int64_t distance);  // 1 start, 2 end, 3 here
void FileClose(FileNumber f);
bool FileWriteWhole(const Text& path, const Bytes& data);
bool DirectoryCreate(const Text& path);
bool FileDelete(const Text& path);
int64_t FileSize(const Text& path);  // found without opening; -1 when no such file

// Streaming forms for the piece writer, on numbers from the same set.
// FileReadInto gives the bytes read (0 at the end) or -1 when the read fails.
int64_t FileReadInto(FileNumber f, void* buffer, int64_t n);
// Creates the file, or empties it, for writing that nobody else may share.
FileNumber FileCreate(const Text& path);
bool FileWrite(FileNumber f, const void* data, int64_t n);  // true when all was written
// Closes a file made by FileCreate; false when the data did not reach the disk.
bool FileCommit(FileNumber f);
// The position from the start of the file, -1 for a number that is not open;
// FileMoveTo sets it (0 or more).
int64_t FilePosition(FileNumber f);
bool FileMoveTo(FileNumber f, int64_t position);

// What tells one file from another, and whether it changed.
struct FileInfo {
  int64_t size = 0;
  int64_t modified = 0;  // platform ticks, only compared for equality
  uint64_t volume = 0;
  uint64_t id = 0;
};
std::optional<FileInfo> FileInfoOf(FileNumber f);
std::optional<FileInfo> FileInfoAt(const Text& path);  // files only, not folders
inline bool SameFile(const FileInfo& a, const FileInfo& b) {
  return a.volume == b.volume && a.id == b.id;
}

// The path made absolute against the current folder; unchanged if it is so.
Text AbsolutePath(const Text& path);

// ---- Time and environment ----------------------------------------------

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
DateTime CurrentTime();
inline int HourOf(const DateTime& t) { return t.hour; }
inline int MinuteOf(const DateTime& t) { return t.minute; }
inline int SecondOf(const DateTime& t) { return t.second; }

// Handles the waiting window messages; leaves a quit message in the queue.
void PumpEvents();
// The program's own file name with its extension, without its folder.
Text ExecutablePath();

// ---- The splitting core's own ------------------------------------------

// Code 1 name without extension, 2 extension, 3 name, 4 length of the name,
// 5 folder with its last "\"; left out counts as 1, any other code gives ''.
Text PathPart(const Text& path, std::optional<int> code = std::nullopt);
// Decimal text with "0" in front up to width (left out: length + 2).
Text ZeroPad(int64_t number, std::optional<int> width = std::nullopt);
