// What the file dialog makes of texts and what it reads back from the
// platform's buffers. Pure byte work on the core's operations, without
// windows.h, so that it also builds (and is fuzzed) natively.
#pragma once

#include "core/operations.h"

// The multi-select flag word (OFN_ALLOWMULTISELECT).
constexpr int kMultiSelectWord = 512;

// The platform's filter list: every byte "|" becomes a zero byte, byte by
// byte (so a GBK character whose second byte is 0x7C is cut as well), and two
// zero bytes close the list.
Bytes FilterList(const Text& filter);
// The file buffer for an initial name: the name with each ";" a zero byte,
// then zero bytes up to 257 bytes, or 2049 with multi-select. A longer name
// grows the buffer so that a zero byte still follows it.
Bytes FileBufferFor(const Text& initialName, int multiSelectFlag);
// What a confirmed dialog left in the file buffer, as one text: the path, or
// with multi-select a folder and names joined into "folder\name;folder\name".
Text ChosenNamesFrom(const Bytes& fileBuffer, int multiSelectFlag);
