// The counter store where there is no registry: a text file in the form of a registry export,
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SOFTWARE\kelvor\PrinterTest]
//   "Num"="0003"
//
// so that it reads like the registry value it stands in for (a file exported by the Windows
// registry editor, UTF-16 with a byte-order mark, is read too). Other keys and values in the
// file are kept when it is rewritten.
//
// A change takes an advisory lock on "<file>.lock" beside the store, writes the new content to a
// temporary file of its own in the same folder, flushes it, renames it over the store and
// flushes the folder. Readers need no lock: they see the old file or the new one, whole. A store
// reached through a symbolic link is changed where the link points.
//
// A file that is there but is no registry export (empty, cut short, another encoding) or whose
// value line is damaged cannot be read: it is never taken for a missing value.
#pragma once

#include <functional>
#include <string>

#include "platform/CounterStore.h"

namespace bpconf::platform {

class RegFileCounterStore : public ICounterStore {
  public:
    explicit RegFileCounterStore(std::string path, int lockTimeoutMs = kCounterLockTimeoutMs)
        : path_(std::move(path)), lockTimeoutMs_(lockTimeoutMs) {}

    StoredValue Read() override;
    CounterChange Change(
        const std::function<std::optional<std::string>(const StoredValue&)>& choose) override;
    std::string Location() const override { return path_; }

    // Runs after the new file is written and flushed and before it replaces the old one
    // (lets a test kill the writer at the worst moment).
    void SetBeforeReplaceHook(std::function<void()> hook) { beforeReplace_ = std::move(hook); }

    const std::string& Path() const { return path_; }
    // Beside the file the path leads to, a symbolic link followed.
    std::string LockPath() const;

  private:
    std::string path_;
    int lockTimeoutMs_;
    std::function<void()> beforeReplace_;
};

}  // namespace bpconf::platform
