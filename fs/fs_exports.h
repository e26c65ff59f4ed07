// Exports of the scan module ("fs.dll"): repeated MFT scans of one NTFS drive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One file found by a scan pass.
struct SCANFILEENTRY {
  std::int32_t kind = 0;
  std::u16string name;
  std::int32_t folder = 0;
  std::int32_t recordNumber = 0;
  std::int32_t system = 0;  // record number below 32
  std::int32_t reserved[3] = {};
  std::u16string sizeText;
  std::u16string created;
  std::u16string accessed;
  std::u16string modified;
};

// Where a scan delivers its results. Called from the scan's worker threads, so the callbacks must
// be thread-safe; rows holds the rows of the latest complete pass.
struct SCANSINK {
  void (*progress)(void* context, const std::u16string& text) = nullptr;
  void (*passDone)(void* context, const std::vector<SCANFILEENTRY>& rows) = nullptr;
  void* context = nullptr;
};

extern "C" {
char16_t set_disk_target(char16_t letter);
// Installs the result sink for the next scans (null removes it).
void set_scan_sink(const SCANSINK* sink);
void sig_stop_scan();
// Scans the target drive until stopped: 1 after a stop, 0 when the drive cannot be scanned.
int scan_dir();
std::int64_t read_runtime_module_version_fs(int a);
}
