#include "tests/tools/probe_queue.h"

#include "Pellamor/DLG/DRSaveBox/QueueDb.h"
#include "Pellamor/DLG/DRSaveBox/QueueRun.h"
#include "platform/message.h"
#include "tests/tools/probe.h"

int ProbeQueue(FILESYSTEMOBJ* fs, const std::string& file, const std::string& dir, std::ostream& out,
               std::ostream& err) {
  const drsave::DbDrive drive{static_cast<char16_t>(fs->driveLetter), fs->typeCode};
  drsave::ImportResult imported = drsave::ImportQueueDb(file, drive, 0);
  if (!imported.accepted) {
    err << file << ": not imported\n";
    return 1;
  }
  // NTFS items are found through the search's entries.
  if (fs->typeCode == kFsNtfs && !ReadRootDirectory(fs)) {
    err << "cannot search the volume\n";
    return 1;
  }
  const std::u16string folder = platform::FromUtf8(dir);
  drsave::QueueStore store;
  for (drsave::QueueItem& item : imported.items) item.saveFolder = folder;
  store.AddAll(std::move(imported.items));
  // No one answers: a taken name is given up.
  drsave::QueueRunner runner(store, nullptr);
  runner.Run(fs);
  for (const drsave::QueueItem& item : store.Snapshot())
    out << Field(item.name) << "\t" << Field(item.StateColumn()) << "\t" << Field(item.note) << "\n";
  return 0;
}
