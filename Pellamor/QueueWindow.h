// What the file list and the frame need of the recovery queue window (CDRSaveBox), so the list
// builds without it: the window implements this beside its widget base.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class QWidget;

class IQueueWindow {
 public:
  virtual ~IQueueWindow() = default;
  // Appends one item; the list calls it once per selected row, then UpdateCounters once.
  // firstCluster: FAT/exFAT first cluster, NTFS record number. entryReference: FAT 1 deleted,
  // 0 live; NTFS the entry's file attributes.
  virtual void AddItem(const std::u16string& name, int isFolder, std::uint64_t firstCluster, int methodCode,
                       std::uint32_t entryReference, int folderKind, const std::u16string& stateText,
                       double size) = 0;
  virtual void UpdateCounters() = 0;
  // True from a successful start until the worker's loop ends.
  virtual bool IsRunning() const = 0;
};

// Builds the queue window for a newly opened drive (hidden); the list owns what it returns.
using QueueWindowFactory = std::function<QWidget*(QWidget* parent)>;
