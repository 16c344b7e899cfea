// The set of open files behind the file numbers, for both file layers.
// Numbers are never handed out twice, so a closed number stays dead; 0 never
// names a file.
#pragma once

#include <map>
#include <optional>

#include "core/operations.h"

template <class Handle>
class OpenFileTable {
 public:
  FileNumber Add(Handle h) {
    FileNumber f = next_++;
    handles_[f] = h;
    return f;
  }
  // The handle of an open number, or nullopt.
  std::optional<Handle> Find(FileNumber f) const {
    auto it = handles_.find(f);
    if (it == handles_.end()) return std::nullopt;
    return it->second;
  }
  // Forgets the number and hands its handle over for closing.
  std::optional<Handle> Take(FileNumber f) {
    auto it = handles_.find(f);
    if (it == handles_.end()) return std::nullopt;
    Handle h = it->second;
    handles_.erase(it);
    return h;
  }

 private:
  std::map<FileNumber, Handle> handles_;
  FileNumber next_ = 1;
};
