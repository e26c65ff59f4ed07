#include "Pellamor/DriveSession.h"

#include <cstdlib>
#include <new>

#include "corvane/dll_processor.h"
#include "platform/volume_io.h"

namespace {

// Code of the drive session's fatal box; numbers 1 (allocation), 2 (open) and 3 (first scan).
constexpr std::uint32_t kCodeDriveSession = 0x6B21D0C7;

CDriveSession* g_current = nullptr;

void ReportDriveFailure(int number) {
  ShowFatalErrorAndExit(__TIMESTAMP__, __FILE__, kCodeDriveSession, number, 0);
}

}  // namespace

void CDriveSession::FsDeleter::operator()(FILESYSTEMOBJ* fs) const {
  if (!fs) return;
  FreeFileSystem(fs);
  if (m_pFileSystem == fs) m_pFileSystem = nullptr;
  std::free(fs);
}

CDriveSession::CDriveSession(QObject* parent) : QObject(parent) { g_current = this; }

CDriveSession::~CDriveSession() {
  Close();
  ClosePrivateVolume();
  if (g_current == this) g_current = nullptr;
}

CDriveSession* CDriveSession::Current() { return g_current; }

const FsCapabilities* CDriveSession::Capabilities() const {
  return fs_ ? CapabilitiesOf(fs_->typeCode) : nullptr;
}

std::unique_ptr<FILESYSTEMOBJ, CDriveSession::FsDeleter> CDriveSession::NewVolume(char letter) {
  std::unique_ptr<FILESYSTEMOBJ, FsDeleter> fs;
  void* block = std::calloc(1, sizeof(FILESYSTEMOBJ));
  if (!block) return fs;
  fs.reset(new (block) FILESYSTEMOBJ{});
  fs->volumeHandle = platform::kInvalidHandle;
  InitFileSystem(fs.get(), letter);
  m_pFileSystem = fs.get();
  return fs;
}

bool CDriveSession::Open(char letter) {
  Close();
  ClosePrivateVolume();
  fs_ = NewVolume(letter);
  if (!fs_) {
    ReportDriveFailure(1);
    return false;
  }
  if (!OpenFileSystem(fs_.get())) {
    fs_.reset();
    ReportDriveFailure(2);
    return false;
  }
  if (!ReadRootDirectory(fs_.get())) {
    fs_.reset();
    ReportDriveFailure(3);
    return false;
  }
  emit opened(fs_->typeCode);
  return true;
}

FILESYSTEMOBJ* CDriveSession::OpenPrivateVolume(char letter) {
  Close();
  ClosePrivateVolume();
  if (fs_) return nullptr;  // the drive is still closing
  private_ = NewVolume(letter);
  if (private_ && !OpenFileSystem(private_.get())) private_.reset();
  return private_.get();
}

void CDriveSession::ClosePrivateVolume() { private_.reset(); }

void CDriveSession::Close() {
  if (!fs_ || closing_) return;
  closing_ = true;
  emit closing();
  // The latest reader first; a reader may unregister itself or others while it stops.
  std::vector<Reader> readers = readers_;
  for (auto it = readers.rbegin(); it != readers.rend(); ++it)
    if (it->stopAndJoin) it->stopAndJoin();
  fs_.reset();  // FreeFileSystem, then the object; the shell records go with it
  closing_ = false;
  emit closed();
}

int CDriveSession::AddReader(std::function<void()> stopAndJoin, std::function<bool()> running) {
  int id = nextReaderId_++;
  readers_.push_back({id, std::move(stopAndJoin), std::move(running)});
  return id;
}

void CDriveSession::RemoveReader(int id) {
  std::erase_if(readers_, [id](const Reader& r) { return r.id == id; });
}

bool CDriveSession::IsBusy() const {
  for (const Reader& r : readers_)
    if (!r.running || r.running()) return true;
  return false;
}
