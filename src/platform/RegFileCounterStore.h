// The counter store where there is no registry: a text file in the form of a registry export,
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SOFTWARE\kelvor\PrinterTest]
//   "Num"="0003"
//
// so that it reads like the registry value it stands in for. Other keys and values in the file
// are kept when it is rewritten; every write replaces the file atomically.
#pragma once

#include <functional>
#include <string>

#include "platform/CounterStore.h"

namespace bpconf::platform {

class RegFileCounterStore : public ICounterStore {
  public:
    explicit RegFileCounterStore(std::string path) : path_(std::move(path)) {}

    StoredValue Read() override;
    bool Write(const std::string& text) override;

    // Runs after the new file is written and flushed and before it replaces the old one
    // (lets a test kill the writer at the worst moment).
    void SetBeforeReplaceHook(std::function<void()> hook) { beforeReplace_ = std::move(hook); }

    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    std::function<void()> beforeReplace_;
};

}  // namespace bpconf::platform
