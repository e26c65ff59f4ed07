// The open drive: the one owner of the current-volume object.
//
// The session is the only code that sets m_pFileSystem. Views, the queue and the dialogs watch
// its signals; every worker that reads the volume registers a stop-and-join callback while it
// runs, and closing the drive calls them all, the latest first, before the engine frees
// anything.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "corvane/capabilities.h"
#include "corvane/filesystem.h"

class CDriveSession : public QObject {
  Q_OBJECT

 public:
  explicit CDriveSession(QObject* parent = nullptr);
  ~CDriveSession() override;  // Close()

  // The live session (the latest built), null when none.
  static CDriveSession* Current();

  // Closes any open drive through Close(), then opens `letter` and runs the first scan of its
  // file system. False when the volume cannot be opened or scanned: the failure was reported
  // with the drive session's fatal box and no drive is open.
  bool Open(char letter);
  // Stops every registered reader, the latest first, then frees the engine's state and the
  // object. Does nothing while no drive is open.
  void Close();

  // A volume that one dialog reads by itself, apart from the drive of the views (which stays
  // closed): closes the open drive through Close(), then opens `letter` as a fresh volume object,
  // the current-volume object until ClosePrivateVolume. Null (nothing left open, nothing
  // reported) when it cannot be opened.
  FILESYSTEMOBJ* OpenPrivateVolume(char letter);
  // Frees that volume; also done by Open and by the destructor.
  void ClosePrivateVolume();
  FILESYSTEMOBJ* PrivateVolume() const { return private_.get(); }

  bool IsOpen() const { return fs_ != nullptr; }
  FILESYSTEMOBJ* FileSystem() const { return fs_.get(); }
  // File-system type code of the open volume; 0 when none is open.
  std::uint32_t TypeCode() const { return fs_ ? fs_->typeCode : 0; }
  // What the open volume supports; null when none is open.
  const FsCapabilities* Capabilities() const;
  char DriveLetter() const { return fs_ ? fs_->driveLetter : 0; }

  // Registers a worker that reads the volume. stopAndJoin must return only once the worker no
  // longer touches the volume; running, when given, tells whether it still does. The id is
  // given back to RemoveReader when the worker ends by itself.
  int AddReader(std::function<void()> stopAndJoin, std::function<bool()> running = {});
  void RemoveReader(int id);
  // Whether a registered reader is running: the volume is in use and must not be opened
  // elsewhere or closed without stopping it.
  bool IsBusy() const;
  std::size_t ReaderCount() const { return readers_.size(); }

 signals:
  void opened(std::uint32_t type);
  // The drive is about to close; the registered readers are stopped right after.
  void closing();
  // The engine's state is gone and no drive is open.
  void closed();

 private:
  struct FsDeleter {
    void operator()(FILESYSTEMOBJ* fs) const;
  };
  struct Reader {
    int id;
    std::function<void()> stopAndJoin;
    std::function<bool()> running;
  };

  static std::unique_ptr<FILESYSTEMOBJ, FsDeleter> NewVolume(char letter);

  std::unique_ptr<FILESYSTEMOBJ, FsDeleter> fs_;
  std::unique_ptr<FILESYSTEMOBJ, FsDeleter> private_;
  std::vector<Reader> readers_;
  int nextReaderId_ = 1;
  bool closing_ = false;
};
